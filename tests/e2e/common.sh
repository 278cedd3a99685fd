# Helpers of the end-to-end scripts (sourced): checks, skips and waits.
failures=0
# check DESCRIPTION COMMAND...: runs COMMAND, says how it went and counts a
# failure (calling check_failed, if the script defines one).
check() {
    local what=$1
    shift
    "$@" && { echo "ok: $what"; return 0; }
    failures=$((failures + 1))
    echo "FAILED: $what"
    ! declare -F check_failed >/dev/null || check_failed
    return 1
}
skip() { echo "SKIP: $*"; return 77; }
need_tools() {  # need_tools TOOL...: skips unless all are installed
    local tool
    for tool; do command -v "$tool" >/dev/null || { skip "$tool is not installed"; return; }; done
}
# wait_for SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds.
wait_for() {
    local i limit=$(($1 * 10))
    shift
    for ((i = 0; i < limit; i++)); do "$@" && return 0; sleep 0.1; done
    "$@"
}
