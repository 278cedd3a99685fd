# Helpers of the end-to-end scripts (sourced): checks, skips, waits, bytes.
failures=0
check() {  # check WHAT COMMAND...: says how COMMAND went; a failure counts and calls check_failed
    "${@:2}" && { echo "ok: $1"; return 0; }
    failures=$((failures + 1))
    echo "FAILED: $1"
    ! declare -F check_failed >/dev/null || check_failed
    return 1
}
skip() { echo "SKIP: $*"; return 77; }
need_tools() { local t; for t; do command -v "$t" >/dev/null || { skip "$t is not installed"; return; }; done; }  # TOOL...
wait_for() {  # SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds
    local i
    for ((i = 0; i < $1 * 10; i++)); do "${@:2}" && return 0; sleep 0.1; done
    "${@:2}"
}

# Bytes are hex pairs each after a space (" c0 00 96"): a pattern matches on byte boundaries only.
bytes_hex() { od -An -v -tx1 | tr -d '\n' | tr -s ' ' | sed 's/ $//'; }  # stdin -> " xx xx"
hex_bytes() { printf '%b' "${1// /\\x}"; }  # " xx xx" -> the bytes on stdout
text_hex() { printf '%s' "$1" | bytes_hex; }
# One AX.25 address: the callsign's characters (space padded to six) shifted
# left by one, then 0x60 | SSID << 1 | FLAGS (0x80 C bit, 0x01 last address).
ax25_address_hex() {  # CALL[-SSID] FLAGS
    local text=${1^^} call ssid=0 out="" i
    call=${text%%-*}
    [[ $text == *-* ]] && ssid=${text#*-}
    for ((i = 0; i < 6; i++)); do out+=$(printf ' %02x' $(($(printf '%d' "'${call:i:1} ") << 1))); done
    printf '%s %02x\n' "$out" $((0x60 | (ssid << 1) | $2))
}
# The KISS data frame (port 0, escaped) of an AX.25 frame without digipeaters;
# the C bit on the destination for a command, on the source for a response.
ax25_kiss_hex() {  # SOURCE DEST command|response CONTROL [PID INFO_BYTES]
    local flags=(0x80 0x01) frame
    [ "$3" = response ] && flags=(0x00 0x81)
    frame="$(ax25_address_hex "$2" ${flags[0]})$(ax25_address_hex "$1" ${flags[1]}) $4"
    [ $# -ge 5 ] && frame+=" $5${6:-}"
    echo " c0 00$(sed -e 's/ db/ db dd/g' -e 's/ c0/ db dc/g' <<<"$frame") c0"
}
ax25_ui_kiss_hex() { ax25_kiss_hex "$1" "$2" command 03 "$3" "$4"; }  # SOURCE DEST PID INFO_BYTES
