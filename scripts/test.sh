#!/usr/bin/env bash
# The README's test command: builds the viewer and runs every test on a virtual display with
# Mesa's software GL; any failure, or compiler warning in the project's own code, fails it.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/prepare.sh test
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
trap 'exit 130' INT && trap 'exit 143' TERM

export LIBGL_ALWAYS_SOFTWARE=1
# Qt 6.8 asks the desktop portal, which the viewer does not need, for the colour scheme; on a virtual
# display there is none, and the unanswered D-Bus call stays allocated to the end: a leak report.
export QT_NO_XDG_DESKTOP_PORTAL=1

echo "== Release build and tests"
# Tests and benchmarks on by name: the run command switches them off in the same folder.
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVIEWER_TESTS=ON -DVIEWER_BENCH=ON -DVIEWER_WERROR=ON
cmake --build build -j"$(nproc)"
"${VIRTUAL_DISPLAY[@]}" ctest --test-dir build --output-on-failure --no-tests=error | tee build/tests.log
# A skip or a renamed suite would pass unseen where what it needs is here (Xorg's dummy
# driver, and sway 1.8 where apt has it): the count of passed tests of each is fixed.
passed() { [ "$(grep -cE "Test +#[0-9]+: ($2)\..* Passed" build/tests.log)" = "$1" ] ||
  { echo "Not $1 tests of $2 passed (skipped, renamed or gone?)" >&2; exit 1; }; }
passed 1 MonitorsTest
! dpkg --compare-versions "$(apt-cache policy sway | sed -n 's/ *Candidate: //p')" ge 1.8 2>/dev/null || passed 3 FractionalScaleTest
# A second rasterizer for start-up, the picture and the pixel proof (each test with a context
# checks that it drew on softpipe), so that one driver's tolerance cannot hide a fault.
softpipe='StartupTest|ContextFailureTest|PictureTest|FastDrawingTest|FallbackConfigTest'
GALLIUM_DRIVER=softpipe VIEWER_TEST_RENDERER=softpipe "${VIRTUAL_DISPLAY[@]}" ctest --test-dir build --output-on-failure \
  --no-tests=error -R "^($softpipe)\." | tee build/tests.log
passed 20 "$softpipe"

echo "== Fresh roots: a killed release check leaves nothing mounted, an unwritable temporary folder stops it"
$([ "$(id -u)" = 0 ] || echo sudo) bash scripts/fresh-root-check.sh

# Sanitizer and fuzzing runs. Leaks that third-party libraries (Mesa's driver and GLX,
# D-Bus) keep for the life of the process are suppressed by their library file
# (tests/lsan.supp); anything else stops the run.
SAN_ENV=(ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1"
  UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1" LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0")

echo "== AddressSanitizer + UndefinedBehaviorSanitizer build and tests (end-to-end ones excluded but the monkey)"
cmake -S . -B build-asan -DVIEWER_SANITIZE=ON -DVIEWER_TESTS=ON -DVIEWER_BENCH=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIEWER_WERROR=ON
cmake --build build-asan -j"$(nproc)"
env "${SAN_ENV[@]}" "${VIRTUAL_DISPLAY[@]}" ctest --test-dir build-asan --output-on-failure --no-tests=error -LE e2e |
  tee build/tests.log
passed 1 Monkey

echo "== Fuzzing: texture files and number text, ${FUZZ_SECONDS:-60} s each"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DVIEWER_FUZZ=ON -DVIEWER_SANITIZE=ON \
  -DVIEWER_TESTS=OFF -DVIEWER_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVIEWER_WERROR=ON
cmake --build build-fuzz -j"$(nproc)" --target texture_fuzzer number_fuzzer
mkdir -p build-fuzz/artifacts
for target in texture number; do
  # New inputs go to a scratch corpus; the committed seeds are only read. The
  # decoder needs kilobytes; 64 MB is the largest image at one byte a pixel.
  mkdir "$work/$target"
  env "${SAN_ENV[@]}" "build-fuzz/fuzz/${target}_fuzzer" "$work/$target" "fuzz/corpus/$target" \
    -max_total_time="${FUZZ_SECONDS:-60}" -rss_limit_mb=256 -malloc_limit_mb=64 -timeout=10 -max_len=4096 \
    -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/${target}-"
done
echo "== All tests passed"
