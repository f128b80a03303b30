#!/usr/bin/env bash
# Builds the viewer in Release and starts it from its run folder (beside the
# generated texture set), ending with its exit status. Without a display (neither
# X nor Wayland) it runs on a virtual one until its picture has settled, saves a
# screenshot and prints where; it fails, saying why, when the viewer ends before
# that or no screenshot can be taken.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/prepare.sh run
# Only the program: tests and benchmarks, with what they need, are the test command's.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVIEWER_TESTS=OFF -DVIEWER_BENCH=OFF
cmake --build build -j"$(nproc)" --target surface-viewer

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  cd build/run
  exec ./surface-viewer
fi
shot="$PWD/build/run/screenshot.png"
rm -f "$shot"
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash scripts/lib/viewer.sh "$shot" build/run ./surface-viewer ||
  { echo "run.sh: the viewer did not show its picture on a virtual display" >&2; exit 1; }
echo "No display: the viewer ran on a virtual one. Screenshot: $shot"
