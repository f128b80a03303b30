# shellcheck shell=bash
# A fresh Wine prefix in folder $1, set up as the Windows tests run the program:
#   source scripts/windows/wine-prefix.sh; wine_prefix_make FOLDER
# exports WINEPREFIX and the settings every Wine process of the test shares.
wine_prefix_make() {
  export WINEPREFIX="$1" WINEDLLOVERRIDES="mscoree,mshtml=" WINEDEBUG=-all
  export LIBGL_ALWAYS_SOFTWARE=1
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
  echo "Wine prefix ready in $((SECONDS - started)) s"
}
