#!/usr/bin/env bash
# Builds Korvale (installing what is missing) and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/release -j "$(nproc)"
if [ ! -x build/release/korvale-headless ]; then
    echo "Korvale has no runnable program yet: the build contains the protocol libraries and tests only."
    exit 1
fi
exec build/release/korvale-headless
