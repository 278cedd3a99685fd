#!/usr/bin/env bash
# End-to-end test of the desktop program's window under a virtual X server.
#
#   tests/e2e/desktop_run.sh BUILD_DIR
#
# korvale in a program directory of its own under Xvfb, twm and trayer; its
# COM1 a pty whose other end keeps every byte it sends. Synthetic keys and
# clicks only: the set-up at start, a typed line, the Unproto dialog from the
# keyboard, the tray icon, View > Exit and the exit text, and no display.
# A screenshot is left in BUILD_DIR per failed check. Exits 0, 1, or 77 when
# a tool is missing.
set -uo pipefail

build=${1:?usage: desktop_run.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/e2e/desktop_session.sh
source "$here/desktop_session.sh"
trap desktop_cleanup EXIT
desktop_quiet=1

source "$here/check.sh"
check_failed() {  # a screenshot of each failure
    desktop_screenshot "$desktop_build/desktop-e2e-failure-$1.png" &&
        echo "  screenshot: $desktop_build/desktop-e2e-failure-$1.png"
}

desktop_session_up "$build"
status=$?
[ "$status" -eq 0 ] || exit "$status"

station=$(desktop_program_dir station) || exit 1
# Values unlike every default: what leaves on the line comes from here.
cat >"$station/korvale.ini" <<'INI'
[TCP-IP]
TcpIpMyCall=KV1A
[TNC]
m_iTncPort=1
m_iTncBaudrate=9600
[KISS]
m_iTxDelay=300
m_iTxTail=50
m_iPersist=128
m_iSlottime=100
m_bFullDup=1
m_sInitTncText=KISS ON^013
m_sExitTncText=^192^255^192
[Unproto]
m_UnprotoSource=KV1A
m_UnprotoDest=QST
[Beacon]
m_bBeaconEnable=0
INI
desktop_tnc_up "$station" || exit 1

# The init text, then TxDelay, Persist, SlotTime, TxTail (10 ms units), full duplex.
init_bytes="$(text_hex $'KISS ON\r') c0 01 1e c0 c0 02 80 c0 c0 03 0a c0 c0 04 05 c0 c0 05 01 c0"

if ! desktop_korvale_start "$station"; then
    check "korvale's window opens" false
    exit 1
fi
check "at start the init text and the KISS parameters of korvale.ini leave on the line" \
    desktop_wait 5 desktop_line_starts_with "$station" "$init_bytes"

# a. A typed line.
line1="Test line 1 from the window"
frame1=$(ax25_ui_kiss_hex KV1A QST 00 "$(text_hex "$line1")"' 0d')
desktop_focus "$korvale_window"
xdotool type --delay 15 "$line1"
xdotool key Return
check "a typed line leaves as a UI frame KV1A>QST, PID 0, text and CR" \
    desktop_wait 5 desktop_line_has "$station" "$frame1"

# b. Settings > Unproto...: the sixth item ("Re-init the TNC now" counts).
open_unproto_dialog() {
    desktop_focus "$korvale_window"
    desktop_alt s
    desktop_wait 5 desktop_popup_menu >/dev/null || return 1
    xdotool key Down Down Down Down Down Return
    unproto_dialog=$(desktop_window_named '^Unproto settings$' 10)
    [ -n "$unproto_dialog" ]
}
check "Alt+S, arrows and Enter open the Unproto dialog" open_unproto_dialog

new_call=KV9ZZ-7
change_source_call() {
    [ -n "${unproto_dialog:-}" ] || return 1
    desktop_focus "$unproto_dialog"
    # Source call has the focus; typed in lower case, shown in upper.
    xdotool key ctrl+a
    xdotool type --delay 15 "${new_call,,}"
    xdotool key Return
    desktop_wait 5 desktop_no_window_named '^Unproto settings$'
}
check "a new source call typed into the dialog, Enter takes it (OK)" change_source_call

line2="Line 2 after the change"
frame2=$(ax25_ui_kiss_hex "$new_call" QST 00 "$(text_hex "$line2")"' 0d')
desktop_focus "$korvale_window"
xdotool type --delay 15 "$line2"
xdotool key Return
check "the next typed line leaves from the new call $new_call" \
    desktop_wait 5 desktop_line_has "$station" "$frame2"

# The tray icon: a left click hides the window, the next shows it again.
tray_click() {
    local icon
    icon=$(desktop_tray_icon) || return 1
    xdotool mousemove --window "$icon" 5 5 click 1
}
hide_by_tray() {
    desktop_wait 5 desktop_tray_icon >/dev/null || return 1
    tray_click && desktop_wait 5 desktop_window_unmapped "$korvale_window"
}
show_by_tray() {
    tray_click && desktop_wait 5 desktop_window_mapped "$korvale_window"
}
tray_icon_docked() { desktop_wait 5 desktop_tray_icon >/dev/null; }
check "the tray icon is docked in the notification area" tray_icon_docked
check "a left click on the tray icon hides the window" hide_by_tray
check "a second left click shows it again" show_by_tray

# c. View > Exit from the keyboard.
exit_from_keyboard() {
    desktop_focus "$korvale_window"
    desktop_alt v
    desktop_wait 5 desktop_popup_menu >/dev/null || return 1
    xdotool key x
    desktop_korvale_wait_exit "$station" 10
}
check "Alt+V, X ends korvale" exit_from_keyboard
check "it ends with status 0" test "${korvale_status:-none}" = 0
check "the exit text C0 FF C0 follows the last frame on the line" \
    desktop_wait 3 desktop_line_ends_with "$station" "$frame2 c0 ff c0"
ini_value() {  # SECTION KEY
    tr -d '\r' <"$station/korvale.ini" |
        awk -F= -v s="[$1]" -v k="$2" '/^\[/ { in_s = ($0 == s) } in_s && $1 == k { print substr($0, length(k) + 2) }'
}
check "korvale.ini keeps m_UnprotoSource=$new_call in [Unproto]" \
    test "$(ini_value Unproto m_UnprotoSource)" = "$new_call"
check "korvale.ini keeps the window shown (ShowInTray=0 in [Dialog])" \
    test "$(ini_value Dialog ShowInTray)" = 0

# d. No display.
no_display=$(desktop_program_dir no-display) || exit 1
(
    cd "$work" &&
        env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work/runtime" \
            timeout 20 "$no_display/korvale" </dev/null >"$no_display/stdout.log" 2>"$no_display/stderr.log"
    echo $? >"$no_display/status"
)
no_display_status=$(cat "$no_display/status")
check "without a display korvale exits non-zero (status $no_display_status)" \
    test "$no_display_status" -ne 0 -a "$no_display_status" -ne 124
check "and says why on exactly one line of stderr" \
    test "$(grep -c . "$no_display/stderr.log")" -eq 1 -a "$(wc -l <"$no_display/stderr.log")" -eq 1
check "and writes no korvale.ini" test ! -e "$no_display/korvale.ini"

if [ "$failures" -gt 0 ]; then
    echo "--- bytes korvale sent:"
    desktop_line_bytes "$station" | fold -w 96
    echo
    echo "--- expected frames:"
    echo "$frame1"
    echo "$frame2"
    echo "--- korvale's stderr:"
    cat "$station/stderr.log"
    echo "--- without a display, stderr:"
    cat "$no_display/stderr.log"
    exit 1
fi
echo "desktop end-to-end: all checks passed"
