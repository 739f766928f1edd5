#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the tools need.
# Does nothing when they are all there; uses sudo when not root.
set -euo pipefail

PACKAGES=(
  cmake ninja-build g++ pkg-config clang libclang-rt-14-dev clang-tidy clang-format
  qt6-base-dev libgl-dev libxkbcommon-dev qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev python3-crcmod libmodbus-dev
  socat ser2net xvfb xauth x11-utils imagemagick openbox wmctrl librsvg2-bin
  fonts-wqy-zenhei fonts-wqy-microhei
  at-spi2-core dbus-x11 python3-pyatspi python3-serial
  mbpoll python3-pymodbus python3-serial-asyncio
  libudev-dev umockdev libumockdev-dev
  desktop-file-utils dpkg-dev lintian appstream
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
$SUDO apt-get -o DPkg::Lock::Timeout=600 update -q
DEBIAN_FRONTEND=noninteractive $SUDO apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${missing[@]}"
