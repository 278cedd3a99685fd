#!/usr/bin/env bash
# Builds Korvale (installing what is missing) and runs it. The program, its
# settings file korvale-headless.ini and the language files live in
# build/release; COMn links for the serial port go there too.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVALE_TESTS=OFF \
    -DKORVALE_BENCHMARKS=OFF >/dev/null
cmake --build build/release -j "$(nproc)" --target korvale-headless
exec build/release/korvale-headless
