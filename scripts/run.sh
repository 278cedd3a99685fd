#!/usr/bin/env bash
# Builds Korvale (installing what is missing) and runs it: the desktop window
# when a display can be reached, otherwise the headless gateway. The programs,
# their settings files (korvale.ini, korvale-headless.ini), the language files
# and the help page live in build/release; COMn links for the serial port go
# there too.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh run
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVALE_TESTS=OFF \
    -DKORVALE_BENCHMARKS=OFF >/dev/null
cmake --build build/release -j "$(nproc)" --target korvale korvale-headless
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    exec build/release/korvale
fi
echo "No display: running the gateway without a window (Ctrl-C ends it)."
exec build/release/korvale-headless
