#!/bin/bash
# Crafted and odd files in a presentation: an Ogg file that once killed the
# player (SIGFPE inside libvorbis), three files that claim gigabytes (a PNG
# text chunk, a PNG of 16384 x 16384 pixels holding one row, an Ogg whose
# last page claims 0x1FFFFFFF frames), a FIFO reached through "..\" and a
# device.  Each is a failed or shortened load: the renderer stays under a
# memory ceiling and shows the presentation's good picture, and the player
# plays the script to its QUIT.  A script that is a folder is no script, for
# the renderer as for the player; a file the renderer cannot write is one
# line of explanation, not an abort.
#
# Usage: untrusted_files.sh <path to the rodazaro binary> <source folder>
set -u
export LC_ALL=C
player=$(realpath "$1")
source=$2
render="$(dirname "$player")/tools/render/rodazaro-render"
[ -x "$render" ] || { echo "FAIL: no renderer at $render"; exit 1; }
command -v python3 >/dev/null || { echo "SKIP: python3 is not installed"; exit 0; }
# shellcheck source=lib/cases.sh
source "$(dirname "$0")/lib/cases.sh"

show="$work/show"
mkdir -p "$show/data/gfx" "$show/data/sound"
python3 "$source/tests/e2e/lib/crafted_files.py" "$source/examples/demo/data/sound/intro.ogg" "$show/data/sound" ||
    { echo "FAIL: the crafted files could not be made"; exit 1; }
mv "$show/data/sound/"*.png "$show/data/gfx/"
# A 64 x 64 red BMP, 24 bits.
python3 - "$show/data/gfx/red.bmp" <<'PY'
import struct, sys
pixels = b"\x00\x00\xff" * 64 * 64
header = b"BM" + struct.pack("<IHHI", 54 + len(pixels), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, 64, 64, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(header + info + pixels)
PY
mkfifo "$show/data/gfx/pipe.png"
ln -s /dev/zero "$show/data/gfx/zero.png"
printf '%s\r\n' "Crafted Files" \
    "LBMP 00 red.bmp" "SBMP 00 0.000 0.000" \
    "LSND 0 overfull.ogg" "PSND 0" \
    "LSND 1 lying_end.ogg" "PSND 1" \
    "LGFX 01 text_bomb.png" "LGFX 02 side_bomb.png" \
    "LBMP 03 ..\\gfx\\pipe.png" "LBMP 04 zero.png" \
    "WFOR 200" "QUIT" > "$show/data/vuze.kel"

# --- the renderer, under a memory ceiling ------------------------------------
ceiling_mib=300
if ldd "$render" 2>/dev/null | grep -q libasan; then
    # The address sanitizer's own shadow and quarantine come on top.
    ceiling_mib=500
    export ASAN_OPTIONS="${ASAN_OPTIONS:-}:quarantine_size_mb=16"
fi
peak=$(cd "$show" && timeout 120 python3 - "$render" --mode 640x480x32 --frames 30 --out "$work/frames" <<'PY'
import resource, subprocess, sys
code = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
print(code, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss // 1024)
PY
)
read -r code mib <<<"$peak"
[ "$code" = 0 ] || fail "the renderer ended with status ${code:-none} on the crafted files"
if [ -n "${mib:-}" ]; then
    echo "renderer peak: $mib MiB (ceiling $ceiling_mib MiB)"
    [ "$mib" -le "$ceiling_mib" ] || fail "the renderer needed $mib MiB for files of a few KiB"
fi
last=$(ls "$work/frames" 2>/dev/null | sort | tail -n 1)
if [ -z "$last" ]; then
    fail "the renderer wrote no frame"
else
    pixel=$(convert "$work/frames/$last" -format '%[pixel:p{320,240}]' info: 2>/dev/null)
    case "$pixel" in
        "srgb(255,0,0)" | "red") ;;
        *) fail "the good picture is not shown after the crafted files (centre pixel $pixel)" ;;
    esac
fi

# --- the player: no display, so the show opens at once in the first mode ----
start=$(date +%s)
(cd "$show" && env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    timeout 60 "$player" >"$work/player.log" 2>&1)
rc=$?
[ "$rc" = 0 ] || fail "the player ended with status $rc (124: it hung) on the crafted files"
echo "player: status $rc after $(($(date +%s) - start)) s"

# --- a script that is a folder ------------------------------------------------
empty="$work/folder-script"
mkdir -p "$empty/data/vuze.kel"
message=$(cd "$empty" && timeout 60 "$render" --frames 3 --out "$work/empty-frames" 2>&1 >/dev/null)
rc=$?
[ "$rc" = 2 ] || fail "the renderer ended with status $rc on a script that is a folder, not 2"
[ "$message" = "rodazaro-render: the current folder holds no data/vuze.kel" ] ||
    fail "a script that is a folder gave: $message"
[ ! -e "$work/empty-frames" ] || fail "the renderer wrote frames for a script that is a folder"
touch "$work/plain-file"
message=$(cd "$show" && timeout 60 "$render" --frames 3 --out "$work/plain-file/frames" 2>&1 >/dev/null)
rc=$?
[ "$rc" = 1 ] || fail "an output folder that cannot be made gave status $rc, not 1"
[ "$(printf '%s\n' "$message" | wc -l)" = 1 ] || fail "an output folder that cannot be made gave: $message"

if [ "$failures" -ne 0 ]; then
    echo "--- player output"
    cat "$work/player.log"
    exit 1
fi
echo "PASS"
