#!/usr/bin/env bash
# Link benchmark (not a test): two korvale-headless stations joined by the
# relay of the end-to-end test. Reports ping round-trip time (median, 99th
# percentile), TCP goodput, the CPU each station uses idle and under load,
# and, over a link limited to 9600 bit/s, the goodput as a share of the line
# rate and the round trip of pings sent while a bulk transfer runs (the
# queueing delay an interactive user feels).
#
#   bench/link_bench.sh [BUILD_DIR]     (default build/test/release; needs root)
set -uo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build/test/release}
source tests/e2e/stations.sh
trap stations_cleanup EXIT
hz=$(getconf CLK_TCK)
station_beacon_enable=0

percent_cpu() {  # percent_cpu TICKS SECONDS
    awk -v t="$1" -v s="$2" -v hz="$hz" 'BEGIN { printf "%.2f%%", 100 * t / hz / s }'
}

cpu_ns() {  # PID -> nanoseconds on a CPU, all its threads together
    cat /proc/"$1"/task/*/schedstat | awk '{ sum += $1 } END { printf "%d", sum }'
}

rtt_summary() {  # reads ping output; prints answered count, median and maximum
    sed -n 's/.*time=\([0-9.]*\) ms/\1/p' | sort -n |
        awk '{ v[NR] = $1 } END { if (NR == 0) { print "no echo answered"; exit }
              printf "%d answered, median %.0f ms, 99th percentile %.0f ms, max %.0f ms\n",
                     NR, v[int((NR + 1) / 2)], v[int(NR * 0.99 + 0.5)], v[NR] }'
}

transfer() {  # transfer BYTES -> prints seconds
    head -c "$1" /dev/urandom >"$work/data"
    ip netns exec "$ns_b" socat -u TCP-LISTEN:7001,reuseaddr OPEN:"$work/received",creat,trunc &
    local listener=$! start end
    sleep 0.5
    start=$(date +%s.%N)
    timeout 600 ip netns exec "$ns_a" socat -u OPEN:"$work/data" TCP:44.0.0.2:7001
    wait "$listener"
    end=$(date +%s.%N)
    cmp -s "$work/data" "$work/received" || echo "warning: transfer corrupted" >&2
    awk -v a="$start" -v b="$end" 'BEGIN { printf "%.2f", b - a }'
}

stations_up "$build_dir" || exit $?
ip netns exec "$ns_a" ping -c 2 -W 5 44.0.0.2 >/dev/null  # resolve ARP first

echo "== unlimited link (pseudo-terminals, relay without rate limit)"
a0=$(cpu_ns "$pid_a"); b0=$(cpu_ns "$pid_b")
sleep 20
a1=$(cpu_ns "$pid_a"); b1=$(cpu_ns "$pid_b")
awk -v a=$((a1 - a0)) -v b=$((b1 - b0)) 'BEGIN { printf "idle CPU over 20 s: station a %.3f%%, station b %.3f%%\n", a / 2e8, b / 2e8 }'

ip netns exec "$ns_a" ping -c 200 -i 0.05 -W 5 44.0.0.2 |
    sed -n 's/.*time=\([0-9.]*\) ms/\1/p' | sort -n |
    awk '{ v[NR] = $1 } END { printf "ping RTT over %d echoes: median %.1f ms, 99th percentile %.1f ms\n", NR, v[int((NR + 1) / 2)], v[int(NR * 0.99 + 0.5)] }'

bytes=$((4 * 1048576))
a0=$(cpu_ticks "$pid_a"); b0=$(cpu_ticks "$pid_b")
seconds=$(transfer $bytes)
a1=$(cpu_ticks "$pid_a"); b1=$(cpu_ticks "$pid_b")
awk -v n=$bytes -v s="$seconds" 'BEGIN { printf "TCP goodput: %d bytes in %.2f s = %.1f kB/s\n", n, s, n / s / 1000 }'
echo "CPU under load: station a $(percent_cpu $((a1 - a0)) "$seconds"), station b $(percent_cpu $((b1 - b0)) "$seconds")"
stations_cleanup
station_pids=()

echo "== link limited to 9600 bit/s"
station_baudrate=9600
stations_up "$build_dir" --rate 9600 || exit $?
ip netns exec "$ns_a" ping -c 2 -W 10 44.0.0.2 >/dev/null
ip netns exec "$ns_a" ping -c 10 -i 1 -W 10 44.0.0.2 | tail -n 1
bytes=$((64 * 1024))
seconds=$(transfer $bytes)
awk -v n=$bytes -v s="$seconds" 'BEGIN { g = n * 8 / s; printf "TCP goodput at 9600 bit/s: %d bytes in %.1f s = %.0f bit/s, %.0f%% of the line rate\n", n, s, g, 100 * g / 9600 }'

echo "== pings every second during a bulk transfer at 9600 bit/s"
ip netns exec "$ns_a" ping -c 40 -i 1 -W 30 44.0.0.2 >"$work/ping.log" &
pinger=$!
transfer $((48 * 1024)) >/dev/null
wait "$pinger"
echo "ping during the transfer: $(rtt_summary <"$work/ping.log") (40 sent)"
