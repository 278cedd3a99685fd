#!/usr/bin/env bash
# Installs, with apt-get, whatever Korvale needs to build and test that this
# Debian 12 machine does not have yet. Run as root (or with sudo available).
set -euo pipefail

packages=(cmake make g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          clang libclang-rt-14-dev clang-format
          tshark socat iproute2 iputils-ping python3
          qt6-base-dev qt6-base-dev-tools qt6-svg-dev libxcb1-dev)
# The window's end-to-end test and the README's pictures: a virtual X
# server, a window manager, a notification-area host, synthetic input and
# screenshots. Not needed to build or run Korvale.
if [ "${KORVALE_WITH_X_TESTS:-1}" = 1 ]; then
    packages+=(xvfb twm trayer xdotool imagemagick x11-utils fonts-dejavu-core)
fi

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
