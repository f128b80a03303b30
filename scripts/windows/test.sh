#!/usr/bin/env bash
# The Windows package under Wine, as a user meets it (README, "Windows"), in a fresh prefix on
# a virtual display; judged by tests/windows/ and tests/e2e/. Pictures, log: build-windows/wine-test/.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
out="$root/build-windows"
log="$out/wine-test"
cd "$root"
source scripts/lib/windows-root.sh
windows_root_enter scripts/windows/test.sh "$@"

if [ -z "${WINE_TEST_DISPLAY:-}" ]; then
  mkdir -p "$log" && rm -f "$log"/*
  exec > >(tee "$log/log.txt") 2>&1
  packaged="$(bash scripts/windows/package.sh)"
  cmake --build "$out/cross" --target read_fps client_origin view_tests package_tests -j2
  # The Linux build of the same tree, for the reference picture, and what drives the Windows one.
  cmake --build "$out/host" --target surface-viewer read_fps wine_tests -j2
  # The first installer's layout, to upgrade from (built from the package's lists).
  makensis -V2 -INPUTCHARSET UTF8 -DVERSION=1.0.0.0 -DOUTFILE="$out/first-layout-setup.exe" \
    -DFILES="$out/install-files.nsh" -DUNFILES="$out/uninstall-files.nsh" tests/windows/first-layout-installer.nsi
  source scripts/lib/viewer.sh
  WINE_TEST_DISPLAY=1 exec "${VIRTUAL_DISPLAY[@]}" bash "$0" $packaged
fi

zip="$1" setup="$2" pid=""
fail() { echo "FAIL: $*"; exit 1; }
# A step that fails on its own says where.
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND"' ERR
source scripts/windows/wine-prefix.sh
wine_unpack "$zip"
work="$WINE_WORK" app="$WINE_APP"

# --- 1. From inside ----------------------------------------------------------
# Tools and tests run from a copy of the package, which stays as it came.
tools="$work/tools" && cp -r "$app" "$tools"
cp "$out"/cross/tests/windows/{pure,view,package}_tests.exe "$out"/cross/tools/{read_fps,client_origin}.exe tests/heights.txt "$tools/"
in_tools() { (cd "$tools" && wine "$@" | tr -d '\r'); }
# judged WHAT CMD...: CMD passes, or the run fails saying WHAT.
judged() { "${@:2}" || fail "$1"; echo "$1: OK"; }
judged "the pure tests" in_tools ./pure_tests.exe --gtest_brief=1
view_tests() {  # LOCALE DPI [GTEST-FILTER]
  (export LANG="$1.UTF-8" VIEW_TEST_LOCALE="$1" VIEW_TEST_DPI="$2" VIEW_TEST_PACKAGE="$(winepath -w "$app")" &&
    unset LC_ALL && in_tools ./view_tests.exe --gtest_brief=1 ${3:+"--gtest_filter=$3"}) >"$log/view-tests-$1-$2dpi.txt" 2>&1 ||
    { cat "$log/view-tests-$1-$2dpi.txt"; return 1; }
}
for locale in ru_RU en_US; do judged "the start-up and the notices under $locale" view_tests "$locale" 96; done
# What Explorer, the Start menu, Windows' scaling and Apps & features read: here the
# program's resources, in 3. the installer.
package_tests() {  # GTEST-FILTER
  (export VIEW_TEST_PACKAGE="$(winepath -w "$app")" PACKAGE_TEST_SETUP="$(winepath -w "$setup")" \
    PACKAGE_TEST_FIRST_SETUP="$(winepath -w "$out/first-layout-setup.exe")" &&
    in_tools ./package_tests.exe --gtest_brief=1 "--gtest_filter=$1")
}
judged "the program's icons, version information and manifest" package_tests 'ProgramResources.*'

# --- 2. The program from the zip, against the Linux build and driven -----------
export WINE_TEST_APP="$app" WINE_TEST_TOOLS="$tools" WINE_TEST_LOG="$log"
wine_tests() { "$out/host/tests/e2e/wine_tests" --gtest_brief=1 "--gtest_filter=$1"; }
judged "the program from the zip, against the Linux build and driven" wine_tests 'Wine.Zip*'
# Random input, on a display and in a prefix of its own.
judged "the program under random input" wine_monkey "$zip"

# --- 3. The installer ----------------------------------------------------------
# Silent installs and uninstalls for all users, over the first installer's layout, and
# for the current user; the last installation, for all users, stays for its shortcut.
judged "silent installs and uninstalls, and none while the program runs" package_tests '*Installation.*'
export WINE_TEST_LINK='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Ливентор.lnk'
judged "the program from its Start-menu shortcut, with its textures" wine_tests Wine.ShortcutStart
wineserver -w

# --- 4. At 120 and 144 dpi (125 and 150 %) -----------------------------------
for dpi in 120 144; do
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  { wineserver -k 2>/dev/null || true; } && wineserver -w
  judged "the start-up from inside at $dpi dpi" view_tests en_US "$dpi" 'WindowsStartupTest.*'
  export WINE_TEST_DPI="$dpi" && judged "the start picture and the settings window at $dpi dpi" wine_tests Wine.ScaledDisplay
done
echo "Zip $(du -k "$zip" | cut -f1) kB, installer $(du -k "$setup" | cut -f1) kB"
echo "PASS: the Windows package under Wine"
