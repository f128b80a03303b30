#!/usr/bin/env bash
# Builds the Windows package: a zip and an NSIS installer, in build-windows/.
#   bash scripts/windows/package.sh      (as root: it builds in a fresh Debian
#                                          root, scripts/lib/windows-root.sh)
# Cross-builds Qt first when its cache lacks this version and these options
# (scripts/windows/build-qt.sh), then the viewer and its pure tests against it.
# The texture set is drawn by the host build's texgen (build-windows/host).
# Prints the paths of the zip and the installer.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
source scripts/lib/windows-root.sh
windows_root_enter scripts/windows/package.sh "$@"
# Progress goes to standard error; standard output has the two paths only.
exec 3>&1 1>&2
out="$root/build-windows"
jobs="${WINDOWS_BUILD_JOBS:-2}"
mkdir -p "$out"

bash scripts/install-deps.sh windows
qt="$(bash scripts/windows/build-qt.sh | tail -n1)"
host_cmake="/usr/lib/$(gcc -print-multiarch)/cmake"

# Build folders made for another tree or another Qt are made anew: CMake keeps the
# source folder and the toolchain of its first configuration.
fresh_build() {  # DIR STAMP
  [ "$(cat "$1/.made-for" 2>/dev/null)" = "$2" ] && return
  rm -rf "$1" && mkdir -p "$1" && echo "$2" >"$1/.made-for"
}
fresh_build "$out/host" "$root"
fresh_build "$out/cross" "$root $qt"

# The host side: the texture generator and the icon here; scripts/windows/test.sh
# builds the Linux program and the programs that drive the Windows one (VIEWER_WINE_CHECKS).
cmake -G Ninja -S . -B "$out/host" -DCMAKE_BUILD_TYPE=Release -DVIEWER_TESTS=OFF -DVIEWER_BENCH=OFF \
  -DVIEWER_WINE_CHECKS=ON >/dev/null
cmake --build "$out/host" --target textures windows_icon -j"$jobs"
icon="$out/host/icons/surface-viewer.ico"

# The viewer for Windows. Qt's toolchain file finds the cached Qt and the host's
# tools; it hands on to the project's own MinGW toolchain wherever this tree is.
if [ -f "$out/cross/build.ninja" ]; then
  cmake "$out/cross" -DVIEWER_WINDOWS_ICON="$icon" >/dev/null
else
  cmake -G Ninja -S . -B "$out/cross" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
    -DQT_CHAINLOAD_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="$host_cmake" \
    -DVIEWER_BENCH=OFF -DVIEWER_WINDOWS_ICON="$icon" >/dev/null
fi
cmake --build "$out/cross" --target surface-viewer uninstall pure_tests -j"$jobs"

version="$(windows_project VERSION)"
publisher="$(windows_project VIEWER_PUBLISHER)"
homepage="$(windows_project VIEWER_HOMEPAGE)"
name="surface-viewer-$version-win64"
app="$out/$name"
rm -rf "$app"
mkdir -p "$app"

# Whatever is not the project's own is copied by ship, which notes where it came
# from for the notices: FOLDER-IN-PACKAGE FILE...
origins="$out/$name.origins"
: >"$origins"
ship() {
  local f
  for f in "${@:2}"; do
    mkdir -p "$app/$1" && cp "$f" "$app/$1/"
    printf '%s\t%s\n' "${1:+$1/}$(basename "$f")" "$(realpath "$f")" >>"$origins"
  done
}
cp "$out/cross/run/surface-viewer.exe" "$app/"
# Qt's shipped targets where its CMake files place them: bin/ here, plugins/KIND/ in KIND/.
for target in $WINDOWS_QT_TARGETS; do
  f="$(realpath -m --relative-to="$qt" "$qt/$(sed -n 's|^ *IMPORTED_LOCATION_RELEASE "${_IMPORT_PREFIX}/\(.*\)"$|\1|p' \
    "$qt"/lib/cmake/Qt6*/"Qt6${target}Targets-release.cmake")")"
  [ -f "$qt/$f" ] || { echo "package: Qt's CMake files place $target nowhere in $qt" >&2; exit 1; }
  dir="$(dirname "${f#plugins/}")" && ship "${dir#bin}" "$qt/$f"
done
ship "" "$(x86_64-w64-mingw32-g++-posix -print-file-name=libgcc_s_seh-1.dll)" \
  "$(x86_64-w64-mingw32-g++-posix -print-file-name=libstdc++-6.dll)" /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll
# Qt's own strings in Russian: the host's translation, the same for every platform.
ship translations /usr/share/qt6/translations/qtbase_ru.qm
printf '[Paths]\nPrefix = .\nPlugins = .\nTranslations = translations\n' >"$app/qt.conf"
cp -r "$out/host/run/Textures" "$app/"
x86_64-w64-mingw32-strip "$app"/*.exe "$app"/*.dll "$app"/platforms/*.dll "$app"/styles/*.dll
# The program's licence, and every shipped file of others with its project, version and licence.
bash scripts/windows/notices.sh "$app" "$qt" "$origins"

# Anything the program or a plugin needs must be in the package or in Windows.
missing="$(x86_64-w64-mingw32-objdump -p "$app"/*.exe "$app"/*.dll "$app"/*/*.dll |
  sed -n 's/^\s*DLL Name: //p' | sort -u | while read -r dll; do
    case "$dll" in api-ms-win-*) continue ;; esac  # Windows' API sets
    [ -e "$app/$dll" ] || [ -e "/usr/x86_64-w64-mingw32/lib/lib${dll%.dll}.a" ] ||
      [ -e "/usr/x86_64-w64-mingw32/lib/lib$(tr 'A-Z' 'a-z' <<<"${dll%.dll}").a" ] || echo "$dll"
  done)"
[ -z "$missing" ] || { echo "package: DLLs neither packaged nor Windows' own: $missing" >&2; exit 1; }

rm -f "$out/$name.zip"
(cd "$out" && zip -qr9 "$name.zip" "$name")

# The installer installs exactly the package's files and its uninstaller removes
# exactly those, so both lists are written from the package itself.
(
  cd "$app"
  find . -type d | sort | sed 's|^\./\?||' | while read -r d; do
    printf 'SetOutPath "$INSTDIR%s"\n' "${d:+\\${d//\//\\}}"
    find "./$d" -maxdepth 1 -type f | sort | while read -r f; do printf 'File "%s"\n' "$app/${f#./}"; done
  done >"$out/install-files.nsh"
  { find . -type f | sort | sed 's|^\./||; s|/|\\|g' | while read -r f; do printf 'Delete "$INSTDIR\\%s"\n' "$f"; done
    find . -mindepth 1 -type d | sort -r | sed 's|^\./||; s|/|\\|g' | while read -r d; do printf 'RMDir "$INSTDIR\\%s"\n' "$d"; done
  } >"$out/uninstall-files.nsh"
)
launcher="$out/uninstall.exe"
x86_64-w64-mingw32-strip -o "$launcher" "$out/cross/packaging/uninstall.exe"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DPUBLISHER="$publisher" -DHOMEPAGE="$homepage" -DICON="$icon" \
  -DLAUNCHER="$launcher" -DFILES="$out/install-files.nsh" \
  -DUNFILES="$out/uninstall-files.nsh" -DOUTFILE="$out/$name-setup.exe" \
  packaging/windows/installer.nsi >&2

echo "$out/$name.zip" >&3
echo "$out/$name-setup.exe" >&3
