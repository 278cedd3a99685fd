#!/usr/bin/env bash
# Window benchmark (not a test): the desktop program korvale under a virtual
# X server (Xvfb with twm), in a program directory of its own.
#
#   bench/window_bench.sh BUILD_DIR
#
# Phase 1, idle: korvale with its default settings (no serial port chosen).
#   After it has settled for 5 s, the CPU it uses over 30 s (user + system
#   time from /proc/PID/stat, as a share of one core) and its peak resident
#   memory (VmHWM) after that period.
# Phase 2, traffic: a second korvale whose COM1 is one end of a socat pty
#   pair (m_iTncPort=1 in a pre-written korvale.ini); a writer on the other
#   end plays a busy channel: 1000 KISS UI frames/s, each carrying a 256-byte
#   IPv4 datagram, for 10 s, sent 10 frames every 10 ms. Reports the rate
#   the writer reached, korvale's CPU while it wrote (and the X server's, which
#   does the window's drawing), how long korvale stayed busy once the writer
#   had stopped (frames still queued), and VmHWM.
#
# One line per figure. As root, korvale runs in a network namespace of its
# own (unshare --net), so its TAP adapter never meets the host's network; as
# another user the adapter fails to open, which changes nothing measured
# here. Environment: IDLE_SECONDS (30), TRAFFIC_SECONDS (10), FRAMES_PER_S
# (1000), KEEP_WORK=1 keeps the temporary directory, SCREENSHOT=FILE.png
# takes a picture of the screen halfway through the traffic.
#
# Exits 77 (with the reason) when a tool is missing.
set -uo pipefail

build=${1:?usage: window_bench.sh BUILD_DIR}
idle_seconds=${IDLE_SECONDS:-30}
traffic_seconds=${TRAFFIC_SECONDS:-10}
frames_per_s=${FRAMES_PER_S:-1000}
settle_seconds=5
hz=$(getconf CLK_TCK)

for tool in Xvfb twm socat python3; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
korvale_exe=""
for candidate in "$build/korvale" "$build/src/desktop/korvale"; do
    [ -f "$candidate" ] && [ -x "$candidate" ] && { korvale_exe=$candidate; break; }
done
[ -n "$korvale_exe" ] || { echo "no korvale executable in $build (build the korvale target)"; exit 1; }

work=$(mktemp -d /tmp/korvale-window-bench.XXXXXX) || exit 1
mkdir -m 700 "$work/runtime"
helper_pids=()  # ended in reverse order
korvale_pid=""
sleeper_pid=""

stop_korvale() {
    [ -n "$korvale_pid" ] || return 0
    local i
    if kill -TERM "$korvale_pid" 2>/dev/null; then
        for ((i = 0; i < 50; i++)); do
            kill -0 "$korvale_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -KILL "$korvale_pid" 2>/dev/null
    fi
    wait "$korvale_pid" 2>/dev/null
    korvale_pid=""
}

