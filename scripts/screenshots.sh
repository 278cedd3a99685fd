#!/usr/bin/env bash
# Takes the README's pictures of the desktop program under a virtual X
# server (Xvfb, twm, trayer), with a pty standing in for the TNC.
#
#   scripts/screenshots.sh [BUILD_DIR] [OUTPUT_DIR]
#
# BUILD_DIR holds the built korvale (default build/dev); the PNG files go to
# OUTPUT_DIR (default docs/):
#   main-window.png      the Monitor/Unproto window with traffic
#   tray-menu.png        the notification-area icon's menu
#   dialog-*.png         each settings dialog, the language dialog and About
# Traffic in the monitor: the beacon and a typed line going out, frames of
# other stations heard (text, a connected-mode exchange) and, when run as
# root, IP traffic through the TAP adapter in a network namespace of its
# own: an ARP request and a ping from KV1B answered by the host's stack.
# Every dialog is opened from the keyboard and closed with Escape.
set -uo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$repo/build/dev}
out=${2:-$repo/docs}
# shellcheck source=tests/e2e/desktop_session.sh
source "$repo/tests/e2e/desktop_session.sh"
desktop_tnc_send() { hex_bytes "$2" >"$1/tnc"; }  # DIR BYTES: to korvale as the TNC would
trap desktop_cleanup EXIT

die() {
    echo "screenshots: $*" >&2
    exit 1
}

command -v import >/dev/null || { echo "SKIP: ImageMagick's import is not installed"; exit 77; }
desktop_session_up "$build"
status=$?
[ "$status" -eq 0 ] || exit "$status"
mkdir -p "$out" || die "cannot make $out"

station=$(desktop_program_dir gateway) || die "cannot make the program directory"
cat >"$station/korvale.ini" <<'INI'
[TCP-IP]
TcpIpMyCall=KV1A
SuppressBroadcasts=1
[TNC]
m_iTncPort=1
m_iTncBaudrate=9600
[Unproto]
m_UnprotoSource=KV1A
m_UnprotoDest=QST
m_UnprotoDigis=RELAY
[Beacon]
m_BeaconSource=KV1A
m_BeaconDest=ID
m_sBeaconText=KV1A Korvale IP gateway 44.0.0.1
m_iBeaconInterval=600
m_bBeaconEnable=1
[Dialog]
Left=16
Top=16
CX=740
CY=430
INI
desktop_tnc_up "$station" || die "no pty for the TNC"
desktop_korvale_start "$station" || die "korvale did not start"
main=$korvale_window

# Waits for BYTES on the line from korvale; says so when they do not come.
expect_sent() {  # BYTES WHAT
    wait_for 5 desktop_line_has "$station" "$1" || echo "screenshots: warning: $2 was not sent" >&2
}
heard() {  # BYTES: as if the TNC had heard them on the air
    desktop_tnc_send "$station" "$1"
}

# The TNC set-up ends with the full-duplex command; the beacon follows.
expect_sent " c0 05 00 c0" "the KISS set-up"
expect_sent "$(text_hex "Korvale IP gateway")" "the beacon"

cr=" 0d"
heard "$(ax25_ui_kiss_hex KV1B QST f0 "$(text_hex "Good evening from KV1B, anyone on the IP net tonight?")$cr")"

