#!/usr/bin/env bash
# End-to-end test of the desktop window under Xvfb, twm and trayer, its COM1
# a pty keeping all it sends (desktop_session.sh), driven by keys and clicks:
#   tests/e2e/desktop_run.sh BUILD_DIR
# Init text and KISS parameters, typed lines as UI frames, the Unproto dialog,
# the tray icon (a late notification area, press, release, click, the area
# going), View > Exit (exit text, status, korvale.ini) and no display.
# A screenshot is left in BUILD_DIR for each failed check. Exits 0 on
# success, 1 on failure, 77 when a tool is missing (the reason is printed).
set -uo pipefail

build=${1:?usage: desktop_run.sh BUILD_DIR}
source "$(dirname "$0")/desktop_session.sh"
trap desktop_cleanup EXIT
check_failed() {
    local shot=$desktop_build/desktop-e2e-failure-$failures.png
    command -v import >/dev/null && import -window root "$shot" 2>/dev/null && echo "  screenshot: $shot"
}
desktop_session_up "$build" || exit $?
station=$(desktop_program_dir station) || exit 1
# Values unlike every default: what leaves on the line can only come from here.
printf '%s\n' "[TCP-IP]" TcpIpMyCall=KV1A "[TNC]" m_iTncPort=1 m_iTncBaudrate=9600 "[KISS]" m_iTxDelay=300 \
    m_iTxTail=50 m_iPersist=128 m_iSlottime=100 m_bFullDup=1 "m_sInitTncText=KISS ON^013" \
    "m_sExitTncText=^192^255^192" "[Unproto]" m_UnprotoSource=KV1A m_UnprotoDest=QST "[Beacon]" \
    m_bBeaconEnable=0 >"$station/korvale.ini"
desktop_tnc_up "$station" || exit 1
desktop_tray_down  # the notification area comes later
desktop_korvale_start "$station" || { check "korvale's window opens" false; exit 1; }
# The init text, then TxDelay 300 ms, Persist 128, SlotTime 100 ms, TxTail
# 50 ms (in 10 ms units) and full duplex, one KISS command each.
check "at start the init text and the KISS parameters of korvale.ini leave on the line" \
    wait_for 5 desktop_line_starts_with "$station" \
    "$(text_hex $'KISS ON\r') c0 01 1e c0 c0 02 80 c0 c0 03 0a c0 c0 04 05 c0 c0 05 01 c0"

send_line() {  # send_line SOURCE TEXT: types TEXT, checks its frame leaves
    frame=$(ax25_ui_kiss_hex "$1" QST 00 "$(text_hex "$2") 0d")
    desktop_focus "$korvale_window"
    xdotool type --delay 15 "$2"
    xdotool key Return
    wait_for 5 desktop_line_has "$station" "$frame"
}
menu() {  # menu ALT_KEY KEY...: opens a menu of the window, presses KEYs
    desktop_focus "$korvale_window"
    desktop_alt "$1"
    wait_for 5 desktop_popup_menu >/dev/null && xdotool key "${@:2}"
}
check "a typed line leaves as a UI frame KV1A>QST, PID 0, text and CR" send_line KV1A "Test line 1 from the window"
frames=$frame
# Settings' first item is active when it opens; Unproto... is the sixth
# ("Re-init the TNC now" counts, the port being open).
new_call=KV9ZZ-7
check "Alt+S, arrows and Enter open the Unproto dialog" eval 'menu s Down Down Down Down Down Return &&
    unproto=$(desktop_window_named "^Unproto settings$" 10) && [ -n "$unproto" ]'
# Source call has the focus; typed in lower case, the field makes it upper.
check "a new source call typed into the dialog, Enter takes it (OK)" eval 'desktop_focus "$unproto" &&
    xdotool key ctrl+a && xdotool type --delay 15 "${new_call,,}" && xdotool key Return &&
    wait_for 5 desktop_no_window_named "^Unproto settings$"'
check "the next typed line leaves from the new call $new_call" send_line "$new_call" "Line 2 after the change"
frames+=$'\n'$frame

shown() { desktop_map_state "$korvale_window" IsViewable; }
hidden() { desktop_map_state "$korvale_window" IsUnMapped; }
on_icon() { icon=$(desktop_tray_icon) && xdotool mousemove --window "$icon" 5 5 "$@"; }
check "a notification area that comes after the start gets the tray icon" \
    eval 'desktop_tray_up && wait_for 5 desktop_tray_icon >/dev/null'
check "View > Hide in system tray, offered now, hides the window" eval 'menu v h && wait_for 5 hidden'
check "pressing the left button on the tray icon does nothing" eval 'on_icon mousedown 1 && sleep 1 && hidden'
check "releasing it shows the window" eval 'xdotool mouseup 1 && wait_for 5 shown'
check "a left click on the tray icon hides it again" eval 'on_icon click 1 && wait_for 5 hidden'
check "a notification area that goes while the window is hidden gives it back" \
    eval 'desktop_tray_down && wait_for 5 shown'

# The outer size (twm's frame with its border) is what korvale stores.
desktop_focus "$korvale_window"
outer=$(xwininfo -id "$(desktop_frame_of "$korvale_window")" |
    awk '/Width:/ { w = $2 } /Height:/ { h = $2 } /Border width:/ { b = $3 } END { print w + 2 * b, h + 2 * b }')
check "Alt+V, X ends korvale" eval 'menu v x && desktop_korvale_wait_exit "$station" 10'
check "it ends with status 0" test "$korvale_status" = 0
check "the exit text C0 FF C0 follows the last frame on the line" \
    wait_for 3 desktop_line_ends_with "$station" "$frame c0 ff c0"
ini() { tr -d '\r' <"$station/korvale.ini" | awk -F= -v s="[$1]" '/^\[/ { in_s = $0 == s } in_s'; }  # SECTION
check "korvale.ini keeps m_UnprotoSource=$new_call in [Unproto]" eval 'ini Unproto | grep -qx "m_UnprotoSource=$new_call"'
check "korvale.ini keeps the window shown (ShowInTray=0 in [Dialog])" eval 'ini Dialog | grep -qx ShowInTray=0'
check "korvale.ini keeps the window's outer size ($outer) as CX and CY" \
    test "$(ini Dialog | sed -n 's/^CX=//p') $(ini Dialog | sed -n 's/^CY=//p')" = "$outer"

no_display=$(desktop_program_dir no-display) || exit 1
(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work/runtime" \
    timeout 20 "$no_display/korvale" </dev/null >/dev/null 2>"$no_display/stderr.log")
status=$?
check "without a display korvale exits non-zero (status $status)" test "$status" -ne 0 -a "$status" -ne 124
check "and says why on exactly one line of stderr" \
    test "$(grep -c . "$no_display/stderr.log")" -eq 1 -a "$(wc -l <"$no_display/stderr.log")" -eq 1
check "and writes no korvale.ini" test ! -e "$no_display/korvale.ini"

if [ "$failures" -gt 0 ]; then
    echo "--- bytes korvale sent:"; desktop_line_bytes "$station" | fold -w 96; echo
    echo "--- expected frames:"; echo "$frames"
    echo "--- korvale's stderr:"; cat "$station/stderr.log"
    echo "--- without a display, stderr:"; cat "$no_display/stderr.log"
    exit 1
fi
echo "desktop end-to-end: all checks passed"
