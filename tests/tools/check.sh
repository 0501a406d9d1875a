# Sourced by the shell tests: check DESCRIPTION COMMAND... runs the command as a condition and
# counts it; check_summary prints the counts and fails when a check failed.
failures=0
passed=0
check() {
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; passed=$((passed + 1)); else echo "FAILED: $what"; failures=$((failures + 1)); fi
}
check_summary() {
    echo "$passed passed, $failures failed"
    [ "$failures" = 0 ]
}
