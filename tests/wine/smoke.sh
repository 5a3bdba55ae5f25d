#!/usr/bin/env bash
# The Windows program under Wine, driven as a person would: the launcher
# appears, a mode is chosen in the list and "Run" is clicked with xdotool,
# the full screen shows the presentation, Escape ends it with exit code 0.
# Once in a 32-bit mode (1024x768x32) and once in a 16-bit mode
# (640x480x16), each with two presentations:
#
#  - a still scene made here (a PNG 3D sprite of four colours, a PNG 3D sprite
#    at half alpha with a black hole over it, a BMP plain sprite): its frame
#    is checked at known pixels against the values the scene must give and
#    against the same frame of the Linux build (with a tolerance);
#  - the demo presentation (examples/demo): its first scene must show up.
#
# Usage: smoke.sh RODAZARO_EXE SOURCE_DIR [LINUX_RODAZARO]
# Without LINUX_RODAZARO the frames are checked against the values alone.
# Needs wine, Xvfb, xdotool, xwininfo, ImageMagick, and for the Linux frame
# matchbox-window-manager (scripts/test-windows.sh installs them).
set -uo pipefail

exe="$(realpath "${1:?path to rodazaro.exe}")"
source_dir="$(realpath "${2:?source folder}")"
linux_player="${3:-}"
[ -n "$linux_player" ] && linux_player="$(realpath "$linux_player")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$(dirname "$exe")"
probe="$build/tests/rodazaro_wine_probe.exe"
demo="$source_dir/examples/demo"

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
die() {
  echo "FAIL: $*"
  exit 1
}

# ImageMagick's own tools (a stand-in "convert" may come first in PATH).
magick_convert=/usr/bin/convert
magick_import=/usr/bin/import
for tool in wine wineserver Xvfb xdotool xwininfo timeout "$magick_convert" "$magick_import"; do
  command -v "$tool" >/dev/null 2>&1 || die "$tool is not installed"
done
[ -f "$exe" ] || die "no program at $exe"
[ -f "$probe" ] || die "no probe at $probe (build the target rodazaro_wine_probe)"
if [ -n "$linux_player" ]; then
  [ -x "$linux_player" ] || die "no Linux player at $linux_player"
  command -v matchbox-window-manager >/dev/null 2>&1 || die "matchbox-window-manager is not installed"
fi

