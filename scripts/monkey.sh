#!/usr/bin/env bash
# Random but valid X input for the sanitizer build of the viewer on a virtual
# display of its own:  bash scripts/monkey.sh [SECONDS] [BUILD_DIR]  (60, build-asan)
# With MONKEY_WINE_APP=FOLDER, the Windows program unpacked there runs under Wine
# instead, on the display and Wine prefix of the caller (scripts/windows/monkey.sh
# makes both); logs then go to MONKEY_LOGS.
# Mouse, menu, keys and every control of the settings window; boxes and dialogs are
# dismissed or used as they come. Passes when the viewer still answers at the end
# (its menu opens and closes), exits with 0 when closed, and the sanitizers report
# nothing. MONKEY_SEED=N (printed first) makes the same choices again: each step
# draws from the seed and its number alone, though what a choice does depends on
# what is on the screen then. Logs: BUILD_DIR/monkey/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="$(realpath -m "${2:-build-asan}")"
wine_app="${MONKEY_WINE_APP:-}"
if [ -z "$wine_app" ] && [ -z "${MONKEY_OWN_DISPLAY:-}" ]; then
  source scripts/prepare.sh test
  [ -f "$build/CMakeCache.txt" ] ||
    cmake -S . -B "$build" -DVIEWER_SANITIZE=ON -DVIEWER_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$build" -j"$(nproc)" --target surface-viewer close_window >/dev/null
  MONKEY_OWN_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$0" "$seconds" "$build"
fi

if [ -n "$wine_app" ]; then
  source scripts/windows/wine-prefix.sh
  exe="$wine_app/surface-viewer.exe"
  close_window="${MONKEY_CLOSE_WINDOW:?the close_window tool of a host build}"
  logs="${MONKEY_LOGS:?a folder for the logs}"
else
  exe="$build/run/surface-viewer"
  close_window="$build/tools/close_window"
  logs="$build/monkey"
