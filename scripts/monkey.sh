#!/usr/bin/env bash
# Random but valid X input for the sanitizer build of the viewer, for a bounded
# time, on a virtual display of its own:
#   bash scripts/monkey.sh [SECONDS] [BUILD_DIR]     (default: 60 s, build-asan)
# Mouse moves, drags with each button, clicks, the context menu and its items, and
# the settings window: random text in every bound edit, the sliders, the lists, the
# radio buttons, arrow keys, closing and reopening it. Error boxes and the colour
# dialog are dismissed (or used) as they appear. Passes when the program is still
# running at the end and answers (its context menu opens and closes again), then
# ends with exit code 0 when its main window is closed, and the sanitizers reported
# nothing, at exit included. The seed is printed first; MONKEY_SEED=N makes the same
# choices again: each step draws from the seed and its own number alone, so the
# timing of one step changes no later step's choices, but what a choice does still
# depends on what is on the screen then. Logs: BUILD_DIR/monkey/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
build="$(realpath -m "${2:-build-asan}")"

if [ -z "${MONKEY_OWN_DISPLAY:-}" ]; then
  source scripts/prepare.sh test
  if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -DVIEWER_SANITIZE=ON -DVIEWER_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
  fi
  cmake --build "$build" -j"$(nproc)" --target surface-viewer close_window >/dev/null
  export MONKEY_OWN_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$seconds" "$build"
fi

exe="$build/run/surface-viewer"
close_window="$build/tools/close_window"
logs="$build/monkey"
rm -rf "$logs"
mkdir -p "$logs"
ulimit -c 0

export LIBGL_ALWAYS_SOFTWARE=1 QT_QPA_PLATFORM=xcb
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:log_path=$logs/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$logs/ubsan"
# No desktop portal on a virtual display (see scripts/test.sh).
export QT_NO_XDG_DESKTOP_PORTAL=1
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"

seed="${MONKEY_SEED:-$(od -An -N2 -tu2 /dev/urandom | tr -d ' ')}"
echo "Monkey: seed $seed, $seconds s, $exe"
echo "  replay: MONKEY_SEED=$seed bash scripts/monkey.sh $seconds $build"

readonly MAIN_TITLE='^График функции вида '
readonly SETTINGS_TITLE='^Параметры и коэффициенты$'
readonly BOX_TITLE='Ливентор'

