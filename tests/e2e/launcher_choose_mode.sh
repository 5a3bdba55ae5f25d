#!/bin/bash
# The launcher used with the keyboard only: Tab from "Run", which has the
# keyboard at first, to the list, four steps down to "800x600x16", Tab round
# to "Run", Space.  The launcher closes, the
# full screen opens and shows the script's picture in its middle; Escape
# ends the program with exit code 0.
source "$(dirname "$0")/launcher_common.inc"

start_display
new_show "Keyboard Show" "LBMP 00 red.bmp" "SBMP 00 0.000 0.000"
write_red_bmp "$show/data/gfx/red.bmp"
start_player
find_launcher || { fail "no launcher window appeared"; finish; }

title="$(xdotool getwindowname "$launcher")"
[ "$title" = "RodaZaro - Keyboard Show" ] || fail "launcher title is '$title'"
read -r width height <<<"$(xwininfo -id "$launcher" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')"
# 150 x 40, wider where the caption needs it.
[ "${width:-0}" -ge 150 ] && [ "${height:-0}" = 40 ] || fail "launcher client area is ${width}x$height, not 150x40 or wider"
[ -z "$(visible_screen_windows)" ] || fail "a full screen is open before Run"

focus_launcher || fail "the launcher did not get the keyboard"
# Each key is seen to change the launcher (and sent again when it did not).
key_seen "$launcher" Tab || fail "the list did not take the keyboard"  # from the button to the list
for step in 1 2 3 4; do
    key_seen "$launcher" Down || fail "the list did not take Down $step"
done
screenshot "$work/chosen.png"
key_seen "$launcher" Tab || fail "the button did not take the keyboard back"  # round to the button
launcher_mapped || fail "the launcher closed before Run"
press_run || fail "the launcher did not close on Space"

# The full screen, and the picture in it.
poll 10 screen_up
launcher_gone || fail "the launcher is still open after Run"
screens="$(visible_screen_windows)"
[ -n "$screens" ] || fail "no full screen window is open after Run"
picture_shown() { screenshot "$work/screen.png" && [ -n "$(red_span "$work/screen.png" 512)" ]; }
poll 10 picture_shown
span="$(red_span "$work/screen.png" 512)"
if [ -z "$span" ]; then
    fail "the picture is not in the middle of the screen"
    keep "$work/screen.png" "$work/chosen.png"
else
    read -r first last <<<"$span"
    centre=$(((first + last) / 2))
    [ "$centre" -ge 630 ] && [ "$centre" -le 650 ] || fail "the picture's centre is at x=$centre, not 640"
    # The 800 x 600 screen fills the 1280 x 1024 display's width: 64 pixels
    # of it become 102 (80 for 1024 x 768, 128 for 640 x 480).
    width=$((last - first + 1))
    [ "$width" -ge 96 ] && [ "$width" -le 108 ] || { fail "the picture is $width pixels wide, not 102: not 800 x 600"; keep "$work/screen.png" "$work/chosen.png"; }
fi

press_escape || fail "the player did not end within 10 s of Escape"
[ "$rc" = 0 ] || fail "exit code $rc"
finish
