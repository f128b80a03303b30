#!/usr/bin/env bash
# Writes the Windows package's LICENSE.txt and THIRD-PARTY-NOTICES.txt (CRLF line
# ends, as Notepad expects) into the package folder:
#   bash scripts/windows/notices.sh APP QT_PREFIX
# Every DLL in APP is named with its project, version and licence, and each
# licence is quoted in full from where the build took the DLL: Qt's from its
# source (kept in the Qt cache by build-qt.sh), the MinGW-w64 runtime's from the
# Debian package that holds the DLL (/usr/share/doc/PACKAGE/copyright and the
# common licences it refers to). A DLL of unknown origin stops the package.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
app="$1" qt="$2"
out="$app/THIRD-PARTY-NOTICES.txt"
[ -f "$root/LICENSE" ] || { echo "notices: no LICENSE in $root" >&2; exit 1; }
[ -d "$qt/licenses" ] || { echo "notices: Qt's licences are not kept in $qt/licenses" >&2; exit 1; }
qt_source_version="$(sed -n 's/^version //p' "$qt/.complete")"
qt_version="${qt_source_version%%+*}"

# The licence of each Debian source package the runtime DLLs come from, as its
# copyright file states it.
declare -A package_licence=(
  [gcc-mingw-w64]="GPL-3.0-or-later WITH GCC-exception-3.1"
  [mingw-w64]="MIT (Expat); parts BSD-3-Clause, public domain"
)
declare -A package_project=([gcc-mingw-w64]="GCC runtime (MinGW-w64)" [mingw-w64]="MinGW-w64 winpthreads")

rows="" qt_dlls="" packages="" sources=""
while read -r dll; do
  name="${dll#"$app"/}"
  base="$(basename "$dll")"
  if [ -n "$(find "$qt/bin" "$qt/plugins" -name "$base" -print -quit)" ]; then
    rows+="$(printf '%-34s %-28s %-20s %s' "$name" "Qt (qtbase)" "$qt_version" "LGPL-3.0-only")"$'\n'
    qt_dlls+="  $name"$'\n'
    continue
  fi
  # The runtime DLLs: as package.sh takes them, from the compiler or MinGW-w64.
  from="$(x86_64-w64-mingw32-g++-posix -print-file-name="$base")"
  [ -f "$from" ] || from="/usr/x86_64-w64-mingw32/lib/$base"
  # dpkg knows the file by its path without "..".
  package="$(dpkg -S "$(realpath -m "$from")" 2>/dev/null | cut -d: -f1 | head -n1 || true)"
  [ -n "$package" ] || { echo "notices: $name comes from neither Qt nor a Debian package" >&2; exit 1; }
  source_package="$(dpkg-query -W -f='${source:Package}' "$package")"
  licence="${package_licence[$source_package]:-}"
  [ -n "$licence" ] || { echo "notices: no licence recorded for $source_package ($name)" >&2; exit 1; }
  version="$(dpkg-query -W -f='${Version}' "$package")"
  rows+="$(printf '%-34s %-28s %-20s %s' "$name" "${package_project[$source_package]}" "$version" "$licence")"$'\n'
  grep -qxF "$package" <<<"$packages" || packages+="$package"$'\n'
  sources+="  $name: Debian 13's package $package (source package $source_package)"$'\n'
done < <(find "$app" -iname '*.dll' | sort)

# The texts of Qt's bundled code: each attribution with its licence file.
qt_attributions() {
  local json dir
  (cd "$qt/licenses" && find src -name qt_attribution.json | sort) | while read -r json; do
    dir="$(dirname "$json")"
    # Some of Qt's attribution files break lines inside strings, which JSON does not allow.
    tr '\n\t' '  ' <"$qt/licenses/$json" | jq -r '(if type == "array" then .[] else . end) |
      ("\(.Name) \(.Version // "")\n  \(.License) (\(.LicenseId))\n  " +
        ((.Copyright // "") | if type == "array" then join("\n  ") else . end)),
      (((.LicenseFile // empty), (.LicenseFiles // [])[]) | "@@" + .), ""' |
      while IFS= read -r line; do
        case "$line" in
        @@*) f="$(realpath -m "/$dir/${line#@@}" | cut -c2-)"
             [ ! -f "$qt/licenses/$f" ] || { echo; sed 's/^/    /' "$qt/licenses/$f"; } ;;
        *) printf '%s\n' "$line" ;;
        esac
      done
    echo
  done
}

{
  cat <<EOF
Third-party software in the Windows package of Ливентор (surface-viewer)
=========================================================================

The program itself is under the MIT licence (LICENSE.txt). It ships the
following DLLs of other projects:

$(printf '%-34s %-28s %-20s %s' DLL Project Version Licence)
$rows
The runtime DLLs are the build root's own, with the Debian package versions above:
$sources
Qt
--
The Qt modules shipped are Qt Core, Qt Gui and Qt Widgets, with the Windows
platform plugin and the Windows style plugin:
$qt_dlls
Qt is used under the GNU Lesser General Public License, version 3. The program
links Qt dynamically: the Qt DLLs above are separate files in the program's
folder, and a user may replace them with another build of the same Qt version.
They were built from Debian 13's own Qt source package, qt6-base version
$qt_source_version (https://sources.debian.org/src/qt6-base/$qt_source_version/,
or: apt-get source qt6-base=$qt_source_version), unmodified, by the script
scripts/windows/build-qt.sh of the program's source.

EOF
  echo "==== GNU Lesser General Public License, version 3 (Qt)"
  cat "$qt/licenses/LGPL-3.0-only.txt"
  echo
  echo "==== GNU General Public License, version 3 (which the LGPL adds to)"
  cat "$qt/licenses/GPL-3.0-only.txt"
  echo
  echo "==== Code of others inside the Qt DLLs, as Qt's source attributes it"
  echo
  qt_attributions
  while read -r package; do
    [ -n "$package" ] || continue
    echo "==== $package $(dpkg-query -W -f='${Version}' "$package"): /usr/share/doc/$package/copyright"
    cat "/usr/share/doc/$package/copyright"
    for common in $(grep -o '/usr/share/common-licenses/[A-Za-z0-9.+-]*[A-Za-z0-9+]' \
      "/usr/share/doc/$package/copyright" | sort -u); do
      [ -f "$common" ] || continue
      echo
      echo "==== $common (referred to above)"
      cat "$common"
    done
    echo
  done <<<"$packages"
} | sed 's/\r*$/\r/' >"$out"
sed 's/\r*$/\r/' "$root/LICENSE" >"$app/LICENSE.txt"