pid=""
cleanup() {
  if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP

sanitizer_reports() {
  local found=1 f
  for f in "$logs"/asan.* "$logs"/ubsan.*; do
    [ -s "$f" ] || continue
    echo "---- $f" >&2
    cat "$f" >&2
    found=0
  done
  if grep -Eq 'ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: [A-Za-z]+Sanitizer' \
    "$logs/output.txt"; then
    echo "---- program output" >&2
    cat "$logs/output.txt" >&2
    found=0
  fi
  return $found
}

fail() {
  echo "FAIL: $* (seed $seed, after $SECONDS s, $steps moves; logs in $logs)" >&2
  sanitizer_reports || true
  tail -n 20 "$logs/actions.txt" >&2 || true
  exit 1
}

# --- Random choices, from the seeded generator only (never in a subshell).
R=0
rnd() { R=$((RANDOM % $1)); }
pick() { rnd $#; shift "$R"; P="$1"; }
nap() { rnd "$1"; sleep "0.$(printf '%03d' "$R")"; }

words=(0 1 -1 2 10 50 100 -50 "2,5" "2.5" "0,001" "6,283185" 1e3 1e10 1e38 1e39 -1e39 1e308
  1e-45 1e-320 9999999999 -0 "" nan inf -inf q x abc " 7" "1 2" "," "." - + e "1e" "--1" "0x10")
chars="0123456789012345678901234567890-+,.eE qx"
random_text() {
  rnd 3
  if [ "$R" -eq 0 ]; then
    T=""
    rnd 8
    local n=$((R + 1)) i
    for ((i = 0; i < n; i++)); do
      rnd ${#chars}
      T+="${chars:R:1}"
    done
  else
    pick "${words[@]}"
    T="$P"
  fi
}

# --- The display.
xdo() { timeout 10 xdotool "$@" >/dev/null 2>&1 || true; }
log() { echo "$SECONDS $*" >>"$logs/actions.txt"; }
alive() { kill -0 "$pid" 2>/dev/null; }
# Top-level windows of the program on the screen: the main window, the settings
# window, message boxes, dialogs and popups (menus, open lists).
windows() { timeout 10 xdotool search --maxdepth 1 --onlyvisible --all --pid "$pid" 2>/dev/null || true; }
find_window() {
  timeout 10 xdotool search --maxdepth 1 --onlyvisible --all --pid "$pid" --name "$1" 2>/dev/null |
    head -n 1 || true
}
geometry() {
  WX=0 WY=0 WW=0 WH=0
  local line
  while read -r line; do
    case "$line" in
      X=*) WX="${line#X=}" ;;
      Y=*) WY="${line#Y=}" ;;
      WIDTH=*) WW="${line#WIDTH=}" ;;
      HEIGHT=*) WH="${line#HEIGHT=}" ;;
    esac
  done < <(timeout 10 xdotool getwindowgeometry --shell "$1" 2>/dev/null || true)
}
# Windows other than the main and the settings window.
others() {
  local w settings
  settings="$(find_window "$SETTINGS_TITLE")"
  for w in $(windows); do
    [ "$w" = "$main" ] || [ "$w" = "$settings" ] || echo "$w"
  done
}
# Menus and open lists place themselves (override-redirect); like message boxes,
# they carry the application's name as their title.
is_popup() { timeout 10 xwininfo -id "$1" 2>/dev/null | grep -q 'Override Redirect State: yes'; }

# --- Moves on the main window (it covers the screen).
point() { rnd 1280; X=$R; rnd 1024; Y=$R; }
mouse_move() {
  point
  log "move $X $Y"
  xdo mousemove "$X" "$Y"
}
drag() {
  local button="$1" n i
  point
  log "drag $button from $X $Y"
  xdo mousemove "$X" "$Y" mousedown "$button"
  rnd 6
  n=$((R + 2))
  for ((i = 0; i < n; i++)); do
    rnd 200; X=$((X + R - 100)); rnd 200; Y=$((Y + R - 100))
    X=$((X < 0 ? 0 : X > 1279 ? 1279 : X)); Y=$((Y < 0 ? 0 : Y > 1023 ? 1023 : Y))
    xdo mousemove "$X" "$Y"
    nap 60
  done
  xdo mouseup "$button"
}
click() {
  local button="$1"
  point
  log "click $button at $X $Y"
  xdo mousemove "$X" "$Y" click "$button"
}
arrows() {
  local target="$1" key
  pick Up Down
  key="$P"
  log "arrow $key"
  xdo windowfocus --sync "$target"
  rnd 2
  if [ "$R" -eq 0 ]; then
    rnd 5
    xdo key --repeat $((R + 1)) --delay 30 "$key"
  else
    rnd 500
    xdo keydown "$key" sleep "0.$(printf '%03d' "$R")" keyup "$key"
  fi
}

# --- A popup the last move opened (menu or list), if any, within a moment.
popup() {
  local w deadline=$((SECONDS + 2))
  while :; do
    for w in $(others); do
      if is_popup "$w"; then
        POPUP="$w"
        return 0
      fi
    done
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}
# Keyboard or pointer in an open popup: choose, move about, or dismiss.
use_popup() {
  local n
  popup || return 0
  geometry "$POPUP"
  rnd 5
  case "$R" in
    0) log "popup: Escape"; xdo key Escape ;;
    1 | 2)
      rnd 4; n=$((R + 1))
      log "popup: Down x$n, Return"
      xdo key --repeat "$n" --delay 40 Down
      nap 100
      xdo key Return ;;
    3)
      rnd $((WW > 0 ? WW : 1)); X=$((WX + R)); rnd $((WH > 0 ? WH : 1)); Y=$((WY + R))
      log "popup: click at $X $Y"
      xdo mousemove "$X" "$Y"
      nap 150
      xdo click 1 ;;
    4)
      point
      log "popup: click outside at $X $Y"
      xdo mousemove "$X" "$Y" click 1 ;;
  esac
}
menu() {
  rnd 3
  if [ "$R" -eq 0 ]; then
    log "menu key"
    xdo windowfocus --sync "$main" key Menu
  else
    point
    log "menu at $X $Y"
    xdo mousemove "$X" "$Y" click 3
  fi
  use_popup
}

