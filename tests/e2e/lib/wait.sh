# Sourced by the whole-program tests (tests/e2e, tests/wine): waiting on
# what can be seen rather than for a fixed time, and keeping what a failed
# step saw.
#
# A test sets kept_dir (where evidence of a failure goes) before it calls
# keep.

# poll SECONDS COMMAND...: runs COMMAND until it succeeds, every
# $poll_interval seconds (default 0.1); false when SECONDS have passed first.
# COMMAND runs at least once, and once more at the deadline.
poll() {
    local limit="$1"
    shift
    local deadline
    deadline=$(($(date +%s%N) / 1000000 + $(awk -v s="$limit" 'BEGIN { printf "%d", s * 1000 }')))
    while :; do
        "$@" && return 0
        [ "$(($(date +%s%N) / 1000000))" -ge "$deadline" ] && break
        sleep "${poll_interval:-0.1}"
    done
    "$@"
}

# keep FILE...: copies evidence of a failure (screenshots, logs) into
# $kept_dir and prints where each went.
keep() {
    local file
    mkdir -p "$kept_dir" || return 0
    for file in "$@"; do
        [ -f "$file" ] || continue
        cp "$file" "$kept_dir/" && echo "   kept: $kept_dir/$(basename "$file")"
    done
}

# kept_folder BUILD_DIR NAME: a fresh folder for the evidence of one run of
# the test NAME, under BUILD_DIR/test-failures (made only when something
# is kept).
kept_folder() {
    echo "$1/test-failures/$2-$(date +%Y%m%d-%H%M%S)-$$"
}

# The virtual X servers run with -noreset: an X server resets itself when
# its last client goes, and a client that connects during the reset (the
# next xdotool, the window manager, the next program) is turned away.

# x_ready: true once the X server on $DISPLAY takes connections.
x_ready() {
    xprop -root >/dev/null 2>&1
}

# wm_running: true once a window manager has announced itself on $DISPLAY.
wm_running() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'
}

# window_look WINDOW: a digest of the X window's pixels now (empty when it
# cannot be read).
window_look() {
    "${magick_import:-import}" -silent -window "$1" rgb:- 2>/dev/null | md5sum | awk '$1 != "d41d8cd98f00b204e9800998ecf8427e" { print $1 }'
}

# window_settled WINDOW: waits (up to 3 s) until two looks at the window
# 0.2 s apart agree, so that a drawing still under way is not taken for the
# effect of the next key; prints the settled look.
window_settled() {
    local before now i
    before="$(window_look "$1")"
    for i in $(seq 15); do
        sleep 0.2
        now="$(window_look "$1")"
        [ -n "$now" ] && [ "$now" = "$before" ] && break
        before="$now"
    done
    echo "$now"
}

# key_seen WINDOW KEY: presses KEY (sent to the window that has the
# keyboard focus) and waits until WINDOW looks different.  A key that
# changed nothing within 3 s is taken for lost and sent again, up to three
# times in all; false when none took.
key_seen() {
    local window="$1" key="$2" before attempt
    before="$(window_settled "$window")"
    for attempt in 1 2 3; do
        xdotool key "$key"
        poll 3 _looks_other "$window" "$before" && return 0
        echo "   (no sign of the key $key; sending it again)"
    done
    return 1
}
_looks_other() {
    local now
    now="$(window_look "$1")"
    [ -n "$now" ] && [ "$now" != "$2" ]
}
