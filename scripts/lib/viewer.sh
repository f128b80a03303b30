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

# Settled: the middle of the picture shows more than one colour and stays the same over a
# second (the frames-per-second box in the corner changes every second).
_viewer_settled() {  # SHOT
  kill -0 "$pid" 2>/dev/null || { wait "$pid" || code=$?
    fail "the viewer ended (exit status $code) before its picture settled; its output:"$'\n'"$(tail -n 20 "$1.log")"; }
  sleep 1
  last="$now"
  if now="$(import -silent -window root "$1" 2>&1)"; then now="$(picture_middle "$1" 2>&1)"; else now="the screenshot failed: $now"; fi
  WITHIN_LAST="$now"
  [ "${now%% *}" -gt 1 ] 2>/dev/null && [ "$now" = "$last" ]
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -u
  last="" now="" code=0
  (cd "$2" && exec "${@:3}") >"$1.log" 2>&1 & pid=$!
  fail() { echo "$1" >&2; kill "$pid" 2>/dev/null; exit 1; }
  within "${VIEWER_DEADLINE:-60}" "no settled picture within ${VIEWER_DEADLINE:-60} s" _viewer_settled "$1"
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
fi
