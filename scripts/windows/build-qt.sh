#!/usr/bin/env bash
# Qt for 64-bit Windows from Debian's unpatched qt6-base orig archive, the root's Qt version, cached
# per version and options hash with what the notices need (README, "Windows"); prints its prefix last.
#   QT_WIN_CACHE (/var/cache/surface-viewer), QT_WIN_JOBS (2)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
toolchain="$root/cmake/mingw-w64.cmake"
source "$root/scripts/lib/windows-root.sh"
shipped="(${WINDOWS_QT_TARGETS// /|}|Bundled[A-Za-z0-9]+)"
cache_root="${QT_WIN_CACHE:-/var/cache/surface-viewer}" jobs="${QT_WIN_JOBS:-2}"
version="$(dpkg-query -W -f='${Version}' qt6-base-dev)"
windows_qt_host

options=(
  "${WINDOWS_QT_HOST[@]}" -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DINPUT_opengl=desktop
  -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_testlib=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_freetype=OFF -DFEATURE_jpeg=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF -DFEATURE_vulkan=OFF
  # Only what the package ships: no Direct2D platform plugin (direct2d itself is the DirectWrite
  # font engine), no GIF or ICO plugin (the icon is the .exe's resource, the window's an XPM).
  -DFEATURE_direct2d1_1=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF
  # Sources compiled a few dozen to a file: far fewer compiler runs.
  -DQT_UNITY_BUILD=ON
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF -DFEATURE_system_harfbuzz=OFF
  # Debian's repacked source has no wintab headers; the viewer takes no tablet input.
  -DFEATURE_tabletevent=OFF
)
hash="$( { printf '%s\n' "${options[@]}"; cat "$toolchain"; } | sha256sum | cut -c1-12)"
prefix="$cache_root/qt-win-${version//[^A-Za-z0-9.]/_}-$hash"

# An interrupted build goes on where it stopped.
work="$cache_root/work-${version//[^A-Za-z0-9.]/_}-$hash"
mkdir -p "$cache_root"

# Without Qt Core and each library these options bundle, the notices would lack code.
sources_complete() {
  for part in corelib $(printf '%s\n' "${options[@]}" | sed -n 's/^-DFEATURE_system_\(.*\)=OFF$/\1/p'); do
    grep -Eq "^src/(3rdparty/[^/]*)?${part}[^/]*/" "$prefix/compiled-sources.txt" 2>/dev/null ||
      { echo "build-qt: $prefix/compiled-sources.txt names no source of $part" >&2; return 1; }
  done
}

# Debian's orig archive of qt6-base, fetched into folder $1 and unpacked there;
# prints the archive's path.
fetch_archive() {
  # Counted: under pipefail, `grep -q` leaving early fails apt-cache with SIGPIPE.
  if [ "$(apt-cache showsrc qt6-base 2>/dev/null | grep -cx "Version: $version")" = 0 ]; then
    # The root's own mirrors (scripts/lib/windows-root.sh), for sources too.
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      >/etc/apt/sources.list.d/surface-viewer-src.sources
    apt-get update >&2
  fi
  (cd "$1" && apt-get source --download-only "qt6-base=$version") >&2
  local archive
  archive="$(echo "$1"/qt6-base_*.orig.tar.xz)"
  [ -f "$archive" ] || { echo "build-qt: apt-get source gave no orig archive" >&2; exit 1; }
  tar -C "$1" -xf "$archive"
  echo "$archive"
}

