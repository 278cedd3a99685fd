#!/usr/bin/env bash
# Radio-rate benchmark on a shared half-duplex channel (not a test): two
# korvale-headless stations whose TNCs share one channel (link_relay
# --half-duplex: carrier sense, p-persistence, TxDelay per transmission,
# overlapping transmissions lost), MTU 256, neighbour timers as Korvale sets
# them. For each channel (1200 bit/s with TxDelay 100 ms, 9600 bit/s with
# TxDelay 50 ms; persistence 63, slot time 50 ms) and for the radio rate 0
# and the channel's rate it reports: the quiet ping median; a bulk TCP
# transfer of BYTES from a to b with a ping every 5 s meanwhile (goodput,
# pings sent during it that were answered, their median); ARP frames each
# station put on the air; each station's transmissions, collided ones and
# frames lost.
#
#   bench/half_duplex_bench.sh [BUILD_DIR] [RATES...]
#
# BUILD_DIR defaults to build/test/release, RATES to "1200 9600";
# HALF_DUPLEX_BYTES sets the transfer (default 20480 at 1200 bit/s and four
# times that at 9600, so that it lasts long enough for some 30 pings),
# HALF_DUPLEX_SEED the channel's seed. Needs root.
set -uo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build/test/release}
shift
rates=${*:-1200 9600}
seed=${HALF_DUPLEX_SEED:-1}
source tests/e2e/stations.sh
trap stations_cleanup EXIT
station_beacon_enable=0
station_full_duplex=0

median() {  # reads numbers, one a line; prints the median or "-"
    sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print "-"; else printf "%.0f", v[int((NR + 1) / 2)] }'
}

run_case() {  # run_case LINE_RATE AIR_RATE TXDELAY
    local line=$1 air=$2 start end seconds sent quiet
    station_air_baudrate=$air
    station_kiss="$3 63 50 0"
    station_pids=()
    stations_up "$build_dir" --half-duplex "$line" --seed "$seed" || return $?
    head -c "$bytes" /dev/urandom >"$work/data"
    ip netns exec "$ns_a" ping -c 6 -i 5 -W 60 44.0.0.2 >"$work/quiet.log"
    quiet=$(sed -n 's/.*time=\([0-9.]*\) ms/\1/p' "$work/quiet.log" | median)
    ip netns exec "$ns_b" socat -u TCP-LISTEN:7001,reuseaddr OPEN:"$work/received",creat,trunc &
    local listener=$!
    sleep 0.5
    start=$(date +%s.%N)
    ip netns exec "$ns_a" ping -i 5 -W 120 44.0.0.2 >"$work/busy.log" &
    local pinger=$!
    ip netns exec "$ns_a" socat -u OPEN:"$work/data" TCP:44.0.0.2:7001 &
    timeout 1800 tail --pid=$listener -f /dev/null
    end=$(date +%s.%N)
    sleep 20  # late answers to the last pings
    kill -INT "$pinger"
    wait "$pinger"
    kill "$relay_pid"
    wait "$relay_pid"
    seconds=$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')
    sent=$(awk -v t="$seconds" 'BEGIN { print int(t / 5) + 1 }')
    local received arp
    received=$(stat -c %s "$work/received" 2>/dev/null || echo 0)
    arp="$(grep -c "ARP: .*Sender: 44.0.0.1," "$work/a/monitor.log") / $(grep -c "ARP: .*Sender: 44.0.0.2," "$work/b/monitor.log")"
    sed -n 's/.*icmp_seq=\([0-9]*\) .*time=\([0-9.]*\) ms/\1 \2/p' "$work/busy.log" |
        awk -v n="$sent" '$1 <= n { print $2 }' >"$work/busy.times"
    awk -v line="$line" -v air="$air" -v q="$quiet" -v sent="$sent" -v s="$seconds" \
        -v got="$received" -v want="$bytes" -v arp="$arp" \
        -v answered="$(wc -l <"$work/busy.times")" -v busy="$(median <"$work/busy.times")" 'BEGIN {
        printf "%s bit/s, radio rate %s: goodput %.1f B/s (%d of %d bytes in %.0f s)\n",
               line, air, got / s, got, want, s
        printf "  quiet ping median %s ms; during the transfer %d of %d answered (%.0f%%), median %s ms",
               q, answered, sent, 100 * answered / sent, busy
        if (busy != "-" && q > 0) printf " (%.1f x quiet)", busy / q
        printf "\n  ARP frames on the air: a / b %s\n", arp
    }'
    sed -n 's/^station/  station/p' "$work/relay.log"
    stations_cleanup
}

for line in $rates; do
    txdelay=100
    bytes=${HALF_DUPLEX_BYTES:-20480}
    [ "$line" -ge 9600 ] && txdelay=50 bytes=${HALF_DUPLEX_BYTES:-81920}
    echo "== half-duplex channel $line bit/s, TxDelay $txdelay ms, persistence 63, slot 50 ms, MTU 256, $bytes bytes"
    run_case "$line" 0 "$txdelay"
    run_case "$line" "$line" "$txdelay"
done
