#!/usr/bin/env bash
# Builds Korvale from scratch and runs every test, installing what is missing:
#   0. that every source file is clang-format clean and every include
#      between source folders points down
#   1. a release build (warnings are errors) with the unit and integration tests
#   2. the same tests under AddressSanitizer and UndefinedBehaviorSanitizer
#      (the desktop window's widget tests run there too, on Qt's offscreen
#      platform)
#   3. the serial-link tests under ThreadSanitizer
#   4. a short run of every libFuzzer target (FUZZ_SECONDS each, default 30)
#   5. the end-to-end test of two stations over a KISS link, once as built,
#      once with one station's TNC over TCP and both TNCs restarted, once
#      over a link paced at 1200 bit/s with the radio rate set, once
#      built with ASan/UBSan after a minute of noise on the line
#   6. the end-to-end test of the desktop window under a virtual X server
# Tests that need root, /dev/net/tun or network namespaces skip themselves
# with the reason when those are missing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

scripts/install-deps.sh test

jobs=$(nproc)
fuzz_seconds=${FUZZ_SECONDS:-30}
passed=0
failed=0
skipped=0

# Runs ctest in a build tree and adds its counts to the totals.
run_ctest() {
    local dir=$1
    shift
    local log
    log=$(mktemp)
    set +e
    ctest --test-dir "$dir" --output-on-failure --timeout 300 -j "$jobs" "$@" 2>&1 | tee "$log"
    set -e
    local total fails skips
    total=$(sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$log" | tail -n 1)
    fails=$(sed -n 's/.*, \([0-9]*\) tests failed out of.*/\1/p' "$log" | tail -n 1)
    skips=$(grep -c '\*\*\*Skipped' "$log" | head -n 1 || true)
    if [ -z "$total" ]; then
        echo "ctest in $dir did not report a result"
        failed=$((failed + 1))
    else
        passed=$((passed + total - fails - skips))
        failed=$((failed + fails))
        skipped=$((skipped + skips))
    fi
    rm -f "$log"
}

configure_and_build() {
    local dir=$1
    shift
    rm -rf "$dir"
    cmake -S "$root" -B "$dir" -DKORVALE_WERROR=ON "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

echo "== formatting (clang-format)"
unformatted=$(git ls-files '*.cpp' '*.h' | while read -r f; do
    clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || echo "$f"
done)
if [ -z "$unformatted" ]; then
    passed=$((passed + 1))
else
    echo "not clang-format clean: $unformatted"
    failed=$((failed + 1))
fi

echo "== includes point down (scripts/check-layers.sh)"
if scripts/check-layers.sh; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
fi

echo "== release build and tests"
configure_and_build build/test/release -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_ctest build/test/release

echo "== AddressSanitizer and UndefinedBehaviorSanitizer"
configure_and_build build/test/asan -DCMAKE_BUILD_TYPE=Debug -DKORVALE_SANITIZE=address,undefined \
    -DKORVALE_BENCHMARKS=OFF
# Qt and the font libraries keep caches for the life of the process; the
# suppressions name those libraries only, never our code.
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions="$root/tests/lsan.supp" \
    UBSAN_OPTIONS=print_stacktrace=1 run_ctest build/test/asan

echo "== ThreadSanitizer (serial link and engine)"
configure_and_build build/test/tsan -DCMAKE_BUILD_TYPE=Debug -DKORVALE_SANITIZE=thread \
    -DKORVALE_BENCHMARKS=OFF -DKORVALE_DESKTOP=OFF
TSAN_OPTIONS=halt_on_error=1 run_ctest build/test/tsan -L 'kiss|engine'

if ls tests/fuzz/*_fuzzer.cpp >/dev/null 2>&1; then
    echo "== libFuzzer, ${fuzz_seconds}s per target"
    CC=clang CXX=clang++ configure_and_build build/test/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKORVALE_SANITIZE=address,undefined -DKORVALE_FUZZERS=ON -DKORVALE_TESTS=OFF \
        -DKORVALE_BENCHMARKS=OFF -DKORVALE_DESKTOP=OFF
    for source in tests/fuzz/*_fuzzer.cpp; do
        name=$(basename "$source" .cpp)
        corpus=$(mktemp -d)
        [ -d "tests/fuzz/corpus/$name" ] && cp -r "tests/fuzz/corpus/$name/." "$corpus/"
        # A fuzzer may need options of its own (a larger -max_len, say).
        options=()
        [ -f "tests/fuzz/$name.options" ] && read -r -a options <"tests/fuzz/$name.options"
        if build/test/fuzz/tests/fuzz/"$name" -max_total_time="$fuzz_seconds" -print_final_stats=1 \
            "${options[@]}" "$corpus" >"build/test/fuzz/$name.log" 2>&1; then
            echo "$name: $(grep -o 'stat::number_of_executed_units: [0-9]*' "build/test/fuzz/$name.log")"
            passed=$((passed + 1))
        else
            tail -n 40 "build/test/fuzz/$name.log"
            echo "$name: FAILED"
            failed=$((failed + 1))
        fi
        rm -rf "$corpus"
    done
fi

# Runs one end-to-end pass (a script and its arguments) and counts it.
run_e2e() {
    local status=0
    "$@" || status=$?
    if [ "$status" -eq 0 ]; then
        passed=$((passed + 1))
    elif [ "$status" -eq 77 ]; then
        skipped=$((skipped + 1))
    else
        failed=$((failed + 1))
    fi
}

echo "== end-to-end: two stations over a KISS link"
run_e2e tests/e2e/run.sh build/test/release
echo "== end-to-end: one station's TNC over TCP, both TNCs gone and back"
run_e2e tests/e2e/run.sh build/test/release --tcp
echo "== end-to-end: two stations over a link paced at 1200 bit/s, radio rate set"
run_e2e tests/e2e/air_run.sh build/test/release
echo "== end-to-end: the same over a shared half-duplex channel"
run_e2e tests/e2e/air_run.sh build/test/release --half-duplex
echo "== end-to-end: stations built with ASan/UBSan, a minute of line noise first"
ASAN_OPTIONS=detect_leaks=1 run_e2e tests/e2e/run.sh build/test/asan --noise "${E2E_NOISE_SECONDS:-60}"
echo "== end-to-end: the desktop window under a virtual X server"
run_e2e tests/e2e/desktop_run.sh build/test/release

echo
echo "korvale: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
