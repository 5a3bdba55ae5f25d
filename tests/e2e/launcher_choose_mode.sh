#!/bin/bash
# The launcher used with the keyboard only: Tab to the list, four steps
# down to "800x600x16", Tab round to "Run", Space.  The launcher closes, the
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
size="$(xwininfo -id "$launcher" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h }')"
[ "$size" = "150x40" ] || fail "launcher client area is $size, not 150x40"
[ -z "$(visible_screen_windows)" ] || fail "a full screen is open before Run"

xdotool windowfocus --sync "$launcher"
sleep 0.3
xdotool key Tab          # the button, first in creation order
sleep 0.2
xdotool key Tab          # the list
sleep 0.2
for step in 1 2 3 4; do
    xdotool key Down
    sleep 0.1
done
sleep 0.3
screenshot "$work/chosen.png"
xdotool key Tab          # round to the button
sleep 0.2
[ -n "$(xdotool search --onlyvisible --name '^RodaZaro - ' 2>/dev/null)" ] || fail "the launcher closed before Run"
xdotool key space
sleep 3

[ -z "$(xdotool search --onlyvisible --name '^RodaZaro - ' 2>/dev/null)" ] || fail "the launcher is still open after Run"
screens="$(visible_screen_windows)"
[ -n "$screens" ] || fail "no full screen window is open after Run"
screenshot "$work/screen.png"
span="$(red_span "$work/screen.png" 512)"
if [ -z "$span" ]; then
    fail "the picture is not in the middle of the screen"
else
    read -r first last <<<"$span"
    centre=$(((first + last) / 2))
    [ "$centre" -ge 630 ] && [ "$centre" -le 650 ] || fail "the picture's centre is at x=$centre, not 640"
    # The 800 x 600 screen fills the 1280 x 1024 display's width: 64 pixels
    # of it become 102 (80 for 1024 x 768, 128 for 640 x 480).
    width=$((last - first + 1))
    [ "$width" -ge 96 ] && [ "$width" -le 108 ] || fail "the picture is $width pixels wide, not 102: not 800 x 600"
fi

xdotool key Escape
wait_exit 10 || fail "the player did not end within 10 s of Escape"
[ "$rc" = 0 ] || fail "exit code $rc"
finish
