#!/usr/bin/env bash
# The Windows package under Wine, as a user meets it (README, "Windows"): built, then on a
# virtual display in a fresh Wine prefix 1. the pure tests, start-up, notices and resources
# judged from inside (tests/windows/); 2. the zip's program judged from outside against the
# Linux build (tests/e2e/WineTest.cpp), then random input (tests/e2e/Monkey.cpp); 3. the
# installer (tests/windows/PackageTest.cpp) and the program from its shortcut; 4. the same
# at 120 and 144 dpi. This script only drives; pictures and log: build-windows/wine-test/.
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
in_tools ./pure_tests.exe --gtest_brief=1 || fail "pure tests under Wine"
view_tests() {  # LOCALE DPI [GTEST-FILTER]
  (export LANG="$1.UTF-8" VIEW_TEST_LOCALE="$1" VIEW_TEST_DPI="$2" VIEW_TEST_PACKAGE="$(winepath -w "$app")" &&
    unset LC_ALL && in_tools ./view_tests.exe --gtest_brief=1 ${3:+"--gtest_filter=$3"}) >"$log/view-tests-$1-$2dpi.txt" 2>&1 ||
    { cat "$log/view-tests-$1-$2dpi.txt"; fail "the start-up tests under Wine, $1, at $2 dpi"; }
}
for locale in ru_RU en_US; do view_tests "$locale" 96; done
echo "Pure tests; start-up and notices from inside, under ru_RU and en_US: OK"
# What Explorer, the Start menu, Windows' scaling and Apps & features read: here the
# program's resources, in 3. the installer.
package_tests() {  # GTEST-FILTER
  (export VIEW_TEST_PACKAGE="$(winepath -w "$app")" PACKAGE_TEST_SETUP="$(winepath -w "$setup")" \
    PACKAGE_TEST_FIRST_SETUP="$(winepath -w "$out/first-layout-setup.exe")" &&
    in_tools ./package_tests.exe --gtest_brief=1 "--gtest_filter=$1")
}
package_tests 'ProgramResources.*' || fail "the program's icon, version information or manifest"
echo "Resources: icons 16 to 256 pixels, version, \"Ливентор\" in Russian; manifest asInvoker, Windows 10, PerMonitorV2: OK"

# --- 2. The program from the zip, against the Linux build and driven -----------
export WINE_TEST_APP="$app" WINE_TEST_TOOLS="$tools" WINE_TEST_LOG="$log"
wine_tests() { "$out/host/tests/e2e/wine_tests" --gtest_brief=1 "--gtest_filter=$1" || fail "$2"; echo "$2: OK"; }
wine_tests 'Wine.Zip*' "the program from the zip, against the Linux build and driven"
# Random input, on a display and in a prefix of its own.
wine_monkey "$zip" || fail "the program under random input"

# --- 3. The installer ----------------------------------------------------------
# Silent installs and uninstalls for all users, over the first installer's layout, and
# for the current user; the last installation, for all users, stays for its shortcut.
package_tests '*Installation.*' || fail "the installer and uninstaller under Wine"
echo "Installs and uninstalls for all users and for the current user, silent; with the program running, none: OK"
WINE_TEST_LINK='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Ливентор.lnk' \
  wine_tests Wine.ShortcutStart "the program from its Start-menu shortcut, with its textures"
wineserver -w

# --- 4. At 120 and 144 dpi (125 and 150 %) -----------------------------------
for dpi in 120 144; do
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  { wineserver -k 2>/dev/null || true; } && wineserver -w && view_tests en_US "$dpi" 'WindowsStartupTest.*'
  echo "At $dpi dpi the start-up from inside, the forms grown and the view the screen's size: OK"
  WINE_TEST_DPI="$dpi" wine_tests Wine.ScaledDisplay "the start picture and the settings window at $dpi dpi"
done
echo "Zip $(du -k "$zip" | cut -f1) kB, installer $(du -k "$setup" | cut -f1) kB"
echo "PASS: the Windows package under Wine"
