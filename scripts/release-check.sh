#!/usr/bin/env bash
# The README's two commands from a clean clone on a fresh minimal root (README, "Tested releases"):
#   bash scripts/release-check.sh RELEASE     (as root; e.g. bookworm, trixie)
set -euo pipefail
release="${1:?usage: bash scripts/release-check.sh RELEASE (e.g. bookworm, trixie)}"
here="$(cd "$(dirname "$0")/.." && pwd)"
out="$here/build-release-check/$release"
source "$here/scripts/lib/fresh-root.sh"
fresh_root_check release-check "$release" "$out" "$@"
rm -f "$out/screenshot.png"
fresh_root_make root || fail "no fresh $release root"
src=/root/surface-viewer
fresh_root_clone "$src" || fail "cloning the work tree's HEAD"
echo "release-check: Debian $release, commit $(git -C "$FRESH_ROOT$src" rev-parse --short=12 HEAD)"
stage_done "the fresh root"

echo "== run command without a display: env -u DISPLAY bash scripts/run.sh"
fresh_root_run bash -c "cd $src && env -u DISPLAY bash scripts/run.sh" || fail "the run command"
shot="$src/build/run/screenshot.png"
cp "$FRESH_ROOT$shot" "$out/screenshot.png" || fail "the run command left no screenshot at $shot"
# A picture has many colours; a blank or failed capture has one or two.
colours="$(fresh_root_run identify -format '%k' "$shot")" || fail "the screenshot does not read as an image"
[ "$colours" -ge 64 ] || fail "the screenshot is blank ($colours colours)"
stage_done "the run command"

# Compiler results are kept per release between runs (ccache): the builds are the
# same, only faster the second time. RELEASE_CHECK_CCACHE=0 builds without.
build_env=()
if [ "${RELEASE_CHECK_CCACHE:-1}" = 1 ]; then
    fresh_root_install ccache >/dev/null || fail "installing ccache"
    fresh_root_bind "$FRESH_ROOT_RELEASE_CACHE/ccache" /var/cache/ccache || fail "mounting the ccache folder"
    build_env=(CCACHE_DIR=/var/cache/ccache CCACHE_MAXSIZE=3G CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
echo "== test command: bash scripts/test.sh"
fresh_root_run env "${build_env[@]}" bash -c "cd $src && bash scripts/test.sh" || fail "the test command"
stage_done "the test command"
pass "run command and screenshot ($colours colours), then test command"
