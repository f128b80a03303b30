#!/usr/bin/env bash
# The Windows package under Wine, as a user meets it (README, "Windows"): built
# (scripts/windows/package.sh), then on a virtual display, in a fresh Wine prefix:
# 1. the pure tests, start-up and notices judged from inside (tests/windows/), the
# resources; 2. the zip's program against the Linux build and driven from outside
# (tests/e2e/WineTest.cpp), then random input (scripts/windows/monkey.sh); 3. the
# installer and uninstaller, silent; 4. at 120 and 144 dpi the start-up from inside,
# the start picture as at 96 dpi, and at 144 dpi the settings window's text grown.
# Pictures and log: build-windows/wine-test/.
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
  cmake --build "$out/cross" --target read_fps client_origin exe_resources view_tests -j2
  # The Linux build of the same tree, for the reference picture, and what drives and
  # judges the Windows one from outside.
  cmake --build "$out/host" --target surface-viewer close_window read_fps wine_tests -j2
  # The first installer's layout, to upgrade from (built from the package's lists).
  makensis -V2 -INPUTCHARSET UTF8 -DVERSION=1.0.0.0 -DOUTFILE="$out/first-layout-setup.exe" \
    -DFILES="$out/install-files.nsh" -DUNFILES="$out/uninstall-files.nsh" tests/windows/first-layout-installer.nsi
  WINE_TEST_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$0" $packaged
fi

zip="$1" setup="$2" pid=""
fail() { echo "FAIL: $*"; exit 1; }
# A step that fails on its own says where.
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND"' ERR
source scripts/windows/wine-prefix.sh
wine_unpack "$zip"
work="$WINE_WORK" app="$WINE_APP"
version="$(windows_project VERSION)" homepage="$(windows_project VIEWER_HOMEPAGE)"
# What an installation must hold: the zip's files and the uninstaller's two.
(cd "$app" && { find . -type f; printf './%s\n' uninstall.exe uninstall.dat; } | sort) >"$work/zip-files.txt"

# --- 1. From inside ----------------------------------------------------------
# Tools and tests run from a copy of the package, which stays as it came.
tools="$work/tools" && cp -r "$app" "$tools"
cp "$out"/cross/tests/windows/{pure,view}_tests.exe "$out"/cross/tools/{read_fps,client_origin,exe_resources}.exe tests/heights.txt "$tools/"
in_tools() { (cd "$tools" && wine "$@" | tr -d '\r'); }
in_tools ./pure_tests.exe --gtest_brief=1 || fail "pure tests under Wine"
view_tests() {  # LOCALE DPI [GTEST-FILTER]
  (export LANG="$1.UTF-8" VIEW_TEST_LOCALE="$1" VIEW_TEST_DPI="$2" VIEW_TEST_PACKAGE="$(winepath -w "$app")" &&
    unset LC_ALL && in_tools ./view_tests.exe --gtest_brief=1 ${3:+"--gtest_filter=$3"}) >"$log/view-tests-$1-$2dpi.txt" 2>&1 ||
    { cat "$log/view-tests-$1-$2dpi.txt"; fail "the start-up tests under Wine, $1, at $2 dpi"; }
}
for locale in ru_RU en_US; do view_tests "$locale" 96; done
echo "Pure tests; start-up and notices from inside, under ru_RU and en_US: OK"

# What Explorer, the Start menu and Windows' scaling read from the program.
resources() { in_tools ./exe_resources.exe "$1"; }
resources "$(winepath -w "$app/surface-viewer.exe")" >"$log/resources.txt" || fail "no resources read from surface-viewer.exe"
resource() { sed -n "s/^$1 //p" "$log/resources.txt"; }
icons="$(resource icon-sizes)"
for size in 16 20 24 32 40 48 64 256; do
  grep -qw "${size}x${size}@32" <<<"$icons" || fail "no ${size}x${size} icon in the program (icons: $icons)"
done
[ "$(resource file-version)" = "$version" ] && [ "$(resource string-ProductVersion)" = "$version" ] ||
  fail "the program's version is $(resource file-version), not $version"
[ "$(resource string-ProductName)" = "Ливентор" ] && [ "$(resource string-FileDescription)" = "Ливентор" ] &&
  [ "$(resource language)" = 041904b0 ] || fail "the version information does not name Ливентор in Russian"
manifest="$(resource manifest)"
grep -q 'requestedExecutionLevel level="asInvoker"' <<<"$manifest" &&
  grep -q 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' <<<"$manifest" &&
  grep -q '<dpiAwareness[^>]*>PerMonitorV2<' <<<"$manifest" && ! grep -q '<dpiAware[ >]' <<<"$manifest" ||
  fail "the manifest is not asInvoker, Windows 10 and per-monitor v2 alone"
echo "Resources: icons $icons; version $version, \"Ливентор\", language 041904b0; manifest asInvoker, Windows 10, PerMonitorV2: OK"