fi
mkdir -p "$logs"
rm -f "$logs"/*
ulimit -c 0
# No desktop portal on a virtual display (see scripts/test.sh).
export LIBGL_ALWAYS_SOFTWARE=1 QT_QPA_PLATFORM=xcb QT_NO_XDG_DESKTOP_PORTAL=1
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:log_path=$logs/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$logs/ubsan"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
seed="${MONKEY_SEED:-$(od -An -N2 -tu2 /dev/urandom | tr -d ' ')}"
echo "Monkey: seed $seed, $seconds s, $exe"
replay="monkey.sh $seconds $build"
[ -z "$wine_app" ] || replay="windows/monkey.sh $seconds"
echo "  the same choices again: MONKEY_SEED=$seed bash scripts/$replay"
readonly MAIN_TITLE='^График функции вида ' SETTINGS_TITLE='^Параметры и коэффициенты$' BOX_TITLE='Ливентор'
pid=""
trap '[ -z "$pid" ] || kill -9 "$pid" 2>/dev/null || true' EXIT
trap 'exit 1' INT TERM HUP

# What the sanitizers reported, if anything (false when nothing).
sanitizer_reports() {
  local found=1 f
  for f in "$logs"/asan.* "$logs"/ubsan.*; do
    [ -s "$f" ] && echo "---- $f" && cat "$f" && found=0
  done >&2
  if grep -Eq 'ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: [A-Za-z]+Sanitizer' "$logs/output.txt"; then
    { echo "---- program output"; cat "$logs/output.txt"; } >&2
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
  local n i
  rnd 3
  if [ "$R" -gt 0 ]; then pick "${words[@]}"; T="$P"; return; fi
  T=""
  rnd 8
  n=$((R + 1))
  for ((i = 0; i < n; i++)); do rnd ${#chars}; T+="${chars:R:1}"; done
}

# --- The display.
xdo() { timeout 10 xdotool "$@" >/dev/null 2>&1 || true; }
log() { echo "$SECONDS $*" >>"$logs/actions.txt"; }
alive() { kill -0 "$pid" 2>/dev/null; }
# Top-level windows of the program on the screen: the main window, the settings
# window, message boxes, dialogs and popups (menus, open lists). Wine's windows
# carry no process id; on the monkey's display every window is the program's.
windows() {
  if [ -n "$wine_app" ]; then wine_windows "${2:-}"; return; fi
  timeout 10 xdotool search --maxdepth 1 --onlyvisible --all --pid "$pid" "$@" 2>/dev/null || true
}
find_window() { windows --name "$1" | head -n 1; }
geometry() {  # WX, WY, WW, WH of window $1
  local X=0 Y=0 WIDTH=0 HEIGHT=0
  eval "$(timeout 10 xdotool getwindowgeometry --shell "$1" 2>/dev/null | grep -E '^(X|Y|WIDTH|HEIGHT)=[0-9]+$')"
  WX=$X WY=$Y WW=$WIDTH WH=$HEIGHT
}
# Windows other than the main and the settings window.
others() {
  local w settings
  settings="$(find_window "$SETTINGS_TITLE")"
  for w in $(windows); do [ "$w" = "$main" ] || [ "$w" = "$settings" ] || echo "$w"; done
}
none_other() { [ -z "$(others)" ]; }
# Menus and open lists place themselves (override-redirect); like message boxes,
# they carry the application's name as their title. Under Wine, which places
# every window itself, they are the windows without a caption.
is_popup() {
  if [ -n "$wine_app" ]; then wine_window "$1" | grep -q 'no-caption'
  else timeout 10 xwininfo -id "$1" 2>/dev/null | grep -q 'Override Redirect State: yes'; fi
}
# Under Wine: X window $1's top-left corner, then what Windows says of the window
# there: "X Y CLIENT-X CLIENT-Y WIDTH HEIGHT LEFT TOP caption|no-caption"
# (tools/client_origin).
wine_window() {
  local X=0 Y=0
  eval "$(timeout 10 xdotool getwindowgeometry --shell "$1" 2>/dev/null | grep -E '^(X|Y)=[0-9]+$')"
  echo "$X $Y $(cd "$wine_app" && timeout 20 wine ./client_origin.exe "@$((X + 2)),$((Y + 2))" 2>/dev/null |
    tr -d '\r')"
}
# Where the client area of window $1 begins within it, "DX DY" (Wine only).
client_offset() {
  local x y cx cy _
  read -r x y cx cy _ < <(wine_window "$1") || true
  [ -n "${cy:-}" ] && echo "$((cx - x)) $((cy - y))" || echo "? ?"
}

# --- Moves on the main window (it covers the screen).
point() { rnd 1280; X=$R; rnd 1024; Y=$R; }
inside() { rnd $((WW > 0 ? WW : 1)); X=$((WX + R)); rnd $((WH > 0 ? WH : 1)); Y=$((WY + R)); }
mouse_move() { point; log "move $X $Y"; xdo mousemove "$X" "$Y"; }
click() { point; log "click $1 at $X $Y"; xdo mousemove "$X" "$Y" click "$1"; }
drag() {
  local n i
  point
  log "drag $1 from $X $Y"
  xdo mousemove "$X" "$Y" mousedown "$1"
  rnd 6
  n=$((R + 2))
  for ((i = 0; i < n; i++)); do
    rnd 200; X=$((X + R - 100)); rnd 200; Y=$((Y + R - 100))
    X=$((X < 0 ? 0 : X > 1279 ? 1279 : X)); Y=$((Y < 0 ? 0 : Y > 1023 ? 1023 : Y))
    xdo mousemove "$X" "$Y"
    nap 60
  done
  xdo mouseup "$1"
}
arrows() {
  local key
  pick Up Down
  key="$P"
  log "arrow $key"
  xdo windowfocus --sync "$1"
  rnd 2
  if [ "$R" -eq 0 ]; then rnd 5; xdo key --repeat $((R + 1)) --delay 30 "$key"
  else rnd 500; xdo keydown "$key" sleep "0.$(printf '%03d' "$R")" keyup "$key"; fi
}

# --- A popup the last move opened (menu or list), if any, within a moment.
popup() {
  local w deadline=$((SECONDS + 2))
  while :; do
    for w in $(others); do is_popup "$w" && POPUP="$w" && return 0; done
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.1
  done
}
# The menu itself, not just any new window: an error box would pass for that.
menu_open() { alive || fail "the viewer ended"; popup; }
# Keyboard or pointer in an open popup: choose, move about, or dismiss.
use_popup() {
  popup || return 0
  geometry "$POPUP"
  rnd 5
  case "$R" in
    0) log "popup: Escape"; xdo key Escape ;;
    1 | 2) rnd 4; log "popup: Down x$((R + 1)), Return"
       xdo key --repeat $((R + 1)) --delay 40 Down; nap 100; xdo key Return ;;
    3) inside; log "popup: click at $X $Y"; xdo mousemove "$X" "$Y"; nap 150; xdo click 1 ;;
    4) point; log "popup: click outside at $X $Y"; xdo mousemove "$X" "$Y" click 1 ;;
  esac
}
menu() {
  rnd 3
  if [ "$R" -eq 0 ]; then log "menu key"; xdo windowfocus --sync "$main" key Menu
  else point; log "menu at $X $Y"; xdo mousemove "$X" "$Y" click 3; fi
  use_popup
}

# --- The settings window: controls at their places in its client area.
edits=("8 88" "8 336" "48 208" "128 88" "128 336" "168 208" "248 88" "248 336" "288 208"
  "368 88" "368 336" "408 208")
sliders=(16 136 256 376)
# The settings window's controls from its client area's origin.
at_settings() { X=$((WX + CX + $1)); Y=$((WY + CY + $2)); xdo mousemove "$X" "$Y"; nap 80; xdo click 1; }
CX=0 CY=0 settings_offset=
type_text() {
  random_text
  rnd 4
  case "$R" in
    0) log "  type '$T'" ;;
    1) rnd 4; log "  BackSpace x$((R + 1)), type '$T'"; xdo key --repeat $((R + 1)) BackSpace ;;
    *) log "  replace with '$T'"; xdo key ctrl+a; [ -n "$T" ] || xdo key Delete ;;
  esac
  [ -z "$T" ] || xdo type --delay 20 -- "$T"
}
settings_move() {
  local s="$1" ex ey sx
  geometry "$s"
  if [ -n "$wine_app" ] && [ -z "$settings_offset" ]; then
    settings_offset="$(client_offset "$s")"
    # Without it every click meant for the window would land in its caption.
    [ "$settings_offset" != "? ?" ] || fail "Windows does not say where the settings window's client area is"
  fi
  read -r CX CY <<<"${settings_offset:-0 0}"
  xdo windowfocus --sync "$s"
  rnd 12
  case "$R" in
    0 | 1 | 2 | 3)
      pick "${edits[@]}"
      read -r ex ey <<<"$P"
      log "settings: edit at $ex $ey"
      rnd 50; ex=$((ex + 3 + R)); rnd 15
      at_settings "$ex" $((ey + 3 + R))
      type_text ;;
    4 | 5)
      pick "${sliders[@]}"
      sx=$((P + 12))
      rnd 4
      case "$R" in
        0) rnd 217; log "settings: slider $P click"; at_settings "$sx" $((112 + R)) ;;
        1) rnd 217; log "settings: slider $P drag"
           X=$((WX + CX + sx)); Y=$((WY + CY + 112 + R))
           xdo mousemove "$X" "$Y" mousedown 1
           rnd 217; xdo mousemove "$X" $((WY + CY + 112 + R)); nap 100
           rnd 217; xdo mousemove "$X" $((WY + CY + 112 + R)) mouseup 1 ;;
        *) rnd 217; at_settings "$sx" $((112 + R))
           pick Up Down Prior Next Home End Left Right; rnd 4
           log "settings: slider keys $P x$((R + 1))"; xdo key --repeat $((R + 1)) --delay 30 "$P" ;;
      esac ;;
    6) log "settings: formula list"; at_settings 112 50; use_popup ;;
    7) pick 38 56; log "settings: radio $P"; at_settings 253 "$P" ;;
    8) rnd 2
       if [ "$R" -eq 0 ]; then log "settings: texture field"; at_settings 358 50; type_text
       else log "settings: texture list"; at_settings 405 50; use_popup; fi ;;
    9) log "settings: colour box"; at_settings 462 51; use_popup ;;
    10) rnd 8; log "settings: Tab x$((R + 1))"; xdo key --repeat $((R + 1)) --delay 30 Tab; type_text ;;
    11) rnd 3
        if [ "$R" -eq 0 ]; then log "settings: close"; "$close_window" "$s" 2>/dev/null || true
        else arrows "$s"; fi ;;
  esac
}

# --- Whatever else came up: message boxes, the colour dialog, stray popups.
# With "force", each goes the shortest way: Escape, or Return for a message box.
dismissed=0
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
      if [ "$P" = close ]; then "$close_window" "$w" 2>/dev/null || true
      else xdo windowfocus --sync "$w" key "$P"; fi
    else
      # A dialog (the colour chooser): a few moves inside, then out of it.
      geometry "$w"
      xdo windowfocus --sync "$w"
      rnd 4
      [ -z "$force" ] || R=3
      case "$R" in
        0) inside; log "dialog '$name': click at $X $Y"; xdo mousemove "$X" "$Y" click 1 ;;
        1) log "dialog '$name': Tab, text"; xdo key Tab; type_text ;;
        2) log "dialog '$name': Return"; xdo key Return ;;
        3) log "dialog '$name': Escape"; xdo key Escape ;;
      esac
    fi
  done
}

# --- The program answers: its context menu opens at a right click and closes
# again on Escape, once nothing else is in the way.
source scripts/lib/within.sh
answers() {
  local i
  for i in $(seq 20); do none_other && break; dismiss force; sleep 0.3; done
  none_other || fail "windows that cannot be dismissed: $(others)"
  log "check: menu opens"
  xdo mousemove 1100 900 click 3
  within 30 "the viewer does not answer: no menu at a right click" menu_open
  xdo key Escape
  within 30 "the viewer does not answer: its menu stays open" none_other
}

# --- The run.
steps=0
source scripts/lib/viewer.sh
if [ -n "$wine_app" ]; then viewer_start "$logs/output.txt" "$wine_app" wine ./surface-viewer.exe
else viewer_start "$logs/output.txt" "$build/run" "$exe"; fi
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
    1) pick 1 2 3; drag "$P"; [ "$P" != 3 ] || use_popup ;;
    2) pick 1 1 2; click "$P" ;;
    3 | 4) menu ;;
    5) arrows "$main" ;;
    *) settings_move "$settings" ;;
  esac
  nap 200
  [ "$SECONDS" -lt "$next_check" ] || { answers; next_check=$((SECONDS + 15)); }
done

alive || fail "the viewer ended"
answers
# Still drawing: with the camera back at its start (a move with the middle button
# held), the middle of the screen shows more than one colour, whatever the random
# input did to the coefficients (the axes marker stands there).
xdo mousemove 640 512 mousedown 2 mousemove 650 520 mouseup 2
sleep 1
import -silent -window root "$logs/end.png" || fail "no screenshot at the end"
colours="$(convert "$logs/end.png" -gravity center -crop 50%x50%+0+0 +repage -format '%k' info:)"
[ "$colours" -gt 1 ] || fail "the picture is blank at the end"
log "close the main window"
"$close_window" "$main" || fail "cannot ask the main window to close"
within 60 "the viewer did not end after its main window was closed" eval '! alive'
code=0
wait "$pid" || code=$?
pid=""
sanitizer_reports && fail "the sanitizers reported errors"
[ "$code" -eq 0 ] || fail "exit code $code after a normal close"
if [ -n "$wine_app" ]; then
  echo "Monkey under Wine: $steps moves in $SECONDS s, $dismissed error boxes dismissed; still answering," \
    "closed with exit code 0: OK"
else
  echo "Monkey: $steps moves in $SECONDS s, $dismissed error boxes dismissed; still answering," \
    "closed with exit code 0, no sanitizer reports: OK"
fi
