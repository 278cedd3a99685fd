# Drives the desktop program `korvale` under Xvfb, twm and trayer (sourced by
# tests/e2e/desktop_run.sh and scripts/screenshots.sh; trap desktop_cleanup).
# desktop_tnc_up DIR: a pty pair, DIR/COM1 korvale's end, DIR/tnc the TNC's,
# what korvale sends kept in DIR/tnc.bin.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
desktop_pids=() desktop_korvale_pids=() desktop_netns=() korvale_window="" korvale_status=""

desktop_session_up() {  # BUILD_DIR; sets DISPLAY, $work, $korvale_exe (77, reason printed, when a tool is missing)
    desktop_build=$(cd "$1" && pwd) || return 1
    need_tools Xvfb twm trayer xdotool xwininfo xprop socat od timeout || return
    local c
    for c in "$desktop_build"/{,src/desktop/,bin/}korvale; do [ -f "$c" -a -x "$c" ] && korvale_exe=$c && break; done
    [ -n "${korvale_exe:-}" ] || { echo "no korvale executable in $desktop_build"; return 1; }
    work=$(mktemp -d /tmp/korvale-desktop.XXXXXX) && mkdir -m 700 "$work/runtime" || return 1
    Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp -noreset 5>"$work/display" >"$work/xvfb.log" 2>&1 &
    desktop_pids+=($!)
    wait_for 15 grep -qs '^[0-9]' "$work/display" || { cat "$work/xvfb.log"; return 1; }
    export DISPLAY=":$(head -n 1 "$work/display")"
    # twm: built-in font, windows where the program puts them, no title on the panel.
    printf '%s\n' 'TitleFont "fixed"' 'ResizeFont "fixed"' 'MenuFont "fixed"' 'IconFont "fixed"' 'IconManagerFont "fixed"' \
        'UsePPosition "on"' RandomPlacement NoGrabServer DecorateTransients 'NoTitle { "panel" "trayer" }' >"$work/twmrc"
    LC_ALL=C twm -f "$work/twmrc" >"$work/twm.log" 2>&1 & desktop_pids+=($!)
    timeout 10 xdotool search --sync --name '^TWM Icon Manager$' >/dev/null || { cat "$work/twm.log"; return 1; }
    desktop_tray_up || return 1
    # As root, korvale's TAP adapter goes into a network namespace of its own.
    [ "$(id -u)" -eq 0 ] && unshare --net true 2>/dev/null && desktop_netns=(unshare --net --)
    return 0
}
desktop_tray_up() {  # the notification area; it may come and go within a test
    trayer --edge bottom --align right --widthtype pixel --width 120 --heighttype pixel --height 28 \
        --transparent false --SetDockType true >>"$work/trayer.log" 2>&1 &
    desktop_tray_pid=$!
    desktop_tray_panel=$(timeout 10 xdotool search --sync --onlyvisible --class '^trayer$' | head -n 1)
    [ -n "$desktop_tray_panel" ] || { cat "$work/trayer.log"; return 1; }
}
desktop_tray_down() {
    [ -n "${desktop_tray_pid:-}" ] || return 0
    kill "$desktop_tray_pid" 2>/dev/null && wait "$desktop_tray_pid" 2>/dev/null; desktop_tray_pid=""
    wait_for 5 eval '[ -z "$(xdotool search --onlyvisible --class "^trayer$" 2>/dev/null)" ]'
}
desktop_program_dir() {  # NAME -> $work/NAME, holding korvale, language files and help
    local dir=$work/$1 from=${korvale_exe%/*}
    mkdir -p "$dir" && cp "$korvale_exe" "$dir/korvale" || return 1
    cp -n "$from"/*.lng "$desktop_build"/*.lng "$dir/" 2>/dev/null ||
        cp -n "$(dirname "${BASH_SOURCE[0]}")"/../../lang/*.lng "$dir/" 2>/dev/null
    cp "$from/korvale.html" "$dir/" 2>/dev/null
    echo "$dir"
}
desktop_tnc_up() {  # DIR
    local dir=$1 capture
    socat pty,raw,echo=0,link="$dir/COM1" pty,raw,echo=0,link="$dir/tnc" >"$dir/socat.log" 2>&1 & desktop_pids+=($!)
    wait_for 5 test -L "$dir/COM1" -a -L "$dir/tnc" || { cat "$dir/socat.log"; return 1; }
    : >"$dir/tnc.bin"
    socat -u OPEN:"$dir/tnc",rawer OPEN:"$dir/tnc.bin",append >"$dir/capture.log" 2>&1 & capture=$! desktop_pids+=($!)
    # Nothing korvale sends may pass before the capture holds the line.
    wait_for 5 eval '[ -n "$(find -L /proc/$capture/fd -samefile "$dir/tnc" 2>/dev/null)" ]'
}
desktop_line_bytes() { bytes_hex <"$1/tnc.bin"; }  # DIR -> what korvale sent so far
desktop_line_is() { [[ "$(desktop_line_bytes "$1")" == $2 ]]; }  # DIR GLOB
desktop_line_has() { desktop_line_is "$1" "*$2*"; }  # DIR BYTES

desktop_korvale_start() {  # DIR; started from $work, it must find DIR by its own path
    (cd "$work" && exec env -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work/runtime" "${desktop_netns[@]}" \
        "$1/korvale" </dev/null >"$1/stdout.log" 2>"$1/stderr.log") &
    korvale_pid=$! korvale_status="" desktop_korvale_pids+=($!)
    korvale_window=$(desktop_window_named '^Korvale - Monitor/Unproto window$' 20)
    [ -n "$korvale_window" ] || { echo "korvale's window did not appear:"; cat "$1/stderr.log"; return 1; }
}
desktop_korvale_wait_exit() {  # DIR SECONDS; sets $korvale_status
    korvale_status=""
    wait_for "$2" eval '! kill -0 "$korvale_pid" 2>/dev/null' && { wait "$korvale_pid"; korvale_status=$?; }
}

# Gives WINDOW the keyboard. twm focuses the window under the pointer, so it
# goes onto the middle of the title bar, where no dropped-down menu opens.
desktop_focus() {  # WINDOW
    local frame=$(desktop_frame_of "$1") WIDTH=0 HEIGHT=0
    eval "$(xdotool getwindowgeometry --shell "$frame" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=')"
    [ "$frame" != "$1" ] && HEIGHT=16
    xdotool mousemove --window "$frame" $((WIDTH / 2)) $((HEIGHT / 2)) 2>/dev/null
    timeout 5 xdotool windowfocus --sync "$1" 2>/dev/null
}
desktop_alt() { xdotool keydown alt key "$1" keyup alt; }  # KEY
desktop_window_named() {  # TITLE_REGEX SECONDS -> a shown window's id
    timeout "$2" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1
}
desktop_no_window_named() { [ -z "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ]; }
desktop_map_state() { xwininfo -id "$1" 2>/dev/null | grep -q "Map State: $2"; }  # WINDOW IsViewable|IsUnMapped
desktop_popup_menu() {  # -> a shown popup menu of korvale: override-redirect, not the tray icon nor a tool tip
    local w
    for w in $(xdotool search --onlyvisible --class '^korvale$' 2>/dev/null); do
        xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' &&
            ! xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q 'TOOLTIP\|_KDE_NET_WM_WINDOW_TYPE_OVERRIDE' &&
            echo "$w" && return 0
    done
    return 1
}
desktop_tray_icon() {  # -> the window trayer embedded for korvale's icon
    local id=$(xwininfo -tree -id "$desktop_tray_panel" 2>/dev/null | awk 'tolower($0) ~ /\("korvale" "korvale"\)/ { print $1; exit }')
    [ -n "$id" ] && printf '%d\n' "$id"
}
desktop_frame_of() {  # WINDOW -> the window manager's frame around it (or itself)
    local w=$1 parent
    parent_of() { [ -n "$1" ] && xwininfo -children -id "$1" 2>/dev/null | awk '/Parent window id:/ { print $4 }'; }
    while parent=$(parent_of "$w") && [ -n "$parent" ] && [ "$(parent_of "$parent")" != 0x0 ]; do w=$parent; done
    printf '%d\n' "$w"
}
desktop_cleanup() {
    local pid i
    for pid in "${desktop_korvale_pids[@]}"; do
        kill -TERM "$pid" 2>/dev/null && ! wait_for 5 eval "! kill -0 $pid 2>/dev/null" && kill -KILL "$pid"
    done
    desktop_tray_down
    for ((i = ${#desktop_pids[@]} - 1; i >= 0; i--)); do kill "${desktop_pids[i]}" 2>/dev/null; done
    wait 2>/dev/null
    [ -n "${work:-}" ] && [ -z "${KORVALE_KEEP_WORK:-}" ] && rm -rf "$work"
    return 0
}
