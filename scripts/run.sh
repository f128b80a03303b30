#!/usr/bin/env bash
# Builds the viewer in Release and starts it from its run folder (beside the
# generated texture set). Without a display (neither X nor Wayland) it runs on a
# virtual one, saves a screenshot after a few seconds and prints where.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/prepare.sh run
# Only the program: tests and benchmarks, with what they need, are the test command's.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVIEWER_TESTS=OFF -DVIEWER_BENCH=OFF
cmake --build build -j"$(nproc)" --target surface-viewer
cd build/run

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./surface-viewer
fi

shot="$(pwd)/screenshot.png"
rm -f "$shot"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  ./surface-viewer & pid=$!
  sleep 4
  import -window root "$1"
  kill "$pid"; wait "$pid" 2>/dev/null || true
' _ "$shot"
echo "No display: the viewer ran on a virtual one. Screenshot: $shot"
