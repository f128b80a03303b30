#!/usr/bin/env bash
# Usage (as root): bash scripts/package-check.sh [FILE.deb]
#
# The Debian package as a new user meets it. Without FILE.deb it first builds one
# (Release, for the prefix /usr, in build-deb/). Then, on a fresh minimal root of
# Debian $PACKAGE_CHECK_RELEASE (bookworm by default):
#   1. `apt-get install ./FILE.deb`; the program and Qt's X plugin find all their
#      libraries; the installed desktop entry and AppStream file validate; the
#      entry's icon and the texture set are in place.
#   2. As a plain user on a virtual display, the entry's Exec runs in the entry's
#      Path; the screenshot must show a textured surface: far more colours in the
#      middle of the picture than the same program started in a folder without
#      textures shows, and colour where that one is grey.
#   3. `apt-get purge`: nothing the package installed is left, and nothing else
#      was added or removed meanwhile.
# Log and screenshots are kept in build-package-check/. Ends with one PASS or FAIL
# line, and a non-zero status on failure.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
release="${PACKAGE_CHECK_RELEASE:-bookworm}"
deb="${1:-}"
source "$here/scripts/lib/fresh-root.sh"

out="$here/build-package-check"
mkdir -p "$out"
rm -f "$out"/*.png
# The log keeps going while an interrupted run cleans up.
exec > >(trap '' INT TERM HUP; exec tee "$out/log.txt") 2>&1

started=$SECONDS
stage_started=$SECONDS
elapsed() { printf '%dm%02ds' $(($1 / 60)) $(($1 % 60)); }
stage_done() {
    echo "package-check: $1 took $(elapsed $((SECONDS - stage_started)))"
    stage_started=$SECONDS
}
fail() {
    echo "package-check: FAIL: $1 (after $(elapsed $((SECONDS - started))); log: $out/log.txt)"
    fresh_root_destroy
    exit 1
}

[ "$(id -u)" -eq 0 ] || { echo "package-check: run as root (debootstrap, mount, chroot)"; exit 1; }
bash "$here/scripts/install-deps.sh" package

if [ -z "$deb" ]; then
    echo "== building the package (build-deb/)"
    build="$here/build-deb"
    cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVIEWER_TESTS=OFF -DVIEWER_BENCH=OFF \
        -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
    cmake --build "$build" -j"$(nproc)"
    rm -f "$build"/*.deb
    (cd "$build" && cpack -G DEB) || fail "cpack"
    deb="$(ls "$build"/*.deb)"
    stage_done "building the package"
fi
deb="$(realpath "$deb")"
[ -f "$deb" ] || fail "no package at $deb"
name="$(dpkg-deb -f "$deb" Package)"
echo "package-check: $(basename "$deb") on Debian $release"

fresh_root_make "$release" || fail "no fresh $release root"
stage_done "the fresh root"

R="$FRESH_ROOT"
in_root() { fresh_root_run "$@"; }
# A throw-away root need not survive a power cut: dpkg skips its syncs, which
# otherwise take most of the installing time.
echo force-unsafe-io >"$R/etc/dpkg/dpkg.cfg.d/unsafe-io"
mkdir -p "$R/root/package"
cp "$deb" "$R/root/package/"

# apt's output goes to a file of its own; a failure shows its end.
apt_log() {
    local log="$out/$1.txt"
    shift
    "$@" >"$log" 2>&1 || { tail -n 20 "$log"; return 1; }
}
echo "== apt-get install ./$(basename "$deb")  (output: $out/apt-install.txt)"
apt_log apt-install in_root bash -c "cd /root/package && apt-get install -y -o Dpkg::Use-Pty=0 ./$(basename "$deb")" ||
    fail "apt-get could not install the package"
echo "package-check: $(grep -c '^Setting up ' "$out/apt-install.txt") packages set up"
stage_done "installing the package"

in_root dpkg -L "$name" | grep -vx '/\.' | LC_ALL=C sort -u >"$out/files-of-package.txt"
# The package's one file whose path matches (an extended regular expression).
package_file() { re="$1" awk '$0 ~ ENVIRON["re"] { print; exit }' "$out/files-of-package.txt"; }

entry="$(package_file '/share/applications/[^/]+\.desktop$')"
[ -n "$entry" ] || fail "the package has no desktop entry"
desktop-file-validate "$R$entry" || fail "the installed desktop entry does not validate"
metainfo="$(package_file '/share/metainfo/[^/]+\.metainfo\.xml$')"
[ -n "$metainfo" ] || fail "the package has no AppStream file"
appstreamcli validate --no-net "$R$metainfo" || fail "the installed AppStream file does not validate"

# The entry's own keys of its [Desktop Entry] group (not a translation of them).
entry_key() {
    awk -v key="$1" '
        /^\[/ { group = $0; next }
        group == "[Desktop Entry]" && index($0, key "=") == 1 { print substr($0, length(key) + 2); exit }
    ' "$R$entry"
}
exec_line="$(entry_key Exec)"
workdir="$(entry_key Path)"
icon="$(entry_key Icon)"
echo "package-check: $entry: Exec=$exec_line  Path=$workdir  Icon=$icon"
[ -n "$exec_line" ] && [ -n "$workdir" ] && [ -n "$icon" ] || fail "the desktop entry lacks Exec, Path or Icon"
# Field codes (%f, %u, ...) stand for files the menu hands over: none here.
read -r -a command <<<"${exec_line//%[a-zA-Z]/}"
program="$(in_root bash -c 'command -v "$1"' _ "${command[0]}")" || fail "no program ${command[0]} on the PATH"

# What the package brings must be enough: no library missing, for the program or
# for the X plugin that every Qt window goes through, before the check's own
# tools come.
missing="$(in_root bash -c 'ldd "$1" $(find /usr/lib -path "*/qt6/plugins/platforms/libqxcb.so")' _ "$program" |
    grep 'not found' || true)"
