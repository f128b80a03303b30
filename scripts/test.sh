#!/usr/bin/env bash
# Builds the viewer and runs every test on a virtual X display with Mesa's
# software GL. Any failure fails the whole run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

# Qt wants a private runtime folder; a bare root shell or CI has none.
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  XDG_RUNTIME_DIR="$(mktemp -d)"
  export XDG_RUNTIME_DIR
fi

export LIBGL_ALWAYS_SOFTWARE=1
XVFB=(xvfb-run -a -s "-screen 0 1280x1024x24")

echo "== Release build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)"
"${XVFB[@]}" ctest --test-dir build --output-on-failure
