#!/bin/bash
# The real player on the demo presentation, full screen on a virtual X server
# with a window manager: twenty times during the show another window
# (xmessage) takes the focus, stays in front for half a second and closes.
# After each switch back the scene must be on the screen again within 1 s
# (not one colour, and alike the picture shown just before the switch).  At
# the end one more switch, and Escape pressed as soon as the focus is back,
# while the player restores its screen, must end it with exit code 0 within
# 1 s.  An address-sanitized player draws several times slower: it has 3 s,
# which still tells a restore that works from one that stalls.
#
# The player draws with SDL's software renderer, as on a machine without a
# graphics card; RODAZARO_RENDERER in the environment chooses another.
#
# Every wait polls something that can be seen (a window, the focus, the
# screen's pixels, the process) against a time limit.  A failure names its
# step and keeps the screenshot it was looking at.
#
# Usage: focus_xvfb.sh <path-to-rodazaro> <source-dir>
set -u

player=$(realpath "${1:?path to the player}")
source_dir=$(realpath "${2:?source folder}")
demo="$source_dir/examples/demo"
probe_script="$source_dir/tests/e2e/lib/xscreen.py"
title=$(head -n 1 "$demo/data/vuze.kel" | tr -d '\r')
# shellcheck source=lib/xvfb.sh
source "$(dirname "$0")/lib/xvfb.sh"

switches=20
return_limit_ms=1000
escape_limit_ms=1000
away_ms=500
alike=0.25            # screen difference still counted as the same scene
if ldd "$player" 2> /dev/null | grep -q libasan; then
    return_limit_ms=3000
    escape_limit_ms=3000
fi

skip_without "xvfb matchbox-window-manager xdotool x11-utils wmctrl python3" \
    Xvfb matchbox-window-manager xdotool xmessage wmctrl python3

work=$(mktemp -d)
stop_at_exit away_pid player_pid probe_pid wm_pid xvfb_pid

now_ns() { date +%s%N; }
ms_since() { echo $((($(now_ns) - $1) / 1000000)); }

# The screen watcher (tests/e2e/lib/xscreen.py), one command a line.
probe() {
    [ -n "$probe_pid" ] || return 1
    echo "$*" >&"${PROBE[1]}" || return 1
    reply=""
    read -r -t 30 reply <&"${PROBE[0]}" || return 1
    [ "${reply%% *}" = ok ]
}

# fail STEP MESSAGE: the step that failed, what was seen, and the screen
# kept where it outlives the test.
fail() {
    local step="$1"
    shift
    echo "FAIL: $step: $*"
    local kept
    kept=$(mktemp -d "${TMPDIR:-/tmp}/focus_xvfb.XXXXXX")
    if probe save "$kept/$step.png"; then
        echo "the screen at that step: $kept/$step.png"
    elif command -v import > /dev/null 2>&1 && import -window root "$kept/$step.png" 2> /dev/null; then
        echo "the screen after that step: $kept/$step.png"
    fi
    cp "$work/player.log" "$kept/player.log" 2> /dev/null
    echo "--- player output"
    cat "$work/player.log" 2> /dev/null
    exit 1
}

player_running() { kill -0 "$player_pid" 2> /dev/null; }

# The X server and its window manager.  A start that does not come up (a
# display number taken at the same moment by another server) is tried again.
start_display() {
    start_xvfb 1024x768x24 "$work/xvfb.log" || return 1
    for _ in $(seq 50); do
        xdotool getdisplaygeometry > /dev/null 2>&1 && break
        sleep 0.1
    done
    xdotool getdisplaygeometry > /dev/null 2>&1 || return 1
    matchbox-window-manager -use_titlebar no > "$work/wm.log" 2>&1 &
    wm_pid=$!
    for _ in $(seq 100); do
        wmctrl -m > /dev/null 2>&1 && return 0
        kill -0 "$wm_pid" 2> /dev/null || return 1
        sleep 0.1
    done
    return 1
}
started=0
for attempt in 1 2 3; do
    start_display && started=1 && break
    echo "start: the X server or its window manager did not come up (attempt $attempt); again"
    for pid in $wm_pid $xvfb_pid; do
        kill "$pid" 2> /dev/null
        wait "$pid" 2> /dev/null
    done
    wm_pid=""
    xvfb_pid=""
