#!/usr/bin/env bash
# The Windows package under Wine, as a user meets it (README, "Windows"): built
# (scripts/windows/package.sh), then on a virtual display, in a fresh Wine prefix:
# 1. the pure tests, start-up and notices judged from inside (tests/windows/), the
# resources; 2. the zip's program against the Linux build and driven, then random
# input (tests/e2e/Monkey.cpp); 3. the installer and uninstaller, silent; 4. at
# 120 and 144 dpi the start-up from inside, the start picture as at 96 dpi, and at
# 144 dpi the settings window's text grown. Pictures and log: build-windows/wine-test/.
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
  # The Linux build of the same tree, for the reference picture and its tools.
  cmake --build "$out/host" --target surface-viewer close_window read_fps -j2
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

# What Explorer, the Start menu, Windows' scaling and Apps & features read, judged from
# inside (tests/windows/PackageTest.cpp): here the program's resources, in 3. the installer.
package_tests() {  # GTEST-FILTER
  (export VIEW_TEST_PACKAGE="$(winepath -w "$app")" PACKAGE_TEST_SETUP="$(winepath -w "$setup")" \
    PACKAGE_TEST_FIRST_SETUP="$(winepath -w "$out/first-layout-setup.exe")" &&
    in_tools ./package_tests.exe --gtest_brief=1 "--gtest_filter=$1")
}
package_tests 'ProgramResources.*' || fail "the program's icon, version information or manifest"
echo "Resources: icons 16 to 256 pixels, version, \"Ливентор\" in Russian; manifest asInvoker, Windows 10, PerMonitorV2: OK"

