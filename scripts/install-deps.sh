#!/usr/bin/env bash
# Installs, with apt-get, what Korvale needs on this Debian 12 machine and
# does not have yet. Run as root (or with sudo available).
#
#   scripts/install-deps.sh run    # what building and running Korvale need
#   scripts/install-deps.sh test   # that, and every tool the tests use (default)
#
# It says in one line what it installs; apt-get's and dpkg's own output goes
# to a log that is shown only when the installation fails.
set -euo pipefail

choice=${1:-test}
# The compiler and the Qt libraries of the window.
packages=(cmake make g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-svg-dev libxcb1-dev)
case $choice in
    run) purpose="building and running Korvale" ;;
    test)
        purpose="building and testing Korvale"
        # Unit tests and benchmarks, fuzzing, formatting, the end-to-end tests'
        # network tools and packet dissector, and for the window's end-to-end
        # test and the README's pictures: a virtual X server, a window
        # manager, a notification-area host, synthetic input and screenshots.
        packages+=(libgtest-dev libgmock-dev libbenchmark-dev
                   clang libclang-rt-14-dev clang-format
                   tshark socat iproute2 iputils-ping python3
                   xvfb twm trayer xdotool imagemagick x11-utils fonts-dejavu-core)
        ;;
    *)
        echo "usage: $0 [run|test]" >&2
        exit 2
        ;;
esac

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing for $purpose: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
log=$(mktemp "${TMPDIR:-/tmp}/korvale-install-deps.XXXXXX.log")
if ! { $sudo apt-get update -q && $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"; } \
    >"$log" 2>&1; then
    cat "$log" >&2
    echo "install-deps.sh: apt-get failed (log above, kept in $log)" >&2
    exit 1
fi
rm -f "$log"
