#!/bin/bash
# The launcher's close box ends the program with exit code 0 and no full
# screen is ever opened.
source "$(dirname "$0")/launcher_common.inc"

start_display
new_show "Closing Show" "LBMP 00 red.bmp" "SBMP 00 0.000 0.000"
write_red_bmp "$show/data/gfx/red.bmp"
start_player
find_launcher || { fail "no launcher window appeared"; finish; }
[ -z "$(visible_screen_windows)" ] || fail "a full screen is open beside the launcher"

# The window manager's frame around the launcher; its close box sits at the
# right end of the title bar.  The frame comes a moment after the window.
frame_geometry() {
    local frame
    frame="$(xwininfo -id "$launcher" -tree 2>/dev/null | awk '/Parent window id/ { print $4 }')"
    geometry="$(xwininfo -id "$frame" 2>/dev/null | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
                                                     /Width:/ { w = $2 } END { print x, y, w }')"
    read -r frame_x frame_y frame_width <<<"$geometry"
    client_y="$(xwininfo -id "$launcher" 2>/dev/null | awk '/Absolute upper-left Y/ { print $4 }')"
    [ -n "$frame_x" ] && [ -n "$client_y" ] && [ "$client_y" -gt "$frame_y" ]
}
if ! poll 5 frame_geometry; then
    fail "the launcher has no title bar"
    finish
fi

# A click on the close box; made again (up to three times) while the
# player goes on and the launcher stays.
opened=""
watch_exit() {
    [ -n "$(visible_screen_windows)" ] && opened=yes
    player_ended
}
for attempt in 1 2 3; do
    xdotool mousemove $((frame_x + frame_width - 8)) $(((frame_y + client_y) / 2)) click 1
    poll 5 watch_exit && break
    launcher_mapped || break
    echo "   (the player goes on after the close box; clicking it again)"
done
wait_exit 5 || fail "the player did not end within 5 s of the close box"
[ "$rc" = 0 ] || fail "exit code $rc"
[ -z "$opened" ] || fail "a full screen opened after the close box"
finish
