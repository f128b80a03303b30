#!/usr/bin/env bash
# Random input for the Windows program from the zip under Wine, as scripts/monkey.sh
# gives the Linux program, in the Windows root, on a display and in a prefix of its own:
#   bash scripts/windows/monkey.sh [SECONDS [ZIP]]     (as root; 60 s)
# Without ZIP it builds the package first; a ZIP given must be in build-windows/,
# from package.sh in this tree, whose build folders hold the tools the run needs.
# Pass and fail, MONKEY_SEED and the logs (build-windows/wine-monkey/): README, "Windows".
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
cd "$root"
# A ZIP goes into the root by its path in the tree, where build-windows/ is mounted.
if [ -z "${WINDOWS_IN_ROOT:-}" ] && [ -n "${2:-}" ]; then
  set -- "$1" "$(realpath --relative-to="$root" "$2")"
  case "$2" in build-windows/*) ;; *) echo "monkey: $2 is not in build-windows/" >&2; exit 1 ;; esac
fi
source scripts/lib/windows-root.sh
windows_root_enter scripts/windows/monkey.sh "$@"
out="$root/build-windows"
seconds="${1:-60}"

if [ -z "${WINE_MONKEY_DISPLAY:-}" ]; then
  bash scripts/install-deps.sh windows >&2
  zip="${2:-}"
  if [ -z "$zip" ]; then
    zip="$(bash scripts/windows/package.sh)"
    zip="${zip%%$'\n'*}"
  fi
  cmake --build "$out/cross" --target client_origin -j2 >/dev/null
  cmake --build "$out/host" --target close_window -j2 >/dev/null
  WINE_MONKEY_DISPLAY=1 exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" bash "$0" "$seconds" "$zip"
fi

source scripts/windows/wine-prefix.sh
wine_unpack "$2"
# Tells a frameless popup from a framed window.
cp "$out/cross/tools/client_origin.exe" "$WINE_APP/"
MONKEY_WINE_APP="$WINE_APP" MONKEY_LOGS="$out/wine-monkey" MONKEY_CLOSE_WINDOW="$out/host/tools/close_window" \
  bash scripts/monkey.sh "$seconds"
