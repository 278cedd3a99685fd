#!/usr/bin/env bash
# Radio-rate benchmark (not a test): two korvale-headless stations joined by
# the end-to-end relay paced at 1200 bit/s, MTU 256, no neighbour entries
# pinned. For each build and radio rate it reports: the quiet ping round trip;
# pings sent every 3 s during a 90 s bulk TCP transfer (share answered,
# median against the quiet median); the goodput of a 90 s transfer alone and
# of the one with the pings, against the line's limit; and the ARP frames
# each station put on the air.
#
#   bench/air_bench.sh [BUILD_DIR] [BASELINE_BUILD_DIR]
#
# BUILD_DIR (default build/test/release) runs with the radio rate 1200 and 0;
# a BASELINE_BUILD_DIR (an older build, korvale-headless and tests/link_relay)
# runs the same, for comparison in the same run. Needs root.
set -uo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build/test/release}
baseline_dir=${2:-}
source tests/e2e/stations.sh
trap stations_cleanup EXIT
station_beacon_enable=0
# The relay carries both directions at once: a full-duplex channel.
station_full_duplex=1
line_rate=1200
bulk_seconds=${AIR_BENCH_SECONDS:-90}
# The relay moves 10 bits per byte. A full TCP segment at MTU 256 carries 204
# bytes of data (TCP timestamps on) in 277 bytes on the line (AX.25 header 16,
# KISS framing 3, about 2 escapes): that is the line's limit for bulk data.
# An echo request takes 103 bytes of the line (84 of IP, 16, 3).
line_limit=$(awk -v r=$line_rate 'BEGIN { printf "%.1f", r / 10 * 204 / 277 }')

median() {  # reads numbers, one a line; prints the median or "-"
    sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else printf "%.0f", v[int((NR + 1) / 2)] }'
}

ping_times() {  # reads ping output; prints the round trips in ms
    sed -n 's/.*time=\([0-9.]*\) ms/\1/p'
}

arp_sent() {  # arp_sent STATION ADDRESS: ARP frames the station put on the air
    grep -c "ARP: .*Sender: $2," "$work/$1/monitor.log"
}

bulk() {  # bulk PORT: a transfer from a to b for bulk_seconds; prints the bytes
    # that arrived in order by its end (what was still queued does not count)
    ip netns exec "$ns_b" socat -u TCP-LISTEN:"$1",reuseaddr OPEN:"$work/received$1",creat,trunc \
        >/dev/null &
    local listener=$!
    sleep 0.5
    timeout "$bulk_seconds" ip netns exec "$ns_a" socat -u OPEN:/dev/urandom TCP:44.0.0.2:"$1"
    stat -c %s "$work/received$1" 2>/dev/null || echo 0
    kill "$listener" 2>/dev/null
}

start_stations() {  # start_stations BUILD AIR_RATE
    station_air_baudrate=$2
    station_pids=()
    stations_up "$1" --rate $line_rate || return $?
}

run_case() {  # run_case LABEL BUILD AIR_RATE
    local label=$1 pings=$(((bulk_seconds - 3) / 3)) quiet busy answered alone shared arpa arpb
    start_stations "$2" "$3" || return $?
    ip netns exec "$ns_a" ping -c 10 -i 3 -W 30 44.0.0.2 >"$work/quiet.log"
    quiet=$(ping_times <"$work/quiet.log" | median)
    (sleep 3; ip netns exec "$ns_a" ping -c "$pings" -i 3 -W 60 44.0.0.2 >"$work/busy.log") &
    local pinger=$!
    shared=$(bulk 7001)
    wait "$pinger"
    answered=$(ping_times <"$work/busy.log" | wc -l)
    busy=$(ping_times <"$work/busy.log" | median)
    arpa=$(arp_sent a 44.0.0.1)
    arpb=$(arp_sent b 44.0.0.2)
    stations_cleanup
    start_stations "$2" "$3" || return $?
    alone=$(bulk 7002)
    stations_cleanup
    awk -v label="$label" -v q="$quiet" -v n="$answered" -v p="$pings" -v b="$busy" \
        -v alone="$alone" -v shared="$shared" -v s="$bulk_seconds" -v limit="$line_limit" \
        -v r="$line_rate" -v arpa="$arpa" -v arpb="$arpb" 'BEGIN {
        printf "%s\n", label
        printf "  quiet ping median %s ms\n", q
        printf "  pings during the transfer: %d of %d answered (%.0f%%), median %s ms", n, p, 100 * n / p, b
        if (b != "-" && q > 0) printf " (%.1f x quiet)", b / q
        printf "\n  bulk goodput alone %.1f B/s = %.0f%% of the line limit %.1f B/s\n",
               alone / s, 100 * alone / s / limit, limit
        left = (r / 10 * s - 103 * p) / s * 204 / 277
        printf "  bulk goodput beside the pings %.1f B/s = %.0f%% of the %.1f B/s they leave\n",
               shared / s, 100 * shared / s / left, left
        printf "  ARP frames on the air: station a %d, station b %d\n", arpa, arpb
    }'
}

echo "== relay paced at $line_rate bit/s, MTU 256, ${bulk_seconds} s transfers"
run_case "this build, radio rate 1200" "$build_dir" 1200
run_case "this build, radio rate 0" "$build_dir" 0
if [ -n "$baseline_dir" ]; then
    run_case "baseline build ($baseline_dir), radio rate 1200" "$baseline_dir" 1200
    run_case "baseline build ($baseline_dir), radio rate 0" "$baseline_dir" 0
fi
