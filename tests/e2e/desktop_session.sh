# Drives the desktop program `korvale` under a virtual X server (Xvfb, twm,
# trayer); sourced by desktop_run.sh and scripts/screenshots.sh. Each
# function says what it takes. Bytes are hex pairs each after a space
# (" c0 00 96"), so a pattern only matches on byte boundaries.

desktop_pids=()       # helpers, ended in reverse order
desktop_korvale_dirs=()
korvale_window=""
korvale_status=""
desktop_netns=()      # prefix that runs korvale in a network namespace of its own

desktop_skip() {
    echo "SKIP: $*"
    return 77
}

desktop_log() {
    [ -n "${desktop_quiet:-}" ] || echo "# $*"
}

desktop_wait() {  # SECONDS COMMAND...: retries COMMAND every 0.1 s
    local limit=$(($1 * 10)) i
    shift
    for ((i = 0; i < limit; i++)); do
        "$@" && return 0
        sleep 0.1
    done
    "$@"
}

desktop_find_korvale() {  # BUILD_DIR -> path of the built korvale
    local candidate
    for candidate in "$1/korvale" "$1/src/desktop/korvale" "$1/bin/korvale"; do
        [ -x "$candidate" ] && [ -f "$candidate" ] && { echo "$candidate"; return 0; }
    done
    return 1
}

desktop_session_up() {  # BUILD_DIR: sets DISPLAY, $work, $korvale_exe; 77 when a tool is missing
    desktop_build=$(cd "$1" && pwd) || return 1
    local tool
    for tool in Xvfb twm trayer xdotool xwininfo xprop socat od timeout; do
        command -v "$tool" >/dev/null || { desktop_skip "$tool is not installed"; return; }
    done
    if ! korvale_exe=$(desktop_find_korvale "$desktop_build"); then
        echo "no korvale executable in $desktop_build (was the korvale target built?)"
        return 1
    fi
    work=$(mktemp -d /tmp/korvale-desktop.XXXXXX) || return 1
    mkdir -m 700 "$work/runtime"

    # Xvfb writes the free display it picked once it takes clients.
    Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp -noreset \
        5>"$work/display" >"$work/xvfb.log" 2>&1 &
    desktop_pids+=($!)
    if ! desktop_wait 15 grep -qs '^[0-9]' "$work/display"; then
        echo "Xvfb did not start:"; cat "$work/xvfb.log"
        return 1
    fi
    DISPLAY=":$(head -n 1 "$work/display")"
    export DISPLAY
    desktop_log "virtual X server on $DISPLAY"

    # twm with the server's own font, windows where the program puts them.
    cat >"$work/twmrc" <<'TWMRC'
TitleFont "fixed"
ResizeFont "fixed"
MenuFont "fixed"
IconFont "fixed"
IconManagerFont "fixed"
UsePPosition "on"
RandomPlacement
NoGrabServer
DecorateTransients
NoTitle { "panel" "trayer" }
TWMRC
    LC_ALL=C twm -f "$work/twmrc" >"$work/twm.log" 2>&1 &
    desktop_pids+=($!)
    # twm makes its icon manager window when it has taken the screen.
    if ! timeout 10 xdotool search --sync --name '^TWM Icon Manager$' >/dev/null; then
        echo "twm did not start:"; cat "$work/twm.log"
        return 1
    fi

    trayer --edge bottom --align right --widthtype pixel --width 120 \
        --heighttype pixel --height 28 --transparent false --SetDockType true \
        >"$work/trayer.log" 2>&1 &
    desktop_pids+=($!)
    if ! desktop_tray_panel=$(timeout 10 xdotool search --sync --onlyvisible --class '^trayer$' | head -n 1) ||
        [ -z "$desktop_tray_panel" ]; then
        echo "trayer did not start:"; cat "$work/trayer.log"
        return 1
    fi

    # As root, korvale's TAP adapter goes in a network namespace of its own.
    if [ "$(id -u)" -eq 0 ] && command -v unshare >/dev/null && unshare --net true 2>/dev/null; then
        desktop_netns=(unshare --net --)
    fi
    return 0
}