# --- 2. The program from the zip ---------------------------------------------
shot() { import -silent -window root "${@:2}" "$1"; }
# Comparisons leave out $mask and $hide: the fps box and its margin, which change
# every second, at (2, 1) of the picture (on Linux, with no window manager, of the
# screen); under Wine the caption above the picture too.
mask="$(<tests/fps-margin.mvg)" hide=""
masked() { convert "$1" -fill black -draw "$mask $hide" "$1.masked.png"; echo "$1.masked.png"; }
# Pixels that differ between two pictures, as a whole number (compare writes large
# counts as 1.31072e+06); anything else it says (an error) is passed on. Further
# arguments go to compare (-fuzz). changed: the same outside the mask.
differing() {
  compare -metric AE "${@:3}" "$1" "$2" null: 2>&1 >/dev/null |
    awk '$1 ~ /^[0-9.]+(e[+-]?[0-9]+)?$/ { printf "%.0f\n", $1; next } { print $1 }' || true
}
changed() { differing "$(masked "$1")" "$(masked "$2")" "${@:3}"; }
# A screenshot once two in a row agree outside the mask.
settled() {
  shot "$work/settle-a.png"
  for _ in $(seq 40); do
    sleep 0.3 && shot "$work/settle-b.png"
    [ "$(changed "$work/settle-a.png" "$work/settle-b.png")" != 0 ] || { cp "$work/settle-b.png" "$1"; return 0; }
    mv "$work/settle-b.png" "$work/settle-a.png"
  done; return 1
}
# A window's client area on screen, "X Y WIDTH HEIGHT LEFT TOP", by its title.
client_area() { in_tools ./client_origin.exe "$1"; }
# A visible window whose title matches, within 30 s, while the program in $pid runs.
wait_window() {
  local w
  for _ in $(seq 150); do
    w="$(timeout 10 xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1 || true)"
    [ -z "$w" ] || { echo "$w"; return 0; }
    { [ -z "$pid" ] || kill -0 "$pid" 2>/dev/null; } && sleep 0.2 || return 1
  done; return 1
}
main_title='^График функции вида' settings_title='^Параметры и коэффициенты$'
# Frames per second: the box read once a second for five seconds, by a reader
# drawing the box the way the program's own platform does.
fps() {
  rm -rf "$work/fps" && mkdir "$work/fps"
  for i in 1 2 3 4 5; do sleep 1 && shot "$work/fps/$i.png" -crop "31x21+$((box_x + frame_out))+$((box_y + frame_out))" +repage; done
  "$@" --clip "$frame_out" "$work"/fps/*.png 2>/dev/null | tr -d '\r' |
    awk '$1 != "?" { s += $1; n++ } END { if (n) printf "%.0f", s / n; else print "?" }'
}
close_and_wait() { local code=0; "$out/host/tools/close_window" "$1"; wait "$pid" || code=$?; pid=""; return "$code"; }
start_linux() {
  (cd "$out/host/run" && exec ./surface-viewer) & pid=$!
  linux_main="$(wait_window "$main_title")" || fail "the Linux build did not start"
  box_x=2 box_y=1 frame_out=0 mask="$(<tests/fps-margin.mvg)"
}
# The zip's program at K per cent of 96 dpi (100): its main window, client area
# (fx fy fw fh), fps box, and the mask of its caption and box.
start_wine() {
  local k="${1:-100}" frame_x frame_y
  (cd "$app" && exec wine ./surface-viewer.exe) & pid=$!
  main="$(wait_window "$main_title")" || fail "the Windows build did not start under Wine"
  sleep 2
  read -r fx fy fw fh frame_x frame_y < <(client_area "$(xdotool getwindowname "$main")") && [ -n "${frame_y:-}" ] ||
    fail "no client area for the main window under Wine"
  box_x=$((fx + 2)) box_y=$((fy + 1))
  # Wine 10 draws the box's content shifted by the part of the maximised form's
  # frame that lies beyond the screen's top-left corner, and cut off by as much.
  frame_out=$((frame_x < 0 ? -frame_x : 0))
  [ "$frame_out" -le $((8 * k / 100)) ] && [ "$((frame_y < 0 ? -frame_y : 0))" = "$frame_out" ] ||
    fail "the main window's frame begins at ($frame_x, $frame_y), not as far beyond both edges"
  # Below Wine's caption, some 20 rows down; everything above it is masked, so a box
  # found further down would hide the picture from the comparisons.
  [ "$box_y" -ge 1 ] && [ "$box_y" -le $((64 * k / 100)) ] || fail "the frames-per-second box at row $box_y, not below a caption"
  # The picture keeps the screen's size, anchored at the client area's lower left,
  # which is the screen's: the maximised form's frame lies beyond the screen's edges.
  [ "$fx" = 0 ] && [ $((fy + fh)) = 1024 ] && [ "$fw" = 1280 ] ||
    fail "the client area spans ($fx, $fy) to ($((fx + fw)), $((fy + fh))): its lower-left corner is not the screen's"
  mask="rectangle 0,0 1279,$((fy - 1)) rectangle 0,0 $((box_x + 45 * k / 100)),$((box_y + 30 * k / 100))"
}

# The machine's speed drifts over a run (two shared cores): Wine's frame rate is
# read before Linux's and again after it, and their mean is compared with Linux's.
start_wine
wine_fps_before="$(cd "$tools" && fps wine ./read_fps.exe)"
close_and_wait "$main" || fail "the Windows build did not end with 0"
start_linux && sleep 2
settled "$log/linux-start.png" || fail "the Linux picture does not settle"
linux_fps="$(fps "$out/host/tools/read_fps")"
close_and_wait "$linux_main" || fail "the Linux build did not end with 0"

# The same scene under Wine, started from the unpacked zip's folder.
start_wine
settled "$log/wine-start.png" || fail "the picture under Wine does not settle"
mask96="$mask"
all_diff="$(differing "$log/linux-start.png" "$log/wine-start.png")"
outside_diff="$(changed "$log/linux-start.png" "$log/wine-start.png")"
compare "$log/linux-start.png" "$log/wine-start.png" "$log/start-difference.png" 2>/dev/null || true
awk -v d="$all_diff" -v o="$outside_diff" -v n=$((1280 * 1024)) 'BEGIN {
  printf "Start picture, Wine against Linux, from the corner of the screen: %.4f%% of pixels equal (%d differ); outside the caption and the fps box %.4f%% (%d differ)\n",
    100 * (n - d) / n, d, 100 * (n - o) / n, o }'
wine_fps_after="$(cd "$tools" && fps wine ./read_fps.exe)"
wine_fps="$(awk -v a="$wine_fps_before" -v b="$wine_fps_after" 'BEGIN { printf "%.0f", (a + b) / 2 }')"
echo "Frames per second: Wine $wine_fps ($wine_fps_before before Linux's reading, $wine_fps_after after), Linux $linux_fps"
# Speed is measured, not asserted: Wine adds a fixed cost to each frame (README).
# Only a rate far below Linux's, as from another GL path, fails.
[ "$linux_fps" != "?" ] && [ "${linux_fps:-0}" -gt 0 ] 2>/dev/null || fail "no frame rate read from the Linux build's box ($linux_fps)"
awk -v a="$wine_fps_before" -v b="$wine_fps_after" -v l="$linux_fps" \
  'BEGIN { exit !(l + 0 > 0 && a + 0 > 0 && b + 0 > 0 && (a + b) / 2 >= 0.7 * l) }' ||
  fail "under Wine the program draws $wine_fps frames a second, less than 0.7 times Linux's $linux_fps"
awk -v w="$wine_fps" -v l="$linux_fps" 'BEGIN { exit !(w < 0.9 * l) }' &&
  echo "NOTE: under Wine $wine_fps frames a second, less than 0.9 times Linux's $linux_fps"
# Same GL calls, same Mesa: what differs is llvmpipe's rounding, which depends on the
# height of the window drawn into. That moves colours by a few levels, and on an edge
# may tip the mipmap level of a 2 by 2 block: a handful of pixels. More is a fault.
coarse="$(changed "$log/linux-start.png" "$log/wine-start.png" -fuzz 2%)"
[ "$coarse" -le 16 ] || fail "the start picture under Wine differs from Linux's by more than rounding ($coarse pixels)"
[ "$coarse" = 0 ] || echo "NOTE: $coarse single pixels on edges differ by more than 2%"
[ "$outside_diff" = 0 ] || echo "NOTE: the start pictures differ outside the caption and the fps box, by rounding only"

# The context menu opens at the right button's release, not at its press.
xdotool mousemove 640 512 sleep 0.5
settled "$work/still.png" || fail "no still picture before the menu"
wine_windows | sort >"$work/windows-before.txt"
new_window() { [ -n "$(comm -13 "$work/windows-before.txt" <(wine_windows | sort))" ]; }
xdotool mousedown 3 sleep 0.8
! new_window || fail "a window came up at the right button's press"
xdotool mouseup 3
for _ in $(seq 50); do new_window && break; sleep 0.2; done
new_window || fail "no menu window at the right button's release"
sleep 0.8 && shot "$log/menu.png"
menu_diff="$(changed "$work/still.png" "$log/menu.png")"
[ "$menu_diff" -gt 1000 ] || fail "no menu at the right button's release"
echo "Context menu at the release: OK ($menu_diff pixels)"
# "Вращение" is the first row.
xdotool mousemove 680 523 sleep 0.3 click 1 sleep 0.3 mousemove 640 512 sleep 0.5
shot "$work/spin-a.png" && sleep 0.5 && shot "$work/spin-b.png"
[ "$(changed "$work/spin-a.png" "$work/spin-b.png")" -gt 500 ] || fail "\"Вращение\" does not spin the surface"
echo "\"Вращение\" spins the surface: OK"
# Off again, then the settings window from the menu's last row.
xdotool click 3 sleep 0.8 mousemove 680 523 sleep 0.3 click 1 sleep 0.3 mousemove 640 512
xdotool click 3 sleep 0.8 key Up sleep 0.2 key Return
settings="$(wait_window "$settings_title")" || fail "the settings window did not open"
eval "$(xdotool getwindowgeometry --shell "$settings")"
sx=$X sy=$Y sw=$WIDTH sh=$HEIGHT
# Where the window's content begins: Wine draws the frame and caption inside.
read -r cx cy _ < <(client_area "Параметры и коэффициенты") || fail "no client area for the settings window"
xdotool mousemove 640 900
settled "$log/settings.png" || fail "no still picture with the settings window"
convert "$log/settings.png" -crop "${sw}x${sh}+${sx}+${sy}" +repage "$log/settings-window.png"
echo "Settings window \"Параметры и коэффициенты\" at ${sx},${sy}, ${sw}x${sh}: OK"

# Readable Cyrillic: the group box title "Прототип функции" inks the same box as
# the same face draws it on Linux, where missing glyphs would draw as empty boxes
# of another size (the Linux window is opened the same way below). The title is
# found from where the window's content begins: under Wine below the caption Wine
# draws; on Linux, with no window manager, the window's origin.
# The ink's size in a crop (WxH+X+Y), whatever is darker than a threshold.
ink() { convert "$1" -crop "$2" +repage -colorspace gray -threshold "$3" -negate -trim -format '%w %h' info: 2>/dev/null; }
read -r ww wh <<<"$(ink "$log/settings.png" "190x16+$((cx + 10))+$((cy + 8))" 45%)"

# A slider changes the picture: a click on the groove of the first one pages it.
xdotool mousemove $((cx + 28)) $((cy + 320)) click 1 mousemove 640 900 sleep 0.5
settled "$log/slider.png" || fail "no still picture after the slider moved"
hide="rectangle $sx,$sy $((sx + sw)),$((sy + sh))"
slider_diff="$(changed "$log/settings.png" "$log/slider.png")"
[ "$slider_diff" -gt 500 ] || fail "the slider did not change the picture"
echo "A slider changes the picture: OK ($slider_diff pixels)"

# The arrow keys fly the eye while a window of the program is in front, the
# settings window too (the focus in a number edit, which takes no Up), and not
# while another program is. Left out: the settings window and whatever is over the picture.
xdotool mousemove $((cx + 20)) $((cy + 98)) click 1 mousemove 640 900
settled "$work/keys-before.png" || fail "no still picture before the arrow keys"
xdotool keydown Up sleep 1 keyup Up
settled "$log/keys-settings.png" || fail "no still picture after the arrow keys"
keys_diff="$(changed "$work/keys-before.png" "$log/keys-settings.png")"
[ "$keys_diff" -gt 500 ] || fail "Up with the settings window in front did not move the eye"
echo "Up with the settings window in front moves the eye: OK ($keys_diff pixels)"
wine notepad & notepad_pid=$!
notepad="$(wait_window 'Notepad')" || fail "Wine's notepad did not start"
eval "$(xdotool getwindowgeometry --shell "$notepad")"
hide+=" rectangle $X,$Y $((X + WIDTH)),$((Y + HEIGHT))"
xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
settled "$work/notepad-before.png" || fail "no still picture with notepad in front"
xdotool keydown Up sleep 1.5 keyup Up
settled "$log/keys-notepad.png" || fail "no still picture after the arrow keys in notepad"
keys_diff="$(changed "$work/notepad-before.png" "$log/keys-notepad.png")"
[ "$keys_diff" = 0 ] || fail "Up typed into another program moved the viewer's eye ($keys_diff pixels)"
echo "Up with another program in front moves nothing: OK"
"$out/host/tools/close_window" "$notepad" && { wait "$notepad_pid" 2>/dev/null || true; }
hide=""
close_and_wait "$main" || fail "closing the main window ended the program with $?"
echo "Closing the main window: exit code 0"

start_linux
xdotool mousemove 640 512 sleep 1 click 3 sleep 0.8 key Up sleep 0.2 key Return mousemove 640 900
settings="$(wait_window "$settings_title")" && sleep 1 || fail "the settings window did not open on Linux"
settled "$log/linux-settings.png" || fail "no still Linux picture with the settings window"
eval "$(xdotool getwindowgeometry --shell "$settings")"
read -r lw lh <<<"$(ink "$log/linux-settings.png" "190x16+$((X + 10))+$((Y + 8))" 45%)"
close_and_wait "$linux_main" || true
echo "\"Прототип функции\" inks ${ww}x${wh} under Wine, ${lw}x${lh} on Linux"
# A crop without ink trims to 1x1, and two such would agree. The crop holds the
# title's upper rows: some 90x5 of ink.
[ "$lw" -ge 60 ] && [ "$lh" -ge 4 ] || fail "no title inked on Linux where \"Прототип функции\" should be"
[ $((ww - lw)) -le $((lw / 12)) ] && [ $((lw - ww)) -le $((lw / 12)) ] &&
  [ $((wh - lh)) -le 2 ] && [ $((lh - wh)) -le 2 ] || fail "the Cyrillic text under Wine is not the face's"
echo "Readable Cyrillic: OK"

# --- Random input, on a display and in a prefix of its own (wine_monkey).
wine_monkey "$zip" || fail "the program under random input"

# --- 3. The installer ----------------------------------------------------------
# Silent installs and uninstalls for all users, over the first installer's layout, and
# for the current user, judged from inside; the last installation, for all users, stays.
package_tests '*Installation.*' || fail "the installer and uninstaller under Wine"
echo "Installs and uninstalls for all users and for the current user, silent; with the program running, none: OK"
link='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Ливентор.lnk'
# Started through the shortcut from a folder without textures: only the shortcut's
# working folder gives it its textures. Wine's start hands the shortcut on and returns.
(cd "$work" && wine start "$link")
pid=""
main="$(wait_window "$main_title")" || fail "the shortcut did not start the program"
sleep 2
mask="$mask96"
settled "$log/shortcut-start.png" || fail "the shortcut's picture does not settle"
shortcut_diff="$(changed "$log/wine-start.png" "$log/shortcut-start.png")"
[ "$shortcut_diff" = 0 ] || fail "started from the shortcut, the picture differs from the zip's ($shortcut_diff pixels): no textures?"
echo "Started from the shortcut: the textured surface, as from the zip"
"$out/host/tools/close_window" "$main"
wineserver -w

# --- 4. At 120 and 144 dpi (125 and 150 %) -----------------------------------
# The start picture is the one at 96 dpi outside both captions and fps boxes, but for
# llvmpipe's rounding, which follows the view's height (the caption grows with the scale):
# a picture a fraction of a pixel off its shape differs along every edge of the texture.
# The settings window's title's whole ink, in a crop scaled by K per cent; black only.
title_ink() { ink "$1" "$((200 * $4 / 100))x$((22 * $4 / 100))+$(($2 + 8 * $4 / 100))+$(($3 + 10 * $4 / 100))" 30%; }
read -r tw th <<<"$(title_ink "$log/settings.png" "$cx" "$cy" 100)" && scaled_apart=""
for dpi in 120 144; do
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  { wineserver -k 2>/dev/null || true; } && wineserver -w && view_tests en_US "$dpi" 'WindowsStartupTest.*'
  echo "At $dpi dpi the start-up from inside, the forms grown and the view the screen's size: OK"
  start_wine $((dpi * 100 / 96))
  mask+=" $mask96"
  settled "$log/start-${dpi}dpi.png" || fail "no still start picture at $dpi dpi"
  apart="$(changed "$log/wine-start.png" "$log/start-${dpi}dpi.png")"
  off="$(changed "$log/wine-start.png" "$log/start-${dpi}dpi.png" -fuzz 2%)"
  outside="$(convert -size 1280x1024 xc:white -fill black -draw "$mask" -format '%[fx:mean]' info:)"
  read -r outside share < <(awk -v a="$apart" -v m="$outside" 'BEGIN { n = m * 1280 * 1024; printf "%d %.2f\n", n, 100 * (n - a) / n }')
  echo "At $dpi dpi the start picture is the one at 96 dpi on $share % of the $outside pixels outside captions and boxes, $off more than 5 levels apart"
  [ "$off" -le 16 ] || scaled_apart+=" $dpi dpi: $share % equal, $off pixels more than 5 levels apart;"
  [ "$dpi" = 144 ] || { close_and_wait "$main" || fail "the program at $dpi dpi did not end with 0"; continue; }
  # At 144 dpi Qt scales the windows, and the text must grow with them: a bitmap
  # face would keep its 96-dpi size inside the larger controls.
  xdotool mousemove 640 512 sleep 1 click 3 sleep 0.8 key Up sleep 0.2 key Return
  settings="$(wait_window "$settings_title")" || fail "the settings window did not open at 144 dpi"
  eval "$(xdotool getwindowgeometry --shell "$settings")"
  read -r cx cy _ < <(client_area "Параметры и коэффициенты") || fail "no client area at 144 dpi"
  xdotool mousemove 640 1000
  settled "$log/settings-144dpi.png" || fail "no still picture with the settings window at 144 dpi"
  read -r bw bh <<<"$(title_ink "$log/settings-144dpi.png" "$cx" "$cy" 150)"
  convert "$log/settings-144dpi.png" -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$log/settings-window-144dpi.png"
  echo "At 144 dpi the settings window is ${WIDTH}x${HEIGHT} (${sw}x${sh} at 96); \"Прототип функции\" inks ${bw}x${bh} (${tw}x${th} at 96)"
  awk -v w="$WIDTH" -v w0="$sw" -v t="$bw" -v t0="$tw" -v h="$bh" -v h0="$th" 'BEGIN {
    grown = w / w0; wider = t / t0; taller = h / h0
    exit !(t0 >= 60 && h0 >= 6 && grown >= 1.3 && wider >= grown - 0.12 && wider <= grown + 0.12 &&
      taller >= grown - 0.25 && taller <= grown + 0.25) }' || fail "at 144 dpi the text does not grow with the settings window"
  echo "At 144 dpi the text grows with its controls: OK"
  close_and_wait "$main" || fail "closing the main window at 144 dpi ended the program with an error"
done
[ -z "$scaled_apart" ] || fail "the start picture at a larger scale is not the one at 96 dpi:$scaled_apart"
echo "Zip $(du -k "$zip" | cut -f1) kB, installer $(du -k "$setup" | cut -f1) kB"
echo "PASS: the Windows package under Wine"
