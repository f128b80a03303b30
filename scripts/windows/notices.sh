#!/usr/bin/env bash
# The Windows package's LICENSE.txt and THIRD-PARTY-NOTICES.txt (CRLF) in APP (README, "Windows"):
#   bash scripts/windows/notices.sh APP QT_PREFIX ORIGINS     (ORIGINS: package.sh's FILE<tab>SOURCE)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
app="$1" qt="$2" origins="$3" out="$1/THIRD-PARTY-NOTICES.txt"
fail() { echo "notices: $*" >&2; exit 1; }
[ -f "$qt/licenses/third-party.json" ] || fail "Qt's licences are not kept in $qt/licenses"
record() { sed -n "s/^$1 //p" "$qt/.complete"; }
qt_source_version="$(record version)" archive="$(record archive)" archive_sha="$(record archive-sha256)"
[ -n "$archive_sha" ] || fail "the Qt cache does not name its source archive"
# The release the root runs (scripts/lib/windows-root.sh names it).
release="$(. /etc/os-release && echo "$NAME $VERSION_ID ($VERSION_CODENAME)")"

# The licence of each Debian source package files come from, as its copyright file states it.
declare -A package_licence=([gcc-mingw-w64]="GPL-3.0-or-later WITH GCC-exception-3.1"
  [mingw-w64]="MIT AND BSD-3-Clause" [qt6-translations]="GPL-3.0-only WITH Qt-GPL-exception-1.0")
declare -A package_project=([gcc-mingw-w64]="GCC runtime (MinGW-w64)" [mingw-w64]="MinGW-w64 winpthreads"
  [qt6-translations]="Qt translations")
row() { printf '%-34s %-26s %-22s %s\n' "$@"; }

rows="" packages="" sources="" licences="GPL-3.0-only"$'\n'  # the LGPL adds to the GPL
while IFS=$'\t' read -r name from; do
  [ "${from#"$qt"/}" = "$from" ] ||
    { rows+="$(row "$name" "Qt (qtbase)" "${qt_source_version%%+*}" LGPL-3.0-only)"$'\n' licences+=LGPL-3.0-only$'\n'; continue; }
  package="$(dpkg -S "$from" 2>/dev/null | cut -d: -f1 | head -n1 || true)"
  [ -n "$package" ] || fail "$name comes from neither Qt nor a Debian package ($from)"
  source_package="$(dpkg-query -W -f='${source:Package}' "$package")"
  licence="${package_licence[$source_package]:-}"
  [ -n "$licence" ] || fail "no licence recorded for $source_package ($name)"
  version="$(dpkg-query -W -f='${Version}' "$package")"
  rows+="$(row "$name" "${package_project[$source_package]}" "$version" "$licence")"$'\n'
  licences+="$licence"$'\n'
  grep -qxF "$package" <<<"$packages" || packages+="$package"$'\n'
  case "$name" in *.dll) changed=", stripped of symbols" ;; *) changed=", unchanged" ;; esac
  sources+="  $name: package $package $version$changed (source:
    apt-get source $source_package=$(dpkg-query -W -f='${source:Version}' "$package"))"$'\n'
done <"$origins"

# The full text of a licence the table names.
licence_text() {
  local f="$qt/licenses/LICENSES/$1.txt"
  case "$1" in
  GPL-3.0-or-later) f=/usr/share/common-licenses/GPL-3 ;;
  GCC-exception-3.1)  # in GCC's copyright file
    f="$(awk '/^GCC RUNTIME LIBRARY EXCEPTION$/ { p = 1 } p; p && /license of GCC\.$/ { exit }' \
      /usr/share/doc/gcc-mingw-w64-base/copyright)"
    [ -n "$f" ] || fail "no text of $1"
    echo "$f"
    return ;;
  esac
  [ -s "$f" ] || fail "no text of $1 ($f)"
  cat "$f"
}

# The code of others inside the Qt DLLs, each with its licence files or texts.
qt_third_party() {
  jq -r '.[] | "\(.Name) \(.Version // "")", "  \(.License) (\(.LicenseId))",
    ((.Copyright // "") | if type == "array" then .[] else split("\n")[] end | "  " + .),
    "@@\(.LicenseId)\t\(.LicenseTexts | join(" "))", ""' "$qt/licenses/third-party.json" |
    while IFS= read -r line; do
      [ "${line#@@}" != "$line" ] || { printf '%s\n' "$line"; continue; }
      IFS=$'\t' read -r ids files <<<"${line#@@}"
      for f in $files; do
        [ -s "$qt/licenses/$f" ] || fail "no licence file $f"
        echo && sed 's/^/    /' "$qt/licenses/$f"
      done
      [ -n "$files" ] || for f in $(tr '()' '  ' <<<"$ids"); do
        case "$f" in AND | OR | WITH) ;; *) echo "  ($f: its text is under \"==== Licence $f\" above)" ;; esac
      done
    done
}

# Each licence the table names, and those of the code of others without a licence file.
ids="$( { echo "$licences"; jq -r '.[] | select(.LicenseTexts == []) | .LicenseId' \
  "$qt/licenses/third-party.json"; } | tr '() ' '\n\n\n' | grep -Evx 'AND|OR|WITH|' | sort -u)"
{
  cat <<EOF
Third-party software in the Windows package of Ливентор (surface-viewer)
=========================================================================

The program itself is under the MIT licence (LICENSE.txt). Its folder also holds
these files of other projects:

$(row File Project Version Licence)
$rows
Files from the packages of $release, the build's system:
$sources
Qt
--
The Qt DLLs and plugins above are Qt Core, Qt Gui and Qt Widgets, with the Windows
platform plugin and the Windows style plugin, under the GNU Lesser General Public
License, version 3. The program links Qt dynamically: they are separate files in the
program's folder, and a user may replace them with another build of the same Qt version.

They were compiled from the archive $archive
(SHA-256 $archive_sha),
Debian's "dfsg" repack of upstream qtbase ${qt_source_version%%+*} (files whose licence
Debian does not accept removed), as $release distributes it in source package
qt6-base $qt_source_version. The build applied no change and none of Debian's
patches: the archive's files were compiled as they are, with the options of
scripts/windows/build-qt.sh in the program's source; the DLLs are stripped of symbols.
To get the archive, with deb-src entries for $release:
  apt-get source --download-only qt6-base=$qt_source_version
and take $archive from it (not the tree apt-get source unpacks, which holds
Debian's patches); or from the Debian archive:
  https://deb.debian.org/debian/pool/main/q/qt6-base/$archive
  https://snapshot.debian.org/package/qt6-base/$qt_source_version/

EOF
  for id in $ids; do echo "==== Licence $id"; licence_text "$id"; echo; done
  echo "==== Code of others inside the Qt DLLs, as Qt's source attributes it"
  echo
  qt_third_party
  for package in $packages; do
    echo "==== $package $(dpkg-query -W -f='${Version}' "$package"): /usr/share/doc/$package/copyright"
    cat "/usr/share/doc/$package/copyright"; echo
  done
} | sed 's/\r*$/\r/' >"$out"
sed 's/\r*$/\r/' "$root/LICENSE" >"$app/LICENSE.txt"
