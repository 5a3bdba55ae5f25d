#!/usr/bin/env bash
# rodazaro-render's command line and refusals: each wrong option value is
# named with what it takes (exit 2 and a hint); a presentation comes as an
# argument, a data folder or --dir, and one without a script is refused; an
# --out folder with another render's frames is refused unless --force, which
# removes only the frames the renderer listed; --video through ffmpeg, and
# the message when ffmpeg is missing.
#   Usage: render_options.sh <build/rodazaro> <source dir>
set -u
render="$(realpath "$(dirname "$1")")/tools/render/rodazaro-render"
[ -x "$render" ] || { echo "no renderer at $render"; exit 1; }
export PYTHONPATH="$2/tests/e2e/lib"
# shellcheck source=lib/cases.sh
source "$(dirname "$0")/lib/cases.sh"

# The renderer as the cases run it (check): bounded to 30 s, with
# $render_path as its PATH when set.
under_test() {
  timeout 30 env PATH="${render_path:-$PATH}" "$render" "$@"
}

frames_in() {  # frames_in DIR -> the frame files, one line
  (cd "$1" && ls frame_*.png 2> /dev/null | tr '\n' ' ')
}

mkdir -p "$work/show/data/gfx" "$work/empty"
python3 -c "from media import write_bmp24; write_bmp24('$work/show/data/gfx/red.bmp', 100, 50, (255, 0, 0))"
printf '%s\r\n' "Options" "LBMP 00 red.bmp" "SBMP 00 0.000 0.000" "WFOR 9000" > "$work/show/data/vuze.kel"
touch "$work/a_file"

echo "-- help, version and wrong command lines"
hint="Try 'rodazaro-render --help'"
check help 0 out "^Usage: rodazaro-render \[OPTIONS\] \[PRESENTATION\]" any -- --help
check help-short 0 out "^Usage: rodazaro-render" any -- -h show
check version 0 out "^rodazaro-render [0-9][0-9.]*$" 1 -- --version
while IFS='|' read -r name pattern args; do
  # shellcheck disable=SC2086 # the arguments are words of the table
  check "$name" 2 err "$pattern" 2 -- $args
  grep -q "$hint" "$work/err" || fail "$name: no hint on stderr: $(cat "$work/err")"
done << 'TABLE'
unknown-option|unknown option '--bogus'|--bogus show
unknown-short|unknown option '-x'|-x show
mode-unknown|'1x1' is not a screen mode; --mode takes one of 1024x768x32, 800x600x32|--mode 1x1 show
mode-missing|option '--mode' needs a value|show --mode
fps-zero|'0' is not a frame rate; --fps takes a number from 1 to 1000|--fps 0 show
fps-high|'1001' is not a frame rate|--fps=1001 show
fps-word|'fast' is not a frame rate|--fps fast show
fps-negative|'-5' is not a frame rate|--fps -5 show
start-tick-big|'4294967296' is not a tick; --start-tick takes a whole number of milliseconds from 0 to 4294967295|--start-tick 4294967296 show
start-tick-sign|'+5' is not a tick|--start-tick=+5 show
frames-zero|'0' is not a number of turns; --frames takes a whole number from 1 to 1073741824|--frames 0 show
frames-negative|'-1' is not a number of turns|--frames -1 show
frames-word|'ten' is not a number of turns|--frames=ten show
escape-at-zero|'0' is not a turn; --escape-at takes a whole number from 1|--escape-at 0 show
every-zero|'0' is not a step; --every takes a whole number from 1|--every 0 --out o show
every-without-out|--every chooses among the frames of --out: give --out too|--every 2 show
out-empty|--out takes a folder|--out= show
audio-empty|--audio takes a file name|--audio= show
video-avi|'x.avi' is not a video file name; --video takes a name ending in .mp4, .webm or .mkv|--video x.avi show
video-bare|'.mp4' is not a video file name|--video .mp4 show
video-missing|option '--video' needs a value|show --video
help-value|option '--help' takes no value|--help=yes
force-value|option '--force' takes no value|--force=yes show
two-shows|one presentation at a time ('empty' is one too many)|show empty
dir-and-show|one presentation at a time ('show' is one too many)|--dir empty show
TABLE
check empty-presentation 2 err "an empty PRESENTATION names no folder" 2 -- ""

echo "-- where the presentation comes from; none without a script"
while IFS='|' read -r name place args; do
  rm -rf "$work/o"
  # shellcheck disable=SC2086 # the arguments are words of the table
  here="$work/$place" check "$name" 0 err "3 frames written" any -- --frames 3 --out "$work/o" $args
  [ "$(frames_in "$work/o")" = "frame_00001.png frame_00002.png frame_00003.png " ] ||
    fail "$name: frames $(frames_in "$work/o")"
done << 'TABLE'
folder|.|show
data-folder|.|show/data
data-folder-slash|.|show/data/
dir-option|.|--dir show
current-folder|show|
after-options-end|.|-- show
TABLE
while IFS='|' read -r name place pattern args; do
  # shellcheck disable=SC2086 # the arguments are words of the table
  here="$work/$place" check "$name" 2 err "$pattern" 1 -- --out "$work/none" $args
  [ ! -e "$work/none" ] || fail "$name: --out made before the refusal"
done << 'TABLE'
no-script|.|empty holds no data/vuze.kel|empty
no-script-dir|.|empty holds no data/vuze.kel|--dir empty
missing-folder|.|missing holds no data/vuze.kel|missing
a-file|.|a_file holds no data/vuze.kel|a_file
no-script-here|empty|the current folder holds no data/vuze.kel|
TABLE