# What the notices quote, from source tree $1: Qt's licence texts, and the code of
# others in the shipped targets with its licence files. Qt's SBOM of this build
# names the attributions of the targets; of those that name code, only what the
# compiler read counts (the SBOM names whole folders, the Vulkan allocator among
# them, which nothing here compiles); data (the MIME database, a shader, a
# colour profile) counts as the SBOM says.
keep_licenses() {  # SOURCE
  local dest="$prefix/licenses" json index entry dir code f
  rm -rf "$dest.new"
  mkdir -p "$dest.new/LICENSES"
  cp "$1"/LICENSES/*.txt "$dest.new/LICENSES/"
  awk -v shipped="-$shipped-Attribution-|-bundled-3rdparty-module-" '/^SPDXID:/ { ship = $2 ~ shipped }
    ship && /Information extracted from:/ { getline; sub("^ */src_dir/qtbase/", ""); json = $0 }
    ship && /Entry index:/ { print json, $3 }' "$prefix"/sbom/*.spdx | sort -u |
    while read -r json index; do
      dir="$(dirname "$json")"
      # Some of Qt's attribution files break lines inside strings, which JSON does not allow.
      entry="$(tr '\n\t' '  ' <"$1/$json" | jq -c --argjson i "$index" --arg dir "$dir" \
        '(if type == "array" then .[$i] else . end) | .Path = $dir')"
      code="$(jq -r '.Files // empty | if type == "array" then .[] else split(" ")[] end' <<<"$entry" |
        { grep -E '\.(c|cc|cpp|h|hh)$' || true; } | while read -r f; do realpath -m "/$dir/$f" | cut -c2-; done)"
      if [ -n "$code" ]; then
        grep -qxFf <(echo "$code") "$prefix/compiled-sources.txt" || continue
      elif [ -z "$(jq -r '.Files // empty' <<<"$entry")" ]; then
        grep -q "^$dir/" "$prefix/compiled-sources.txt" || continue
      fi
      # The licence files the attribution names (kept as LicenseTexts, by their
      # paths in the source), or else the texts of its licences.
      f="$(jq -r '(.LicenseFile // empty), (.LicenseFiles // [])[]' <<<"$entry" |
        while read -r f; do realpath -m "/$dir/$f" | cut -c2-; done)"
      if [ -n "$f" ]; then
        echo "$f"
      else
        jq -r '.LicenseId | gsub("[()]"; " ") | split(" ")[] | select(test("^(AND|OR|WITH|)$") | not) |
          "LICENSES/\(.).txt"' <<<"$entry"
      fi
      jq -c --arg f "$f" '.LicenseTexts = ($f | split("\n") | map(select(. != "")))' <<<"$entry" >&3
    done 3>"$dest.new/third-party.jsonl" | sort -u | while read -r f; do
      [ -f "$1/$f" ] || { echo "build-qt: no licence text $f in the source" >&2; exit 1; }
      install -D -m 644 "$1/$f" "$dest.new/$f"
    done
  jq -s 'sort_by(.Name)' "$dest.new/third-party.jsonl" >"$dest.new/third-party.json"
  rm "$dest.new/third-party.jsonl"
  rm -rf "$dest" && mv "$dest.new" "$dest"
}

# The archive's record and the licences, for a cache that lacks them.
complete_notices() {  # SOURCE ARCHIVE
  keep_licenses "$1"
  { grep -Ev '^(source|archive)' "$prefix/.complete" 2>/dev/null || true
    printf 'archive %s\narchive-sha256 %s\n' "$(basename "$2")" "$(sha256sum <"$2" | cut -d' ' -f1)"
  } >"$prefix/.complete.new"
  mv "$prefix/.complete.new" "$prefix/.complete"
}

if [ -f "$prefix/.complete" ] && { sources_complete || exit 1; }; then
  if [ ! -f "$prefix/licenses/third-party.json" ] || ! grep -q '^archive-sha256 ' "$prefix/.complete"; then
    rm -rf "$work" && mkdir -p "$work"
    archive="$(fetch_archive "$work")"
    complete_notices "$(echo "$work"/qtbase-everywhere-src-*)" "$archive"
    rm -rf "$work"
  fi
  echo "$prefix"
  exit 0
fi

start=$SECONDS
if [ ! -f "$work/build/build.ninja" ]; then
  rm -rf "$work" "$prefix"
  mkdir -p "$work"
  fetch_archive "$work" >/dev/null
  nice -n 10 cmake -G Ninja -S "$(echo "$work"/qtbase-everywhere-src-*)" -B "$work/build" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >&2
fi
nice -n 10 cmake --build "$work/build" --parallel "$jobs" >&2
cmake --install "$work/build" >&2
src="$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$work/build/CMakeCache.txt")"
# The shipped targets' objects and the files the compiler read for them.
ninja -C "$work/build" -t deps | awk -v src="$src/" -v shipped="CMakeFiles/${shipped}[.]dir/" '
  /^[^ ]/ { ship = $1 ~ shipped }
  ship && index($1, src) == 1 { print substr($1, length(src) + 1) }' | sort -u >"$prefix/compiled-sources.txt"
sources_complete || exit 1
printf 'version %s\noptions-hash %s\nbuild-seconds %s\n' "$version" "$hash" "$((SECONDS - start))" >"$prefix/.complete"
complete_notices "$src" "$(echo "$work"/qt6-base_*.orig.tar.xz)"
rm -rf "$work"
echo "$prefix"