# --- 2. The program from the zip ---------------------------------------------
# Against the Linux build and driven, then the shortcut's start and other scales
# below: judged by tests/e2e/WineTest.cpp, which keeps its pictures in $log.
export WINE_TEST_APP="$app" WINE_TEST_TOOLS="$tools" WINE_TEST_LOG="$log"
wine_tests() { "$out/host/tests/e2e/wine_tests" --gtest_brief=1 "--gtest_filter=$1" || fail "$2"; }
wine_tests 'Wine.Zip*' "the program from the zip, against the Linux build and driven"

# --- Random input, on a display and in a prefix of its own (scripts/windows/monkey.sh).
bash scripts/windows/monkey.sh "${MONKEY_SECONDS:-60}" "$zip" || fail "the program under random input"

# --- 3. The installer ----------------------------------------------------------
drive="$WINEPREFIX/drive_c"
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\SurfaceViewer'
run_once='HKCU\Software\Microsoft\Windows\CurrentVersion\RunOnce'
# Everything on drives C and D but Windows' own folder (where the test's own
# registry exports go), the user's temporary folder included; lasting: without it and D.
listing() { { (cd "$drive" && find . -path ./windows -prune -o -print); find "$WINE_D" -mindepth 1; } | sort; }
lasting() { (cd "$drive" && find . -path ./windows -prune -o -name Temp -prune -o -print | sort); }
# Registry key KEY exported as text to $work/key.txt (reg query prints Cyrillic as ?);
# empty where a key above it lists it not. Any other failed export fails the test.
read_key() {
  local k="$1"; : >"$work/key.txt"
  ! wine reg export "$k" 'C:\windows\temp\key.reg' /y >/dev/null 2>&1 ||
    { iconv -f UTF-16 -t UTF-8 "$drive/windows/temp/key.reg" | tr -d '\r' >"$work/key.txt"; return; }
  until wine reg query "${k%\\*}" 2>/dev/null | tr -d '\r' >"$work/parent.txt"; do
    [ "${k%\\*}" != "$k" ] || fail "the registry lists neither $1 nor a key above it"
    k="${k%\\*}"
  done
  ! grep -qiE "(^|[\\])${k##*\\}\$" "$work/parent.txt" || fail "reg export of $1 failed, though ${k%\\*} lists ${k##*\\}"
}
entry() { read_key "$1\\$uninstall_key"; }  # the uninstall entry under HKLM or HKCU
# One value of the key read last; numbers come as 0x...
value() { sed -n "s/^\"$1\"=//p" "$work/key.txt" | sed 's/^dword:/0x/; s/^"\(.*\)"$/\1/; s/\\\\/\\/g; s/\\"/"/g'; }
# Runs a command line as Windows runs a registered one, and returns its exit code.
run_line() {
  printf '@%s\r\n@exit /b %%errorlevel%%\r\n' "$1" >"$drive/windows/temp/run-line.bat"
  wine cmd /c 'C:\windows\temp\run-line.bat' >/dev/null 2>&1
}
# The registered silent uninstall: when it returns, nothing of the program is left on
# C:; uninstall.exe, moved away, is gone a moment later, with its deletion at logon.
uninstall_silently() {  # HKLM|HKCU
  local line
  entry "$1" && line="$(value QuietUninstallString)"
  [ -n "$line" ] || fail "no QuietUninstallString under $1"
  run_line "$line" || fail "the silent uninstall ($line) ended with $?"
  lasting | diff <(grep -v '/Temp\(/\|$\)' "$work/before.txt") - || fail "the silent uninstall had left something behind when it returned"
  entry "$1" && [ ! -s "$work/key.txt" ] || fail "the uninstall left its entry under $1"
  for _ in $(seq 50); do
    listing | cmp -s "$work/before.txt" - && read_key "$run_once" && ! grep -q '^"SurfaceViewer' "$work/key.txt" && break; sleep 0.2
  done
  listing | diff "$work/before.txt" - || fail "a moment after the silent uninstall, files were left where uninstall.exe went"
  read_key "$run_once" && ! grep '^"SurfaceViewer' "$work/key.txt" || fail "the uninstall left its deletion at the next logon registered"
}
# The entry Apps & features shows, and the shortcut.
check_entry() {  # HKLM|HKCU FOLDER SHORTCUT
  local exe="$2\\surface-viewer.exe" size folder
  entry "$1"
  [ "$(value DisplayName)" = "Ливентор" ] && [ "$(value DisplayVersion)" = "$version" ] &&
    [ "$(value DisplayIcon)" = "$exe,0" ] && [ "$(value InstallLocation)" = "$2" ] &&
    [ "$(value Publisher)" = "Surface viewer maintainers" ] && [ "$(value URLInfoAbout)" = "$homepage" ] ||
    fail "the entry under $1 is not the program's: $(cat "$work/key.txt")"
  size=$(($(value EstimatedSize)))
  folder="$(du -sk --apparent-size "$(winepath -u "$2")" | cut -f1)"
  [ $((size * 100)) -ge $((folder * 95)) ] && [ $((size * 100)) -le $((folder * 105)) ] ||
    fail "EstimatedSize $size kB, where the folder holds $folder kB"
  resources "$3" >"$work/link.txt" || fail "no shortcut $3"
  grep -qxF "link-icon $exe,0" "$work/link.txt" && grep -qxF "link-folder $2" "$work/link.txt" ||
    fail "the shortcut's icon and folder are not the program's: $(tr '\n' ' ' <"$work/link.txt")"
  echo "Entry under $1: Ливентор $version, by $(value Publisher), $size kB, $homepage, icon $exe,0; the shortcut with that icon: OK"
}
# A fresh installation: the program in FOLDER, registered under ROOT and not
# under the other root; what it added is listed in the log as NAME.
check_installed() {  # ROOT OTHER-ROOT FOLDER SHORTCUT NAME
  (cd "$(winepath -u "$3")" && find . -type f | sort) | diff "$work/zip-files.txt" - ||
    fail "the installation in $3 does not hold the zip's files and the uninstaller alone"
  entry "$2" && [ ! -s "$work/key.txt" ] || fail "an installation in $3 registered itself under $2"
  comm -13 "$work/before.txt" <(listing) >"$log/installed-$5.txt"
  echo "Silent install into $3: OK ($(grep -c . "$log/installed-$5.txt") files and folders)"
  check_entry "$1" "$3" "$4"
}
silently() { wine "$1" /S "${@:2}" && wineserver -w; }  # an installer, with /D= last
listing >"$work/before.txt"
link='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Ливентор.lnk'
first='C:\Program Files\Surface Viewer'

