#!/bin/bash
# The show keys and the window on a virtual X server, in two runs of the
# real player.
#
# First, with the window manager leaving the window its own size: --window
# opens an 800 x 600 window showing the scene; Space freezes it (two looks
# 1 s apart agree) and F12 saves a PNG equal to the window's picture; while
# paused the written sound (SDL's disk driver, --volume 50) is silent and no
# sound is lost; the WAIT after the pause ends later by the paused time;
# made 600 x 300, the window shows the picture letterboxed; Escape ends with
# exit code 0.  Then, with the window manager maximising windows as usual:
# Alt+Enter and F11 switch between full screen and the window.  Each step
# waits for what it can see, for a bounded time; a failure keeps the last
# screenshot and the player's output under BUILD/test-failures.
#
# Usage: show_keys_xvfb.sh <path-to-rodazaro> <source-dir>
set -u

player=$(realpath "${1:?path to the player}")
# shellcheck source=lib/wait.sh
source "$(dirname "$0")/lib/wait.sh"
# shellcheck source=lib/xvfb.sh
source "$(dirname "$0")/lib/xvfb.sh"
kept_dir="$(kept_folder "$(dirname "$player")" e2e-show_keys_xvfb)"

skip_without "xvfb matchbox-window-manager xdotool imagemagick" \
    Xvfb matchbox-window-manager xdotool xprop import convert python3 md5sum

work=$(mktemp -d)
stop_at_exit player_pid wm_pid xvfb_pid

fail() {
    echo "FAIL: $*"
    [ -n "${window:-}" ] && import -window "$window" "$work/failure-window.png" 2> /dev/null
    keep "$work/failure-window.png" "$work/player.log"
    exit 1
}

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# The presentation: the clock starts at once; a still 64 x 32 sprite, red
# left and green right, in the middle; a blue 3D sprite moving slowly right
# near the top; a 3 s tone (48000 Hz stereo, every sample 8000); at 8 s on
# the script clock a yellow marker below the middle.
mkdir -p "$work/show/data/gfx" "$work/show/data/sound"
PYTHONPATH="$(dirname "$0")/lib" python3 - "$work/show/data" << 'EOF'
import sys
from media import write_bmp, write_wav16

