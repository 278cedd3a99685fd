# The end-to-end scripts' one check: runs COMMAND and says how it went;
# $failures counts the failed ones. A script may define check_failed, called
# with that count after each failure, to keep evidence.
failures=0
check() {  # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then
        echo "ok: $what"
    else
        failures=$((failures + 1))
        echo "FAILED: $what"
        if declare -F check_failed >/dev/null; then check_failed "$failures"; fi
    fi
}
