#!/usr/bin/env bash
# End-to-end test of two Korvale stations talking IP over a KISS link.
#
#   tests/e2e/run.sh BUILD_DIR [--noise SECONDS | --tcp]
#
# Each station is korvale-headless in a network namespace of its own with
# its own korvale0 TAP (44.0.0.1 and 44.0.0.2); their serial ports (COM1
# links in each station's directory) are joined by link_relay, which stands
# in for the two TNCs and the radio. Checked: ARP over the radio path and
# ping both ways, a 1 MB TCP transfer with the same checksum at both ends, a
# beacon of one station in the other's monitor, a typed line of one station
# in the other's monitor, a program sharing a's TNC over KISS-over-TCP
# (kiss_client.py) whose frame b shows and which hears b's typed line while
# pings pass, and a clean exit that saves the settings; a's capture file,
# read back by tshark, holds every frame a's monitor showed, in order.
# With --noise, random bytes are injected into the link for that many
# seconds first; the stations must survive it and traffic must resume.
# With --tcp, station b reaches its TNC over TCP (a KISS port on its
# 127.0.0.1, as a soft modem offers), and at the end both TNCs go away and
# come back: each station must say so, set its TNC up again and carry
# traffic again, a's serial device and b's TCP connection alike.
#
# Exits 0 on success, 1 on failure, 77 when root, /dev/net/tun or network
# namespaces are missing (the reason is printed).
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
station_a_kiss_server=127.0.0.1:8011
station_a_capture=air.pcapng

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

ip netns exec "$ns_a" python3 "$(dirname "$0")/kiss_client.py" 127.0.0.1 8011 KV1CLI APRS \
    "hello from a KISS client" 10 >"$work/client.log" 2>&1 &
client=$!
check "a shows the KISS client connecting" monitor_says a "KISS client 127.0.0.1:"
check "b shows the client's frame" monitor_says b "hello from a KISS client"
check "pings pass while the client is on" ip netns exec "$ns_a" ping -c 3 -W 5 44.0.0.2
echo "unproto from b" >&"$input_b"
wait "$client"
check "the client heard b's typed line" grep -q "^unproto from b$" "$work/client.log"
check "a shows the client leaving" monitor_says a " disconnected."

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
if command -v tshark >/dev/null; then
    # Source, destination and direction of every frame in a's capture, and the
    # frames a's monitor showed. What a heard must all be there; what a sent
    # too, but for frames its TNC's queue refused during the bulk transfer
    # (shown, never sent).
    sed -nE 's/^([A-Z0-9-]+)>([A-Z0-9-]+)>.*/\1 \2/p' "$work/a/monitor.log" >"$work/shown"
    tshark -n -r "$work/a/air.pcapng" --disable-protocol ip --disable-protocol arp -T fields \
        -E separator=' ' -e _ws.col.Source -e _ws.col.Destination -e ax25.pid \
        -e frame.packet_flags_direction 2>/dev/null >"$work/captured"
    check "a's capture holds every frame a heard, in order ($(wc -l <"$work/captured") frames)" \
        bash -c "diff <(grep -v '^KV1A \|^KV1CLI ' '$work/shown') \
                      <(awk '\$4 == \"0x00000001\" {print \$1, \$2}' '$work/captured')"
    check "the frames a sent are in its capture in the order shown" python3 -c "
import sys
shown = iter(open('$work/shown').read().splitlines())
sent = [' '.join(l.split()[:2]) for l in open('$work/captured') if l.split()[3] == '0x00000002']
sys.exit(not all(line in shown for line in sent))"
    check "tshark reads the client's frame as sent and b's line as heard, with PIDs" bash -c \
        "grep -q '^KV1CLI APRS 0xf0 0x00000002$' '$work/captured' &&
         grep -q '^KV1B QST 0x00 0x00000001$' '$work/captured' &&
         grep -q '^KV1A KV1B 0xcc 0x00000002$' '$work/captured'"
else
    echo "tshark is not installed: a's capture is not read back"
fi
stations_verdict "end-to-end: all checks passed"