done
[ "$started" = 1 ] || fail start "no X server with a window manager: $(cat "$work/xvfb.log" "$work/wm.log" 2> /dev/null)"

coproc PROBE { exec python3 "$probe_script"; }
probe_pid=$PROBE_PID

# The player in the demo's folder; sound goes nowhere.
unset SDL_VIDEODRIVER
# It remembers the mode played in a state folder of the test's own.
(cd "$demo" && exec env SDL_AUDIODRIVER=dummy XDG_STATE_HOME="$work/state" \
    RODAZARO_RENDERER="${RODAZARO_RENDERER:-software}" "$player") \
    > "$work/player.log" 2>&1 &
player_pid=$!

# The launcher: "Run" with the first mode (1024x768x32).  Its button fills
# the lower half of its client area (150 x 40, wider for a long caption).
launcher=""
for _ in $(seq 150); do
    player_running || fail launcher "the player ended early"
    launcher=$(xdotool search --onlyvisible --name "^RodaZaro - " 2> /dev/null | head -n 1)
    [ -n "$launcher" ] && break
    sleep 0.1
done
[ -n "$launcher" ] || fail launcher "no launcher window"

# screen_window: the player's full-screen window in $screen, when it shows.
screen_window() {
    local window width
    screen=""
    for window in $(xdotool search --onlyvisible --pid "$player_pid" 2> /dev/null); do
        [ "$(xdotool getwindowname "$window" 2> /dev/null)" = "$title" ] || continue
        width=$(xdotool getwindowgeometry "$window" 2> /dev/null | awk '/Geometry:/ { split($2, s, "x"); print s[1] }')
        [ -n "$width" ] && [ "$width" -ge 640 ] && screen=$window && return 0
    done
    return 1
}

screen=""
for attempt in 1 2 3; do
    # Its geometry holds still: it is laid out.
    before=""
    for _ in $(seq 50); do
        now=$(xdotool getwindowgeometry "$launcher" 2> /dev/null | tr -s ' ')
        [ -n "$now" ] && [ "$now" = "$before" ] && break
        before=$now
        sleep 0.1
    done
    xdotool mousemove --window "$launcher" 75 35 click 1
    for _ in $(seq 50); do
        player_running || fail launcher "the player ended early"
        screen_window && break 2
        sleep 0.1
    done
    # The launcher is gone: the press was taken and the screen is on its way.
    xdotool getwindowname "$launcher" > /dev/null 2>&1 || break
    # A click that opened the mode list instead: close it and press again.
    echo "launcher: Run press $attempt was not taken; again"
    xdotool key Escape
done
for _ in $(seq 100); do
    [ -n "$screen" ] && break
    player_running || fail launcher "the player ended early"
    screen_window && break
    sleep 0.1
done
[ -n "$screen" ] || fail launcher "the presentation's screen never opened"

# The stars fade in during the first seconds: wait until the picture has
# something in it.
shown=0
for _ in $(seq 150); do
    player_running || fail first-scene "the player ended early"
    if probe keep scene; then
        deviation=$(echo "$reply" | awk '{ print $3 }')
        awk -v d="$deviation" 'BEGIN { exit !(d >= 0.015) }' && shown=1 && break
    fi
    sleep 0.1
done
[ "$shown" = 1 ] || fail first-scene "the demo's scene never showed (${reply:-no answer from the screen watcher})"

# has_focus WINDOW: true when WINDOW has the keyboard focus.
has_focus() { [ "$(xdotool getwindowfocus 2> /dev/null)" = "$1" ]; }

