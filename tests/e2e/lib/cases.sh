# Sourced by the whole-program tests that run a program through a list of
# cases and count the failures (command_line.sh, zip_and_verbose.sh,
# render_options.sh, render_stats.sh, untrusted_files.sh): a scratch
# folder $work, removed at the end; the count $failures; fail, check and
# finish.

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

# fail WHAT: one failed case, counted; the test goes on.
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# check NAME STATUS STREAM PATTERN LINES -- ARGS...: runs under_test ARGS
# (a function of the sourcing test: its program, bounded in time) in $work,
# or in $here when set, with its output in $work/out and $work/err; then
# checks its exit status, that STREAM (out or err) matches PATTERN and that
# STREAM has LINES lines (any: as many as it likes).
check() {
    local name=$1 want=$2 stream=$3 pattern=$4 lines=$5
    shift 6
    (cd "${here:-$work}" && under_test "$@" > "$work/out" 2> "$work/err")
    local got=$?
    if [ "$got" != "$want" ]; then
        fail "$name: exit status $got, not $want (stderr: $(cat "$work/err"))"
    elif ! grep -q -- "$pattern" "$work/$stream"; then
        fail "$name: $stream does not say '$pattern': $(cat "$work/$stream")"
    elif [ "$lines" != any ] && [ "$(wc -l < "$work/$stream")" != "$lines" ]; then
        fail "$name: $stream has $(wc -l < "$work/$stream") lines, not $lines"
    else
        echo "ok: $name"
    fi
}

# finish PASSED: ends the test, failed when a case failed, else saying
# PASSED.
finish() {
    if [ "$failures" != 0 ]; then
        echo "$failures failed"
        exit 1
    fi
    echo "$1"
    exit 0
}
