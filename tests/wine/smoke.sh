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
# Every step waits for what it can see (the probe reads the launcher's list
# back, screenshots show the scene, the program's exit code arrives) for a
# bounded time; a click or key that left no trace is made again a few
# times.  A failed step names itself and keeps a screenshot and the
# program's output under BUILD/test-failures (the path is printed).
#
# Usage: smoke.sh RODAZARO_EXE SOURCE_DIR [LINUX_RODAZARO]
# Without LINUX_RODAZARO the frames are checked against the values alone.
# Needs wine, Xvfb, xdotool, xwininfo, xprop, ImageMagick, and for the Linux
# frame matchbox-window-manager (scripts/test-windows.sh installs them).
set -uo pipefail

exe="$(realpath "${1:?path to rodazaro.exe}")"
source_dir="$(realpath "${2:?source folder}")"
linux_player="${3:-}"
[ -n "$linux_player" ] && linux_player="$(realpath "$linux_player")"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="$(dirname "$exe")"
probe="$build/tests/rodazaro_wine_probe.exe"
demo="$source_dir/examples/demo"

# shellcheck source=../e2e/lib/wait.sh
source "$here/../e2e/lib/wait.sh"
kept_dir="$(kept_folder "$build" wine-smoke)"
step="start"
program_log=wine.log

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
for tool in wine wineserver Xvfb xdotool xwininfo xprop timeout "$magick_convert" "$magick_import"; do
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
    poll 10 wm_running || die "the window manager did not come up on $DISPLAY"
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
# The Windows session, read back through the probe.

# look MODE NAME MS [N]: the probe's description of a window (see probe.cpp),
# empty when it was not there, ready, within MS milliseconds.
look() {
  (cd "$work" && timeout 90 wine "$probe" "$@" | tr -d '\r')
}

# list_state: "SELECTED OPEN" of the launcher's list (gadget 1) now, OPEN
# 1 while its items are dropped down; empty when there is no launcher.
list_state() {
  look title "RodaZaro - " 3000 2 | awk '/^child 1 / { print $8, $9 }'
}
list_is() { [ "$(list_state)" = "$1 $2" ]; }
list_is_open() { [ "$(list_state | awk '{ print $2 }')" = 1 ]; }

# screen_rect: "L T R B" of the visible screen window, empty when there is none.
screen_rect() {
  look class "MultimediaBase Class" 1000 | sed -n 's/^window //p'
}
screen_is_up() { [ -n "$(screen_rect)" ]; }
screen_has_size() { [ "$(screen_rect)" = "0 0 $1 $2" ]; }
screen_in_front() { look class "MultimediaBase Class" 1000 | grep -qx 'foreground 1'; }

# program_exit: the program's Windows exit code once it has ended.
program_exit() { tr -d '\r' <"$work/wine.log" | sed -n 's/^exit //p' | head -n 1; }
program_ended() { [ -n "$(program_exit)" ]; }

# fail_step WHAT [FILE...]: a failure of the step under way ($step): the
# screen as it is now, the program's output and the FILEs are kept.
fail_step() {
  fail "$step: $1"
  shift
  local shot="$work/failure-$failures-screen.png" output="$work/failure-$failures-program.log"
  "$magick_import" -window root "$shot" 2>/dev/null
  [ -f "$work/$program_log" ] && tr -d '\r' <"$work/$program_log" >"$output"
  if [ "$program_log" = wine.log ]; then
    echo "   windows on the Windows desktop:"
    look windows | sed 's/^/     /'
  fi
  keep "$shot" "$output" "$@"
}

