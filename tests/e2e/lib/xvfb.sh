# Sourced by the whole-program tests that run the player on a virtual X
# server of their own: what they need installed, their processes stopped
# at exit, the server started on a free display number, and the player
# ended with Escape.

# skip_without PACKAGES TOOL...: ends the test as skipped, naming the
# missing TOOLs and the apt PACKAGES that bring them, unless every TOOL is
# installed.
skip_without() {
    local packages="$1" missing="" tool
    shift
    for tool in "$@"; do
        command -v "$tool" >/dev/null 2>&1 || missing="$missing $tool"
    done
    if [ -n "$missing" ]; then
        echo "SKIP: $(basename "$0" .sh) needs:$missing (apt packages $packages)"
        exit 0
    fi
}

# stop_at_exit VAR...: the variables VAR (process ids, empty for none) are
# emptied; at exit the processes they hold then are killed in that order,
# waited for, and the scratch folder $work is removed.
stop_at_exit() {
    local var
    pid_vars=("$@")
    for var in "$@"; do
        printf -v "$var" ''
    done
    trap _stop_processes EXIT
}
_stop_processes() {
    local var pid
    for var in "${pid_vars[@]}"; do
        for pid in ${!var}; do kill "$pid" 2>/dev/null; done
    done
    for var in "${pid_vars[@]}"; do
        for pid in ${!var}; do wait "$pid" 2>/dev/null; done
    done
    rm -rf "$work"
}

# start_xvfb SCREEN LOG [OPTION...]: a virtual X server with one screen of
# SCREEN (WIDTHxHEIGHTxDEPTH) on a free display number, without TCP, the
# OPTIONs added (such as -noreset); its output goes to LOG and its process
# id to xvfb_pid.  DISPLAY names it once it has told its display number;
# false when it has not within 10 s, or ended first.  Whether it takes
# connections yet is for the caller to wait for (x_ready in wait.sh).
start_xvfb() {
    local screen="$1" log="$2" number
    shift 2
    number="$(mktemp)"
    Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp "$@" 3>"$number" >"$log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$number" ] && break
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ ! -s "$number" ]; then
        rm -f "$number"
        return 1
    fi
    DISPLAY=":$(head -n 1 "$number")"
    export DISPLAY
    rm -f "$number"
}

# player_ended: true once the player ($player_pid) has ended.
player_ended() { ! kill -0 "$player_pid" 2>/dev/null; }

# escape_ends_player FOCUS...: runs FOCUS (which gives the player's window
# the keyboard) and presses Escape until the player ($player_pid) ends, up
# to three times, 10 s each; then player_status holds its exit code and
# player_pid is emptied.  False when the player is still running.
escape_ends_player() {
    local attempt
    for attempt in 1 2 3; do
        "$@"
        xdotool key Escape
        if poll 10 player_ended; then
            wait "$player_pid"
            # shellcheck disable=SC2034 # for the caller
            player_status=$?
            player_pid=""
            return 0
        fi
        echo "   the player goes on after Escape (attempt $attempt)"
    done
    return 1
}
