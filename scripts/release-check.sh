#!/usr/bin/env bash
# Usage (as root): bash scripts/release-check.sh RELEASE     e.g. bookworm, trixie
#
# The README's two commands as a new user meets them: on a fresh minimal root of
# Debian RELEASE, in a clean clone of the current commit, the test command, then
# the run command without a display, whose screenshot must show a picture.
# Uncommitted changes are not part of the check. The log and the screenshot are
# kept in build-release-check/RELEASE/. Ends with one PASS or FAIL line, and a
# non-zero status on failure.
set -euo pipefail
release="${1:?usage: bash scripts/release-check.sh RELEASE (e.g. bookworm, trixie)}"
here="$(cd "$(dirname "$0")/.." && pwd)"
source "$here/scripts/lib/fresh-root.sh"

out="$here/build-release-check/$release"
mkdir -p "$out"
rm -f "$out/screenshot.png"
# The log keeps going while an interrupted run cleans up.
exec > >(trap '' INT TERM HUP; exec tee "$out/log.txt") 2>&1

commit="$(git -C "$here" rev-parse HEAD)"
if [ -n "$(git -C "$here" status --porcelain --untracked-files=no)" ]; then
    echo "release-check: the work tree has uncommitted changes; checking commit ${commit:0:12} without them"
fi

started=$SECONDS
stage_started=$SECONDS
elapsed() { printf '%dm%02ds' $(($1 / 60)) $(($1 % 60)); }
stage_done() {
    echo "release-check: $1 took $(elapsed $((SECONDS - stage_started)))"
    stage_started=$SECONDS
}
fail() {
    echo "release-check $release: FAIL: $1 (after $(elapsed $((SECONDS - started))); log: $out/log.txt)"
    fresh_root_destroy
    exit 1
}

echo "release-check: Debian $release, commit ${commit:0:12}"
fresh_root_make "$release" || fail "no fresh $release root"
stage_done "the fresh root"

src=/root/surface-viewer
git clone -q --no-checkout --no-hardlinks "$here" "$FRESH_ROOT$src"
# The work tree's HEAD, also when it is on no branch.
git -C "$FRESH_ROOT$src" fetch -q "$here" HEAD
[ "$(git -C "$FRESH_ROOT$src" rev-parse FETCH_HEAD)" = "$commit" ] || fail "HEAD moved while cloning"
git -C "$FRESH_ROOT$src" checkout -q --detach "$commit"
git -C "$FRESH_ROOT$src" remote remove origin

# Compiler results are kept per release between runs (ccache): the builds are the
# same, only faster the second time. RELEASE_CHECK_CCACHE=0 builds without.
build_env=()
if [ "${RELEASE_CHECK_CCACHE:-1}" = 1 ]; then
    fresh_root_run apt-get -qq -y -o Dpkg::Use-Pty=0 install --no-install-recommends ccache \
        >/dev/null || fail "installing ccache"
    fresh_root_bind "$FRESH_ROOT_RELEASE_CACHE/ccache" /var/cache/ccache || fail "mounting the ccache folder"
    build_env=(CCACHE_DIR=/var/cache/ccache CCACHE_MAXSIZE=3G
        CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fresh_root_run env "${build_env[@]}" ccache --zero-stats >/dev/null
fi
stage_done "preparing the build cache"

echo "== test command: bash scripts/test.sh"
fresh_root_run env "${build_env[@]}" bash -c "cd $src && bash scripts/test.sh" || fail "the test command"
if [ ${#build_env[@]} -gt 0 ]; then
    fresh_root_run env "${build_env[@]}" ccache --show-stats | grep -iE 'hits|misses|cache size' || true
fi
stage_done "the test command"

echo "== run command without a display: env -u DISPLAY bash scripts/run.sh"
fresh_root_run env "${build_env[@]}" bash -c "cd $src && env -u DISPLAY bash scripts/run.sh" ||
    fail "the run command"
shot="$src/build/run/screenshot.png"
[ -f "$FRESH_ROOT$shot" ] || fail "the run command left no screenshot at $shot"
cp "$FRESH_ROOT$shot" "$out/screenshot.png"
# A picture has many colours; a blank or failed capture has one or two.
colours="$(fresh_root_run identify -format '%k' "$shot")" || fail "the screenshot does not read as an image"
[ "$colours" -ge 64 ] || fail "the screenshot is blank ($colours colours)"
stage_done "the run command"

fresh_root_destroy || fail "cleaning up the root"
echo "release-check $release: PASS: test command, run command and screenshot ($colours colours) in $(elapsed $((SECONDS - started)))"
