#!/usr/bin/env bash
# Two Korvale stations (stations.sh) talking IP over KISS: ARP, ping, 1 MB
# over TCP, beacons, typed lines, a KISS-over-TCP client on a, the settings
# saved at exit, a's capture read back by tshark. --noise: random bytes on the
# link first. --tcp: b's TNC over TCP; both TNCs go and come back.
#   tests/e2e/run.sh BUILD_DIR [--noise SECONDS | --tcp]   (0 passed, 1 failed, 77 skipped)
set -uo pipefail
build=${1:?usage: run.sh BUILD_DIR [--noise SECONDS | --tcp]}
noise=0 tcp=0 relay_args=()
case "${2:-}" in
--noise) noise=${3:?--noise needs seconds} relay_args=(--noise 0 "$3") ;;
--tcp) tcp=1 station_b_tcp_port=8001 ;;
esac
source "$(dirname "$0")/stations.sh"
trap stations_cleanup EXIT
station_a_kiss_server=127.0.0.1:8011 station_a_capture=air.pcapng
stations_up "$build" "${relay_args[@]}" || exit $?
in_a() { ip netns exec "$ns_a" "$@"; }
# says NAME TEXT [TIMES]: within 20 s, NAME's monitor holds TEXT in TIMES lines.
says() { local n=$1 text=$2 times=${3:-1}; wait_for 20 eval '[ "$(grep -cF "$text" "$work/$n/monitor.log")" -ge $times ]'; }

if [ "$noise" -gt 0 ]; then
    echo "noise on the link for ${noise}s"
    in_a ping -i 0.5 -W 1 -w $((noise + 1)) 44.0.0.2 >/dev/null
    check "both stations survive the noise" kill -0 "$pid_a" "$pid_b"
fi
check "pings from a to b and back (ARP over the radio path)" eval 'in_a ping -c 3 -W 5 44.0.0.2 && ip netns exec "$ns_b" ping -c 3 -W 5 44.0.0.1'
head -c 1048576 /dev/urandom >"$work/data"
ip netns exec "$ns_b" socat -u TCP-LISTEN:7001,reuseaddr OPEN:"$work/received",creat,trunc & listener=$! station_pids+=($!)
sleep 0.5
check "1 MB over TCP from a to b arrives whole" eval 'timeout 300 ip netns exec "$ns_a" socat -u OPEN:"$work/data" \
    TCP:44.0.0.2:7001 && wait $listener && cmp -s "$work/data" "$work/received"'
check "each station's beacon shows in the other's monitor" eval 'says a "KV1B beacon" && says b "KV1A beacon"'
echo "Grüße from a" >&"$input_a"
check "a line typed at a shows in b's monitor (UTF-8 both ends)" says b "Grüße from a"

# A KISS-over-TCP client on a sends a UI frame and hears for 10 s.
frame=$(ax25_ui_kiss_hex KV1CLI APRS f0 "$(text_hex "hello from a KISS client")")
{ hex_bytes "$frame"; sleep 10; } | in_a socat - TCP:127.0.0.1:8011 >"$work/client.bin" & client=$!
check "b shows the frame of a KISS client on a" says b "hello from a KISS client"
check "pings pass while the client is on" in_a ping -c 3 -W 5 44.0.0.2
echo "unproto from b" >&"$input_b"
wait "$client"
frame=$(ax25_ui_kiss_hex KV1B QST 00 "$(text_hex "unproto from b") 0d")
check "the client heard b's typed line as its UI frame" eval '[[ "$(bytes_hex <"$work/client.bin")" == *"$frame"* ]]'
check "a shows the client connecting and leaving" eval 'says a "KISS client 127.0.0.1:" && says a " disconnected."'

if [ "$tcp" -eq 1 ]; then
    echo "both TNCs go away and come back"
    kill -TERM "$relay_pid" && wait "$relay_pid" 2>/dev/null
    declare -A tnc=([a]=COM1 [b]=127.0.0.1:8001)
    for s in a b; do says $s "No link to the TNC at ${tnc[$s]}!"; done
    sleep 2
    relay_start
    for s in a b; do
        check "$s said once that its TNC was gone, says it is back and sets it up again" eval 'says $s "The link to the TNC at ${tnc[$s]} is back" &&
            says $s RESTART 2 &&
            [ "$(grep -c "No link to the TNC" "$work/$s/monitor.log")/$(grep -c "No link to the TNC at ${tnc[$s]}!" "$work/$s/monitor.log")" = 1/1 ]'
    done
    check "ping from a to b once the TNCs are back" in_a ping -c 3 -W 5 44.0.0.2
fi

stations_stop
check "settings were saved at exit" grep -q "^\[Misc\]" "$work/a/korvale-headless.ini"
if command -v tshark >/dev/null; then
    # Source and destination of each frame a showed; also PID and direction (1 heard, 2 sent) of each captured.
    sed -nE 's/^([A-Z0-9-]+)>([A-Z0-9-]+)>.*/\1 \2/p' "$work/a/monitor.log" >"$work/shown"
    tshark -n -r "$work/a/air.pcapng" --disable-protocol ip --disable-protocol arp -T fields -E separator=' ' \
        -e _ws.col.Source -e _ws.col.Destination -e ax25.pid -e frame.packet_flags_direction >"$work/captured" 2>/dev/null
    # What a heard from b is captured in order (noise frames show as tshark and the monitor each read them); what it sent too, but for frames its TNC's queue refused.
    check "a's capture holds the frames a heard from b and sent in the order shown ($(wc -l <"$work/captured") frames)" \
        awk 'NR == FNR { if ($1 == "KV1B" && $NF == "0x00000001") heard[++h] = $1 " " $2; else if ($NF == "0x00000002") sent[++s] = $1 " " $2; next }
            /^KV1(A|CLI) / { j += j < s && $0 == sent[j + 1]; next } /^KV1B / { bad += $0 != heard[++i] }
            END { exit bad || i != h || j != s }' "$work/captured" "$work/shown"
    check "tshark reads the client's frame as sent and b's line as heard, with PIDs" eval 'grep -qx "KV1CLI APRS 0xf0 0x00000002" \
        "$work/captured" && grep -qx "KV1B QST 0x00 0x00000001" "$work/captured" && grep -qx "KV1A KV1B 0xcc 0x00000002" "$work/captured"'
else
    echo "tshark is not installed: a's capture is not read back"
fi
stations_verdict "end-to-end: all checks passed"
