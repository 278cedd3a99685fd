#!/usr/bin/env bash
# Two stations over a radio paced at 1200 bit/s (m_iAirBaudrate 1200): neighbour
# timers for the rate, pings answered within seconds during a bulk transfer
# that goes on, ARP kept off the air after the first exchange.
#   tests/e2e/air_run.sh BUILD_DIR   (exits 0, 1, or 77 as run.sh)
set -uo pipefail

build=${1:?usage: air_run.sh BUILD_DIR}
source "$(dirname "$0")/stations.sh"
trap stations_cleanup EXIT

station_air_baudrate=1200
station_full_duplex=1  # the relay carries both directions at once
station_beacon_enable=0
stations_up "$build" --rate 1200
status=$?
[ "$status" -eq 0 ] || exit "$status"

check "a's neighbour timers are set for 1200 bit/s" \
    bash -c "[ \"\$(ip netns exec $ns_a cat /proc/sys/net/ipv4/neigh/korvale0/retrans_time_ms)\" = 8000 ]"
check "ping from a to b over the paced link" ip netns exec "$ns_a" ping -c 1 -W 10 44.0.0.2

ip netns exec "$ns_b" socat -u TCP-LISTEN:7001,reuseaddr OPEN:"$work/received",creat,trunc &
listener=$!
sleep 0.5
timeout 30 ip netns exec "$ns_a" socat -u OPEN:/dev/urandom TCP:44.0.0.2:7001 &
sender=$!
sleep 3
ip netns exec "$ns_a" ping -c 8 -i 3 -W 15 44.0.0.2 >"$work/ping.log"
wait "$sender"
kill "$listener" 2>/dev/null
times=$(sed -n 's/.*time=\([0-9.]*\) ms/\1/p' "$work/ping.log" | sort -n)
answered=$(echo "$times" | grep -c .)
median=$(echo "$times" | awk '{ v[NR] = $1 } END { print NR ? int(v[int((NR + 1) / 2)]) : 99999 }')
received=$(stat -c %s "$work/received" 2>/dev/null || echo 0)
echo "during the transfer: $answered of 8 pings answered, median $median ms; $received bytes moved"
check "pings during a bulk transfer are answered" [ "$answered" -ge 7 ]
check "their median round trip stays under 5 s" [ "$median" -lt 5000 ]
check "the transfer moves data meanwhile (at least 1 kB in 30 s)" [ "$received" -ge 1024 ]
arp_a=$(grep -c "ARP: .*Sender: 44.0.0.1," "$work/a/monitor.log")
arp_b=$(grep -c "ARP: .*Sender: 44.0.0.2," "$work/b/monitor.log")
echo "ARP frames on the air: a $arp_a, b $arp_b"
check "at most two ARP frames on the air per station" [ "$arp_a" -le 2 -a "$arp_b" -le 2 ]

stations_stop
stations_verdict "end-to-end over a slow radio: all checks passed"
