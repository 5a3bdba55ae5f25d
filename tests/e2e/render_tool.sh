#!/usr/bin/env bash
# rodazaro-render on presentations made here: where and when pictures show,
# where a sound starts in the mix, that renders repeat exactly, and how a
# render stops.  Usage: render_tool.sh <build/rodazaro> <source dir>
set -euo pipefail
render="$(dirname "$1")/tools/render/rodazaro-render"
lib="$2/tests/e2e/lib"
[ -x "$render" ] || { echo "no renderer at $render"; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export PYTHONPATH="$lib"

# One presentation folder per case: script lines joined with CR LF.
make_show() {  # make_show DIR LINE...
  local dir="$1"; shift
  mkdir -p "$dir/data/gfx" "$dir/data/sound"
  python3 -c "from media import write_bmp24; write_bmp24('$dir/data/gfx/red.bmp', 100, 50, (255, 0, 0))"
  printf '%s\r\n' "$@" > "$dir/data/vuze.kel"
}

pixel() {  # pixel PNG X Y -> "r g b"
  python3 -c "from media import read_png; w, h, rows = read_png('$1'); print(*rows[$3][$2])"
}

expect_eq() {
  if [ "$1" != "$2" ]; then echo "FAIL: $3: got '$1', expected '$2'"; exit 1; fi
}

echo "-- a plain sprite's first frame and position, 800x600x32 and 640x480x16"
make_show "$work/place" "Placing" "LBMP 00 red.bmp" "SBMP 00 0.000 0.000" "WFOR 1000"
"$render" --dir "$work/place" --mode 800x600x32 --frames 3 --out "$work/place/o32" 2>/dev/null
expect_eq "$(pixel "$work/place/o32/frame_00001.png" 400 300)" "0 0 0" "nothing before the show command"
expect_eq "$(pixel "$work/place/o32/frame_00002.png" 350 275)" "255 0 0" "top-left corner at 350,275"
expect_eq "$(pixel "$work/place/o32/frame_00002.png" 449 324)" "255 0 0" "bottom-right corner"
expect_eq "$(pixel "$work/place/o32/frame_00002.png" 349 275)" "0 0 0" "left of the sprite"
expect_eq "$(pixel "$work/place/o32/frame_00002.png" 450 324)" "0 0 0" "right of the sprite"
"$render" --dir "$work/place" --mode 640x480x16 --frames 3 --out "$work/place/o16" 2>/dev/null
expect_eq "$(pixel "$work/place/o16/frame_00002.png" 270 215)" "255 0 0" "16-bit red widened to 255"
expect_eq "$(pixel "$work/place/o16/frame_00002.png" 269 215)" "0 0 0" "16-bit left edge"
python3 -c "from media import read_png; w, h, _ = read_png('$work/place/o16/frame_00002.png'); assert (w, h) == (640, 480)"

echo "-- motion after a known number of frames (50 fps: every frame is 20 ms)"
make_show "$work/move" "Moving" "LBMP 00 red.bmp" "SBMP 00 -.500 0.000" "MGFX 00 0.0005 0.0000" "WFOR 5000"
"$render" --dir "$work/move" --mode 800x600x32 --fps 50 --frames 12 --out "$work/move/o" 2>/dev/null
# From turn 3 on the slot moves 0.01 a frame: x = -0.5 + 0.01 * (k - 2).
expect_eq "$(pixel "$work/move/o/frame_00012.png" 190 300)" "255 0 0" "x -0.4 puts the left edge at 190"
expect_eq "$(pixel "$work/move/o/frame_00012.png" 189 300)" "0 0 0" "nothing left of 190"
expect_eq "$(pixel "$work/move/o/frame_00002.png" 150 300)" "255 0 0" "x -0.5 before the motion"

echo "-- a WAIT shows the picture in the frame its time falls in"
make_show "$work/wait" "Waiting" "LBMP 00 red.bmp" "STCK" "WAIT 00200" "SBMP 00 0.000 0.000" "WFOR 9000"
"$render" --dir "$work/wait" --mode 800x600x32 --fps 50 --frames 15 --out "$work/wait/o" 2>/dev/null
# STCK runs at 21 ms (turn 2); the clock reaches 200 at 221 ms, the start of
# turn 12, which only clears the wait; turn 13 shows the picture.
expect_eq "$(pixel "$work/wait/o/frame_00012.png" 400 300)" "0 0 0" "still waiting in frame 12"
expect_eq "$(pixel "$work/wait/o/frame_00013.png" 400 300)" "255 0 0" "shown in frame 13"

echo "-- a PSND at the expected sample offset"
make_show "$work/sound" "Sounding" "LSND 0 tone.wav" "STCK" "WFOR 0030" "PSND 0" "WFOR 1000"
python3 -c "from media import write_wav16; write_wav16('$work/sound/data/sound/tone.wav', 48000, 2, [10000] * 9600)"
"$render" --dir "$work/sound" --fps 50 --frames 20 --audio "$work/sound/mix.wav" 2>/dev/null
python3 - "$work/sound/mix.wav" <<'PY'
import sys
from media import read_wav
rate, channels, samples = read_wav(sys.argv[1])
assert (rate, channels) == (48000, 2), (rate, channels)
# Turn k starts at 20 (k - 1) + 1 ms.  STCK runs in turn 2 (21 ms); WFOR 30 in
# turn 3 waits until the script clock reaches 20 + 30; turn 5 (60) clears
# the wait and PSND runs in turn 6, at 101 ms.
frames = [samples[i] for i in range(0, len(samples), 2)]
first = next(i for i, v in enumerate(frames) if v != 0)
start_ms = first * 1000 / rate
expected = (20 * (6 - 1) + 1) * rate // 1000
assert first == expected, (first, expected)
# 9600 values of a stereo file are 4800 frames, played once.
assert frames[first] == 10000 and frames[first + 4799] == 10000 and frames[first + 4800] == 0, 'tone length'
# 20 turns end at frame 20 plus the pause: 401 ms of sound.
assert len(frames) == 401 * rate // 1000, len(frames)
print('sound starts at', start_ms, 'ms')
PY

echo "-- two renders are identical"
"$render" --dir "$work/move" --mode 640x480x16 --frames 6 --out "$work/r1" --audio "$work/r1.wav" 2>/dev/null
"$render" --dir "$work/move" --mode 640x480x16 --frames 6 --out "$work/r2" --audio "$work/r2.wav" 2>/dev/null
diff -r "$work/r1" "$work/r2"
cmp "$work/r1.wav" "$work/r2.wav"

echo "-- QUIT, --escape-at and --frames stop where they should; bad options"
make_show "$work/quit" "Quitting" "STCK" "WFOR 0100" "QUIT" "LBMP 00 red.bmp"
summary="$("$render" --dir "$work/quit" --fps 50 2>&1 >/dev/null | tail -n 1)"
# WFOR 100 at turn 2 (21 ms, script clock 0): it ends at turn 7 (121 ms); QUIT in turn 8.
case "$summary" in *"8 turns"*"stopped: quit"*) ;; *) echo "FAIL: quit summary: $summary"; exit 1 ;; esac
summary="$("$render" --dir "$work/move" --escape-at 5 2>&1 >/dev/null | tail -n 1)"
case "$summary" in *"5 turns"*"stopped: escape"*) ;; *) echo "FAIL: escape summary: $summary"; exit 1 ;; esac
summary="$("$render" --dir "$work/move" --frames 7 2>&1 >/dev/null | tail -n 1)"
case "$summary" in *"7 turns"*"stopped: frames"*) ;; *) echo "FAIL: frames summary: $summary"; exit 1 ;; esac
make_show "$work/short" "Short" "STCK"
summary="$("$render" --dir "$work/short" --fps 50 2>&1 >/dev/null | tail -n 1)"
case "$summary" in *"stopped: script end"*) ;; *) echo "FAIL: run-out summary: $summary"; exit 1 ;; esac
set +e
"$render" --mode 123x45x6 >/dev/null 2>&1; rc1=$?
"$render" --frames >/dev/null 2>&1; rc2=$?
"$render" --bogus >/dev/null 2>&1; rc3=$?
set -e
expect_eq "$rc1 $rc2 $rc3" "2 2 2" "bad options exit with 2"
echo "render tool: all cases passed"
