#!/bin/bash
# The launcher's manners, in three runs of one presentation whose title is
# UTF-8, each at a font scale of its own (GDK_DPI_SCALE):
#   1.0  the caption is shown in UTF-8 and the window is as wide as its
#        text; the window has the program's icon; Tab, two steps down to
#        "640x480x32", Shift+Tab back to "Run", Enter plays in that mode;
#   1.6  Enter at once, with no Tab, plays the mode remembered from the
#        first run;
#   2.0  the window has grown with its texts; Escape ends the program as
#        the close box does (exit code 0, no full screen).
source "$(dirname "$0")/launcher_common.inc"

start_display
title="Café de la Gare: une très longue soirée"
caption="RodaZaro - $title"
new_show "$title" "LBMP 00 red.bmp" "SBMP 00 0.000 0.000"
write_red_bmp "$show/data/gfx/red.bmp"
# The caption's text as wide as a title bar draws it (Sans bold, 16 pixels,
# the window manager's font here).
caption_width="$(convert -font DejaVu-Sans-Bold -pointsize 16 label:"$caption" -format %w info: 2>/dev/null)"
[ -n "$caption_width" ] || skip "ImageMagick cannot measure text"

# client_size: the launcher's client area as "WIDTH HEIGHT".
client_size() { xwininfo -id "$launcher" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }'; }

# press_key KEY: KEY to the launcher until it closes (up to three times).
press_key() {
    local attempt
    for attempt in 1 2 3; do
        xdotool key "$1"
        poll 10 launcher_gone && return 0
        echo "   (the launcher is still there after $1; pressing it again)"
    done
    return 1
}

# played_at WIDTH: the 64-pixel picture is shown in the middle of the
# screen as wide as a mode of that width stretches it to 1280 pixels.
played_at() {
    local span first last
    picture_shown() { screenshot "$work/screen.png" && [ -n "$(red_span "$work/screen.png" 512)" ]; }
    poll 10 picture_shown
    span="$(red_span "$work/screen.png" 512)"
    if [ -z "$span" ]; then
        fail "the picture is not in the middle of the screen"
        keep "$work/screen.png"
        return
    fi
    read -r first last <<<"$span"
    local width=$((last - first + 1)) expected=$((64 * 1280 / $1))
    [ "$width" -ge $((expected - 6)) ] && [ "$width" -le $((expected + 6)) ] ||
        { fail "the picture is $width pixels wide, not $expected: not a $1-pixel-wide mode"; keep "$work/screen.png"; }
}

# 1.0: the caption, the icon, a mode chosen and played with Enter.
start_player GDK_DPI_SCALE=1.0
find_launcher || { fail "no launcher window appeared"; finish; }
shown="$(xprop -id "$launcher" _NET_WM_NAME | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p')"
[ "$shown" = "$caption" ] || fail "the caption reads '$shown', not '$caption'"
read -r width height <<<"$(client_size)"
[ "${width:-0}" -ge "$caption_width" ] || fail "the launcher is $width pixels wide, its caption $caption_width"
[ "${height:-0}" = 40 ] || fail "the launcher is $height pixels high, not 40"
xprop -id "$launcher" _NET_WM_ICON | grep -q 'Icon (' || fail "the launcher has no icon"
screenshot "$work/launcher-1.0.png"
focus_launcher || fail "the launcher did not get the keyboard"
key_seen "$launcher" Tab || fail "the list did not take the keyboard"
key_seen "$launcher" Down || fail "the list did not take the first Down"
key_seen "$launcher" Down || fail "the list did not take the second Down"
key_seen "$launcher" shift+Tab || fail "Run did not take the keyboard back"
press_key Return || fail "the launcher did not close on Enter"
played_at 640
press_escape || fail "the player did not end within 10 s of Escape"
[ "$rc" = 0 ] || fail "exit code $rc after the first show"
grep -qxF "640x480x32	$(cd "$show" && pwd -P)" "$work/state/rodazaro/launcher-mode" 2>/dev/null ||
    fail "the state folder does not hold the mode played: $(cat "$work/state/rodazaro/launcher-mode" 2>&1)"

# 1.6: Enter at once plays the remembered mode.
start_player GDK_DPI_SCALE=1.6
find_launcher || { fail "no launcher window appeared the second time"; finish; }
read -r width height <<<"$(client_size)"
[ "${width:-0}" -ge "$caption_width" ] || fail "at 1.6 the launcher is $width pixels wide, its caption $caption_width"
focus_launcher || fail "the launcher did not get the keyboard the second time"
press_key Return || fail "the launcher did not close on Enter at once"
played_at 640
press_escape || fail "the player did not end within 10 s of Escape"
[ "$rc" = 0 ] || fail "exit code $rc after the second show"

# 2.0: grown with its texts; Escape ends the program.
start_player GDK_DPI_SCALE=2.0
find_launcher || { fail "no launcher window appeared the third time"; finish; }
read -r width height <<<"$(client_size)"
[ "${width:-0}" -ge "$caption_width" ] || fail "at 2.0 the launcher is $width pixels wide, its caption $caption_width"
[ "${height:-0}" -gt 40 ] || fail "at 2.0 the launcher is $height pixels high: its texts did not grow it"
screenshot "$work/launcher-2.0.png"
focus_launcher || fail "the launcher did not get the keyboard the third time"
opened=""
watch_exit() {
    [ -n "$(visible_screen_windows)" ] && opened=yes
    player_ended
}
for attempt in 1 2 3; do
    xdotool key Escape
    poll 5 watch_exit && break
    echo "   (the player goes on after Escape; pressing it again)"
done
wait_exit 5 || fail "the player did not end within 5 s of Escape"
[ "$rc" = 0 ] || fail "exit code $rc after Escape, not the close box's 0"
[ -z "$opened" ] || fail "a full screen opened after Escape"
[ "$failures" = 0 ] || keep "$work/launcher-1.0.png" "$work/launcher-2.0.png"
finish
