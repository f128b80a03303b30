#!/usr/bin/env bash
# Installs the Debian packages this machine still lacks for one job (README; default test):
#   bash scripts/install-deps.sh run|test|package|windows|arm64
set -euo pipefail

job="${1:-test}"
# The program, built and run: GL drivers, its forms' faces, Qt's Russian strings and Wayland plugin.
build=(build-essential cmake pkg-config qt6-base-dev qt6-translations-l10n libgl-dev libglu1-mesa-dev libxrandr-dev
  libwayland-dev libgl1-mesa-dri fonts-liberation fonts-dejavu-core qt6-wayland)
# A virtual display and a screenshot of it.
headless=(xvfb xauth imagemagick)
testing=(git locales mesa-utils x11-utils xdotool libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-dev llvm
  desktop-file-utils appstream weston xserver-xorg-core xserver-xorg-video-dummy x11-xserver-utils
  qt6-gtk-platformtheme  # a dark desktop's scheme, as GTK's Adwaita:dark reaches Qt
  man-db)                # the manual pages rendered as a reader gets them
dpkg --compare-versions "$(apt-cache policy sway | sed -n 's/ *Candidate: //p')" ge 1.8 2>/dev/null && testing+=(sway grim wlrctl)
# cpack's dpkg-shlibdeps step runs `file` on what it packs.
packaging=(debootstrap desktop-file-utils appstream file)
# Qt for Windows from Debian's source, MinGW-w64, the installer, and Wine to test.
windows=(mingw-w64 ninja-build xz-utils googletest nsis zip unzip jq wine wine64 xdotool x11-utils
  libgtest-dev libx11-dev      # the host programs that drive the Windows one under Wine
  libgl1 libglx-mesa0 locales) # Wine's OpenGL is the machine's libGL; its Windows locale follows the Unix one

SUDO="$([ "$(id -u)" -eq 0 ] || echo sudo)"
case "$job" in
run) packages=("${build[@]}") && { [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || packages+=("${headless[@]}"); } ;;
test) packages=("${build[@]}" "${headless[@]}" "${testing[@]}" "${packaging[@]}") ;;
package) packages=("${build[@]}" "${packaging[@]}" lintian) ;;
arm64) packages=(crossbuild-essential-arm64 cmake qt6-base-dev{,:arm64} "${packaging[@]}") &&
  packages+=({libgl,libglu1-mesa,libxrandr,libwayland,libgtest}-dev:arm64) ;;
windows) packages=("${build[@]}" "${headless[@]}" "${windows[@]}") ;;
*) echo "usage: install-deps.sh run|test|package|windows|arm64" >&2 && exit 2 ;;
esac

# sudo drops the caller's environment: the setting goes on its command line.
apt_get() { $SUDO env DEBIAN_FRONTEND=noninteractive apt-get "$@"; }

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  # arm64's packages come from arm64 as a foreign architecture of dpkg.
  [ "$job" != arm64 ] || dpkg --print-foreign-architectures | grep -qx arm64 || $SUDO dpkg --add-architecture arm64
  apt_get update
  apt_get install -y --no-install-recommends "${missing[@]}"
fi

# The tests read and write numbers in a comma locale and a point locale, as the settings window does
# in the user's. Counted: under pipefail, `grep -q` leaving early fails a long `locale -a` (SIGPIPE).
has_ru() { [ "$(locale -a 2>/dev/null | grep -ci '^ru_RU\.utf8$')" != 0 ]; }
if { [ "$job" = test ] || [ "$job" = windows ]; } && ! has_ru; then
  $SUDO sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/; s/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen &&
    $SUDO locale-gen >/dev/null && has_ru ||
    { echo "install-deps.sh: could not generate the ru_RU.UTF-8 and en_US.UTF-8 locales the tests need" >&2; exit 1; }
fi
