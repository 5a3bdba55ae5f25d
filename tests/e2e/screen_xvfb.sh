#!/bin/bash
# The real player on a virtual X server with a window manager: a
# presentation that shows a plain BMP sprite and a 3D sprite with a black
# hole; the screenshot of the full screen must show both where the script
# puts them, and Escape must end the program with exit code 0.  Each step
# waits for what it can see, for a bounded time; a failure keeps the last
# screenshot and the player's output under BUILD/test-failures.
#
# Usage: screen_xvfb.sh <path-to-rodazaro> <source-dir>
set -u

player=$(realpath "${1:?path to the player}")
# shellcheck source=lib/wait.sh
source "$(dirname "$0")/lib/wait.sh"
# shellcheck source=lib/xvfb.sh
source "$(dirname "$0")/lib/xvfb.sh"
kept_dir="$(kept_folder "$(dirname "$player")" e2e-screen_xvfb)"

skip_without "xvfb matchbox-window-manager xdotool imagemagick" \
    Xvfb matchbox-window-manager xdotool xprop import python3 od

work=$(mktemp -d)
stop_at_exit player_pid wm_pid xvfb_pid

# fail WHAT: the failure, with the last screenshot (when there is one) and
# the player's output kept.
fail() {
    echo "FAIL: $*"
    [ -s "$work/shot.rgb" ] && convert -size 1024x768 -depth 8 "rgb:$work/shot.rgb" "$work/failure-screen.png" 2>/dev/null
    keep "$work/failure-screen.png" "$work/player.log"
    exit 1
}

# The presentation: a 64 x 32 plain sprite, red on the left half and green
# on the right, at the centre; a 32 x 32 blue texture with a black 8 x 8
# hole in its middle, as a 3D sprite halfway to the left edge.
mkdir -p "$work/data/gfx"
PYTHONPATH="$(dirname "$0")/lib" python3 - "$work/data/gfx" << 'EOF'
import sys
from media import write_bmp

write_bmp(sys.argv[1] + "/halves.bmp", 64, 32, lambda x, y: (255, 0, 0) if x < 32 else (0, 255, 0))
write_bmp(sys.argv[1] + "/holed.bmp", 32, 32,
          lambda x, y: (0, 0, 0) if 12 <= x < 20 and 12 <= y < 20 else (0, 0, 255))
EOF
printf 'Screen test\nLBMP 00 halves.bmp\nSBMP 00 0.000 0.000\nLGFX 01 holed.bmp\nSGFX 01 -.500 0.000\n' \
    > "$work/data/vuze.kel"

# The X server and its window manager.
start_xvfb 1024x768x24 "$work/xvfb.log" -noreset || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
poll 10 x_ready || fail "Xvfb takes no connections: $(cat "$work/xvfb.log")"
matchbox-window-manager -use_titlebar no > "$work/wm.log" 2>&1 &
# shellcheck disable=SC2034 # stopped at exit (stop_at_exit)
wm_pid=$!
poll 10 wm_running || fail "the window manager did not come up: $(cat "$work/wm.log")"

# The player, in the presentation's folder.
unset SDL_VIDEODRIVER
export SDL_AUDIODRIVER=dummy
(cd "$work" && exec env XDG_STATE_HOME="$work/state" "$player") > "$work/player.log" 2>&1 &
player_pid=$!

shoot() {  # a screenshot of the whole 1024 x 768 screen as raw R, G, B bytes
    import -window root -depth 8 "rgb:$work/shot.rgb" 2> /dev/null
}

pixel() {  # pixel <x> <y>: the colour in the last screenshot as "r g b"
    [ -s "$work/shot.rgb" ] || return 0
    od -An -tu1 -j $((($2 * 1024 + $1) * 3)) -N3 "$work/shot.rgb" | xargs
}

near() {  # near <x> <y> <r> <g> <b>: the pixel is that colour, give or take a little
    local want=("$3" "$4" "$5")
    local got
    read -r -a got <<< "$(pixel "$1" "$2")"
    [ "${#got[@]}" -eq 3 ] || return 1
    local i difference
    for i in 0 1 2; do
        difference=$((want[i] - got[i]))
        [ "${difference#-}" -le 8 ] || return 1
    done
    return 0
}

