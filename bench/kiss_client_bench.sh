#!/usr/bin/env bash
# KISS client benchmark (not a test): two korvale-headless stations joined by
# the end-to-end relay paced at 1200 bit/s, the radio rate set to 1200, each
# with its KISS server on. A program on station a sends a UI frame a second
# (bench/kiss_delay.py) while a bulk TCP transfer from a to b runs; one on
# station b hears them. Reports the client frames' delay from a's client to
# b's (median, max, how many arrived) beside the transfer's goodput, and the
# same delay with the channel quiet.
#
#   bench/kiss_client_bench.sh [BUILD_DIR]     (default build/test/release; needs root)
set -uo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build/test/release}
source tests/e2e/stations.sh
trap stations_cleanup EXIT
station_beacon_enable=0
station_full_duplex=1  # the relay carries both directions at once
station_air_baudrate=1200
station_a_kiss_server=127.0.0.1:8011
station_b_kiss_server=127.0.0.1:8011
seconds=${KISS_BENCH_SECONDS:-60}

stations_up "$build_dir" --rate 1200
status=$?
[ "$status" -eq 0 ] || exit "$status"
ip netns exec "$ns_a" ping -c 1 -W 10 44.0.0.2 >/dev/null  # ARP settled

delays() {  # delays SECONDS: the client frames' delays in ms, one a line
    ip netns exec "$ns_b" python3 bench/kiss_delay.py receive 127.0.0.1 8011 "$(($1 + 15))" \
        >"$work/delays" &
    local receiver=$!
    sleep 1
    ip netns exec "$ns_a" python3 bench/kiss_delay.py send 127.0.0.1 8011 "$1"
    wait "$receiver"
}

report() {  # report LABEL SENT
    sort -n "$work/delays" | awk -v label="$1" -v sent="$2" '{ v[NR] = $1 } END {
        printf "%s: %d of %d client frames arrived, delay median %s ms, max %s ms\n", label, NR,
               sent, NR ? v[int((NR + 1) / 2)] : "-", NR ? v[NR] : "-" }'
}

delays 10
report "quiet channel" 10

ip netns exec "$ns_b" socat -u TCP-LISTEN:7001,reuseaddr OPEN:"$work/received",creat,trunc &
listener=$!
sleep 0.5
timeout "$seconds" ip netns exec "$ns_a" socat -u OPEN:/dev/urandom TCP:44.0.0.2:7001 &
sender=$!
sleep 3
delays $((seconds - 6))
wait "$sender"
kill "$listener" 2>/dev/null
report "during a bulk transfer" $((seconds - 6))
received=$(stat -c %s "$work/received" 2>/dev/null || echo 0)
awk -v b="$received" -v s="$seconds" 'BEGIN {
    printf "bulk IP goodput beside the client: %.1f B/s (%d bytes in %d s)\n", b / s, b, s }'
