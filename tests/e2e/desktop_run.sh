#!/usr/bin/env bash
# End-to-end test of the desktop program's window under a virtual X server.
#
#   tests/e2e/desktop_run.sh BUILD_DIR
#
# korvale runs in a program directory of its own (its korvale.ini written
# here) under Xvfb with twm and a notification-area host (trayer); its COM1
# is one end of a pty pair whose other end stands in for the TNC and keeps
# every byte korvale sends. Driven with synthetic keys and clicks only:
#   - start: the init text, then the KISS parameters from korvale.ini;
#   - a line typed into the window leaves as a KISS-framed UI frame;
#   - the Unproto dialog opened from the keyboard changes the source call of
#     the next typed line;
#   - a notification area that comes after the start gets the tray icon and
#     offers View > Hide in system tray; pressing the left button on the
#     icon does nothing, releasing it shows the window, a click hides it; a
#     notification area that goes while the window is hidden gives it back;
#   - View > Exit from the keyboard sends the exit text after the last frame,
#     ends the process with status 0 and keeps the new call and the window's
#     outer size in korvale.ini;
#   - without a display korvale says why on one line and writes no INI.
# A screenshot of the screen is left in BUILD_DIR for each failed check.
#
# Exits 0 on success, 1 on failure, 77 when a tool is missing (the reason is
# printed).
set -uo pipefail

build=${1:?usage: desktop_run.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=tests/e2e/desktop_session.sh
source "$here/desktop_session.sh"
trap desktop_cleanup EXIT
desktop_quiet=1

failures=0
check() {  # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
    else
        failures=$((failures + 1))
        echo "FAILED: $what"
        desktop_screenshot "$desktop_build/desktop-e2e-failure-$failures.png" &&
            echo "  screenshot: $desktop_build/desktop-e2e-failure-$failures.png"
    fi
}

desktop_session_up "$build"
status=$?
[ "$status" -eq 0 ] || exit "$status"

station=$(desktop_program_dir station) || exit 1
# Values that differ from every default, so that what leaves on the line
# can only have come from this file.
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

# The raw init text, then TxDelay 300 ms, Persist 128, SlotTime 100 ms,
# TxTail 50 ms (in units of 10 ms) and full duplex, one KISS command each.
init_bytes="$(text_hex $'KISS ON\r') c0 01 1e c0 c0 02 80 c0 c0 03 0a c0 c0 04 05 c0 c0 05 01 c0"

# No notification area at the start; it comes later.
desktop_tray_down
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

# b. Settings > Unproto... from the keyboard: the first of the menu's items
# is active when it opens; Unproto... is the sixth (the port is open, so
# "Re-init the TNC now" is enabled and counts).
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
    # The first field, Source call, has the focus; typed in lower case, the
    # field makes it upper case.
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

# c. The notification area comes only now: the icon docks in it and "Hide in
# system tray" is offered.
tray_comes() { desktop_tray_up && desktop_wait 5 desktop_tray_icon >/dev/null; }
check "a notification area that comes after the start gets the tray icon" tray_comes
hide_from_menu() {
    desktop_focus "$korvale_window"
    desktop_alt v
    desktop_wait 5 desktop_popup_menu >/dev/null || return 1
    xdotool key h
    desktop_wait 5 desktop_window_unmapped "$korvale_window"
}
check "View > Hide in system tray, offered now, hides the window" hide_from_menu
tray_press() {
    local icon
    icon=$(desktop_tray_icon) || return 1
    xdotool mousemove --window "$icon" 5 5 mousedown 1 && sleep 1 &&
        desktop_window_unmapped "$korvale_window"
}
tray_release() {
    xdotool mouseup 1 && desktop_wait 5 desktop_window_mapped "$korvale_window"
}
tray_click() {
    local icon
    icon=$(desktop_tray_icon) || return 1
    xdotool mousemove --window "$icon" 5 5 click 1 &&
        desktop_wait 5 desktop_window_unmapped "$korvale_window"
}
check "pressing the left button on the tray icon does nothing" tray_press
check "releasing it shows the window" tray_release
check "a left click on the tray icon hides it again" tray_click
tray_goes() { desktop_tray_down && desktop_wait 5 desktop_window_mapped "$korvale_window"; }
check "a notification area that goes while the window is hidden gives it back" tray_goes

# d. View > Exit from the keyboard, the window's outer size noted first.
# The window manager's frame with its border: the size korvale stores.
outer_size() {
    xwininfo -id "$(desktop_frame_of "$korvale_window")" |
        awk '/Width:/ { w = $2 } /Height:/ { h = $2 } /Border width:/ { b = $3 } END { print w + 2 * b, h + 2 * b }'
}
exit_from_keyboard() {
    desktop_focus "$korvale_window"
    outer=$(outer_size)
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
check "korvale.ini keeps the window's outer size ($outer) as CX and CY" \
    test "$(ini_value Dialog CX) $(ini_value Dialog CY)" = "$outer"

# e. No display.
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