# --- The settings window: controls at their places in its client area.
edits=("8 88" "8 336" "48 208" "128 88" "128 336" "168 208" "248 88" "248 336" "288 208"
  "368 88" "368 336" "408 208")
sliders=(16 136 256 376)
at_settings() {
  X=$((WX + $1)); Y=$((WY + $2))
  xdo mousemove "$X" "$Y"
  nap 80
  xdo click 1
}
type_text() {
  random_text
  rnd 4
  case "$R" in
    0) log "  type '$T'"; xdo type --delay 20 -- "$T" ;;
    1) rnd 4; log "  BackSpace x$((R + 1)), type '$T'"
       xdo key --repeat $((R + 1)) BackSpace
       xdo type --delay 20 -- "$T" ;;
    *) log "  replace with '$T'"; xdo key ctrl+a
       if [ -n "$T" ]; then xdo type --delay 20 -- "$T"; else xdo key Delete; fi ;;
  esac
}
settings_move() {
  local s="$1" e
  geometry "$s"
  xdo windowfocus --sync "$s"
  rnd 12
  case "$R" in
    0 | 1 | 2 | 3)
      pick "${edits[@]}"
      read -r ex ey <<<"$P"
      rnd 50; e=$((ex + 3 + R)); rnd 15
      log "settings: edit at $ex $ey"
      at_settings "$e" $((ey + 3 + R))
      type_text ;;
    4 | 5)
      pick "${sliders[@]}"
      rnd 4
      case "$R" in
        0) rnd 217; log "settings: slider $P click"; at_settings $((P + 12)) $((112 + R)) ;;
        1) rnd 217; log "settings: slider $P drag"
           X=$((WX + P + 12)); Y=$((WY + 112 + R))
           xdo mousemove "$X" "$Y" mousedown 1
           rnd 217; xdo mousemove "$X" $((WY + 112 + R))
           nap 100
           rnd 217; xdo mousemove "$X" $((WY + 112 + R)) mouseup 1 ;;
        *) rnd 217; at_settings $((P + 12)) $((112 + R))
           pick Up Down Prior Next Home End Left Right
           rnd 4
           log "settings: slider keys $P x$((R + 1))"
           xdo key --repeat $((R + 1)) --delay 30 "$P" ;;
      esac ;;
    6)
      log "settings: formula list"
      at_settings 112 50
      use_popup ;;
    7)
      pick 38 56
      log "settings: radio $P"
      at_settings 253 "$P" ;;
    8)
      rnd 2
      if [ "$R" -eq 0 ]; then
        log "settings: texture field"
        at_settings 358 50
        type_text
      else
        log "settings: texture list"
        at_settings 405 50
        use_popup
      fi ;;
    9)
      log "settings: colour box"
      at_settings 462 51
      use_popup ;;
    10)
      rnd 8
      log "settings: Tab x$((R + 1))"
      xdo key --repeat $((R + 1)) --delay 30 Tab
      type_text ;;
    11)
      rnd 3
      if [ "$R" -eq 0 ]; then
        log "settings: close"
        "$close_window" "$s" 2>/dev/null || true
      else
        arrows "$s"
      fi ;;
  esac
}

