#!/bin/bash
# Under a locale whose decimal mark is a comma, "0.250" in a script line is
# still a quarter: the picture's centre lies an eighth of the screen's width
# right of the middle.
source "$(dirname "$0")/launcher_common.inc"

command -v localedef >/dev/null 2>&1 || skip "localedef is not installed"
mkdir -p "$work/locale"
localedef -i de_DE -f ISO-8859-1 "$work/locale/de_DE.ISO-8859-1" >/dev/null 2>&1 || skip "no de_DE locale can be made"
export LOCPATH="$work/locale"
[ "$(LC_ALL=de_DE.ISO-8859-1 locale decimal_point 2>/dev/null)" = "," ] || skip "the de_DE locale does not work here"

start_display
new_show "Comma Show" "LBMP 00 red.bmp" "SBMP 00 0.250 0.000"
write_red_bmp "$show/data/gfx/red.bmp"
start_player LC_ALL=de_DE.ISO-8859-1 LANG=de_DE.ISO-8859-1 LOCPATH="$work/locale"
find_launcher || { fail "no launcher window appeared"; finish; }
focus_launcher || fail "the launcher did not get the keyboard"
# "Run" with the list on its first mode: a click on the button (the lower
# half of the 150 x 40 client area), made again while the launcher stays.
for attempt in 1 2 3; do
    xdotool mousemove --window "$launcher" 75 30 click 1
    poll 10 launcher_gone && break
done
launcher_gone || fail "the launcher did not close on a click on Run"

picture_shown() { screenshot "$work/screen.png" && [ -n "$(red_span "$work/screen.png" 512)" ]; }
poll 10 picture_shown
span="$(red_span "$work/screen.png" 512)"
if [ -z "$span" ]; then
    fail "the picture is nowhere on the middle row of the screen"
    keep "$work/screen.png"
else
    read -r first last <<<"$span"
    centre=$(((first + last) / 2))
    # 1024 x 768 shown on 1280 x 1024: 1280 wide, an eighth of it is 160.
    offset=$((centre - 640))
    [ "$offset" -ge 150 ] && [ "$offset" -le 170 ] || { fail "the picture's centre is $offset pixels right of the middle, not 160"; keep "$work/screen.png"; }
fi
press_escape || fail "the player did not end within 10 s of Escape"
[ "$rc" = 0 ] || fail "exit code $rc"
finish