[ -z "$missing" ] || fail "libraries not found: $missing"

for size in 48 64 128 256; do
    [ -n "$(package_file "/share/icons/hicolor/${size}x$size/apps/$icon\.png$")" ] ||
        fail "no ${size}x$size icon $icon.png"
done
[ -n "$(package_file "/share/pixmaps/$icon\.xpm$")" ] || fail "no $icon.xpm in pixmaps"
[ -f "$R$workdir/Textures/001.bmp" ] || fail "no Textures/001.bmp in the entry's Path $workdir"
textures="$(find "$R$workdir/Textures" -name '*.bmp' | wc -l)"

echo "== the check's own tools: xvfb xauth imagemagick"
apt_log apt-tools in_root apt-get install -y -o Dpkg::Use-Pty=0 --no-install-recommends \
    xvfb xauth imagemagick || fail "apt-get could not install the check's tools"
in_root useradd -m -s /bin/bash viewer || fail "useradd"
stage_done "checking the installed files"

# Everything but what the kernel, apt, dpkg's own records, logs and the home
# folders hold.
snapshot() {
    in_root find / \( -path /proc -o -path /sys -o -path /dev -o -path /run -o -path /tmp \
        -o -path /root -o -path /home -o -path /var/log -o -path /var/cache/apt \
        -o -path /var/lib/apt -o -path /var/lib/dpkg \) -prune -o -print | LC_ALL=C sort
}
snapshot >"$out/files-installed.txt"

# Starts a command as the user on a virtual display, in a folder, and takes a
# screenshot once the middle of the picture has settled (two equal samples a
# second apart that are not one flat colour). The frames-per-second box in the
# corner changes every second, so only the middle counts.
cat >"$R/home/viewer/shoot.sh" <<'EOF'
#!/bin/bash
# shoot.sh OUT.png DIR CMD [ARG...]
set -u
shot="$1" dir="$2"
shift 2
cd "$dir" || exit 1
"$@" >"$shot.log" 2>&1 &
pid=$!
last=""
for _ in $(seq 40); do
    sleep 1
    kill -0 "$pid" 2>/dev/null || { echo "the program ended:"; cat "$shot.log"; exit 1; }
    import -silent -window root "$shot" || continue
    now="$(convert "$shot" -gravity center -crop 50%x50%+0+0 +repage -format '%k %#' info:)"
    [ "${now%% *}" -gt 1 ] && [ "$now" = "$last" ] && break
    last="$now"
done
kill "$pid"
wait "$pid" 2>/dev/null
exit 0
EOF
chmod 755 "$R/home/viewer/shoot.sh"

