#!/usr/bin/env bash
# Installs the Debian packages the project builds and runs with; does nothing
# when they are all present already.
set -euo pipefail

PKGS=(cmake g++ make pkg-config ccache
      qt6-base-dev libgl1-mesa-dev
      libsqlite3-dev libzip-dev libpugixml-dev libsodium-dev libssl-dev
      libgtest-dev libgmock-dev libbenchmark-dev
      clang libclang-rt-14-dev
      python3 xvfb xdotool x11-utils imagemagick fonts-dejavu-core
      desktop-file-utils man-db systemd)

missing=()
for p in "${PKGS[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing: ${missing[*]}"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
