# Two korvale-headless stations over a KISS link (sourced by the end-to-end
# tests and the link benchmarks), each in a network namespace with a korvale0
# TAP (a 44.0.0.1, b 44.0.0.2); link_relay joins their COM1 links, standing in
# for the TNCs and the radio. Settings: station_{air_baudrate,full_duplex,
# baudrate,beacon_interval,beacon_enable,kiss}, station_{a,b}_{kiss_server,
# capture}, station_b_tcp_port (b's TNC over TCP at 127.0.0.1:PORT).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
station_pids=()
stations_stop() {  # ends both stations as a user would and checks they do
    kill -TERM "$pid_a" "$pid_b"
    check "both stations end on SIGTERM" wait_for 10 eval '! kill -0 "$pid_a" 2>/dev/null && ! kill -0 "$pid_b" 2>/dev/null'
}
stations_verdict() {  # MESSAGE: said when all passed, else exit 1 with the monitors' ends and stderr
    ! grep -q "ERROR: AddressSanitizer\|runtime error:" "$work"/*/stderr.log || check "no sanitizer reports" false
    [ "$failures" -eq 0 ] && echo "$1" && return
    for name in a b; do echo "--- $name's monitor (tail)"; tail -n 20 "$work/$name/monitor.log"; done
    cat "$work"/*/stderr.log
    exit 1
}
stations_cleanup() {
    for pid in "${station_pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    for ns in "${ns_a:-}" "${ns_b:-}"; do [ -z "$ns" ] || ip netns del "$ns" 2>/dev/null; done
    [ -z "${work:-}" ] || rm -rf "$work"
}

station_up() {  # NAME CALLSIGN ADDRESS [TNC_TCP_ADDRESS]
    local name=$1 call=$2 ns=korvale-e2e-$1-$$
    local kiss_server=station_${name}_kiss_server capture=station_${name}_capture
    mkdir -p "$work/$name" && cp "$build/korvale-headless" "$work/$name/" || return 1
    printf '%s\n' "[TCP-IP]" "TcpIpMyCall=$call" "[TNC]" m_iTncPort=1 \
        "m_iTncBaudrate=${station_baudrate:-38400}" "m_sTncTcpAddress=${4:-}" \
        "m_sKissServerAddress=${!kiss_server:-}" "[Monitor]" "m_sCaptureFile=${!capture:-}" \
        "[KISS]" "m_iAirBaudrate=${station_air_baudrate:-0}" "m_bFullDup=${station_full_duplex:-0}" \
        $(set -- ${station_kiss:-200 63 10 0}; echo "m_iTxDelay=$1 m_iPersist=$2 m_iSlottime=$3 m_iTxTail=$4") \
        "[Unproto]" "m_UnprotoSource=$call" m_UnprotoDest=QST "[Beacon]" "m_BeaconSource=$call" \
        m_BeaconDest=ID "m_sBeaconText=$call beacon" "m_iBeaconInterval=${station_beacon_interval:-5}" \
        "m_bBeaconEnable=${station_beacon_enable:-1}" >"$work/$name/korvale-headless.ini"
    ip netns exec "$ns" ip link set lo up && ip netns exec "$ns" ip tuntap add dev korvale0 mode tap &&
        ip netns exec "$ns" ip addr add "$3/24" dev korvale0 &&
        ip netns exec "$ns" ip link set korvale0 mtu 256 up && mkfifo "$work/$name/input"
}
station_start() {  # NAME; its input FIFO is held open so the input never ends
    local fd
    exec {fd}<>"$work/$1/input"
    ip netns exec "korvale-e2e-$1-$$" "$work/$1/korvale-headless" <&$fd >"$work/$1/monitor.log" 2>"$work/$1/stderr.log" &
    station_pids+=($!)
    eval "input_$1=$fd pid_$1=$!"
}
# stations_up BUILD_DIR [link_relay options]: sets $work, $ns_a/$ns_b, $pid_a/$pid_b, $relay_pid,
# $input_a/$input_b (each station's input), makes $work/{a,b}/monitor.log; 77 (reason printed) if it cannot.
stations_up() {
    build=$(cd "$1" && pwd) && shift
    [ "$(id -u)" -eq 0 ] || { skip "needs root to make network namespaces and TAP interfaces"; return; }
    [ -c /dev/net/tun ] || { skip "/dev/net/tun is missing"; return; }
    need_tools ip ping socat cmp || return
    work=$(mktemp -d /tmp/korvale-e2e.XXXXXX) ns_a=korvale-e2e-a-$$ ns_b=korvale-e2e-b-$$
    ip netns add "$ns_a" 2>/dev/null || { skip "cannot make network namespaces"; return; }
    ip netns add "$ns_b" && station_up a KV1A 44.0.0.1 &&
        station_up b KV1B 44.0.0.2 ${station_b_tcp_port:+127.0.0.1:$station_b_tcp_port} || return 1
    relay_start "$@"
    station_start a && station_start b && sleep 1
}
relay_start() {  # [link_relay options]; b's TCP port is in b's namespace
    local in_b=()
    [ -n "${station_b_tcp_port:-}" ] && in_b=(ip netns exec "$ns_b") && set -- --tcp-b "$station_b_tcp_port" "$@"
    "${in_b[@]}" "$build/tests/link_relay" "$work/a/COM1" "$work/b/COM1" "$@" >>"$work/relay.log" 2>&1 &
    relay_pid=$!
    station_pids+=($!)
    wait_for 5 eval 'grep -q ready "$work/relay.log" 2>/dev/null && [ -L "$work/a/COM1" ]'
}
cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }  # PID -> user + system CPU