# focus_on WINDOW STEP: waits until WINDOW has the focus, asking the window
# manager again when it does not come (a lost request).
focus_on() {
    local ask
    for ask in 1 2 3; do
        for _ in $(seq 20); do
            has_focus "$1" && return 0
            sleep 0.05
        done
        timeout 5 xdotool windowactivate "$1" > /dev/null 2>&1
    done
    has_focus "$1" || fail "$2" "window $1 never got the focus (the focus is on $(xdotool getwindowfocus 2> /dev/null))"
}

# switch_away NUMBER STEP: another window takes the focus and stays in
# front for a while, keeping it.
switch_away() {
    local number="$1" step="$2" start
    player_running || fail "$step" "the player ended before the switch"
    probe keep scene || fail "$step" "the scene is not on the screen before the switch: ${reply:-no answer}"
    xmessage -title "focus away $number" -center "Switched away ($number)" > /dev/null 2>&1 &
    away_pid=$!
    away=""
    for _ in $(seq 100); do
        away=$(xdotool search --onlyvisible --name "^focus away $number\$" 2> /dev/null | head -n 1)
        [ -n "$away" ] && break
        sleep 0.05
    done
    [ -n "$away" ] || fail "$step" "the other window never showed"
    focus_on "$away" "$step"
    probe other scene "$(now_ns)" 3000 "$alike" ||
        fail "$step" "the screen still shows the scene with the other window in front: $reply"
    start=$(now_ns)
    while [ "$(ms_since "$start")" -lt "$away_ms" ]; do
        has_focus "$away" || fail "$step" "the other window lost the focus while in front"
        player_running || fail "$step" "the player ended while switched away"
        sleep 0.05
    done
}

# close_away: the other window closes; the window manager gives the focus
# back to the player.  $closed is when.
close_away() {
    closed=$(now_ns)
    kill "$away_pid"
    wait "$away_pid" 2> /dev/null
    away_pid=""
}

times=""
for switch in $(seq "$switches"); do
    switch_away "$switch" "switch-$switch-away"
    close_away
    probe scene scene "$closed" "$return_limit_ms" "$alike" ||
        fail "switch-$switch-return" "the scene was not back within $return_limit_ms ms (ms, deviation, difference: $reply)"
    times="$times $(echo "$reply" | awk '{ print $2 }')"
    player_running || fail "switch-$switch-return" "the player ended"
    has_focus "$screen" || focus_on "$screen" "switch-$switch-return"
done
echo "scene back after each switch (ms):$times"

# One more switch, and Escape as soon as the focus is back, while the player
# is still restoring its screen: it must end the show within 1 s.  A key
# press that went to another window (the focus moved on) is sent again, a
# bounded number of times; one the player's window got must be honoured.
switch_away $((switches + 1)) escape-away
close_away
status=""
for attempt in 1 2 3; do
    player_running || fail escape "the player ended before Escape"
    focus_on "$screen" escape
    pressed=$(now_ns)
    xdotool key Escape
    while [ "$(ms_since "$pressed")" -le "$escape_limit_ms" ]; do
        if ! player_running; then
            took=$(ms_since "$pressed")
            wait "$player_pid"
            status=$?
            break 2
        fi
        sleep 0.02
    done
    has_focus "$screen" &&
        fail escape "the player had the focus but did not end within $escape_limit_ms ms of Escape"
    echo "escape: the focus left the player after Escape $attempt; again"
done
[ -n "$status" ] || fail escape "the player did not end within $escape_limit_ms ms of Escape"
player_pid=""
[ "$status" = 0 ] || fail escape "exit code $status"
echo "PASS: $switches switches away and back, scene back within $return_limit_ms ms each time;" \
     "Escape as the focus came back ended the player (exit code 0) after $took ms (closed to Escape: $((($pressed - $closed) / 1000000)) ms)"
