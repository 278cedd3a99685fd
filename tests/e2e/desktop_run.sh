#!/usr/bin/env bash
# The desktop window under Xvfb, twm and trayer (desktop_session.sh), its COM1
# a pty keeping all it sends, driven by keys and clicks: init text and KISS
# parameters, typed lines, the Unproto dialog, the tray icon, View > Exit and
# no display. A screenshot is left in BUILD_DIR for each failed check.
#   tests/e2e/desktop_run.sh BUILD_DIR   (0 passed, 1 failed, 77 skipped)
set -uo pipefail
build=${1:?usage: desktop_run.sh BUILD_DIR}
source "$(dirname "$0")/desktop_session.sh"
trap desktop_cleanup EXIT
check_failed() { local f=$desktop_build/desktop-e2e-failure-$failures.png; import -window root "$f" 2>/dev/null && echo "  screenshot: $f"; }
desktop_session_up "$build" || exit $?
station=$(desktop_program_dir station) || exit 1
# Values unlike every default: what leaves on the line can only come from here.
printf '%s\n' "[TCP-IP]" TcpIpMyCall=KV1A "[TNC]" m_iTncPort=1 m_iTncBaudrate=9600 "[KISS]" m_iTxDelay=300 m_iTxTail=50 \
    m_iPersist=128 m_iSlottime=100 m_bFullDup=1 "m_sInitTncText=KISS ON^013" "m_sExitTncText=^192^255^192" \
    "[Unproto]" m_UnprotoSource=KV1A m_UnprotoDest=QST "[Beacon]" m_bBeaconEnable=0 >"$station/korvale.ini"
desktop_tnc_up "$station" || exit 1
desktop_tray_down  # the notification area comes later
desktop_korvale_start "$station" || { check "korvale's window opens" false; exit 1; }
# TxDelay 300 ms, Persist 128, SlotTime 100 ms, TxTail 50 ms (in 10 ms units), full duplex.
check "at start the init text and the KISS parameters of korvale.ini leave on the line" wait_for 5 desktop_line_is "$station" \
    "$(text_hex $'KISS ON\r') c0 01 1e c0 c0 02 80 c0 c0 03 0a c0 c0 04 05 c0 c0 05 01 c0*"

send_line() {  # SOURCE TEXT: types TEXT, its frame leaves
    frame=$(ax25_ui_kiss_hex "$1" QST 00 "$(text_hex "$2") 0d")
    desktop_focus "$korvale_window" && xdotool type --delay 15 "$2" && xdotool key Return
    wait_for 5 desktop_line_has "$station" "$frame"
}
menu() {  # ALT_KEY KEY...: opens a menu of the window, presses KEYs
    desktop_focus "$korvale_window" && desktop_alt "$1" && wait_for 5 desktop_popup_menu >/dev/null && xdotool key "${@:2}"
}
check "a typed line leaves as a UI frame KV1A>QST, PID 0, text and CR" send_line KV1A "Test line 1 from the window"
# Settings > Unproto... is the sixth item ("Re-init the TNC now" counts); the source call takes the focus.
new_call=KV9ZZ-7
check "Alt+S, arrows and Enter open the Unproto dialog; a source call typed there is taken on Enter" \
    eval 'menu s Down Down Down Down Down Return && unproto=$(desktop_window_named "^Unproto settings$" 10) && [ -n "$unproto" ] &&
    desktop_focus "$unproto" && xdotool key ctrl+a && xdotool type --delay 15 "${new_call,,}" && xdotool key Return &&
    wait_for 5 desktop_no_window_named "^Unproto settings$"'
check "the next typed line leaves from the new call $new_call" send_line "$new_call" "Line 2 after the change"

shown() { desktop_map_state "$korvale_window" IsViewable; }
hidden() { desktop_map_state "$korvale_window" IsUnMapped; }
on_icon() { icon=$(desktop_tray_icon) && xdotool mousemove --window "$icon" 5 5 "$@"; }
check "a notification area that comes after the start gets the tray icon" eval 'desktop_tray_up && wait_for 5 desktop_tray_icon >/dev/null'
check "View > Hide in system tray, offered now, hides the window" eval 'menu v h && wait_for 5 hidden'
check "pressing the left button on the tray icon does nothing" eval 'on_icon mousedown 1 && sleep 1 && hidden'
check "releasing it shows the window" eval 'xdotool mouseup 1 && wait_for 5 shown'
check "a left click on the tray icon hides it again" eval 'on_icon click 1 && wait_for 5 hidden'
check "a notification area that goes while the window is hidden gives it back" eval 'desktop_tray_down && wait_for 5 shown'

desktop_focus "$korvale_window"  # korvale stores the outer size: twm's frame with its border
outer=$(xwininfo -id "$(desktop_frame_of "$korvale_window")" |
    awk '/Width:/ { w = $2 } /Height:/ { h = $2 } /Border width:/ { b = $3 } END { print w + 2 * b, h + 2 * b }')
check "Alt+V, X ends korvale with status 0" eval 'menu v x && desktop_korvale_wait_exit "$station" 10 && [ "$korvale_status" = 0 ]'
check "the exit text C0 FF C0 follows the last frame on the line" wait_for 3 desktop_line_is "$station" "*$frame c0 ff c0"
ini() { tr -d '\r' <"$station/korvale.ini" | awk -F= -v s="[$1]" '/^\[/ { in_s = $0 == s } in_s'; }  # SECTION
check "korvale.ini keeps m_UnprotoSource=$new_call, ShowInTray=0 and the outer size ($outer) as CX, CY" \
    eval 'ini Unproto | grep -qx "m_UnprotoSource=$new_call" && ini Dialog | grep -qx ShowInTray=0 &&
    [ "$(ini Dialog | sed -n "s/^CX=//p") $(ini Dialog | sed -n "s/^CY=//p")" = "$outer" ]'

no_display=$(desktop_program_dir no-display) || exit 1
(cd "$work" && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work/runtime" \
    timeout 20 "$no_display/korvale" </dev/null >/dev/null 2>"$no_display/stderr.log")
status=$?
check "without a display korvale exits non-zero ($status), says why on one line of stderr, writes no korvale.ini" \
    eval '[ $status -ne 0 -a $status -ne 124 -a "$(grep -c . "$no_display/stderr.log")/$(wc -l <"$no_display/stderr.log")" = 1/1 ] &&
    [ ! -e "$no_display/korvale.ini" ]'
[ "$failures" -eq 0 ] && echo "desktop end-to-end: all checks passed" && exit 0
echo "--- bytes korvale sent:"; desktop_line_bytes "$station" | fold -w 96
echo; tail -n +1 "$station/korvale.ini" "$station/stderr.log" "$no_display/stderr.log"; exit 1
