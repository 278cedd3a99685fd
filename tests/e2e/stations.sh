# Shared set-up of the two-station link, sourced by the end-to-end test and
# the link benchmark. Each station is korvale-headless in a network namespace
# of its own with its own korvale0 TAP (station a 44.0.0.1, station b
# 44.0.0.2); their serial ports (COM1 links in each station's directory) are
# joined by link_relay, which stands in for the two TNCs and the radio. With
# station_b_tcp_port set, station b reaches its TNC over TCP instead, at
# 127.0.0.1 on that port, which link_relay offers inside b's namespace.
#
# After `stations_up BUILD_DIR [link_relay options]`:
#   $work               scratch directory, removed on exit
#   $ns_a, $ns_b        the namespaces
#   $pid_a, $pid_b      the station processes
#   $relay_pid          link_relay; relay_start [options] starts it again
#   $input_a, $input_b  file descriptors writing to each station's input
#   $work/a/monitor.log, $work/b/monitor.log  each station's monitor output
# Set station_air_baudrate (the radio rate, m_iAirBaudrate) and
# station_full_duplex before it to pace the stations for a slow link, and
# station_a_kiss_server (m_sKissServerAddress) or station_a_capture
# (m_sCaptureFile) for station a's KISS server and capture file.
# station_kiss ("TXDELAY PERSIST SLOTTIME TXTAIL", ms) for other KISS timings.
# Returns 77 (with the reason printed) when root, /dev/net/tun, network
# namespaces or a needed tool are missing.

station_pids=()

# Runs a check and says how it went; stations_verdict counts the failures.
failures=0
check() {  # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
    else
        echo "FAILED: $what"
        failures=$((failures + 1))
    fi
}

# Ends both stations as the user would and checks that they do.
stations_stop() {
    kill -TERM "$pid_a" "$pid_b"
    check "station a ends on SIGTERM" timeout 10 tail --pid="$pid_a" -f /dev/null
    check "station b ends on SIGTERM" timeout 10 tail --pid="$pid_b" -f /dev/null
}

# Ends the script: exit 1 with the end of each monitor and the stations'
# error output when a check failed or a sanitizer spoke, else prints MESSAGE.
stations_verdict() {  # stations_verdict MESSAGE
    if grep -q "ERROR: AddressSanitizer\|runtime error:" "$work"/*/stderr.log; then
        check "no sanitizer reports" false
    fi
    if [ "$failures" -gt 0 ]; then
        echo "--- a's monitor (tail)"; tail -n 20 "$work/a/monitor.log"
        echo "--- b's monitor (tail)"; tail -n 20 "$work/b/monitor.log"
        cat "$work"/*/stderr.log
        exit 1
    fi
    echo "$1"
}

stations_cleanup() {
    for pid in "${station_pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    [ -n "${ns_a:-}" ] && ip netns del "$ns_a" 2>/dev/null
    [ -n "${ns_b:-}" ] && ip netns del "$ns_b" 2>/dev/null
    [ -n "${work:-}" ] && rm -rf "$work"
    return 0
}

stations_skip() {
    echo "SKIP: $*"
    return 77
}

station_make() {  # station_make NAME NAMESPACE CALLSIGN ADDRESS [TNC_TCP_ADDRESS]
    local name=$1 ns=$2 call=$3 address=$4 tcp_address=${5:-}
    local kiss_server=station_${name}_kiss_server capture=station_${name}_capture
    mkdir -p "$work/$name"
    cp "$build/korvale-headless" "$work/$name/"
    cat >"$work/$name/korvale-headless.ini" <<INI
[TCP-IP]
TcpIpMyCall=$call
[TNC]
m_iTncPort=1
m_iTncBaudrate=${station_baudrate:-38400}
m_sTncTcpAddress=$tcp_address
m_sKissServerAddress=${!kiss_server:-}
[Monitor]
m_sCaptureFile=${!capture:-}
[KISS]
m_iAirBaudrate=${station_air_baudrate:-0}
m_bFullDup=${station_full_duplex:-0}
$(set -- ${station_kiss:-200 63 10 0}
  echo -e "m_iTxDelay=$1\nm_iPersist=$2\nm_iSlottime=$3\nm_iTxTail=$4")
[Unproto]
m_UnprotoSource=$call
m_UnprotoDest=QST
[Beacon]
m_BeaconSource=$call
m_BeaconDest=ID
m_sBeaconText=$call beacon
m_iBeaconInterval=${station_beacon_interval:-5}
m_bBeaconEnable=${station_beacon_enable:-1}
INI
    ip netns exec "$ns" ip link set lo up || return 1
    ip netns exec "$ns" ip tuntap add dev korvale0 mode tap || return 1
    ip netns exec "$ns" ip addr add "$address/24" dev korvale0 || return 1
    ip netns exec "$ns" ip link set korvale0 mtu 256 up || return 1
    mkfifo "$work/$name/input"
}

station_start() {  # station_start NAME NAMESPACE
    local name=$1 ns=$2 fd
    # The input FIFO is held open read-write so the station never sees its end.
    exec {fd}<>"$work/$name/input"
    ip netns exec "$ns" "$work/$name/korvale-headless" <&$fd >"$work/$name/monitor.log" \
        2>"$work/$name/stderr.log" &
    station_pids+=($!)
    eval "input_$name=$fd"
    eval "pid_$name=$!"
}

stations_up() {  # stations_up BUILD_DIR [link_relay options]
    build=$(cd "$1" && pwd)
    shift
    [ "$(id -u)" -eq 0 ] || { stations_skip "needs root to make network namespaces and TAP interfaces"; return; }
    [ -c /dev/net/tun ] || { stations_skip "/dev/net/tun is missing"; return; }
    local tool
    for tool in ip ping socat sha256sum; do
        command -v "$tool" >/dev/null || { stations_skip "$tool is not installed"; return; }
    done
    work=$(mktemp -d /tmp/korvale-e2e.XXXXXX)
    ns_a=korvale-e2e-a-$$
    ns_b=korvale-e2e-b-$$
    ip netns add "$ns_a" 2>/dev/null || { stations_skip "cannot make network namespaces"; return; }
    ip netns add "$ns_b" || return 1
    station_make a "$ns_a" KV1A 44.0.0.1 || return 1
    station_make b "$ns_b" KV1B 44.0.0.2 ${station_b_tcp_port:+127.0.0.1:$station_b_tcp_port} ||
        return 1
    relay_start "$@"
    station_start a "$ns_a"
    station_start b "$ns_b"
    sleep 1
}

relay_start() {  # relay_start [link_relay options]
    if [ -n "${station_b_tcp_port:-}" ]; then
        # In b's namespace, where b's 127.0.0.1 is.
        ip netns exec "$ns_b" "$build/tests/link_relay" "$work/a/COM1" "$work/b/COM1" \
            --tcp-b "$station_b_tcp_port" "$@" >>"$work/relay.log" 2>&1 &
    else
        "$build/tests/link_relay" "$work/a/COM1" "$work/b/COM1" "$@" >>"$work/relay.log" 2>&1 &
    fi
    relay_pid=$!
    station_pids+=($!)
    local _
    for _ in $(seq 50); do grep -q ready "$work/relay.log" 2>/dev/null && [ -L "$work/a/COM1" ] && break; sleep 0.1; done
}

# CPU time (user + system) of a process in clock ticks.
cpu_ticks() {
    awk '{print $14 + $15}' "/proc/$1/stat"
}
