#!/usr/bin/env bash
# Installs, from Debian's packages, whatever this machine still lacks to build,
# run and test the viewer. Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  build-essential cmake git pkg-config
  qt6-base-dev qt6-translations-l10n libgl-dev libglu1-mesa-dev
  libgl1-mesa-dri mesa-utils
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-dev llvm
  xvfb xauth xdotool imagemagick x11-utils
  weston qt6-wayland
  fonts-liberation fonts-dejavu-core
  locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The settings window reads and writes numbers in the user's locale; the tests
# exercise both a comma locale and a point locale.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf8$'; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  if [ -f /etc/locale.gen ]; then
    $SUDO sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/; s/^# *\(en_US.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    $SUDO locale-gen >/dev/null || true
  fi
fi