data = sys.argv[1]
write_bmp(data + "/gfx/halves.bmp", 64, 32, lambda x, y: (255, 0, 0) if x < 32 else (0, 255, 0))
write_bmp(data + "/gfx/mover.bmp", 32, 32, lambda x, y: (0, 0, 255))
write_bmp(data + "/gfx/marker.bmp", 32, 32, lambda x, y: (255, 255, 0))
write_wav16(data + "/sound/tone.wav", 48000, 2, [8000] * (2 * 3 * 48000))
EOF
cat > "$work/show/data/vuze.kel" << 'EOF'
Show keys test
STCK
LBMP 00 halves.bmp
SBMP 00 0.000 0.000
LGFX 01 mover.bmp
SGFX 01 -.800 -.600
MGFX 01 0.0001 0.0000
LBMP 02 marker.bmp
LSND 0 tone.wav
PSND 0
WAIT 8000
SBMP 02 0.000 0.600
EOF
# The first run plays the same show zipped, under a top folder of its own.
(cd "$work" && python3 -c '
import os, zipfile
with zipfile.ZipFile("show.zip", "w", zipfile.ZIP_DEFLATED) as z:
    for folder, _, files in os.walk("show"):
        for name in files:
            path = os.path.join(folder, name)
            z.write(path, os.path.join("Show", os.path.relpath(path, "show")))
') || fail "cannot zip the show"

start_xvfb 1024x768x24 "$work/xvfb.log" -noreset || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
poll 10 x_ready || fail "Xvfb takes no connections: $(cat "$work/xvfb.log")"

# start_wm ARGS...: a fresh window manager.
start_wm() {
    if [ -n "$wm_pid" ]; then
        kill "$wm_pid" 2> /dev/null
        wait "$wm_pid" 2> /dev/null
        poll 5 bash -c '! xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"'
    fi
    matchbox-window-manager -use_titlebar no "$@" > "$work/wm.log" 2>&1 &
    wm_pid=$!
    poll 10 wm_running || fail "the window manager did not come up: $(cat "$work/wm.log")"
}

# start_player ARGS...: the player on the presentation; sets window once
# its window is shown.
start_player() {
    "$player" --mode 800x600x32 "$@" "${presentation:-$work/show}" > "$work/player.log" 2>&1 &
    player_pid=$!
    window=""
    for _ in $(seq 100); do
        kill -0 "$player_pid" 2> /dev/null || fail "the player ended early: $(cat "$work/player.log")"
        window="$(xdotool search --onlyvisible --name '^Show keys test$' 2> /dev/null | head -n1)"
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || fail "no window"
}

look() {  # the window's picture as raw R, G, B bytes in $work/look.rgb; its size in look_w, look_h
    local geometry
    geometry="$(xdotool getwindowgeometry "$window" 2> /dev/null | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')"
    read -r look_w look_h <<< "$geometry"
    import -silent -window "$window" -depth 8 "rgb:$work/look.rgb" 2> /dev/null
}

near() {  # near <x> <y> <r> <g> <b>: that pixel of the last look, give or take a little
    [ -s "$work/look.rgb" ] || return 1
    python3 - "$work/look.rgb" "$look_w" "$@" << 'EOF'
import sys
data = open(sys.argv[1], "rb").read()
width, x, y = int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
want = [int(v) for v in sys.argv[5:8]]
at = (y * width + x) * 3
got = list(data[at:at + 3])
sys.exit(0 if len(got) == 3 and all(abs(a - b) <= 8 for a, b in zip(got, want)) else 1)
EOF
}

mover_x() {  # the middle column of the blue mover in the last look (whole pixels)
    python3 - "$work/look.rgb" "$look_w" << 'EOF'
import sys
data = open(sys.argv[1], "rb").read()
width = int(sys.argv[2])
xs = [i // 3 % width for i in range(0, len(data) - 2, 3) if data[i] < 40 and data[i + 1] < 40 and data[i + 2] > 200]
if xs:
    print((min(xs) + max(xs)) // 2)
EOF
}

focus() { timeout 5 xdotool windowactivate --sync "$window" > /dev/null 2>&1; }

# frozen: two looks at the window 0.3 s apart agree.
frozen() {
    local first
    first="$(window_look "$window")"
    sleep 0.3
    [ -n "$first" ] && [ "$first" = "$(window_look "$window")" ]
}
moving() { ! frozen; }

# press KEY CHECK: focuses the window and presses KEY until CHECK holds
# (three tries: a key that changed nothing within 4 s is taken for lost);
# pressed_at is when the last press went out.
press() {
    local attempt
    for attempt in 1 2 3; do
        focus
        pressed_at=$(now_ms)
        xdotool key "$1"
        poll 4 "$2" && return 0
        echo "   (no sign of $1; sending it again)"
    done
    return 1
}

end_with_escape() {
    escape_ends_player focus || fail "the player did not end within 10 s of Escape"
    [ "$player_status" = 0 ] || fail "exit code $player_status: $(cat "$work/player.log")"
}

# --- The window, the pause, the saved frame, the volume -------------------
start_wm -use_dialog_mode free -force_dialogs "Show keys test"
presentation="$work/show.zip" SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/sound.raw" \
    XDG_PICTURES_DIR="$work/pictures" start_player --window --volume 50

scene_shown() { look && [ "$look_w" = 800 ] && [ "$look_h" = 600 ] && near 380 300 255 0 0 && near 420 300 0 255 0; }
poll 10 scene_shown || fail "no 800 x 600 window showing the scene (window ${look_w:-?} x ${look_h:-?})"
moving || fail "the scene does not move before the pause"

press space frozen || fail "Space did not freeze the show"
paused_at=$pressed_at
look
mover_at_pause="$(mover_x)"
[ -n "$mover_at_pause" ] || fail "no mover in the frozen picture"
clock_at_pause=$(((mover_at_pause - 80) * 25))
before="$(window_look "$window")"
sleep 1
[ "$before" = "$(window_look "$window")" ] || fail "the picture changed during the pause"

saved_line() { grep -q '^rodazaro: saved ' "$work/player.log"; }
xdotool key F12
poll 5 saved_line || fail "F12 saved nothing: $(cat "$work/player.log")"
saved="$(sed -n 's/^rodazaro: saved //p' "$work/player.log" | head -n1)"
case "$saved" in
    "$work/pictures/RodaZaro/Show_keys_test-"[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9]-[0-9][0-9][0-9][0-9][0-9][0-9].png) ;;
    *) fail "saved as '$saved', not under \$XDG_PICTURES_DIR/RodaZaro by title and time" ;;
esac
[ -f "$saved" ] || fail "no file $saved"
[ "$(identify -format '%wx%h' "$saved" 2> /dev/null)" = 800x600 ] || fail "the saved frame is not 800 x 600"
saved_md5="$(convert "$saved" -depth 8 rgb:- 2> /dev/null | md5sum | cut -d' ' -f1)"
window_md5="$(import -silent -window "$window" -depth 8 rgb:- 2> /dev/null | md5sum | cut -d' ' -f1)"
[ "$saved_md5" = "$window_md5" ] || {
    cp "$saved" "$work/saved.png"
    keep "$work/saved.png"
    fail "the saved frame differs from the window's picture"
}

# Paused for 2 s at least, then on again.
while [ $(($(now_ms) - paused_at)) -lt 2000 ]; do sleep 0.1; done
press space moving || fail "Space did not resume the show"
resumed_at=$pressed_at
paused=$((resumed_at - paused_at))
look
# The mover goes on from where it stood: it does not leap by the pause.
leap=$(($(mover_x) - mover_at_pause))
[ "$leap" -lt $((paused * 40 / 1000 / 2)) ] || fail "the mover leapt $leap px at the resumption"

# The marker at 8 s on the script clock.  The frozen mover tells the
# script clock at the pause (it left x = 80 at STCK, at 40 px/s, so 25 ms a
# pixel); after the resumption the marker is due when the rest of the 8 s
# has passed, not before.
marker() { look && near 400 480 255 255 0; }
due=$((resumed_at + 8000 - clock_at_pause))
check_at=$((due - paused / 2))
[ "$(now_ms)" -lt "$check_at" ] || fail "too slow: the check of the marker comes too late"
while [ "$(now_ms)" -lt "$check_at" ]; do sleep 0.05; done
look
near 400 480 0 0 0 || fail "the WAIT ended without the paused time added (${paused} ms paused)"
poll $((paused / 1000 + 10)) marker || fail "the marker never came"
echo "   marker $(($(now_ms) - due)) ms after it was due; ${paused} ms paused at ${clock_at_pause} ms"

# Made wide and low, the window shows the picture letterboxed.
xdotool windowsize "$window" 600 300
letterboxed() {
    look && [ "$look_w" = 600 ] && [ "$look_h" = 300 ] && near 290 150 255 0 0 && near 310 150 0 255 0 &&
        near 50 150 0 0 0 && near 550 150 0 0 0 && near 300 240 255 255 0
}
poll 5 letterboxed || fail "no letterboxed picture in the resized window (${look_w:-?} x ${look_h:-?})"

end_with_escape

# The written sound: every sample of the tone at half its level, all of it
# there, and a silence of about the pause in its middle.
python3 - "$work/sound.raw" "$paused" << 'EOF' || fail "the written sound"
import array, sys
samples = array.array("h", open(sys.argv[1], "rb").read())
paused_ms = int(sys.argv[2])
frames = [(samples[i], samples[i + 1]) for i in range(0, len(samples) - 1, 2)]
loud = [i for i, f in enumerate(frames) if f != (0, 0)]
if not loud:
    sys.exit("no sound was written")
levels = {f for f in frames if f != (0, 0)}
if levels != {(4000, 4000)}:
    sys.exit("samples at %s, not 4000 (8000 at --volume 50)" % sorted(levels)[:4])
if len(loud) != 3 * 48000:
    sys.exit("%d frames of the tone written, not %d" % (len(loud), 3 * 48000))
gap = max(b - a - 1 for a, b in zip(loud, loud[1:]))
if gap < (paused_ms - 500) * 48:
    sys.exit("the longest silence inside the tone is %d frames; paused for %d ms" % (gap, paused_ms))
print("   sound: %d frames of the tone, %d ms of silence inside it" % (len(loud), gap // 48))
EOF

# --- Full screen and window -----------------------------------------------
start_wm
SDL_AUDIODRIVER=dummy start_player --window
full_screen() { xprop -id "$window" _NET_WM_STATE 2> /dev/null | grep -q _NET_WM_STATE_FULLSCREEN; }
windowed() { ! full_screen; }
drawn() { look && near $((look_w / 2 - 20)) $((look_h / 2)) 255 0 0 && near $((look_w / 2 + 20)) $((look_h / 2)) 0 255 0; }
poll 10 drawn || fail "the second run shows no scene"
windowed || fail "--window opened full screen"
press alt+Return full_screen || fail "Alt+Enter did not go full screen"
poll 5 drawn || fail "no scene in full screen"
press alt+Return windowed || fail "Alt+Enter did not go back to the window"
press F11 full_screen || fail "F11 did not go full screen"
poll 5 drawn || fail "no scene after F11"
end_with_escape
echo "PASS: window, letterbox, pause, saved frame, volume and full screen switches"