# IP through the adapter: korvale runs in a network namespace of its own
# (as root), where its TAP gets 44.0.0.1.
in_korvale_net() {
    nsenter --net="/proc/$korvale_pid/ns/net" "$@"
}
ip_checksum() {  # BYTES -> " xx xx"
    local -a b
    read -r -a b <<<"$1"
    local sum=0 i
    for ((i = 0; i < ${#b[@]}; i += 2)); do
        sum=$((sum + (0x${b[i]} << 8) + 0x${b[i + 1]:-0}))
    done
    while ((sum >> 16)); do sum=$(((sum & 0xffff) + (sum >> 16))); done
    sum=$((~sum & 0xffff))
    printf ' %02x %02x' $((sum >> 8)) $((sum & 0xff))
}
if [ ${#desktop_netns[@]} -gt 0 ] && command -v nsenter >/dev/null && command -v ip >/dev/null &&
    wait_for 5 in_korvale_net ip link show korvale0 >/dev/null 2>&1; then
    in_korvale_net sysctl -q -w net.ipv6.conf.korvale0.disable_ipv6=1
    in_korvale_net ip link set korvale0 mtu 256 up
    in_korvale_net ip addr add 44.0.0.1/24 dev korvale0
    kv1b_hw=$(ax25_address_hex KV1B 0)
    # AX.25 ARP (hardware 3, protocol 0xCC, lengths 7 and 4): who has
    # 44.0.0.1, tell 44.0.0.2 at KV1B.
    heard "$(ax25_ui_kiss_hex KV1B QST cd " 00 03 00 cc 07 04 00 01$kv1b_hw 2c 00 00 02 00 00 00 00 00 00 00 2c 00 00 01")"
    expect_sent " 03 cd 00 03 00 cc 07 04 00 02" "the ARP reply"
    # A ping from 44.0.0.2: the host's stack answers through the adapter.
    icmp_data=$(text_hex "Korvale pictures")
    icmp=" 08 00 00 00 4b 56 00 01$icmp_data"
    icmp=" 08 00$(ip_checksum "$icmp") 4b 56 00 01$icmp_data"
    length=$((20 + $(wc -w <<<"$icmp")))
    header=$(printf ' 45 00 %02x %02x 12 34 40 00 40 01 00 00 2c 00 00 02 2c 00 00 01' $((length >> 8)) $((length & 255)))
    header=$(printf ' 45 00 %02x %02x 12 34 40 00 40 01%s 2c 00 00 02 2c 00 00 01' \
        $((length >> 8)) $((length & 255)) "$(ip_checksum "$header")")
    heard "$(ax25_ui_kiss_hex KV1B KV1A cc "$header$icmp")"
    expect_sent " 03 cc 45" "the ping reply"
else
    echo "screenshots: no adapter (needs root and network namespaces): no IP traffic in the picture" >&2
fi

# A connected-mode exchange between two other stations.
heard "$(ax25_kiss_hex KV1C KV1B command 3f)"
heard "$(ax25_kiss_hex KV1B KV1C response 73)"
heard "$(ax25_kiss_hex KV1C KV1B command 10 f0 "$(text_hex "Hi Bob, the new antenna works fine.")$cr")"
heard "$(ax25_kiss_hex KV1B KV1C response 21)"

desktop_focus "$main"
typed="Hello KV1B, the gateway is up: try ping 44.0.0.1"
xdotool type --delay 10 "$typed"
xdotool key Return
expect_sent "$(text_hex "$typed")" "the typed line"

# Waits until X has drawn everything korvale asked for: a round trip
# through korvale's own event loop is not visible from here, so give the
# window a moment after the last change.
settle() {
    sleep 0.5
}

shoot_window() {  # WINDOW FILE
    local frame
    frame=$(desktop_frame_of "$1")
    settle
    import -window "$frame" -strip "$out/$2" || die "could not capture $2"
    echo "wrote $out/$2"
}

desktop_focus "$main"
shoot_window "$main" main-window.png

# The tray menu: a right click on the icon; the picture holds the menu and
# the panel below it.
geometry() {  # WINDOW -> X Y W H
    local X=0 Y=0 WIDTH=0 HEIGHT=0
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
    echo "$X $Y $WIDTH $HEIGHT"
}
no_popup_menu() {
    ! desktop_popup_menu >/dev/null
}
if icon=$(wait_for 5 desktop_tray_icon) && [ -n "$icon" ]; then
    xdotool mousemove --window "$icon" 5 5 click 3
    if menu=$(wait_for 5 desktop_popup_menu) && [ -n "$menu" ]; then
        read -r mx my mw mh < <(geometry "$menu")
        read -r px py pw ph < <(geometry "$(desktop_frame_of "$desktop_tray_panel")")
        margin=12
        left=$(((mx < px ? mx : px) - margin))
        top=$((my - margin))
        right=$((mx + mw > px + pw ? mx + mw : px + pw))
        bottom=$((my + mh > py + ph ? my + mh : py + ph))
        ((left < 0)) && left=0
        ((top < 0)) && top=0
        settle
        import -window root -crop "$((right - left))x$((bottom - top))+$left+$top" +repage -strip \
            "$out/tray-menu.png" && echo "wrote $out/tray-menu.png"
        xdotool key Escape
        wait_for 5 no_popup_menu || echo "screenshots: the tray menu did not close on Escape" >&2
    else
        echo "screenshots: the tray menu did not open" >&2
    fi
else
    echo "screenshots: no tray icon in the notification area" >&2
fi

# Opens a dialog from the menu bar: Alt+KEY, DOWNS times the Down key from
# the first item, Enter; captures it and closes it with Escape.
shoot_dialog() {  # KEY DOWNS CAPTION FILE
    local key=$1 downs=$2 caption=$3 file=$4 dialog i
    desktop_focus "$main"
    desktop_alt "$key"
    if ! wait_for 5 desktop_popup_menu >/dev/null; then
        echo "screenshots: the menu of Alt+$key did not open; $file not made" >&2
        return 1
    fi
    for ((i = 0; i < downs; i++)); do xdotool key Down; done
    xdotool key Return
    dialog=$(desktop_window_named "^$caption\$" 10)
    if [ -z "$dialog" ]; then
        echo "screenshots: no window \"$caption\" opened; $file not made" >&2
        xdotool key Escape Escape
        return 1
    fi
    desktop_focus "$dialog"
    shoot_window "$dialog" "$file"
    xdotool key Escape
    wait_for 5 desktop_no_window_named "^$caption\$" ||
        echo "screenshots: \"$caption\" did not close on Escape" >&2
}

# Settings: TCP/IP, Serial port, KISS TNC, Re-init (enabled: the port is
# open), Monitor, Unproto, Beacon, Enable beacon, OEM translation, language.
shoot_dialog s 0 "TCP/IP settings" dialog-tcpip.png
shoot_dialog s 1 "Serial port settings" dialog-serial-port.png
shoot_dialog s 2 "KISS TNC settings" dialog-kiss-tnc.png
shoot_dialog s 4 "Monitor settings" dialog-monitor.png
shoot_dialog s 5 "Unproto settings" dialog-unproto.png
shoot_dialog s 6 "Beacon settings" dialog-beacon.png
shoot_dialog s 9 "Language settings" dialog-language.png
shoot_dialog h 1 "About Korvale" dialog-about.png

desktop_focus "$main"
desktop_alt v
wait_for 5 desktop_popup_menu >/dev/null && xdotool key x
desktop_korvale_wait_exit "$station" 10 || echo "screenshots: korvale did not end on View > Exit" >&2
