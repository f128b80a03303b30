#!/usr/bin/env bash
# The Debian package as a new user meets it, on fresh roots (README, "Package check" and "arm64"):
#   [PACKAGE_ARCH=arm64] bash scripts/package-check.sh [RELEASE [FILE.deb]]     (as root)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
host="$(. /etc/os-release && echo "$VERSION_CODENAME")"
release="${1:-$host}" given="${2:-}"
deb="$(realpath -m "${given:-/nonexistent}")"
arch="${PACKAGE_ARCH:-$(dpkg --print-architecture)}" cross="" job=package commit=""
[ "$arch" = "$(dpkg --print-architecture)" ] || cross="-DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake -DVIEWER_TESTS=ON" job=$arch
out="$here/build-package-check/$release${cross:+-$arch}"
source "$here/scripts/lib/fresh-root.sh"
source "$here/scripts/lib/viewer.sh"
fresh_root_check package-check "$release" "$out" "$@"
[ -z "$cross" ] || [ -z "$given" ] || fail "PACKAGE_ARCH=$arch builds its own package: no FILE.deb"
rm -f "$out"/*.png "$out/commit"

# Built for RELEASE (here when it is this machine's, else in a fresh root of it), and linted by
# RELEASE's lintian: an error or a warning fails, informational tags are shown.
[ "$release" != "$host" ] || bash "$here/scripts/install-deps.sh" package
build="bash scripts/install-deps.sh $job && cmake -S . -B build-deb -DCMAKE_BUILD_TYPE=Release -DVIEWER_TESTS=OFF
    -DVIEWER_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr $cross >/dev/null && cmake --build build-deb -j\$(nproc) &&
    rm -f build-deb/*.deb && cd build-deb && DEB_HOST_ARCH=$arch cpack -G DEB"
if [ -z "$given" ]; then
    if [ "$release" = "$host" ] && [ -z "$cross" ]; then
        echo "== building the package here (build-deb/)"
        built="$here"
        (cd "$here" && bash -c "${build//$'\n'/ }") || fail "building the package"
    else
        echo "== building the package in a fresh $release root"
        fresh_root_make build && fresh_root_clone /root/src && { [ -z "$cross" ] || fresh_root_qemu "$arch"; } ||
            fail "no $release root to build in"
        built="$FRESH_ROOT/root/src"
        fresh_root_run bash -c "cd /root/src && ${build//$'\n'/ }" || fail "building the package in the $release root"
        [ -z "$cross" ] || { mkdir -p "$here/build-deb" && cp "$built"/build-deb/*.deb "$here/build-deb/"; }
    fi
    # With the work tree's changes it is of no commit.
    deb="$(ls "$built"/build-deb/*.deb)" commit="$(git -C "$built" diff --quiet HEAD && git -C "$built" rev-parse HEAD)" || commit=""
    stage_done "building the package"
fi
[ -f "$deb" ] || fail "no package at $deb"
name="$(dpkg-deb -f "$deb" Package)"
echo "package-check: ${deb##*/} on Debian $release"
echo "== lintian (output: $out/lintian.txt)"
where=() lintee="$deb" lint_status=0
if [ "$release" != "$host" ]; then
    [ -z "$given" ] || { fresh_root_make lint && fresh_root_install lintian >/dev/null; } || fail "no $release root with lintian"
    cp "$deb" "$FRESH_ROOT/root/" || fail "copying the package into the $release root"
    where=(fresh_root_run) lintee="/root/${deb##*/}"
fi
"${where[@]}" lintian --display-info --fail-on error,warning "$lintee" >"$out/lintian.txt" 2>&1 || lint_status=$?
# Root gets a warning of lintian's own, which is no finding.
grep -v '^running with root privileges' "$out/lintian.txt" || true
[ "$lint_status" = 0 ] || fail "lintian finds errors or warnings ($lint_status)"
stage_done "lintian"

fresh_root_make check "$arch" || fail "no fresh $release root"
stage_done "the fresh root"
R="$FRESH_ROOT"
in_root() { fresh_root_run "$@"; }
logged() { fresh_root_logged "$out/$1.txt" "${@:2}"; }  # a step's output in a file of its own
mkdir -p "$R/root/package" && cp "$deb" "$R/root/package/"
echo "== apt-get install --no-install-recommends ./${deb##*/}  (output: $out/apt-install.txt)"
logged apt-install fresh_root_install "/root/package/${deb##*/}" || fail "apt-get could not install the package"
echo "package-check: $(grep -c '^Setting up ' "$out/apt-install.txt") packages set up"
stage_done "installing the package"

