# shellcheck shell=bash
# The Wine side of the Windows tests (README, "Windows"). wine_unpack ZIP: a fresh prefix exported
# (WINEPREFIX...) in WINE_WORK, its D: on /dev/shm (WINE_D), ZIP unpacked in WINE_APP, all gone at exit.
# wine_monkey ZIP: random input for its program on a display and in a prefix of its own, ZIP in
# build-windows/ (whose builds give the monkey and client_origin.exe); alone: bash THIS ZIP (as root).
wine_unpack() {
  WINE_WORK="$(mktemp -d)" WINE_D="$(mktemp -d /dev/shm/wine-d.XXXXXX)"
  trap '{ [ -z "${pid:-}" ] || kill "$pid"; [ -z "${WINEPREFIX:-}" ] || wineserver -k; } 2>/dev/null
    rm -rf "$WINE_WORK" "$WINE_D"' EXIT
  export WINEPREFIX="$WINE_WORK/prefix" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all LIBGL_ALWAYS_SOFTWARE=1
  # Wine reads its command lines (a Cyrillic shortcut name) in the Unix locale.
  export LC_ALL=C.UTF-8
  local started=$SECONDS
  wine wineboot --init >/dev/null 2>&1
  wineserver -w
  # Windows' own faces for the forms, mapped to the host's metric-compatible ones:
  # the program asks for the TrueType "Microsoft Sans Serif", as on Windows.
  local subst='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes'
  wine reg add "$subst" /v "Microsoft Sans Serif" /d "Liberation Sans" /f >/dev/null 2>&1
  wine reg add "$subst" /v "Times New Roman" /d "Liberation Serif" /f >/dev/null 2>&1
  # No window manager runs on the virtual display: Wine places, maximises and
  # frames the windows itself, as Windows does.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  ln -s "$WINE_D" "$WINEPREFIX/dosdevices/d:"
  echo "Wine prefix ready in $((SECONDS - started)) s"
  unzip -q "$1" -d "$WINE_WORK"
  WINE_APP="$(echo "$WINE_WORK"/surface-viewer-*-win64)"
}

wine_monkey() {
  local out
  out="$(cd "$(dirname "$1")" && pwd)"
  cmake --build "$out/host" --target monkey && cmake --build "$out/cross" --target client_origin || return
  source scripts/lib/viewer.sh
  "${VIRTUAL_DISPLAY[@]}" bash -c 'source scripts/windows/wine-prefix.sh && wine_unpack "$1" &&
    cp "$2/cross/tools/client_origin.exe" "$WINE_APP/" && MONKEY_WINE_APP="$WINE_APP" "$2/host/tests/e2e/monkey" --gtest_filter=Monkey.RandomInput' _ "$1" "$out"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  set -euo pipefail && cd "$(dirname "$0")/../.." && source scripts/lib/windows-root.sh
  windows_root_enter scripts/windows/wine-prefix.sh "$(realpath --relative-to=. "$1")"
  wine_monkey "$1"
fi