# --- Whatever else came up: message boxes, the colour dialog, stray popups.
dismissed=0
# With "force", each goes the shortest way: Escape, or Return for a message box.
dismiss() {
  local w name force="${1:-}"
  for w in $(others); do
    name="$(timeout 10 xdotool getwindowname "$w" 2>/dev/null || true)"
    if is_popup "$w"; then
      log "stray popup $w: Escape"
      xdo key Escape
    elif [ "$name" = "$BOX_TITLE" ]; then
      dismissed=$((dismissed + 1))
      pick Return Escape space close
      [ -z "$force" ] || P=Return
      log "box $w: $P"
      if [ "$P" = close ]; then
        "$close_window" "$w" 2>/dev/null || true
      else
        xdo windowfocus --sync "$w" key "$P"
      fi
    else
      # A dialog (the colour chooser): a few moves inside, then out of it.
      geometry "$w"
      xdo windowfocus --sync "$w"
      rnd 4
      [ -z "$force" ] || R=3
      case "$R" in
        0) rnd "$((WW > 0 ? WW : 1))"; X=$((WX + R)); rnd "$((WH > 0 ? WH : 1))"; Y=$((WY + R))
           log "dialog '$name': click at $X $Y"
           xdo mousemove "$X" "$Y" click 1 ;;
        1) log "dialog '$name': Tab, text"; xdo key Tab; type_text ;;
        2) log "dialog '$name': Return"; xdo key Return ;;
        3) log "dialog '$name': Escape"; xdo key Escape ;;
      esac
    fi
  done
}

# --- The program answers: its context menu opens at a right click and closes
# again on Escape, once nothing else is in the way.
answers() {
  local i
  for i in $(seq 20); do
    [ -z "$(others)" ] && break
    dismiss force
    sleep 0.3
  done
  [ -z "$(others)" ] || fail "windows that cannot be dismissed: $(others)"
  log "check: menu opens"
  xdo mousemove 1100 900 click 3
  popup_deadline=$((SECONDS + 30))
  until [ -n "$(others)" ]; do
    alive || fail "the viewer ended"
    [ "$SECONDS" -lt "$popup_deadline" ] || fail "the viewer does not answer: no menu at a right click"
    sleep 0.2
  done
  xdo key Escape
  popup_deadline=$((SECONDS + 30))
  until [ -z "$(others)" ]; do
    [ "$SECONDS" -lt "$popup_deadline" ] || fail "the viewer does not answer: its menu stays open"
    sleep 0.2
  done
}

# --- The run.
steps=0
source scripts/lib/viewer.sh
viewer_start "$logs/output.txt" "$build/run" "$exe"
pid=$VIEWER_PID
viewer_settle "$logs/start.png" || fail "no picture at start-up"
main="$(find_window "$MAIN_TITLE")"
[ -n "$main" ] || fail "no main window"
answers

end=$((SECONDS + seconds))
next_check=$((SECONDS + 15))
while [ "$SECONDS" -lt "$end" ]; do
  alive || fail "the viewer ended"
  steps=$((steps + 1))
  RANDOM=$((seed * 100003 + steps))
  dismiss
  settings="$(find_window "$SETTINGS_TITLE")"
  if [ -n "$settings" ]; then rnd 10; else rnd 6; fi
  case "$R" in
    0) mouse_move ;;
    1) pick 1 2 3; drag "$P"; [ "$P" = 3 ] && use_popup ;;
    2) pick 1 1 2; click "$P" ;;
    3 | 4) menu ;;
    5) arrows "$main" ;;
    *) settings_move "$settings" ;;
  esac
  nap 200
  if [ "$SECONDS" -ge "$next_check" ]; then
    answers
    next_check=$((SECONDS + 15))
  fi
done

alive || fail "the viewer ended"
answers
log "close the main window"
"$close_window" "$main" || fail "cannot ask the main window to close"
code=""
for _ in $(seq 600); do
  if ! alive; then
    code=0
    wait "$pid" || code=$?
    break
  fi
  sleep 0.1
done
[ -n "$code" ] || fail "the viewer did not end after its main window was closed"
pid=""
sanitizer_reports && fail "the sanitizers reported errors"
[ "$code" -eq 0 ] || fail "exit code $code after a normal close"
echo "Monkey: $steps moves in $SECONDS s, $dismissed error boxes dismissed; still answering," \
  "closed with exit code 0, no sanitizer reports: OK"