# choose_item INDEX X Y: chooses item INDEX in the launcher's list as a
# person would: a click on the list at X Y opens it, Down steps to the item
# and Return takes it.  Each part is read back; a click or key that did
# not take is made again, three rounds in all.
choose_item() {
  local index="$1" x="$2" y="$3" attempt round selected open steps key
  for attempt in 1 2 3; do
    read -r selected open <<<"$(list_state)"
    [ -n "$selected" ] || return 1  # no launcher any more
    if [ "$open" != 1 ]; then
      xdotool mousemove "$x" "$y" click 1
      if ! poll 5 list_is_open; then
        echo "   (the list did not open; clicking it again)"
        continue
      fi
    fi
    # While the list is open, the selection follows the keys: step the
    # difference, then read back what took.
    for round in 1 2 3; do
      read -r selected open <<<"$(list_state)"
      [ "$open" = 1 ] && [ -n "$selected" ] && [ "$selected" != "$index" ] || break
      steps=$((index - selected))
      key=Down
      if [ "$steps" -lt 0 ]; then key=Up; steps=$((-steps)); fi
      # shellcheck disable=SC2046
      xdotool key --delay 100 $(yes "$key" | head -n "$steps")
      poll 3 list_is "$index" 1 && selected="$index"
    done
    if [ "$open" = 1 ] && [ "$selected" = "$index" ]; then
      xdotool key Return
      poll 3 list_is "$index" 0 && return 0
    fi
    read -r selected open <<<"$(list_state)"
    [ "$selected" = "$index" ] && [ "$open" = 0 ] && return 0
    echo "   (the list shows item ${selected:-none}, open: ${open:-?}; choosing item $index again)"
    if [ "$open" = 1 ]; then
      xdotool key Escape
      poll 3 list_is "$selected" 0 >/dev/null
    fi
  done
  return 1
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
  program_log=wine.log
  # The probe starts the program and reports its Windows exit code.
  (cd "$show" && exec wine "$probe" run "$(winepath -w "$exe" 2>/dev/null)") >"$work/wine.log" 2>&1 &
  local pid=$!
  background+=($pid)

  # The launcher, once it is ready for input: its controls made, filled
  # and in their final places.
  step="Windows $(basename "$show") ${width}x${height}: the launcher"
  local layout
  layout="$(look title "RodaZaro - " 60000 2)"
  if [ -z "$layout" ]; then
    fail_step "no launcher window appeared"
    kill "$pid" 2>/dev/null
    wine_stop
    return
  fi
  [ "$(sed -n 's/^title //p' <<<"$layout")" = "RodaZaro - $title" ] ||
    fail_step "launcher title: $(sed -n 's/^title //p' <<<"$layout")"
  local client combo button
  client="$(awk '/^client/ { print $4 - $2 "x" $5 - $3 }' <<<"$layout")"
  [ "$client" = "150x40" ] || fail_step "launcher client area is $client, not 150x40"
  combo="$(awk '/^child 1 / { print int(($4 + $6) / 2), int(($5 + $7) / 2) }' <<<"$layout")"
  button="$(awk '/^child 2 / { print int(($4 + $6) / 2), int(($5 + $7 + 1) / 2) + 2 }' <<<"$layout")"
  if [ -z "$combo" ] || [ -z "$button" ]; then
    fail_step "the launcher has no list (gadget 1) or no button (gadget 2): $layout"
    kill "$pid" 2>/dev/null
    wine_stop
    return
  fi
  [ "$(awk '/^child 1 / { print $8 }' <<<"$layout")" = 0 ] ||
    fail_step "the list does not start on its first item: $(grep '^child 1 ' <<<"$layout")"

  # The mode, chosen in the list.
  step="Windows $(basename "$show") ${width}x${height}: choosing list item $index"
  if [ "$index" -gt 0 ] && ! choose_item "$index" $combo; then
    fail_step "list item $index could not be chosen (it shows $(list_state | awk '{ print $1 }' | grep . || echo none))"
  fi

  # "Run": the launcher gives way to the screen window.  A click that left
  # the launcher as it was is made again.
  step="Windows $(basename "$show") ${width}x${height}: Run"
  local attempt
  for attempt in 1 2 3; do
    # shellcheck disable=SC2086
    xdotool mousemove $button click 1
    poll 20 screen_is_up && break
    [ -n "$(list_state)" ] || break
    echo "   (the launcher is still there after Run; clicking it again)"
  done

  # The screen window, over the whole display once the mode is set (the
  # virtual desktop follows the mode change a moment later).
  step="Windows $(basename "$show") ${width}x${height}: the full screen"
  if ! poll 30 screen_has_size "$width" "$height"; then
    local rect
    rect="$(screen_rect)"
    if [ -z "$rect" ]; then fail_step "no full screen after Run"
    else fail_step "the screen window is $rect, not 0 0 $width $height"
    fi
  fi

  # The frame: screenshots until the scene is there (its files load first).
  step="Windows $(basename "$show") ${width}x${height}: the frame"
  if ! poll 30 frame_shows "$width" "$height" "$frame" "$check"; then
    fail_step "the frame never showed the scene (the last screenshot checked is kept)" "$frame"
  fi

  # Escape, held for longer than a frame, once the screen window has the
  # keyboard; pressed again when the program goes on.
  step="Windows $(basename "$show") ${width}x${height}: Escape"
  for attempt in 1 2 3; do
    poll 10 screen_in_front || echo "   (the screen window is not in front)"
    xdotool keydown Escape
    sleep 0.6
    xdotool keyup Escape
    poll 15 program_ended && break
    echo "   (the program goes on after Escape; pressing it again)"
  done
  local rc
  rc="$(program_exit)"
  if [ -z "$rc" ]; then
    fail_step "the program did not end after Escape"
    kill "$pid" 2>/dev/null
  elif [ "$rc" != 0 ]; then
    fail_step "exit code $rc after Escape"
  fi
  wait "$pid" 2>/dev/null || true
  wine_stop
}

