#!/usr/bin/env bash
# Two Korvale stations (stations.sh) on a line paced at 1200 bit/s, told the
# radio's rate: neighbour timers, pings passing a bulk TCP transfer, the
# transfer moving, ARP off the air. --half-duplex: one shared 1200 bit/s
# channel instead (TxDelay 100 ms, slot 50 ms); at most 1 transmission in 10 collides.
#   tests/e2e/air_run.sh BUILD_DIR [--half-duplex]   (0 passed, 1 failed, 77 skipped)
set -uo pipefail

build=${1:?usage: air_run.sh BUILD_DIR}
source "$(dirname "$0")/stations.sh"
trap stations_cleanup EXIT

station_air_baudrate=1200 station_full_duplex=1 station_beacon_enable=0  # the paced relay: full duplex
line=(--rate 1200)
pings=8 interval=3 limit=5000 least=1024
if [ "${2:-}" = --half-duplex ]; then
    # A ping costs each station a transmission; ~40 B/s of transfer beside them.
    station_full_duplex=0 station_kiss="100 63 50 0"
    line=(--half-duplex 1200 --seed 7)
    pings=6 interval=5 limit=8000 least=512
fi
stations_up "$build" "${line[@]}" || exit $?

check "a's neighbour timers are set for 1200 bit/s" \
    bash -c "[ \"\$(ip netns exec $ns_a cat /proc/sys/net/ipv4/neigh/korvale0/retrans_time_ms)\" = 8000 ]"

ip netns exec "$ns_b" socat -u TCP-LISTEN:7001,reuseaddr OPEN:"$work/received",creat,trunc & listener=$!
sleep 0.5
timeout $((pings * interval + 6)) ip netns exec "$ns_a" socat -u OPEN:/dev/urandom TCP:44.0.0.2:7001 & sender=$!
sleep 3
ip netns exec "$ns_a" ping -c $pings -i $interval -W 15 44.0.0.2 >"$work/ping.log"
wait "$sender"; kill "$listener" 2>/dev/null
times=$(sed -n 's/.*time=\([0-9.]*\) ms/\1/p' "$work/ping.log" | sort -n) answered=$(echo "$times" | grep -c .)
median=$(echo "$times" | awk '{ v[NR] = $1 } END { print NR ? int(v[int((NR + 1) / 2)]) : 99999 }')
received=$(stat -c %s "$work/received" 2>/dev/null || echo 0)
echo "during the transfer: $answered of $pings pings answered, median $median ms; $received bytes moved"
check "pings during a bulk transfer are answered" [ "$answered" -ge $((pings - 1)) ]
check "their median round trip stays under $((limit / 1000)) s" [ "$median" -lt "$limit" ]
check "the transfer moves data meanwhile (at least $least bytes)" [ "$received" -ge "$least" ]
check "at most two ARP frames on the air per station" [ "$(grep -c "ARP: .*Sender: 44.0.0.1," \
    "$work/a/monitor.log")" -le 2 -a "$(grep -c "ARP: .*Sender: 44.0.0.2," "$work/b/monitor.log")" -le 2 ]

stations_stop
if [ "$station_full_duplex" = 0 ]; then
    kill "$relay_pid" && wait "$relay_pid"
    sed -n 's/^station/channel: station/p' "$work/relay.log"
    check "at most one transmission in ten collides" awk '/^station/ { sent += $3; collided += $5 }
        END { exit !(sent > 0 && collided * 10 <= sent) }' "$work/relay.log"
fi
stations_verdict "end-to-end over a slow radio: all checks passed"