work="$(mktemp -d)"
background=()
cleanup() {
  local pid
  for pid in "${background[@]}"; do kill "$pid" 2>/dev/null; done
  wine_stop 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# shellcheck source=wine_env.sh
source "$here/wine_env.sh"
wine_setup "${RODAZARO_WINEPREFIX:-$build/wine/prefix}" || exit 1
wine_virtual_desktop 1024x768
wine_null_sound "$work/home"

# start_x WIDTHxHEIGHT [wm]: a virtual X server on a free display number;
# DISPLAY names it.  With "wm", a window manager too.
start_x() {
  x_start "$1" "$work/xvfb.pid" || die "the virtual X server did not start"
  background+=("$(cat "$work/xvfb.pid")")
  if [ "${2:-}" = wm ]; then
    matchbox-window-manager -use_titlebar no >/dev/null 2>&1 &
    background+=($!)
    sleep 0.5
  fi
}

# pixel IMAGE X Y: "R G B" of one pixel, 8 bits each.
pixel() {
  "$magick_convert" "$1" -crop "1x1+$2+$3" +repage -depth 8 -colorspace sRGB txt:- 2>/dev/null |
    sed -n '2s/^[^(]*(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1 \2 \3/p' | awk '{ printf "%d %d %d\n", $1, $2, $3 }'
}

# near "R G B" "R G B" TOLERANCE: true when every channel is within it.
near() {
  local a b
  read -r -a a <<<"$1"
  read -r -a b <<<"$2"
  [ ${#a[@]} -eq 3 ] && [ ${#b[@]} -eq 3 ] || return 1
  local i d
  for i in 0 1 2; do
    d=$((a[i] - b[i]))
    [ ${d#-} -le "$3" ] || return 1
  done
}

# screenshot WIDTH HEIGHT FILE: the top-left WIDTH x HEIGHT of the screen.
screenshot() {
  "$magick_import" -window root "$work/root.png" 2>/dev/null &&
    "$magick_convert" "$work/root.png" -crop "$1x$2+0+0" +repage "$3"
}

# ---------------------------------------------------------------------------
# The still scene.  Drawn at natural size, so its pixels are the sprites'
# own colours, or for the half-alpha sprite their blend.
still="$work/still"
mkdir -p "$still/data/gfx"
printf '%s\r\n' "Still Scene" "LGFX 00 back.png" "LGFX 01 over.png" "LBMP 02 plain.bmp" \
  "SGFX 00 0.000 0.000" "SGFX 01 0.000 0.000" "AGFX 01 128" "SBMP 02 -.500 -.500" >"$still/data/vuze.kel"
"$magick_convert" -size 128x128 xc:'#ff0000' xc:'#00ff00' +append \
  \( -size 128x128 xc:'#0000ff' xc:'#ffffff' +append \) -append -type TrueColor "PNG24:$still/data/gfx/back.png"
"$magick_convert" -size 128x128 xc:'#c8c800' -fill black -draw 'rectangle 48,48 79,79' \
  -type TrueColor "PNG24:$still/data/gfx/over.png"
"$magick_convert" -size 64x32 xc:'#0080ff' -type TrueColor "BMP3:$still/data/gfx/plain.bmp"

# still_samples WIDTH HEIGHT: "name x y R G B" for the known pixels.  The
# half-alpha yellow (200,200,0) over red gives 200*a + 255*(1-a) with
# a = 128/255.
still_samples() {
  local cx=$(($1 / 2)) cy=$(($2 / 2))
  echo "red $((cx - 96)) $((cy - 96)) 255 0 0"
  echo "green $((cx + 96)) $((cy - 96)) 0 255 0"
  echo "blue $((cx - 96)) $((cy + 96)) 0 0 255"
  echo "white $((cx + 96)) $((cy + 96)) 255 255 255"
  echo "yellow-over-red $((cx - 40)) $((cy - 40)) 227 100 0"
  echo "yellow-over-white $((cx + 40)) $((cy + 40)) 227 227 127"
  echo "hole-over-red $((cx - 8)) $((cy - 8)) 255 0 0"
  echo "hole-over-white $((cx + 8)) $((cy + 8)) 255 255 255"
  echo "plain-sprite $(($1 / 4)) $(($2 / 4)) 0 128 255"
  echo "background 8 8 0 0 0"
  echo "background $(($1 - 8)) $(($2 - 8)) 0 0 0"
}

# still_matches FILE WIDTH HEIGHT: true when every known pixel is right.
still_matches() {
  local name x y r g b
  while read -r name x y r g b; do
    near "$(pixel "$1" "$x" "$y")" "$r $g $b" 24 || return 1
  done < <(still_samples "$2" "$3")
}

# demo_shows FILE: true when the frame is not black: the first scene's
# starfields and title are there.
demo_shows() {
  local mean
  mean="$("$magick_convert" "$1" -colorspace Gray -format '%[fx:int(mean*10000)]' info: 2>/dev/null)"
  [ -n "$mean" ] && [ "$mean" -ge 20 ]
}

# ---------------------------------------------------------------------------
# run_windows SHOW INDEX WIDTH HEIGHT FRAME CHECK: the Windows program in
# the presentation folder SHOW; picks list item INDEX, clicks "Run", waits
# until CHECK accepts a screenshot (kept as FRAME), then Escape.
run_windows() {
  local show="$1" index="$2" width="$3" height="$4" frame="$5" check="$6"
  local title
  title="$(head -n 1 "$show/data/vuze.kel" | tr -d '\r')"
  echo "-- Windows: $(basename "$show"), list item $index (${width}x${height})"
  # The probe starts the program and reports its Windows exit code.
  (cd "$show" && exec wine "$probe" run "$(winepath -w "$exe" 2>/dev/null)") >"$work/wine.log" 2>&1 &
  local pid=$!
  background+=($pid)

  local layout
  layout="$(cd "$work" && timeout 90 wine "$probe" title "RodaZaro - " 60000 2 | tr -d '\r')"
  if [ -z "$layout" ]; then
    fail "no launcher window appeared"
    kill "$pid" 2>/dev/null
    return
  fi
  [ "$(sed -n 's/^title //p' <<<"$layout")" = "RodaZaro - $title" ] ||
    fail "launcher title: $(sed -n 's/^title //p' <<<"$layout")"
  local client combo button
  client="$(awk '/^client/ { print $4 - $2 "x" $5 - $3 }' <<<"$layout")"
  [ "$client" = "150x40" ] || fail "launcher client area is $client, not 150x40"
  combo="$(awk '/^child 1 / { print int(($4 + $6) / 2), int(($5 + $7) / 2) }' <<<"$layout")"
  button="$(awk '/^child 2 / { print int(($4 + $6) / 2), int(($5 + $7 + 1) / 2) + 2 }' <<<"$layout")"
  if [ -z "$combo" ] || [ -z "$button" ]; then
    fail "the launcher has no list (gadget 1) or no button (gadget 2): $layout"
    kill "$pid" 2>/dev/null
    return
  fi

  # The list: open it with a click, step down to the item, take it.
  # Key events can be lost while the machine is busy: the probe reads the
  # list's selection back, and the choice is made again until it took.
  local attempt selected="0" pause=0.5
  for attempt in 1 2 3 4; do
    [ "$index" -gt 0 ] || break
    # shellcheck disable=SC2086
    xdotool mousemove $combo click 1
    sleep "$pause"
    local step
    for step in $(seq "$index"); do
      xdotool key Down
      sleep 0.15
    done
    xdotool key Return
    sleep "$pause"
    selected="$(cd "$work" && timeout 60 wine "$probe" title "RodaZaro - " 10000 2 | tr -d '\r' |
                awk '/^child 1 / { print $8 }')"
    [ "$selected" = "$index" ] && break
    echo "   (the list shows item ${selected:-none}; choosing item $index again)"
    xdotool key Escape
    sleep 0.3
    pause=1.5
  done
  [ "$index" -eq 0 ] || [ "$selected" = "$index" ] || fail "list item $index could not be chosen (it shows ${selected:-none})"
  # shellcheck disable=SC2086
  xdotool mousemove $button click 1

  # The screen window, shown over the whole display once the mode is set
  # (the virtual desktop follows the mode change a moment later).
  local screen_window="" rect="" i
  for i in $(seq 20); do
    screen_window="$(cd "$work" && timeout 60 wine "$probe" class "MultimediaBase Class" 30000 | tr -d '\r')"
    rect="$(sed -n 's/^window //p' <<<"$screen_window")"
    [ -z "$screen_window" ] || [ "$rect" = "0 0 $width $height" ] && break
    sleep 0.5
  done
  if [ -z "$screen_window" ]; then
    fail "no full screen after Run"
  else
    [ "$rect" = "0 0 $width $height" ] || fail "the screen window is $rect, not 0 0 $width $height"
  fi

  # The frame: screenshots until the scene is there (its files load first).
  local ok=0
  for i in $(seq 30); do
    sleep 1
    screenshot "$width" "$height" "$frame" && "$check" "$frame" "$width" "$height" && { ok=1; break; }
  done
  [ $ok -eq 1 ] || fail "the frame never showed the scene (last screenshot checked: $frame)"

  # Escape, held for longer than a frame.
  xdotool keydown Escape
  sleep 0.6
  xdotool keyup Escape
  local rc=-1
  for i in $(seq 150); do
    rc="$(tr -d '\r' <"$work/wine.log" | sed -n 's/^exit //p' | head -n 1)"
    [ -n "$rc" ] && break
    rc=-1
    sleep 0.1
  done
  if [ "$rc" = -1 ]; then
    fail "the program did not end within 15 s of Escape"
    kill "$pid" 2>/dev/null
  elif [ "$rc" != 0 ]; then
    fail "exit code $rc after Escape"
  fi
  wait "$pid" 2>/dev/null || true
  wine_stop
}

# run_linux SHOW INDEX WIDTH HEIGHT FRAME CHECK: the same on the Linux build,
# on a virtual screen of exactly the mode's size (so nothing is scaled),
# the launcher driven from the keyboard.
run_linux() {
  local show="$1" index="$2" width="$3" height="$4" frame="$5" check="$6"
  echo "-- Linux: $(basename "$show"), list item $index (${width}x${height})"
  local saved_display="$DISPLAY"
  start_x "${width}x${height}" wm
  (cd "$show" && exec env SDL_AUDIODRIVER=dummy "$linux_player") >"$work/linux.log" 2>&1 &
  local pid=$!
  background+=($pid)
  local launcher="" i
  for i in $(seq 150); do
    launcher="$(xdotool search --onlyvisible --name '^RodaZaro - ' 2>/dev/null | head -n 1)"
    [ -n "$launcher" ] && break
    sleep 0.1
  done
  if [ -z "$launcher" ]; then
    fail "Linux: no launcher window appeared"
  else
    xdotool windowfocus --sync "$launcher"
    sleep 0.3
    xdotool key Tab
    sleep 0.2
    xdotool key Tab
    sleep 0.2
    local step
    for step in $(seq "$index"); do
      xdotool key Down
      sleep 0.1
    done
    xdotool key Tab
    sleep 0.2
    xdotool key space
    local ok=0
    for i in $(seq 30); do
      sleep 1
      screenshot "$width" "$height" "$frame" && "$check" "$frame" "$width" "$height" && { ok=1; break; }
    done
    [ $ok -eq 1 ] || fail "Linux: the frame never showed the scene"
    xdotool keydown Escape
    sleep 0.6
    xdotool keyup Escape
  fi
  for i in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  export DISPLAY="$saved_display"
}

# compare_frames WINDOWS LINUX WIDTH HEIGHT: the known pixels agree.
compare_frames() {
  local name x y r g b win lin
  while read -r name x y r g b; do
    win="$(pixel "$1" "$x" "$y")"
    lin="$(pixel "$2" "$x" "$y")"
    near "$win" "$r $g $b" 24 || fail "$name at $x,$y is ($win), not about ($r $g $b)"
    near "$win" "$lin" 24 || fail "$name at $x,$y is ($win) on Windows and ($lin) on Linux"
  done < <(still_samples "$3" "$4")
}

start_x 1024x768
modes=("0 1024 768" "5 640 480")  # 1024x768x32 and 640x480x16
for mode in "${modes[@]}"; do
  read -r index width height <<<"$mode"
  run_windows "$still" "$index" "$width" "$height" "$work/win-$index.png" still_matches
  if [ -n "$linux_player" ]; then
    run_linux "$still" "$index" "$width" "$height" "$work/linux-$index.png" still_matches
    [ -f "$work/linux-$index.png" ] && compare_frames "$work/win-$index.png" "$work/linux-$index.png" "$width" "$height"
  else
    while read -r name x y r g b; do
      near "$(pixel "$work/win-$index.png" "$x" "$y")" "$r $g $b" 24 ||
        fail "$name at $x,$y is ($(pixel "$work/win-$index.png" "$x" "$y")), not about ($r $g $b)"
    done < <(still_samples "$width" "$height")
  fi
  if [ -f "$demo/data/vuze.kel" ]; then
    run_windows "$demo" "$index" "$width" "$height" "$work/demo-$index.png" demo_shows
  else
    echo "note: no demo presentation at $demo"
  fi
done

if [ -n "${RODAZARO_KEEP_FRAMES:-}" ]; then
  mkdir -p "$RODAZARO_KEEP_FRAMES" && cp "$work"/*.png "$RODAZARO_KEEP_FRAMES"/ 2>/dev/null
fi
if [ "$failures" -ne 0 ]; then
  echo "--- program output"
  tr -d '\r' <"$work/wine.log" | tail -20
  exit 1
fi
echo "PASS"
