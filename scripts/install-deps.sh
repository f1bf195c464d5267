#!/usr/bin/env bash
# Installs every Debian 12 package that building, testing and running Quorvex need.
# Runs apt-get update only when something is missing; does nothing when all is there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-qpa-plugins libgl-dev
  libgstreamer1.0-dev libgstreamer-plugins-base1.0-dev gstreamer1.0-tools
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav
  gstreamer1.0-plugins-ugly gstreamer1.0-plugins-bad libgstrtspserver-1.0-dev
  libjpeg62-turbo-dev libsqlite3-dev libyuv-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth fonts-dejavu-core python3
  python3-aiosmtpd python3-pyftpdlib openssl
  dbus-daemon python3-dbusmock
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -q
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