# Runs as the user, with a private runtime folder, on a virtual display.
as_user() {
    in_root runuser -u viewer -- env HOME=/home/viewer USER=viewer LANG=C.UTF-8 \
        LIBGL_ALWAYS_SOFTWARE=1 bash -c '
            XDG_RUNTIME_DIR="$(mktemp -d)" && export XDG_RUNTIME_DIR
            xvfb-run -a -s "-screen 0 1280x1024x24" "$@"
            status=$?
            rm -rf "$XDG_RUNTIME_DIR"
            exit $status' _ "$@"
}

echo "== the entry's command in its Path, and the same program in a folder without textures"
as_user /home/viewer/shoot.sh /home/viewer/textured.png "$workdir" "${command[@]}" ||
    fail "the entry's command did not run"
as_user /home/viewer/shoot.sh /home/viewer/untextured.png /home/viewer "${command[@]}" ||
    fail "the program did not run in a folder without textures"
cp "$R/home/viewer/textured.png" "$out/screenshot.png"
cp "$R/home/viewer/untextured.png" "$out/screenshot-untextured.png"

# Distinct colours and mean saturation in the middle half of each picture.
measure() {
    in_root convert "/home/viewer/$1.png" -gravity center -crop 50%x50%+0+0 +repage \
        \( +clone -colorspace HSL -channel G -separate +channel \) \
        -format '%k %[fx:mean]\n' info: | awk 'NR == 1 { c = $1 } NR == 2 { s = $2 } END { print c, s }'
}
read -r colours saturation < <(measure textured) || true
read -r ref_colours ref_saturation < <(measure untextured) || true
[[ "${colours:-}" =~ ^[0-9]+$ && "${ref_colours:-}" =~ ^[0-9]+$ ]] || fail "the screenshots do not read as images"
echo "package-check: middle of the picture: $colours colours, saturation $saturation (textured);" \
    "$ref_colours colours, saturation $ref_saturation (no textures)"
[ "$ref_colours" -ge 16 ] || fail "the program showed no surface even without textures"
[ "$colours" -ge $((5 * ref_colours)) ] ||
    fail "the entry's command shows no textured surface ($colours colours against $ref_colours)"
awk -v s="$saturation" 'BEGIN { exit !(s >= 0.1) }' ||
    fail "the entry's command shows a grey surface (saturation $saturation)"
stage_done "running the entry's command"

echo "== apt-get purge $name"
apt_log apt-purge in_root apt-get purge -y -o Dpkg::Use-Pty=0 "$name" ||
    fail "apt-get could not purge the package"
snapshot >"$out/files-purged.txt"
in_root dpkg-query -W "$name" >/dev/null 2>&1 && fail "dpkg still knows $name after purging"
! compgen -G "$R/var/lib/dpkg/info/$name.*" >/dev/null || fail "dpkg's records of $name are left"

# What the package listed and is still there: only folders other packages own too.
left=()
while read -r path; do
    [ -e "$R$path" ] || [ -L "$R$path" ] || continue
    if [ -d "$R$path" ] && [ ! -L "$R$path" ] && in_root dpkg-query -S "$path" >/dev/null 2>&1; then
        continue
    fi
    left+=("$path")
done <"$out/files-of-package.txt"
added="$(LC_ALL=C comm -13 "$out/files-installed.txt" "$out/files-purged.txt")"
# Whatever the purge removed must have been the package's.
removed_others="$(LC_ALL=C comm -23 "$out/files-installed.txt" "$out/files-purged.txt" |
    LC_ALL=C comm -23 - "$out/files-of-package.txt")"
[ ${#left[@]} -eq 0 ] || fail "left behind after purging: ${left[*]}"
[ -z "$added" ] || fail "new after running and purging: $(echo $added)"
[ -z "$removed_others" ] || fail "the purge removed what was not the package's: $(echo $removed_others)"
files="$(LC_ALL=C comm -12 "$out/files-installed.txt" "$out/files-of-package.txt" | wc -l)"
stage_done "purging the package"

fresh_root_destroy || fail "cleaning up the root"
echo "package-check: PASS: $(basename "$deb") on Debian $release: installed, $textures textures in $workdir," \
    "textured surface ($colours colours against $ref_colours), purged without a trace ($files paths)" \
    "in $(elapsed $((SECONDS - started)))"