cleanup() {
    local i
    [ -n "$sleeper_pid" ] && kill "$sleeper_pid" 2>/dev/null
    stop_korvale
    for ((i = ${#helper_pids[@]} - 1; i >= 0; i--)); do
        kill "${helper_pids[i]}" 2>/dev/null
        wait "${helper_pids[i]}" 2>/dev/null
    done
    if [ -n "${KEEP_WORK:-}" ]; then
        echo "# work directory kept: $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

wait_for() {  # SECONDS COMMAND...: retries COMMAND every 0.1 s
    local limit=$(($1 * 10)) i
    shift
    for ((i = 0; i < limit; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    "$@"
}

# Xvfb picks a free display and writes its number once it takes clients.
Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp -noreset \
    5>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
helper_pids+=($xvfb_pid)
if ! wait_for 15 grep -q '^[0-9]' "$work/display"; then
    echo "Xvfb did not start:"
    cat "$work/xvfb.log"
    exit 1
fi
export DISPLAY=":$(head -n 1 "$work/display")"
printf 'TitleFont "fixed"\nMenuFont "fixed"\nIconFont "fixed"\nResizeFont "fixed"\n' \
    >"$work/twmrc"
printf 'IconManagerFont "fixed"\nUsePPosition "on"\nRandomPlacement\nNoGrabServer\n' \
    >>"$work/twmrc"
LC_ALL=C twm -f "$work/twmrc" >"$work/twm.log" 2>&1 &
helper_pids+=($!)
sleep 1

netns=()
if [ "$(id -u)" -eq 0 ] && command -v unshare >/dev/null && unshare --net true 2>/dev/null; then
    netns=(unshare --net --)
fi

program_dir() {  # NAME -> a directory holding korvale and the language files
    local dir=$work/$1
    mkdir -p "$dir" && cp "$korvale_exe" "$dir/korvale" || return 1
    cp "$(dirname "$korvale_exe")"/*.lng "$dir/" 2>/dev/null
    echo "$dir"
}

start_korvale() {  # DIR: starts DIR/korvale and waits for its window
    local dir=$1 i
    # From another directory: korvale finds its own by the path it was
    # started by. unshare executes it in place, so $! is korvale itself.
    (cd "$work" && exec env -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work/runtime" \
        "${netns[@]}" "$dir/korvale" </dev/null >"$dir/stdout.log" 2>"$dir/stderr.log") &
    korvale_pid=$!
    if command -v xdotool >/dev/null; then
        timeout 20 xdotool search --sync --onlyvisible --pid "$korvale_pid" >/dev/null 2>&1 ||
            timeout 5 xdotool search --sync --onlyvisible --name '^Korvale' >/dev/null 2>&1
    else
        sleep 2
    fi
    if ! kill -0 "$korvale_pid" 2>/dev/null; then
        echo "korvale ended at start; its stderr:"
        cat "$dir/stderr.log"
        return 1
    fi
}

cpu_ticks() {  # PID -> utime + stime in clock ticks
    # Fields after the command name, which is in parentheses: utime and
    # stime are the 12th and 13th.
    sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'
}

now() { date +%s.%N; }

# A sleep that a signal to this script interrupts at once.
pause() {  # SECONDS
    sleep "$1" &
    sleeper_pid=$!
    wait "$sleeper_pid"
    sleeper_pid=""
}

vm_hwm_kb() {  # PID
    awk '/^VmHWM:/ { print $2 }' "/proc/$1/status"
}

cpu_percent() {  # TICKS SECONDS
    awk -v t="$1" -v s="$2" -v hz="$hz" 'BEGIN { printf "%.2f", 100 * t / hz / s }'
}

# --- phase 1: idle -----------------------------------------------------------
idle_dir=$(program_dir idle) || exit 1
start_korvale "$idle_dir" || exit 1
pause "$settle_seconds"
t0=$(now)
c0=$(cpu_ticks "$korvale_pid")
pause "$idle_seconds"
c1=$(cpu_ticks "$korvale_pid")
t1=$(now)
elapsed=$(awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.1f", b - a }')
echo "idle: CPU $(cpu_percent $((c1 - c0)) "$elapsed") % of one core over $elapsed s ($((c1 - c0)) ticks of 1/$hz s)"
echo "idle: peak memory VmHWM $(vm_hwm_kb "$korvale_pid") kB"
stop_korvale

# --- phase 2: traffic --------------------------------------------------------
traffic_dir=$(program_dir traffic) || exit 1
socat pty,raw,echo=0,link="$traffic_dir/COM1" pty,raw,echo=0,link="$traffic_dir/tnc" \
    >"$work/socat.log" 2>&1 &
helper_pids+=($!)
if ! wait_for 5 test -L "$traffic_dir/COM1" -a -L "$traffic_dir/tnc"; then
    echo "socat made no pty pair:"
    cat "$work/socat.log"
    exit 1
fi
printf '[TNC]\nm_iTncPort=1\nm_iTncBaudrate=9600\n' >"$traffic_dir/korvale.ini"

cat >"$work/writer.py" <<'PY'
# Writes KISS UI frames carrying IPv4 datagrams into the TNC end of the pty
# pair at a steady rate, reading and dropping whatever korvale sends back.
# Reads korvale's CPU time itself just before the first and after the last
# write. Prints: frames written, seconds taken, korvale's ticks meanwhile.
import os, select, sys, time

path, rate, seconds, pid = sys.argv[1], int(sys.argv[2]), float(sys.argv[3]), sys.argv[4]

def cpu_ticks():
    with open("/proc/%s/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])
BATCH_INTERVAL = 0.01

def address(call, ssid, flags):
    return bytes(ord(c) << 1 for c in call.ljust(6)) + bytes([0x60 | ssid << 1 | flags])

def kiss(frame):
    body = frame.replace(b"\xdb", b"\xdb\xdd").replace(b"\xc0", b"\xdb\xdc")
    return b"\xc0\x00" + body + b"\xc0"

# KV1A-1 to KV1B-2 through RELAY (repeated), UI command, PID 0xCC.
head = address("KV1B", 2, 0x80) + address("KV1A", 1, 0) + address("RELAY", 0, 0x81)
head += b"\x03\xcc"
payload = bytes((i * 7 + 3) & 0xFF for i in range(236))

def datagram(n):
    ip = bytes([0x45, 0, 0x01, 0x00, (n >> 8) & 0xFF, n & 0xFF, 0x40, 0, 64, 6, 0, 0,
                44, 1, 2, 4, 44, 1, 2, 3])
    return ip + payload

fd = os.open(path, os.O_RDWR | os.O_NOCTTY)
per_batch = max(1, round(rate * BATCH_INTERVAL))
batches = int(seconds / BATCH_INTERVAL)
sent = 0
ticks = cpu_ticks()
start = time.monotonic()
for b in range(batches):
    data = b"".join(kiss(head + datagram(sent + i)) for i in range(per_batch))
    view = memoryview(data)
    while view:
        view = view[os.write(fd, view):]
    sent += per_batch
    while select.select([fd], [], [], 0)[0]:
        os.read(fd, 65536)
    pause = start + (b + 1) * BATCH_INTERVAL - time.monotonic()
    if pause > 0:
        time.sleep(pause)
elapsed = time.monotonic() - start
print(sent, "%.3f" % elapsed, cpu_ticks() - ticks)
PY

start_korvale "$traffic_dir" || exit 1
pause "$settle_seconds"
if ! ls -l "/proc/$korvale_pid/fd" 2>/dev/null | grep -q /dev/pts/; then
    echo "warning: korvale holds no pseudo-terminal; is COM1 open? Its monitor says nothing here." >&2
fi
if [ -n "${SCREENSHOT:-}" ] && command -v import >/dev/null; then
    (sleep $((traffic_seconds / 2)) && import -window root "$SCREENSHOT") &
    helper_pids+=($!)
fi
x0=$(cpu_ticks "$xvfb_pid")
python3 "$work/writer.py" "$traffic_dir/tnc" "$frames_per_s" "$traffic_seconds" "$korvale_pid" \
    >"$work/writer.out" &
helper_pids+=($!)
wait $!
read -r frames writer_seconds writer_ticks <"$work/writer.out"
c1=$(cpu_ticks "$korvale_pid")
x1=$(cpu_ticks "$xvfb_pid")
t1=$(now)
[ -n "${frames:-}" ] || { echo "the writer failed"; exit 1; }
# Until korvale has worked off what is still queued: no CPU tick in 0.5 s.
previous=$c1
while :; do
    sleep 0.5
    current=$(cpu_ticks "$korvale_pid")
    [ "$current" -eq "$previous" ] && break
    previous=$current
done
t2=$(now)
echo "traffic: writer sent $frames frames in $writer_seconds s ($(awk -v f="$frames" -v s="$writer_seconds" 'BEGIN { printf "%.0f", f / s }') frames/s, 2 monitor lines each)"
echo "traffic: CPU $(cpu_percent "$writer_ticks" "$writer_seconds") % of one core while the writer sent ($writer_ticks ticks of 1/$hz s)"
echo "traffic: X server (Xvfb) CPU $(cpu_percent $((x1 - x0)) "$writer_seconds") % of one core meanwhile"
echo "traffic: busy after the writer stopped $(awk -v a="$t1" -v b="$t2" 'BEGIN { printf "%.1f", b - a - 0.5 }') s ($((previous - c1)) more ticks)"
echo "traffic: peak memory VmHWM $(vm_hwm_kb "$korvale_pid") kB"
stop_korvale
