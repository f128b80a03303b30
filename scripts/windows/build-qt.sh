#!/usr/bin/env bash
# Builds Qt (core, gui, widgets and the Windows platform plugin) for 64-bit Windows
# from Debian's own qt6-base source, the same version as the host's Qt, whose tools
# (moc, rcc, uic) the cross build uses. The result is kept in a cache folder named
# after the source version and a hash of the options, so it is built again only
# when either changes. Prints the Qt prefix as its last line.
#
#   QT_WIN_CACHE    cache root (default /var/cache/surface-viewer)
#   QT_WIN_SOURCE   an unpacked qtbase tree to use instead of fetching the source
#   QT_WIN_JOBS     parallel jobs (default 2)
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
root="$(cd "$here/../.." && pwd)"
toolchain="$root/cmake/mingw-w64.cmake"
cache_root="${QT_WIN_CACHE:-/var/cache/surface-viewer}"
jobs="${QT_WIN_JOBS:-2}"

version="$(dpkg-query -W -f='${Version}' qt6-base-dev)"
host_cmake="/usr/lib/$(gcc -print-multiarch)/cmake"

options=(
  -DQT_HOST_PATH=/usr
  -DQT_HOST_PATH_CMAKE_DIR="$host_cmake"
  -DCMAKE_BUILD_TYPE=Release
  -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF
  -DQT_BUILD_TESTS=OFF
  -DINPUT_opengl=desktop
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_testlib=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_freetype=OFF -DFEATURE_jpeg=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF
  -DFEATURE_vulkan=OFF
  # Only what the package ships: no Direct2D platform plugin (direct2d itself is the
  # DirectWrite font engine), no GIF or ICO plugin
  # (the program's icon is a resource of the .exe, its window icon an XPM).
  -DFEATURE_direct2d1_1=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF
  # Sources compiled a few dozen to a file: far fewer compiler runs.
  -DQT_UNITY_BUILD=ON
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
  -DFEATURE_system_harfbuzz=OFF
  # Debian's repacked source has no wintab headers; the viewer takes no tablet input.
  -DFEATURE_tabletevent=OFF
)
hash="$( { printf '%s\n' "${options[@]}"; cat "$toolchain"; } | sha256sum | cut -c1-12)"
prefix="$cache_root/qt-win-${version//[^A-Za-z0-9.]/_}-$hash"


SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
$SUDO mkdir -p "$cache_root"
$SUDO chown "$(id -u):$(id -g)" "$cache_root"

# An interrupted build goes on where it stopped.
work="$cache_root/work-${version//[^A-Za-z0-9.]/_}-$hash"

# A deb-src entry for the mirror the machine installs from, with the same key,
# unless apt already knows the source package (apt refuses two entries for one
# mirror that name different keys).
add_deb_src() {
  local file uris suites signed
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] || continue
    uris="$(awk '/^Types:/{t=/ deb( |$)/} t&&/^URIs:/{print $2; exit}' "$file")"
    [ -n "$uris" ] || continue
    case "$uris" in *security*) continue ;; esac
    suites="$(awk '/^Suites:/{$1=""; print substr($0,2); exit}' "$file")"
    signed="$(awk '/^Signed-By:/{print $2; exit}' "$file")"
    break
  done
  if [ -z "${uris:-}" ] && [ -f /etc/apt/sources.list ]; then
    local line
    line="$(grep -E '^deb ' /etc/apt/sources.list | grep -v security | head -n1)"
    signed="$(sed -n 's/.*signed-by=\([^] ]*\).*/\1/p' <<<"$line")"
    line="$(sed 's/\[[^]]*\]//' <<<"$line")"
    uris="$(awk '{print $2}' <<<"$line")"
    suites="$(awk '{print $3}' <<<"$line")"
  fi
  [ -n "${uris:-}" ] || { echo "build-qt: no Debian mirror found in apt's sources" >&2; exit 1; }
  {
    echo "Types: deb-src"
    echo "URIs: $uris"
    echo "Suites: $suites"
    echo "Components: main"
    [ -z "${signed:-}" ] || echo "Signed-By: $signed"
  } | $SUDO tee /etc/apt/sources.list.d/surface-viewer-src.sources >/dev/null
  $SUDO apt-get update
}

# Debian's qt6-base source, unpacked in folder $1; prints the tree's path.
fetch_source() {
  local dir="$1"
  if [ -n "${QT_WIN_SOURCE:-}" ]; then
    echo "$QT_WIN_SOURCE"
    return
  fi
  # Counted: under pipefail, `grep -q` leaving early fails apt-cache with SIGPIPE.
  if [ "$(apt-cache showsrc qt6-base 2>/dev/null | grep -cx "Version: $version")" = 0 ]; then
    add_deb_src >&2
  fi
  (cd "$dir" && apt-get source --download-only "qt6-base=$version") >&2
  tar -C "$dir" -xf "$dir"/qt6-base_*.orig.tar.xz
  echo "$dir"/qtbase-everywhere-src-*
}

# What the package's notices quote from the source (scripts/windows/notices.sh):
# Qt's licence texts and the attributions of the code of others that the modules
# and plugins it ships are built from.
keep_licenses() {  # SOURCE
  local dest="$prefix/licenses" dir
  rm -rf "$dest.new"
  mkdir -p "$dest.new"
  cp "$1"/LICENSES/*.txt "$dest.new/"
  for dir in src/corelib src/gui src/widgets src/plugins/platforms/windows src/plugins/styles src/3rdparty; do
    [ ! -d "$1/$dir" ] || (cd "$1" && find "$dir" -name qt_attribution.json)
  done | grep -Ev '/(android|wasm|xcb|dbus-ifaces|gradle|forkfd|vulkan|VulkanMemoryAllocator)/' | sort |
    while read -r f; do
      dir="$(dirname "$f")"
      mkdir -p "$dest.new/$dir" && cp "$1/$f" "$dest.new/$f"
      # The licence files an attribution names, relative to its folder. Some of
      # Qt's attribution files break lines inside strings, which JSON does not allow.
      tr '\n\t' '  ' <"$1/$f" |
        jq -r '(if type == "array" then .[] else . end) | (.LicenseFile // empty), (.LicenseFiles // [])[]' |
        while read -r lic; do
          [ ! -f "$1/$dir/$lic" ] || install -D -m 644 "$1/$dir/$lic" "$dest.new/$(realpath -m "/$dir/$lic" | cut -c2-)"
        done
    done
  rm -rf "$dest" && mv "$dest.new" "$dest"
}

# A cache is whole with the notices' files: one made before they were kept is
# built again.
if [ -f "$prefix/.complete" ] && [ -d "$prefix/licenses" ]; then
  echo "$prefix"
  exit 0
fi

start=$SECONDS
if [ ! -f "$work/build/build.ninja" ]; then
  rm -rf "$work" "$prefix"
  mkdir -p "$work"
  src="$(fetch_source "$work")"
  nice -n 10 cmake -G Ninja -S "$src" -B "$work/build" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >&2
fi
nice -n 10 cmake --build "$work/build" --parallel "$jobs" >&2
cmake --install "$work/build" >&2
keep_licenses "$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$work/build/CMakeCache.txt")"
printf 'source %s\nversion %s\noptions-hash %s\nbuild-seconds %s\n' \
  "${QT_WIN_SOURCE:-apt-get source qt6-base=$version}" "$version" "$hash" "$((SECONDS - start))" \
  >"$prefix/.complete"
rm -rf "$work"
echo "$prefix"
