#!/usr/bin/env bash
# The README's run command: builds the viewer (Release) and starts it in build/run, or
# without a display on a virtual one, printing the path of its settled picture's screenshot.
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
"${VIRTUAL_DISPLAY[@]}" bash scripts/lib/viewer.sh "$shot" build/run ./surface-viewer ||
  { echo "run.sh: the viewer did not show its picture on a virtual display" >&2; exit 1; }
echo "No display: the viewer ran on a virtual one. Screenshot: $shot"
