#!/usr/bin/env bash
# End-to-end test of two Korvale stations talking IP over a KISS link
# (stations.sh): ARP and ping both ways, 1 MB over TCP with the same SHA-256 at
# both ends, each beacon and a typed UTF-8 line in the other's monitor, a
# clean exit that saves the settings.
#   tests/e2e/run.sh BUILD_DIR [--noise SECONDS | --tcp]
# --noise: random bytes on the link first; the stations survive, traffic
# resumes. --tcp: b's TNC over TCP; then both TNCs go away and come back, and
# each station says so, sets its TNC up again and carries traffic.
# Exits 0, 1, or 77 when root, /dev/net/tun or network namespaces are missing.
set -uo pipefail

build=${1:?usage: run.sh BUILD_DIR [--noise SECONDS | --tcp]}
noise=0
tcp=0
if [ "${2:-}" = "--noise" ]; then
    noise=${3:?--noise needs seconds}
elif [ "${2:-}" = "--tcp" ]; then
    tcp=1
    station_b_tcp_port=8001
fi

source "$(dirname "$0")/stations.sh"
trap stations_cleanup EXIT

relay_args=()
[ "$noise" -gt 0 ] && relay_args=(--noise 0 "$noise")
stations_up "$build" "${relay_args[@]}"
status=$?
[ "$status" -eq 0 ] || exit "$status"

if [ "$noise" -gt 0 ]; then
    echo "noise on the link for ${noise}s"
    end=$((SECONDS + noise))
    while [ $SECONDS -lt $end ]; do
        ip netns exec "$ns_a" ping -c 1 -W 1 44.0.0.2 >/dev/null 2>&1
        kill -0 "$pid_a" 2>/dev/null && kill -0 "$pid_b" 2>/dev/null || break
    done
    check "station a survives the noise" kill -0 "$pid_a"
    check "station b survives the noise" kill -0 "$pid_b"
    sleep 1
fi

check "ping from a to b (ARP over the radio path)" \
    ip netns exec "$ns_a" ping -c 3 -W 5 44.0.0.2
check "ping from b to a" ip netns exec "$ns_b" ping -c 3 -W 5 44.0.0.1
check "b's neighbour table holds a's callsign address" \
    bash -c "ip netns exec $ns_b ip neigh show 44.0.0.1 | grep -q lladdr"

head -c 1048576 /dev/urandom >"$work/data"
ip netns exec "$ns_b" socat -u TCP-LISTEN:7001,reuseaddr OPEN:"$work/received",creat,trunc &
listener=$!
sleep 0.5
transfer_start=$SECONDS
check "1 MB over TCP from a to b" \
    timeout 300 ip netns exec "$ns_a" socat -u OPEN:"$work/data" TCP:44.0.0.2:7001
wait "$listener"
echo "transfer took $((SECONDS - transfer_start)) s"
check "the transfer arrived whole (same SHA-256)" \
    bash -c "[ \"\$(sha256sum <'$work/data' | cut -d' ' -f1)\" = \"\$(sha256sum <'$work/received' | cut -d' ' -f1)\" ]"

check "a's beacon shows in b's monitor" grep -q "KV1A beacon" "$work/b/monitor.log"
check "b's beacon shows in a's monitor" grep -q "KV1B beacon" "$work/a/monitor.log"

echo "Grüße from a" >&"$input_a"
sleep 1
check "a line typed at a shows in b's monitor (UTF-8 both ends)" \
    grep -q "Grüße from a" "$work/b/monitor.log"

# Waits up to 20 s until a station's monitor holds TEXT in TIMES lines.
monitor_says() {  # monitor_says NAME TEXT [TIMES]
    local _
    for _ in $(seq 200); do
        [ "$(grep -cF "$2" "$work/$1/monitor.log")" -ge "${3:-1}" ] && return 0
        sleep 0.1
    done
    return 1
}

if [ "$tcp" -eq 1 ]; then
    check "b's TNC came over TCP, with no complaint" \
        bash -c "! grep -q 'No link to the TNC' '$work/b/monitor.log'"
    echo "both TNCs go away and come back"
    kill -TERM "$relay_pid"
    wait "$relay_pid" 2>/dev/null
    check "a says its TNC is gone" monitor_says a "No link to the TNC at COM1!"
    check "b says its TNC is gone" monitor_says b "No link to the TNC at 127.0.0.1:8001!"
    sleep 2
    relay_start
    check "a says its TNC is back" monitor_says a "The link to the TNC at COM1 is back"
    check "b says its TNC is back" monitor_says b "The link to the TNC at 127.0.0.1:8001 is back"
    check "a's TNC got its set-up again" monitor_says a RESTART 2
    check "b's TNC got its set-up again" monitor_says b RESTART 2
    check "ping from a to b once the TNCs are back" \
        ip netns exec "$ns_a" ping -c 3 -W 5 44.0.0.2
    check "one line each for the TNC going away" \
        bash -c "[ \$(cat '$work/a/monitor.log' '$work/b/monitor.log' |
                    grep -c 'No link to the TNC') -eq 2 ]"
fi

stations_stop
check "settings were saved at exit" grep -q "^\[Misc\]" "$work/a/korvale-headless.ini"
stations_verdict "end-to-end: all checks passed"