echo "-- --out keeps another render's frames unless --force"
out="$work/frames"
check first-render 0 err "5 frames written" any -- show --frames 5 --out "$out"
echo notes > "$out/notes.txt"
echo mine > "$out/frame_mine.png"
check shorter-render 2 err "holds the frames of another render; give --force" 1 -- show --frames 3 --out "$out"
[ "$(frames_in "$out")" = "frame_00001.png frame_00002.png frame_00003.png frame_00004.png frame_00005.png frame_mine.png " ] ||
  fail "refused render: frames $(frames_in "$out")"
check forced-render 0 err "3 frames written" any -- show --frames 3 --out "$out" --force
[ "$(frames_in "$out")" = "frame_00001.png frame_00002.png frame_00003.png frame_mine.png " ] ||
  fail "forced render: frames $(frames_in "$out")"
[ -f "$out/notes.txt" ] || fail "forced render removed notes.txt"
check every-second 0 err "2 frames written" any -- show --frames 5 --every 2 --out "$out" --force
[ "$(frames_in "$out")" = "frame_00002.png frame_00004.png frame_mine.png " ] ||
  fail "--every 2: frames $(frames_in "$out")"
# A frame no render listed stays, and so does every listed one.
cp "$out/frame_00002.png" "$out/frame_00099.png"
check unlisted-frame 2 err "frame files that no render listed (frame_00099.png)" 1 -- show --frames 3 --out "$out" --force
[ "$(frames_in "$out")" = "frame_00002.png frame_00004.png frame_00099.png frame_mine.png " ] ||
  fail "unlisted frame: frames $(frames_in "$out")"
mkdir -p "$work/stale" && cp "$out/frame_00002.png" "$work/stale/frame_00001.png"
check stale-frames 2 err "holds the frames of another render" 1 -- show --frames 3 --out "$work/stale"
echo "not a list" > "$work/stale/.rodazaro-render"
check foreign-list 2 err "is not a list of rendered frames" 1 -- show --frames 3 --out "$work/stale" --force
[ -f "$work/stale/frame_00001.png" ] || fail "a foreign list removed a frame"
check out-is-file 2 err "a_file is not a folder" 1 -- show --out "$work/a_file"
check out-under-file 1 err "cannot make the folder .*a_file/sub" 1 -- show --out "$work/a_file/sub"
mkdir -p "$work/others" && echo keep > "$work/others/readme.txt"
check folder-of-other-files 0 err "2 frames written" any -- show --frames 2 --out "$work/others"

echo "-- --video"
rm -f "$work/v.mp4"
render_path=/nonexistent check no-ffmpeg 1 err "--video needs the ffmpeg program, which is not installed" 1 -- \
  show --video "$work/v.mp4" --out "$work/no_frames"
[ ! -e "$work/v.mp4" ] && [ ! -e "$work/no_frames" ] || fail "no-ffmpeg: files written"
if command -v ffmpeg > /dev/null && command -v ffprobe > /dev/null; then
  # 30 turns at 30 fps: 30 frames and one second of sound (and the last pause).
  while IFS='|' read -r container picture sound; do
    video="$work/show.$container"
    check "video-$container" 0 err "stopped: frames" any -- show --mode 640x480x32 --fps 30 --frames 30 --video "$video"
    streams="$(timeout 60 ffprobe -v error -count_frames -show_entries stream=codec_type,codec_name,nb_read_frames,r_frame_rate \
      -of csv=p=0 "$video" | tr '\n' ' ')"
    case "$streams" in
      "$picture,video,30/1,30 $sound,audio,"*) echo "ok: video-$container streams" ;;
      *) fail "video-$container: streams $streams" ;;
    esac
  done << 'TABLE'
mp4|h264|aac
webm|vp9|opus
mkv|h264|flac
TABLE
  # Frame 1 is black, frame 2 shows the red sprite at the centre.
  pixel() {  # pixel FRAME -> "r g b" at the centre
    timeout 60 ffmpeg -v error -i "$work/show.mp4" -vf "select=eq(n\,$1),crop=2:2:319:239" -vframes 1 \
      -f rawvideo -pix_fmt rgb24 - | od -An -tu1 -N3 | xargs
  }
  read -r r g b <<< "$(pixel 0)"
  [ "$r" -lt 30 ] && [ "$g" -lt 30 ] && [ "$b" -lt 30 ] || fail "video frame 1 is not black: $r $g $b"
  read -r r g b <<< "$(pixel 1)"
  [ "$r" -gt 200 ] && [ "$g" -lt 50 ] && [ "$b" -lt 50 ] || fail "video frame 2 is not red: $r $g $b"
  # --audio beside --video: the WAV of a render without the video.
  check video-and-audio 0 err "stopped: frames" any -- show --fps 30 --frames 30 --video "$work/both.mkv" \
    --audio "$work/both.wav"
  check audio-alone 0 err "stopped: frames" any -- show --fps 30 --frames 30 --audio "$work/alone.wav"
  cmp "$work/both.wav" "$work/alone.wav" || fail "the WAV written beside the video differs"
  check video-unwritable 1 err "ffmpeg could not write .*a_file/show.mp4" any -- show --frames 3 \
    --video "$work/a_file/show.mp4"
else
  echo "skipped: the video cases (ffmpeg is not installed)"
fi

finish "render options: all cases passed"