# frame_shows WIDTH HEIGHT FRAME CHECK: a screenshot (kept as FRAME) that
# CHECK accepts.
frame_shows() {
  screenshot "$1" "$2" "$3" && "$4" "$3" "$1" "$2"
}

# linux_launcher: the Linux player's launcher window, once it is mapped at
# its final size (a window still being laid out takes keys and clicks
# elsewhere).
linux_launcher() {
  local id
  id="$(xdotool search --onlyvisible --name '^RodaZaro - ' 2>/dev/null | head -n 1)"
  [ -n "$id" ] || return 1
  # It grows to fit its caption: never narrower than 150.
  local shown
  shown="$(xwininfo -id "$id" 2>/dev/null | sed -n 's/^ *Width: //p')"
  [ -n "$shown" ] && [ "$shown" -ge 150 ] && echo "$id"
}
launcher_up() { [ -n "$(linux_launcher)" ]; }
launcher_gone() { [ -z "$(xdotool search --onlyvisible --name '^RodaZaro - ' 2>/dev/null)" ]; }
has_focus() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }
linux_ended() { ! kill -0 "$1" 2>/dev/null; }

# run_linux SHOW INDEX WIDTH HEIGHT FRAME CHECK: the same on the Linux build,
# on a virtual screen of exactly the mode's size (so nothing is scaled),
# the launcher driven from the keyboard; each key is seen to change the
# launcher before the next.
run_linux() {
  local show="$1" index="$2" width="$3" height="$4" frame="$5" check="$6"
  echo "-- Linux: $(basename "$show"), list item $index (${width}x${height})"
  local saved_display="$DISPLAY"
  start_x "${width}x${height}" wm
  program_log=linux.log
  # A state folder of its own, so that no mode remembered from an earlier
  # run is preselected.
  local state="$work/state-linux-$index-$width"
  rm -rf "$state"
  (cd "$show" && exec env SDL_AUDIODRIVER=dummy XDG_STATE_HOME="$state" "$linux_player") >"$work/linux.log" 2>&1 &
  local pid=$!
  background+=($pid)
  step="Linux $(basename "$show") ${width}x${height}: the launcher"
  local launcher=""
  poll 15 launcher_up && launcher="$(linux_launcher)"
  if [ -z "$launcher" ]; then
    fail_step "no launcher window appeared"
  else
    xdotool windowfocus --sync "$launcher" 2>/dev/null
    poll 5 has_focus "$launcher" || fail_step "the launcher did not get the keyboard"
    # "Run" has the keyboard at first: Tab to the list, which then shows
    # that it has the keyboard; Down to the item; Tab round to the button.
    step="Linux $(basename "$show") ${width}x${height}: choosing list item $index"
    window_settled "$launcher" >/dev/null
    local keys=(Tab) i
    for i in $(seq "$index"); do keys+=(Down); done
    keys+=(Tab)
    local key ok=1
    for key in "${keys[@]}"; do
      key_seen "$launcher" "$key" || { ok=0; break; }
    done
    [ $ok -eq 1 ] || fail_step "the launcher did not take the key $key"
    step="Linux $(basename "$show") ${width}x${height}: Run"
    local attempt
    for attempt in 1 2 3; do
      xdotool key space
      poll 10 launcher_gone && break
      echo "   (the launcher is still there after Space; pressing it again)"
    done
    launcher_gone || fail_step "the launcher did not close on Space"
    step="Linux $(basename "$show") ${width}x${height}: the frame"
    poll 30 frame_shows "$width" "$height" "$frame" "$check" ||
      fail_step "the frame never showed the scene (the last screenshot checked is kept)" "$frame"
    step="Linux $(basename "$show") ${width}x${height}: Escape"
    for attempt in 1 2 3; do
      xdotool keydown Escape
      sleep 0.6
      xdotool keyup Escape
      poll 10 linux_ended "$pid" && break
      echo "   (the player goes on after Escape; giving its window the keyboard and pressing it again)"
      local window
      for window in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
        xdotool windowfocus --sync "$window" 2>/dev/null
      done
    done
    linux_ended "$pid" || fail_step "the player did not end after Escape"
  fi
  kill "$pid" 2>/dev/null
  export DISPLAY="$saved_display"
}