in_root dpkg -L "$name" | grep -vx '/\.' | LC_ALL=C sort -u >"$out/files-of-package.txt"
# The package's one file whose path matches (an extended regular expression).
package_file() { re="$1" awk '$0 ~ ENVIRON["re"] { print; exit }' "$out/files-of-package.txt"; }
entry="$(package_file '/share/applications/[^/]+\.desktop$')"
metainfo="$(package_file '/share/metainfo/[^/]+\.metainfo\.xml$')"
[ -n "$entry" ] && desktop-file-validate "$R$entry" || fail "no valid desktop entry in the package"
[ -n "$metainfo" ] && appstreamcli validate --no-net "$R$metainfo" || fail "no valid AppStream file in the package"
# The entry's own keys of its [Desktop Entry] group (not a translation of them).
entry_key() { awk -v key="$1" '/^\[/ { group = $0; next }
    group == "[Desktop Entry]" && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }' "$R$entry"; }
exec_line="$(entry_key Exec)" workdir="$(entry_key Path)" icon="$(entry_key Icon)"
echo "package-check: $entry: Exec=$exec_line  Path=$workdir  Icon=$icon"
[ -n "$exec_line" ] && [ -n "$workdir" ] && [ -n "$icon" ] || fail "the desktop entry lacks Exec, Path or Icon"
# Field codes (%f, %u, ...) stand for files the menu hands over: none here.
read -r -a command <<<"${exec_line//%[a-zA-Z]/}"
program="$(in_root bash -c 'command -v "$1"' _ "${command[0]}")" || fail "no program ${command[0]} on the PATH"

# What the package brings must be enough, before the check's own tools come: no library missing
# for the program, the X11 plugin every Qt window goes through, or the GLX integration that the
# plugin loads for an OpenGL window.
plugins=()
for p in platforms/libqxcb.so xcbglintegrations/libqxcb-glx-integration.so; do
    plugins+=("$(in_root find /usr/lib -path "*/qt6/plugins/$p" -print -quit)")
    [ -n "${plugins[-1]}" ] || fail "Qt's plugin $p is not installed"