# An installation of the first layout, whose uninstall.exe is the uninstaller
# itself, upgraded: the installer removes it in place (_?=) first, with the file
# only that layout has.
silently "$out/first-layout-setup.exe"
[ -f "$(winepath -u "$first")/first-layout-only.txt" ] && [ -f "$(winepath -u "$first")/uninstall.exe" ] &&
  [ ! -e "$(winepath -u "$first")/uninstall.dat" ] ||
  fail "the first layout's installer did not install its layout"
silently "$setup"
check_installed HKLM HKCU "$first" "$link" upgraded
uninstall_silently HKLM
echo "An installation of the first layout upgraded, then removed: OK"

# For all users (Wine's user is an administrator): Program Files and HKLM.
silently "$setup"
check_installed HKLM HKCU "$first" "$link" all-users
# Started through the shortcut, and left running.
WINE_TEST_LINK="$link" wine_tests Wine.ShortcutStart "the program from the shortcut"
main_title='^График функции вида'
main="$(xdotool search --onlyvisible --name "$main_title" | head -n1)"
# While it runs, neither the installer nor the uninstaller goes on: silent, they
# give up with error level 2 and leave the installation as it is.
listing >"$work/running.txt"
code=0 && wine "$setup" /S || code=$?
[ "$code" = 2 ] || fail "the installer over the running program ended with $code, not 2"
entry HKLM && code=0 && run_line "$(value QuietUninstallString)" || code=$?
[ "$code" = 2 ] || fail "the uninstaller of the running program ended with $code, not 2"
listing | diff "$work/running.txt" - || fail "the installation changed while the program ran"
xdotool search --onlyvisible --name "$main_title" >/dev/null || fail "the program did not survive"
echo "While the program runs, installer and uninstaller give up (error level 2): OK"
"$out/host/tools/close_window" "$main"
wineserver -w
uninstall_silently HKLM
echo "Silent uninstall for all users: nothing left behind when it returns"

# For the current user: the user's own programs folder and HKCU; a second
# installation, into a folder on another volume, first removes the first. From
# there uninstall.exe cannot move to the temporary folder: it goes with its folder.
silently "$setup" /CurrentUser
mine="$(wine cmd /c 'echo %LOCALAPPDATA%\Programs\Surface Viewer' | tr -d '\r')"
# cmd prints Cyrillic as question marks: the shortcut's name is added here.
user_link="$(wine cmd /c 'echo %APPDATA%' | tr -d '\r')\Microsoft\Windows\Start Menu\Programs\Ливентор.lnk"
check_installed HKCU HKLM "$mine" "$user_link" current-user
silently "$setup" /CurrentUser '/D=D:\SurfaceViewer2'
[ ! -e "$(winepath -u "$mine")" ] || fail "the second installation left the first in place"
check_installed HKCU HKLM 'D:\SurfaceViewer2' "$user_link" second
echo "A second installation over the first: the first removed, the second registered: OK"
uninstall_silently HKCU
echo "Silent uninstall for the current user, from another volume: nothing left behind a moment later"

# --- 4. At 120 and 144 dpi (125 and 150 %) -----------------------------------
for dpi in 120 144; do
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  { wineserver -k 2>/dev/null || true; } && wineserver -w && view_tests en_US "$dpi" 'WindowsStartupTest.*'
  echo "At $dpi dpi the start-up from inside, the forms grown and the view the screen's size: OK"
  WINE_TEST_DPI="$dpi" wine_tests Wine.ScaledDisplay "the program at $dpi dpi"
done
echo "Zip $(du -k "$zip" | cut -f1) kB, installer $(du -k "$setup" | cut -f1) kB"
echo "PASS: the Windows package under Wine"