# compare_frames WINDOWS LINUX WIDTH HEIGHT: the known pixels agree (both
# frames are kept when they do not).
compare_frames() {
  local name x y r g b win lin before=$failures
  while read -r name x y r g b; do
    win="$(pixel "$1" "$x" "$y")"
    lin="$(pixel "$2" "$x" "$y")"
    near "$win" "$r $g $b" 24 || fail "$name at $x,$y is ($win), not about ($r $g $b)"
    near "$win" "$lin" 24 || fail "$name at $x,$y is ($win) on Windows and ($lin) on Linux"
  done < <(still_samples "$3" "$4")
  [ "$failures" -eq "$before" ] || keep "$1" "$2"
}

start_x 1024x768
modes=("0 1024 768" "5 640 480")  # 1024x768x32 and 640x480x16
for mode in "${modes[@]}"; do
  read -r index width height <<<"$mode"
  run_windows "$still" "$index" "$width" "$height" "$work/win-$index.png" still_matches
  if [ -n "$linux_player" ]; then
    run_linux "$still" "$index" "$width" "$height" "$work/linux-$index.png" still_matches
    # (A frame missing on either side has failed its run already.)
    [ -f "$work/win-$index.png" ] && [ -f "$work/linux-$index.png" ] &&
      compare_frames "$work/win-$index.png" "$work/linux-$index.png" "$width" "$height"
  elif [ -f "$work/win-$index.png" ]; then
    before=$failures
    while read -r name x y r g b; do
      near "$(pixel "$work/win-$index.png" "$x" "$y")" "$r $g $b" 24 ||
        fail "$name at $x,$y is ($(pixel "$work/win-$index.png" "$x" "$y")), not about ($r $g $b)"
    done < <(still_samples "$width" "$height")
    [ "$failures" -eq "$before" ] || keep "$work/win-$index.png"
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