done
missing="$(in_root ldd "$program" "${plugins[@]}" | grep 'not found' || true)"
[ -z "$missing" ] || fail "libraries not found: $missing"
for f in icons/hicolor/{48x48,64x64,128x128,256x256}/apps/"$icon".png pixmaps/"$icon".xpm; do
    [ -n "$(package_file "/share/${f//./\\.}$")" ] || fail "no icon $f"
done
[ -f "$R$workdir/Textures/001.bmp" ] || fail "no Textures/001.bmp in the entry's Path $workdir"
textures="$(find "$R$workdir/Textures" -name '*.bmp' | wc -l)"

echo "== the check's own tools: xvfb xauth imagemagick"
logged apt-tools fresh_root_install xvfb xauth imagemagick || fail "apt-get could not install the check's tools"
in_root useradd -m -s /bin/bash viewer || fail "useradd"
cp "$here"/scripts/lib/{viewer,within}.sh "$R/home/viewer/"
in_root install -d -m 0700 -o viewer /run/viewer
stage_done "checking the installed files"

# Everything but what the kernel, apt, dpkg's own records, logs and the home folders hold.
snapshot() { in_root find / -regextype egrep -regex '/(proc|sys|dev|run|tmp|root|home|var/(log|cache/apt|lib/apt|lib/dpkg))' \
    -prune -o -print | LC_ALL=C sort; }
snapshot >"$out/files-installed.txt"

# The viewer as the user, with a private runtime folder, on the virtual display: SHOT DIR CMD...
as_user() {
    in_root runuser -u viewer -- env HOME=/home/viewer USER=viewer LANG=C.UTF-8 LIBGL_ALWAYS_SOFTWARE=1 \
        XDG_RUNTIME_DIR=/run/viewer "${VIRTUAL_DISPLAY[@]}" bash /home/viewer/viewer.sh "/home/viewer/$1.png" "${@:2}"
}
echo "== the entry's command in its Path, and the same program in a folder without textures"
as_user textured "$workdir" "${command[@]}" || fail "the entry's command did not run"
as_user untextured /home/viewer "${command[@]}" || fail "the program did not run without textures"
cp "$R/home/viewer/textured.png" "$out/screenshot.png"
cp "$R/home/viewer/untextured.png" "$out/screenshot-untextured.png"
measure() { in_root bash -c 'source /home/viewer/viewer.sh && picture_middle "$1"' _ "/home/viewer/$1.png"; }
read -r colours saturation _ < <(measure textured) || true
read -r ref_colours ref_saturation _ < <(measure untextured) || true
[[ "${colours:-}" =~ ^[0-9]+$ && "${ref_colours:-}" =~ ^[0-9]+$ ]] || fail "the screenshots do not read as images"
echo "package-check: middle of the picture: $colours colours, saturation $saturation (textured);" \
    "$ref_colours colours, saturation $ref_saturation (no textures)"
[ "$ref_colours" -ge 16 ] || fail "the program showed no surface even without textures"
[ "$colours" -ge $((5 * ref_colours)) ] || fail "the entry's command shows no textured surface ($colours colours against $ref_colours)"
awk -v s="$saturation" 'BEGIN { exit !(s >= 0.1) }' || fail "the entry's command shows a grey surface (saturation $saturation)"
stage_done "running the entry's command"

echo "== apt-get purge $name"
logged apt-purge in_root apt-get purge -y -o Dpkg::Use-Pty=0 "$name" || fail "apt-get could not purge the package"
snapshot >"$out/files-purged.txt"
in_root dpkg-query -W "$name" >/dev/null 2>&1 && fail "dpkg still knows $name after purging"
! compgen -G "$R/var/lib/dpkg/info/$name.*" >/dev/null || fail "dpkg's records of $name are left"
# What the package listed and is still there: only folders other packages own too.
left=()
while read -r path; do
    [ -e "$R$path" ] || [ -L "$R$path" ] || continue
    [ -d "$R$path" ] && [ ! -L "$R$path" ] && in_root dpkg-query -S "$path" >/dev/null 2>&1 || left+=("$path")
done <"$out/files-of-package.txt"
[ ${#left[@]} -eq 0 ] || fail "left behind after purging: ${left[*]}"
cd "$out" && export LC_ALL=C
added="$(comm -13 files-installed.txt files-purged.txt)"
[ -z "$added" ] || fail "new after running and purging: ${added//$'\n'/ }"
# Whatever the purge removed must have been the package's.
removed="$(comm -23 files-installed.txt files-purged.txt | comm -23 - files-of-package.txt)"
[ -z "$removed" ] || fail "the purge removed what was not the package's: ${removed//$'\n'/ }"
files="$(comm -12 files-installed.txt files-of-package.txt | wc -l)"
stage_done "purging the package"

if [ -n "$cross" ]; then
    echo "== under qemu: the start picture against the amd64 package's of commit ${commit:0:12}, the tests"
    [ -n "$commit" ] && [ "$(cat "$here/build-package-check/$release/commit" 2>/dev/null)" = "$commit" ] &&
        cp "$here/build-package-check/$release/screenshot.png" "$R/home/viewer/amd64.png" ||
        fail "no amd64 start picture of commit ${commit:0:12}: check the amd64 package of that commit first"
    # Outside the box: llvmpipe shades a little differently on arm64 (about half the pixels, by up to 3 of 255 in
    # a channel, with or without the program's float contraction), but never moves an edge.
    read -r worst _ _ differing < <(in_root convert /home/viewer/{textured,amd64}.png -fill black -draw \
        "$(<"$here/tests/fps-margin.mvg")" -compose difference -composite -separate -evaluate-sequence max \
        \( +clone -threshold 0 \) -precision 8 -format "%[fx:round(maxima*255)] %[fx:round(mean*w*h)] " info:) || true
    echo "package-check: start picture: ${differing:-?} of 1310720 pixels differ from the amd64 package's, by up to ${worst:-?}"
    [ "${worst:-9}" -le 3 ] && [ "${differing:-1310720}" -le $((1310720 * 3 / 5)) ] ||
        fail "the arm64 start picture differs from the amd64 one: ${differing:-?} pixels, by up to ${worst:-?} of 255"
    logged apt-tests fresh_root_install libqt6test6 cmake && fresh_root_bind "$built" /root/src || fail "no test programs under qemu"
    logged tests in_root "${VIRTUAL_DISPLAY[@]}" ctest --test-dir /root/src/build-deb --output-on-failure --no-tests=error \
        -LE gl-slow || fail "the tests under qemu (output: $out/tests.txt)"
    grep 'tests passed' tests.txt
    stage_done "the picture and the tests under qemu"
fi
[ -z "$commit" ] || echo "$commit" >commit
pass "${deb##*/}: installed, $textures textures in $workdir, textured surface ($colours colours against $ref_colours), purged without a trace ($files paths)"