# The launcher, if the player shows one: "Run" with the first mode
# (1024x768x32).  Its button fills the lower half of its 150 x 40 client area.
launcher=""
for _ in $(seq 200); do
    kill -0 "$player_pid" 2> /dev/null || fail "the player ended early: $(cat "$work/player.log")"
    for window in $(xdotool search --onlyvisible --pid "$player_pid" 2> /dev/null) \
                  $(xdotool search --onlyvisible --class rodazaro 2> /dev/null); do
        case "$(xdotool getwindowname "$window" 2> /dev/null)" in
            "RodaZaro - Screen test") launcher=$window ;;
            "Screen test") break 2 ;;  # no launcher: the screen is already open
        esac
    done
    [ -n "$launcher" ] && break
    sleep 0.1
done

# The launcher's final geometry, held still: a click on a window still
# being laid out lands elsewhere.
launcher_laid_out() {
    local now
    now="$(xdotool getwindowgeometry "$launcher" 2> /dev/null | tr -s ' ')"
    grep -q "Geometry: 150x40" <<< "$now" && [ "$now" = "${last_geometry:-}" ]
    local held=$?
    last_geometry="$now"
    return $held
}
press_run() {
    poll 5 launcher_laid_out
    xdotool mousemove --window "$launcher" 75 35 click 1
}
presentation_shown() {
    kill -0 "$player_pid" 2> /dev/null || fail "the player ended early: $(cat "$work/player.log")"
    shoot && near 490 380 255 0 0
}

shown=0
for attempt in 1 2 3; do
    [ -n "$launcher" ] && press_run
    if poll 4 presentation_shown; then
        shown=1
        break
    fi
    # Still the launcher (a click that opened the mode list instead): close
    # the list and press again.
    [ -n "$launcher" ] && xdotool getwindowname "$launcher" > /dev/null 2>&1 || break
    echo "launcher still open after attempt $attempt"
    xdotool key Escape
    window_settled "$launcher" > /dev/null
done
[ "$shown" = 1 ] || fail "the presentation never appeared (centre pixel: $(pixel 490 380))"

# Every known pixel of the picture ("X Y R G B|what it is"), once the frame
# holds all of it.  The plain sprite: 64 x 32 centred on 1024 x 768 covers
# 480..543 x 368..399.  The 3D sprite: 32 x 32 centred at x = 256 covers
# 240..271 x 368..399, with the black hole at 252..259 x 380..387.
scene=(
    "480 368 255 0 0|plain sprite's top-left corner"
    "511 399 255 0 0|plain sprite's red half"
    "512 368 0 255 0|plain sprite's green half"
    "543 399 0 255 0|plain sprite's bottom-right corner"
    "479 380 0 0 0|left of the plain sprite"
    "544 380 0 0 0|right of the plain sprite"
    "500 367 0 0 0|above the plain sprite"
    "241 369 0 0 255|3D sprite"
    "270 398 0 0 255|3D sprite's far corner"
    "255 383 0 0 0|3D sprite's hole"
    "238 383 0 0 0|left of the 3D sprite"
    "5 5 0 0 0|the screen's corner"
)
near_entry() {  # near_entry ENTRY: near for one entry of scene
    local x y r g b
    read -r x y r g b <<< "${1%%|*}"
    near "$x" "$y" "$r" "$g" "$b"
}
scene_complete() {
    local entry
    shoot || return 1
    for entry in "${scene[@]}"; do
        near_entry "$entry" || return 1
    done
}
poll 5 scene_complete
for entry in "${scene[@]}"; do
    read -r x y _ <<< "${entry%%|*}"
    near_entry "$entry" || fail "${entry#*|}: $(pixel "$x" "$y")"
done

# Escape ends the program with exit code 0: pressed (up to three times)
# once the screen window has the keyboard, until the player ends.
focus_screen() {
    local window
    for window in $(xdotool search --onlyvisible --pid "$player_pid" 2> /dev/null); do
        if [ "$(xdotool getwindowname "$window" 2> /dev/null)" = "Screen test" ]; then
            timeout 5 xdotool windowactivate --sync "$window" > /dev/null 2>&1
        fi
    done
}
escape_ends_player focus_screen || fail "the player did not end within 10 s of Escape"
[ "$player_status" = 0 ] || fail "exit code $player_status: $(cat "$work/player.log")"
echo "PASS: screen shown and Escape ended the player with exit code 0"
