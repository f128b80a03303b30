# shellcheck shell=bash
# Starting the viewer on an X display and waiting for its picture, for every
# script that watches it. Source it, or run it as
#   bash viewer.sh OUT.png DIR CMD [ARG...]
# to start CMD in DIR, save a screenshot of the settled picture as OUT.png (CMD's
# output in OUT.png.log) and stop CMD again; fails with the reason when CMD ends
# first or no settled screenshot can be taken within $VIEWER_DEADLINE s (60).

# viewer_start LOG DIR CMD [ARG...]: CMD in DIR in the background; sets VIEWER_PID.
viewer_start() {
  VIEWER_LOG="$1"
  local dir="$2"
  shift 2
  (cd "$dir" && exec "$@") >"$VIEWER_LOG" 2>&1 &
  VIEWER_PID=$!
}

# viewer_settle SHOT: waits until the middle of the picture shows more than one
# colour and stays the same over a second (the frames-per-second box in the
# corner changes every second), and leaves that screenshot in SHOT.
viewer_settle() {
  local shot="$1" deadline=$((SECONDS + ${VIEWER_DEADLINE:-60})) last="" now="" error="" code=0
  until [ "${now%% *}" -gt 1 ] 2>/dev/null && [ "$now" = "$last" ]; do
    if ! kill -0 "$VIEWER_PID" 2>/dev/null; then
      wait "$VIEWER_PID" || code=$?
      echo "the viewer ended (exit status $code) before its picture settled; its output:" >&2
      tail -n 20 "$VIEWER_LOG" >&2
      return 1
    fi
    if [ "$SECONDS" -ge "$deadline" ]; then
      echo "no settled picture within ${VIEWER_DEADLINE:-60} s: ${error:-the picture kept changing ($now)}" >&2
      return 1
    fi
    sleep 1
    last="$now"
    if error="$(import -silent -window root "$shot" 2>&1)" &&
      now="$(convert "$shot" -gravity center -crop 50%x50%+0+0 +repage -format '%k %#' info: 2>&1)"; then
      error=""
    else
      error="the screenshot failed: $error$now" now=""
    fi
  done
}

viewer_stop() {
  kill "$VIEWER_PID" 2>/dev/null || true
  wait "$VIEWER_PID" 2>/dev/null || true
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -u
  shot="$1" dir="$2"
  shift 2
  viewer_start "$shot.log" "$dir" "$@"
  viewer_settle "$shot" || { viewer_stop; exit 1; }
  viewer_stop
fi