desktop_program_dir() {  # NAME -> $work/NAME with korvale, its language files and help page
    local dir=$work/$1 lang
    mkdir -p "$dir" || return 1
    cp "$korvale_exe" "$dir/korvale" || return 1
    for lang in "$(dirname "$korvale_exe")"/*.lng "$desktop_build"/*.lng; do
        [ -f "$lang" ] && cp -n "$lang" "$dir/"
    done
    if ! ls "$dir"/*.lng >/dev/null 2>&1; then
        cp "$(dirname "${BASH_SOURCE[0]}")"/../../lang/*.lng "$dir/" 2>/dev/null
    fi
    [ -f "$(dirname "$korvale_exe")/korvale.html" ] && cp "$(dirname "$korvale_exe")/korvale.html" "$dir/"
    echo "$dir"
}

desktop_holds() {  # PID FILE: whether PID holds FILE open
    local fd target
    target=$(readlink -f "$2") || return 1
    for fd in /proc/"$1"/fd/*; do
        [ "$(readlink -f "$fd" 2>/dev/null)" = "$target" ] && return 0
    done
    return 1
}

desktop_tnc_up() {  # DIR: a pty pair for the TNC, DIR/COM1 korvale's end; DIR/tnc.bin keeps what it sends
    local dir=$1
    socat -d -d pty,raw,echo=0,link="$dir/COM1" pty,raw,echo=0,link="$dir/tnc" \
        >"$dir/socat.log" 2>&1 &
    desktop_pids+=($!)
    if ! desktop_wait 5 test -L "$dir/COM1" -a -L "$dir/tnc"; then
        echo "socat made no pty pair:"; cat "$dir/socat.log"
        return 1
    fi
    : >"$dir/tnc.bin"
    socat -u OPEN:"$dir/tnc",rawer OPEN:"$dir/tnc.bin",append >"$dir/capture.log" 2>&1 &
    local capture=$!
    desktop_pids+=("$capture")
    # Nothing korvale sends may pass before the capture reads the line.
    desktop_wait 5 desktop_holds "$capture" "$dir/tnc" || {
        echo "the capture did not open the TNC end:"; cat "$dir/capture.log"
        return 1
    }
}

desktop_tnc_send() {  # DIR BYTES: as the TNC would send them
    printf '%b' "${2// /\\x}" >"$1/tnc"
}

desktop_line_bytes() {  # DIR -> what korvale sent so far, " xx xx ..."
    od -An -v -tx1 "$1/tnc.bin" | tr -d '\n' | tr -s ' ' | sed 's/ $//'
}

desktop_line_has() {  # DIR BYTES
    [[ "$(desktop_line_bytes "$1")" == *"$2"* ]]
}

desktop_line_starts_with() {  # DIR BYTES
    [[ "$(desktop_line_bytes "$1")" == "$2"* ]]
}

desktop_line_ends_with() {  # DIR BYTES
    [[ "$(desktop_line_bytes "$1")" == *"$2" ]]
}

text_hex() {  # TEXT -> " xx xx ..."
    printf '%s' "$1" | od -An -v -tx1 | tr -d '\n' | tr -s ' ' | sed 's/ $//'
}

# An AX.25 address field: shifted characters and spaces, 0x60 | SSID << 1 | FLAGS.
ax25_address_hex() {  # CALL[-SSID] FLAGS
    local text=${1^^} flags=$2 call ssid=0 out="" byte i c
    call=${text%%-*}
    [[ $text == *-* ]] && ssid=${text#*-}
    for ((i = 0; i < 6; i++)); do
        c=${call:i:1}
        if [ -n "$c" ]; then
            printf -v byte ' %02x' $(($(printf '%d' "'$c") << 1))
        else
            byte=' 40'
        fi
        out+=$byte
    done
    printf -v byte ' %02x' $((0x60 | (ssid << 1) | flags))
    echo "$out$byte"
}

kiss_escape_hex() {  # BYTES: FEND and FESC escaped
    sed -e 's/ db/ db dd/g' -e 's/ c0/ db dc/g' <<<"$1"
}

# The KISS data frame of an AX.25 frame without digipeaters.
ax25_kiss_hex() {  # SOURCE DEST command|response CONTROL [PID INFO_BYTES]
    local dest_flags=0x80 source_flags=0x01 frame
    if [ "$3" = response ]; then
        dest_flags=0x00
        source_flags=0x81
    fi
    frame="$(ax25_address_hex "$2" $dest_flags)$(ax25_address_hex "$1" $source_flags) $4"
    [ $# -ge 5 ] && frame+=" $5${6:-}"
    echo " c0 00$(kiss_escape_hex "$frame") c0"
}

ax25_ui_kiss_hex() {  # SOURCE DEST PID INFO_BYTES
    ax25_kiss_hex "$1" "$2" command 03 "$3" "$4"
}

desktop_korvale_start() {  # DIR: starts DIR/korvale, waits for $korvale_window
    local dir=$1
    rm -f "$dir/korvale.pid" "$dir/korvale.status"
    korvale_window=""
    korvale_status=""
    desktop_korvale_dirs+=("$dir")
    # From $work: it must find its directory by the path it was started by.
    (
        cd "$work" || exit 1
        env -u QT_QPA_PLATFORM XDG_RUNTIME_DIR="$work/runtime" \
            "${desktop_netns[@]}" "$dir/korvale" </dev/null >"$dir/stdout.log" 2>"$dir/stderr.log" &
        echo $! >"$dir/korvale.pid"
        wait $!
        echo $? >"$dir/korvale.status"
    ) &
    desktop_wait 5 test -s "$dir/korvale.pid" || return 1
    korvale_pid=$(cat "$dir/korvale.pid")
    korvale_window=$(timeout 20 xdotool search --sync --onlyvisible \
        --name '^Korvale - Monitor/Unproto window$' 2>/dev/null | head -n 1)
    if [ -z "$korvale_window" ]; then
        echo "korvale's window did not appear; its stderr:"
        cat "$dir/stderr.log"
        return 1
    fi
}

desktop_korvale_ended() {  # DIR
    [ -s "$1/korvale.status" ]
}

desktop_korvale_wait_exit() {  # DIR SECONDS: sets $korvale_status
    if desktop_wait "$2" desktop_korvale_ended "$1"; then
        korvale_status=$(cat "$1/korvale.status")
        return 0
    fi
    korvale_status=""
    return 1
}

# Gives WINDOW the keyboard: twm focuses the window under the pointer, put on
# the title bar so that no menu dropping down opens under it.
desktop_focus() {  # WINDOW
    local window=$1 frame WIDTH=0 HEIGHT=0
    frame=$(desktop_frame_of "$window")
    eval "$(xdotool getwindowgeometry --shell "$frame" 2>/dev/null | grep -E '^(WIDTH|HEIGHT)=')"
    if [ "$frame" != "$window" ]; then
        xdotool mousemove --window "$frame" $((WIDTH / 2)) 8 2>/dev/null
    else
        xdotool mousemove --window "$window" $((WIDTH / 2)) $((HEIGHT / 2)) 2>/dev/null
    fi
    timeout 5 xdotool windowfocus --sync "$window" 2>/dev/null
}

desktop_alt() {  # KEY: Alt held around it
    xdotool keydown alt key "$1" keyup alt
}

desktop_window_named() {  # TITLE_REGEX SECONDS -> window id of a shown window
    timeout "$2" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1
}

desktop_no_window_named() {  # TITLE_REGEX
    [ -z "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ]
}

desktop_window_mapped() {  # WINDOW
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

desktop_window_unmapped() {  # WINDOW
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsUnMapped'
}

# A popup menu of korvale: shown, override-redirect, not a tool tip.
desktop_popup_menu() {  # -> window id
    local w
    for w in $(xdotool search --onlyvisible --class '^korvale$' 2>/dev/null); do
        xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' || continue
        xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q 'TOOLTIP\|_KDE_NET_WM_WINDOW_TYPE_OVERRIDE' &&
            continue
        echo "$w"
        return 0
    done
    return 1
}

desktop_tray_icon() {  # the window trayer embedded for korvale's icon  # -> window id
    local id
    id=$(xwininfo -tree -id "$desktop_tray_panel" 2>/dev/null |
        awk 'tolower($0) ~ /\("korvale" "korvale"\)/ { print $1; exit }')
    [ -n "$id" ] && printf '%d\n' "$id"
}

desktop_frame_of() {  # WINDOW -> its window manager frame, or itself
    local w=$1 parent
    while :; do
        parent=$(xwininfo -children -id "$w" 2>/dev/null | awk '/Parent window id:/ { print $4 }')
        [ -z "$parent" ] && break
        [ "$(xwininfo -children -id "$parent" 2>/dev/null | awk '/Parent window id:/ { print $4 }')" = "0x0" ] && break
        w=$parent
    done
    printf '%d\n' "$w"
}

desktop_screenshot() {  # FILE
    command -v import >/dev/null && import -window root "$1" 2>/dev/null
}

desktop_cleanup() {
    local dir pid i
    for dir in "${desktop_korvale_dirs[@]}"; do
        pid=$(cat "$dir/korvale.pid" 2>/dev/null) || continue
        desktop_korvale_ended "$dir" && continue
        kill -TERM "$pid" 2>/dev/null
        for ((i = 0; i < 50; i++)); do
            desktop_korvale_ended "$dir" && break
            sleep 0.1
        done
        desktop_korvale_ended "$dir" || kill -KILL "$pid" 2>/dev/null
    done
    for ((i = ${#desktop_pids[@]} - 1; i >= 0; i--)); do
        kill "${desktop_pids[i]}" 2>/dev/null
    done
    wait 2>/dev/null
    [ -n "${work:-}" ] && [ -z "${KORVALE_KEEP_WORK:-}" ] && rm -rf "$work"
    return 0
}
