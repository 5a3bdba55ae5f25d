#!/bin/bash
# Zip presentations and --verbose, whole program, on SDL's headless drivers:
# a zipped show (under a top folder, with its names in another case) plays
# and ends by its QUIT with 0; a zip of the data folder plays too; zips with
# an entry that climbs out or an absolute one, a damaged zip and one without
# a script are refused with one line and exit 2; --verbose tells a missing
# picture and an unknown line with their line numbers, and without it
# nothing is said.
#
# Usage: zip_and_verbose.sh <path-to-rodazaro> <source-dir>
set -u
player=$(realpath "${1:?path to the player}")
# shellcheck source=lib/cases.sh
source "$(dirname "$0")/lib/cases.sh"

# play NAME ARGS...: runs the player headless in $work, bounded to 20 s;
# leaves its status in $got, its stderr in $work/err.
play() {
    local name=$1
    shift
    (cd "$work" && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 20 "$player" --mode 640x480x32 "$@" \
        > out 2> err)
    got=$?
    echo "ran: $name (status $got)"
}

# The zips: a picture stored as data/gfx/red.bmp while the script asks for
# data\gfx\RED.BMP.
python3 - "$work" << 'EOF'
import struct, sys, zipfile
work = sys.argv[1]
row = bytes([0, 0, 255]) * 2 + b"\0\0"
bmp = b"BM" + struct.pack("<IHHI", 54 + 16, 0, 0, 54) + struct.pack("<IiiHHIIiiII", 40, 2, 2, 1, 24, 0, 16, 0, 0, 0, 0) + row * 2
show = ("Zipped show\r\nLGFX 01 RED.BMP\r\nSGFX 01 0.000 0.000\r\nLGFX 02 sky.png\r\n"
        "BLAH this is no command\r\nWFOR 50\r\nQUIT\r\n")
with zipfile.ZipFile(f"{work}/show.zip", "w", zipfile.ZIP_DEFLATED) as z:
    z.writestr("Show/Data/Vuze.KEL", show)
    z.writestr("Show/data/gfx/red.bmp", bmp)
with zipfile.ZipFile(f"{work}/data_folder.ZIP", "w") as z:
    z.writestr("vuze.kel", "Data folder\r\nQUIT\r\n")
with zipfile.ZipFile(f"{work}/climbs.zip", "w") as z:
    z.writestr("data/vuze.kel", "Title\r\nQUIT\r\n")
    z.writestr("data/../../outside.txt", "x")
with zipfile.ZipFile(f"{work}/absolute.zip", "w") as z:
    z.writestr("data/vuze.kel", "Title\r\nQUIT\r\n")
    z.writestr("/tmp/outside.txt", "x")
with zipfile.ZipFile(f"{work}/no_script.zip", "w") as z:
    z.writestr("readme.txt", "no show here")
whole = open(f"{work}/show.zip", "rb").read()
open(f"{work}/damaged.zip", "wb").write(whole[: len(whole) // 2])
EOF
[ -s "$work/show.zip" ] || { echo "FAIL: the zips were not made"; exit 1; }

play zipped-show show.zip
if [ "$got" != 0 ]; then
    fail "zipped-show: exit status $got, not 0 (stderr: $(cat "$work/err"))"
elif [ -s "$work/err" ]; then
    fail "zipped-show: said something without --verbose: $(cat "$work/err")"
fi

play data-folder-zip data_folder.ZIP
[ "$got" = 0 ] || fail "data-folder-zip: exit status $got, not 0 (stderr: $(cat "$work/err"))"

play verbose --verbose show.zip
if [ "$got" != 0 ]; then
    fail "verbose: exit status $got, not 0 (stderr: $(cat "$work/err"))"
else
    for want in 'rodazaro: line 4: data\gfx\sky.png: no such file' \
        'rodazaro: line 5: BLAH: no such command; line ignored'; do
        grep -qxF -- "$want" "$work/err" || fail "verbose: stderr does not say '$want': $(cat "$work/err")"
    done
    [ "$(wc -l < "$work/err")" = 2 ] || fail "verbose: stderr has more than the two reports: $(cat "$work/err")"
fi

# refused NAME ZIP PATTERN: one line on stderr that says PATTERN, exit 2.
refused() {
    play "$1" "$2"
    if [ "$got" != 2 ]; then
        fail "$1: exit status $got, not 2 (stderr: $(cat "$work/err"))"
    elif ! grep -qF -- "$3" "$work/err" || [ "$(wc -l < "$work/err")" != 1 ]; then
        fail "$1: stderr is not one line that says '$3': $(cat "$work/err")"
    fi
}
refused climbing-entry climbs.zip "rodazaro: climbs.zip has an entry that climbs out of it: data/../../outside.txt"
refused absolute-entry absolute.zip "rodazaro: absolute.zip has an entry with an absolute path: /tmp/outside.txt"
refused no-script no_script.zip "rodazaro: no_script.zip holds no data/vuze.kel"
refused damaged damaged.zip "rodazaro: damaged.zip is not a zip archive that can be read"
refused missing missing.zip "rodazaro: missing.zip is not a zip archive that can be read"

finish "PASS: zip presentations and --verbose"
