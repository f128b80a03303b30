# shellcheck shell=bash disable=SC2034 source-path=SCRIPTDIR
# The viewer on a virtual X display. Source it, or run  bash viewer.sh OUT.png DIR CMD [ARG...]
# to start CMD in DIR, keep its settled picture in OUT.png (its output in OUT.png.log) and stop it.
source "$(dirname "${BASH_SOURCE[0]}")/within.sh"

# The display every script starts the viewer on. -noreset: an X server left without clients
# resets itself, and refuses whoever connects meanwhile, such as the next test's process.
VIRTUAL_DISPLAY=(xvfb-run -a -s "-screen 0 1280x1024x24 -noreset")

# The middle half of picture FILE: its distinct colours, mean saturation and signature.
picture_middle() {
  convert "$1" -gravity center -crop 50%x50%+0+0 +repage \( +clone -colorspace HSL -channel G -separate +channel \) \
    -format '%k %[fx:mean] %#\n' info: | awk 'NR == 1 { c = $1; h = $3 } NR == 2 { s = $2 } END { print c, s, h }'
}

# viewer_start LOG DIR CMD...: CMD in DIR in the background, as VIEWER_PID; viewer_stop ends it.
viewer_start() { VIEWER_LOG="$1"; (cd "$2" && exec "${@:3}") >"$1" 2>&1 & VIEWER_PID=$!; }
viewer_stop() { kill "$VIEWER_PID" 2>/dev/null || true; wait "$VIEWER_PID" 2>/dev/null || true; }

# viewer_settle SHOT: the screenshot in SHOT once the middle of the picture shows more than one
# colour and stays the same over a second (the frames-per-second box changes every second).
viewer_settle() {
  local last="" now="" code=0
  within "${VIEWER_DEADLINE:-60}" "no settled picture within ${VIEWER_DEADLINE:-60} s" _viewer_settled "$1"
}
_viewer_settled() {  # SHOT
  kill -0 "$VIEWER_PID" 2>/dev/null || { wait "$VIEWER_PID" || code=$?
    fail "the viewer ended (exit status $code) before its picture settled; its output:"$'\n'"$(tail -n 20 "$VIEWER_LOG")"; }
  sleep 1
  last="$now"
  if now="$(import -silent -window root "$1" 2>&1)"; then now="$(picture_middle "$1" 2>&1)"; else now="the screenshot failed: $now"; fi
  WITHIN_LAST="$now"
  [ "${now%% *}" -gt 1 ] 2>/dev/null && [ "$now" = "$last" ]
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -u
  fail() { echo "$1" >&2; viewer_stop; exit 1; }
  viewer_start "$1.log" "$2" "${@:3}"
  viewer_settle "$1"
  viewer_stop
fi
