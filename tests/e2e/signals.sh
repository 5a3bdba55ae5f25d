#!/bin/bash
# Ctrl+C, SIGTERM and SIGHUP end the player through its normal shutdown,
# with the status 128 + the signal, within a second: while the launcher
# waits for a choice, and while the show plays full screen.
source "$(dirname "$0")/launcher_common.inc"

# A second at most; an address-sanitized build runs its last turn and its
# shutdown several times slower, and gets three.
bound_ms=1000
if ldd "$player" 2>/dev/null | grep -q libasan; then bound_ms=3000; fi

# ends_within_a_second SIGNAL STATUS WHERE: sends the signal to the running
# player and checks how soon, and with which status, it ends.
ends_within_a_second() {
    local signal=$1 status=$2 where=$3 start now elapsed
    start=$(date +%s%N)
    kill "-$signal" "$player_pid"
    rc=""
    while kill -0 "$player_pid" 2>/dev/null; do
        now=$(date +%s%N)
        if [ $(((now - start) / 1000000)) -gt 5000 ]; then
            fail "$where: SIG$signal did not end the player within 5 s"
            kill -9 "$player_pid" 2>/dev/null
            wait "$player_pid" 2>/dev/null
            return
        fi
        sleep 0.02
    done
    wait "$player_pid"
    rc=$?
    elapsed=$((($(date +%s%N) - start) / 1000000))
    echo "$where: SIG$signal ended the player in $elapsed ms with status $rc"
    [ "$rc" = "$status" ] || fail "$where: SIG$signal gave status $rc, not $status"
    [ "$elapsed" -le "$bound_ms" ] || fail "$where: SIG$signal took $elapsed ms to end the player"
}

# show_is_playing: the full screen shows the script's red picture.
show_is_playing() {
    local i span
    for i in $(seq 100); do
        if [ -n "$(visible_screen_windows)" ]; then
            screenshot "$work/show.png"
            span="$(red_span "$work/show.png" 512)"
            [ -n "$span" ] && return 0
        fi
        kill -0 "$player_pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

start_display
new_show "Signal Show" "LBMP 00 red.bmp" "SBMP 00 0.000 0.000"
write_red_bmp "$show/data/gfx/red.bmp"

for pair in INT:130 TERM:143 HUP:129; do
    signal=${pair%%:*}
    status=${pair##*:}

    # At the launcher, blocked in its wait for the next event.
    launcher=""
    start_player
    if find_launcher; then
        ends_within_a_second "$signal" "$status" "launcher"
    else
        fail "launcher: no launcher window appeared"
        kill -9 "$player_pid" 2>/dev/null
    fi

    # During the show.  Without a toolkit display the launcher cannot ask,
    # so the show opens at once in the first mode.
    start_player GDK_BACKEND=wayland WAYLAND_DISPLAY=rodazaro-none
    if show_is_playing; then
        ends_within_a_second "$signal" "$status" "show"
    else
        screenshot "$work/failed-show-$signal.png" 2>/dev/null
        fail "show: the picture never appeared full screen"
        kill -9 "$player_pid" 2>/dev/null
    fi
    [ -z "$(visible_screen_windows)" ] || fail "show: a screen window is left after SIG$signal"
done
finish
