#!/usr/bin/env bash
# Long run of the viewer with the spin animation on, watching its memory and
# CPU time from outside.
#   bash scripts/soak.sh MINUTES [BUILD_DIR]
# Starts BUILD_DIR/run/surface-viewer (default: build) in its run folder, on a
# virtual display when DISPLAY is unset, switches "Вращение" on through the
# context menu, and prints resident memory and CPU time once a minute, and at the
# end the frames rendered, summed from the program's own frames-per-second box
# read off a screenshot every second. Fails when the program dies, shows a message
# box or stops animating.
set -euo pipefail
cd "$(dirname "$0")/.."

minutes="${1:?usage: soak.sh MINUTES [BUILD_DIR]}"
build="$(realpath "${2:-build}")"
exe="$build/run/surface-viewer"
reader="$build/tools/read_fps"

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$0" "$minutes" "$build"
fi
if [ ! -x "$exe" ] || [ ! -x "$reader" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
  cmake --build "$build" -j"$(nproc)" --target surface-viewer read_fps
fi
export LIBGL_ALWAYS_SOFTWARE=1

source scripts/lib/viewer.sh
shots="$(mktemp -d)"
VIEWER_PID=""
trap 'viewer_stop; rm -rf "$shots"' EXIT
trap 'exit 1' INT TERM HUP
fail() { echo "FAIL: $*" >&2; exit 1; }

# Mapped top-level windows only: the program's child windows and its hidden
# leader window carry the application title too.
message_box_shown() {
  local id
  for id in $(xwininfo -root -children | awk '/"Ливентор":/ { print $1 }'); do
    xwininfo -id "$id" | grep -q 'Map State: IsViewable' && return 0
  done
  return 1
}
screen_sum() { import -silent -window root ppm:- | md5sum | cut -d' ' -f1; }
status_kb() { awk -v k="$1:" '$1 == k { print $2 }' "/proc/$pid/status"; }
# utime and stime, fields 14 and 15 of /proc/PID/stat, in clock ticks.
cpu_seconds() { awk -v hz="$(getconf CLK_TCK)" '{ sub(/^.*\) /, ""); printf "%.1f", ($12 + $13) / hz }' "/proc/$pid/stat"; }
sample() {
  printf '%6s min  VmRSS %7s kB  VmHWM %7s kB  CPU %8s s  threads %s\n' "$1" \
    "$(status_kb VmRSS)" "$(status_kb VmHWM)" "$(cpu_seconds)" "$(status_kb Threads)"
}

mkdir "$shots/start"
viewer_start "$shots/start/viewer.log" "$build/run" ./surface-viewer
pid=$VIEWER_PID
viewer_settle "$shots/start/screen.png" || fail "no picture at start-up"

# Right click in the middle of the view; the menu opens at the pointer with
# "Вращение" as its first row.
xdotool mousemove 640 512 sleep 0.2 click 3 sleep 0.5
xdotool mousemove 680 523 sleep 0.2 click 1 sleep 0.3
xdotool mousemove 640 512 sleep 0.5
[ "$(screen_sum)" != "$(sleep 0.5; screen_sum)" ] || fail "the picture does not move: spin not switched on"

echo "Soak: $exe, spinning, $minutes min"
start_rss="$(status_kb VmRSS)"
start_cpu="$(cpu_seconds)"
sample 0
for m in $(seq "$minutes"); do
  for s in $(seq 60); do
    sleep 1
    # The box at (2, 1), 31 by 21: the frames presented in the last second.
    import -silent -window root -crop 31x21+2+1 +repage "$shots/$(printf '%05d' $(((m - 1) * 60 + s))).png"
    if [ $((s % 5)) -eq 0 ]; then
      kill -0 "$pid" 2>/dev/null || fail "the viewer died after $((m - 1))+ min"
      message_box_shown && fail "a message box appeared"
    fi
  done
  sample "$m"
done
end_rss="$(status_kb VmRSS)"
end_cpu="$(cpu_seconds)"
[ "$(screen_sum)" != "$(sleep 0.5; screen_sum)" ] || fail "the picture stopped moving"

# One readout a second, each the frames of the second before it; a sample the
# reader cannot recognise (say, caught mid-repaint) counts as the mean of the rest.
"$reader" "$shots"/*.png | awk -v secs="$((minutes * 60))" '
  $1 != "?" { sum += $1; n++ }
  END {
    if (n == 0) { print "Frames rendered: box not readable"; exit }
    printf "Frames rendered: about %d (%d readouts of %d read, mean %.1f frames/s)\n", sum / n * secs, n, NR, sum / n
  }'
echo "VmRSS start ${start_rss} kB, end ${end_rss} kB, change $((end_rss - start_rss)) kB"
awk -v c0="$start_cpu" -v c1="$end_cpu" -v s="$((minutes * 60))" \
  'BEGIN { printf "CPU %.1f s over %d s of spinning (%.0f%% of one core)\n", c1 - c0, s, 100 * (c1 - c0) / s }'
echo "Still running and animating, no message box: OK"
