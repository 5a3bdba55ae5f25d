#!/bin/bash
# rodazaro-check: graphics and sounds, found and decoded as the player does.
source "$(dirname "$0")/check_common.inc"

new_show media \
    "Media" \
    "LGFX 00 a.bmp" \
    "LGFX 01 A.BMP" \
    "LGFX 02 missing.png" \
    "LGFX 03 good.png" \
    "LGFX 04 damaged.png" \
    "LGFX 05 fake.png" \
    "LGFX 06 rle.bmp" \
    "LGFX 07 topdown.bmp" \
    "LBMP 08 a.bmp" \
    "LSND 0 a.wav" \
    "LSND 1 empty.wav" \
    "LSND 2 list.wav" \
    "LSND 3 short.wav" \
    "LSND 4 fake.ogg" \
    "LSND 5 missing.wav" \
    "LSND 6 song.mp3" \
    "LGFX 09 header.png" \
    "LSND 7 float.wav" \
    "LGFX 10  a.bmp" \
    "LGFX 11" \
    "LGFX 12 sub" \
    "LSND 8 Sub/B.WAV" \
    "LGFX 13 empty.png" \
    "LGFX 14 a.bmp " \
    "LGFX 15 picture.jpg" \
    "LSND 9 late.wav" \
    "LSND 0 rate.wav" \
    "LSND 0 bits.wav" \
    "LSND 0 tiny.wav" \
    "QUIT"
gfx="$show/data/gfx"
snd="$show/data/sound"
write_bmp "$gfx/a.bmp"
write_png "$gfx/good.png"
# The same PNG with one byte of its image data changed: its header reads,
# its rows do not.
write_png "$gfx/damaged.png"
printf '\xc7' | dd of="$gfx/damaged.png" bs=1 seek=44 conv=notrunc status=none
# A PNG whose header chunk fails its checksum.
write_png "$gfx/header.png"
printf '\x00' | dd of="$gfx/header.png" bs=1 seek=29 conv=notrunc status=none
printf 'this is text, not a picture\n' > "$gfx/fake.png"
printf '\xff\xd8\xff\xe0 jpeg' > "$gfx/picture.jpg"
# Compression 1 (RLE8) and a negative height in otherwise good BMPs.
write_bmp "$gfx/rle.bmp"
printf '\x01' | dd of="$gfx/rle.bmp" bs=1 seek=30 conv=notrunc status=none
write_bmp "$gfx/topdown.bmp"
printf '\xff\xff\xff\xff' | dd of="$gfx/topdown.bmp" bs=1 seek=22 conv=notrunc status=none
mkdir -p "$gfx/sub" "$snd/sub"
: > "$gfx/empty.png"
write_wav "$snd/a.wav"
write_wav "$snd/sub/b.wav"
# No samples: the data chunk's size is 0.
printf 'RIFF\x24\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x80\x3e\x00\x00\x02\x00\x10\x00data\x00\x00\x00\x00' > "$snd/empty.wav"
# A LIST chunk where the format chunk must be.
printf 'RIFF\x24\x00\x00\x00WAVELIST\x04\x00\x00\x00INFOfmt \x10\x00\x00\x00\x01\x00\x01\x00' > "$snd/list.wav"
# A data chunk that claims more bytes than the file has.
printf 'RIFF\x2c\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x40\x1f\x00\x00\x80\x3e\x00\x00\x02\x00\x10\x00data\x00\x10\x00\x00\x00\x00' > "$snd/short.wav"
# 32-bit float samples.
printf 'RIFF\x2c\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x03\x00\x01\x00\x40\x1f\x00\x00\x00\x7d\x00\x00\x04\x00\x20\x00data\x08\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00' > "$snd/float.wav"
# A good WAV patched into one the sound device refuses: 50 Hz, 24-bit
# samples, and only 2 bytes of samples.
patch() { printf "$3" | dd of="$1" bs=1 seek="$2" conv=notrunc status=none; }
write_wav "$snd/rate.wav"
patch "$snd/rate.wav" 24 '\x32\x00\x00\x00'
write_wav "$snd/bits.wav"
patch "$snd/bits.wav" 32 '\x03\x00\x18\x00'
write_wav "$snd/tiny.wav"
patch "$snd/tiny.wav" 40 '\x02\x00\x00\x00'
printf 'OggS\x00\x02 not really an ogg stream at all, just bytes' > "$snd/fake.ogg"
printf 'ID3\x03\x00 an mp3 tag' > "$snd/song.mp3"

run_check --dir "$show"
expect_rc 1 "media problems"
if grep -q "libpng" <<<"$out"; then fail "the decoders' own messages reached the output"; fi
expect_clean 2 5 10 11
expect 3 warning "graphic file 'data.gfx.A.BMP' exists only as 'data/gfx/a.bmp': it loads only because the player ignores case"
expect 4 error "graphic file 'data.gfx.missing.png' not found"
expect 6 warning "the image data of 'data.gfx.damaged.png' is damaged"
expect 7 error "the player cannot read 'data.gfx.fake.png': it is neither a PNG nor a BMP image"
expect 8 error "the player cannot read the BMP 'data.gfx.rle.bmp': it is compressed \(compression 1\)"
expect 9 error "the player cannot read the BMP 'data.gfx.topdown.bmp': it is stored top-down"
expect 12 error "the player cannot load the WAV 'data.sound.empty.wav': it holds no samples"
expect 13 error "the player cannot load the WAV 'data.sound.list.wav': its format chunk .* does not come first"
expect 14 error "the player cannot load the WAV 'data.sound.short.wav': its data chunk runs past the end"
expect 15 error "the player cannot load 'data.sound.fake.ogg': it is an Ogg stream that is not Vorbis"
expect 16 error "sound file 'data.sound.missing.wav' not found"
expect 17 error "the player cannot load 'data.sound.song.mp3': it is an MP3"
expect 18 error "the player cannot read 'data.gfx.header.png': it is a damaged PNG"
expect 19 error "the player cannot load the WAV 'data.sound.float.wav': its sample format \(3\) is not PCM"
expect 20 error "graphic file 'data.gfx. a.bmp' not found; 'a.bmp' exists"
expect 21 error "no graphic file name: the name starts at column 9"
expect 22 error "graphic file 'data.gfx.sub' is a folder, not a file"
expect 23 warning "sound file 'data.sound.Sub.B.WAV' exists only as 'data/sound/sub/b.wav'"
expect 24 error "graphic file 'data.gfx.empty.png' is empty"
expect 25 error "graphic file 'data.gfx.a.bmp ' not found; 'a.bmp' exists"
expect 26 error "it is a JPEG image; only PNG and BMP load"
expect 27 error "sound file 'data.sound.late.wav' not found"
expect 28 error "'data.sound.rate.wav': its sample rate \(50 Hz\) is outside the sound device's 100-200000 Hz"
expect 29 error "'data.sound.bits.wav': it has 24-bit samples"
expect 30 error "'data.sound.tiny.wav': it holds only 2 bytes of samples"

# Pictures that load but do not show as drawn: one table, a line of the
# script each.  FILE | how it is made | LOAD (LGFX/LBMP) | the finding on
# its show line, "" for none.  A 3D sprite leaves out black pixels only, so
# fully transparent pixels of another colour show; half-transparent ones are
# no concern of this finding, nor is a plain sprite, opaque whatever its
# colours.  A plain sprite is drawn at its own size.
cases=(
    "alpha.png|write_png(f, 3, 2, 6, 8, [[(255, 255, 255, 0), (0, 0, 0, 0), (9, 9, 9, 255)], [(255, 255, 255, 0), (250, 0, 0, 0), (1, 2, 3, 0)]])|LGFX|warning|4 of the 5 fully transparent pixels of 'data.gfx.alpha.png' are not black: .*black pixels.*convert alpha.png -background black -alpha remove"
    "black.png|write_png(f, 2, 1, 6, 8, [[(0, 0, 0, 0), (200, 100, 0, 255)]])|LGFX||"
    "opaque.png|write_png(f, 1, 1, 6, 8, [[(255, 255, 255, 0)]])|LBMP||"
    "half.png|write_png(f, 2, 1, 6, 8, [[(255, 255, 255, 128), (255, 255, 255, 1)]])|LGFX||"
    "rgb.png|write_png(f, 2, 1, 2, 8, [[(255, 255, 255), (0, 0, 0)]])|LGFX||"
    "palette.png|write_png(f, 3, 1, 3, 8, [[(0,), (1,), (0,)]], palette=[(255, 255, 255), (0, 0, 0)], trns=bytes([0]))|LGFX|warning|2 of the 2 fully transparent pixels of 'data.gfx.palette.png'"
    "gray.png|write_png(f, 2, 1, 4, 8, [[(200, 0), (0, 0)]])|LGFX|warning|1 of the 2 fully transparent pixels"
    "keyed.png|write_png(f, 2, 2, 2, 8, [[(255, 0, 255), (255, 0, 255)], [(255, 0, 255), (1, 1, 1)]], trns=bytes([0, 255, 0, 0, 0, 255]))|LGFX|warning|3 of the 3 fully transparent pixels of 'data.gfx.keyed.png'"
    "deep.png|write_png(f, 1, 2, 6, 16, [[(65535, 0, 0, 0)], [(0, 0, 0, 0)]])|LGFX|warning|1 of the 2 fully transparent pixels"
    "adam7.png|write_png(f, 9, 9, 6, 8, [[(255, 255, 255, 0 if (x + y) % 2 else 255) for x in range(9)] for y in range(9)], interlace=True)|LGFX|warning|40 of the 40 fully transparent pixels of 'data.gfx.adam7.png'"
    "fields16.bmp|write_bmp_bitfields(f, 4, 2, 16, (0xF800, 0x07E0, 0x001F))|LGFX|error|cannot read the BMP 'data.gfx.fields16.bmp': it is a 16-bit BMP with bit-field masks \\(red 0x0000F800, green 0x000007E0, blue 0x0000001F\\) \\(compression 3, BI_BITFIELDS\\).*16 bits as 5-5-5.*save it as a 24-bit BMP"
    "fields32.bmp|write_bmp_bitfields(f, 2, 2, 32, (0xFF0000, 0xFF00, 0xFF))|LBMP|error|it is a 32-bit BMP with bit-field masks"
    "fits.bmp|write_bmp24(f, 640, 480, (1, 2, 3))|LBMP||"
    "wide.bmp|write_bmp24(f, 641, 10, (1, 2, 3))|LBMP|warning|slot 13 shows 'data.gfx.wide.bmp' \\(641 x 10 pixels\\) as a plain sprite.*in the 640x480 modes it is larger than the screen, so its edges are cut off there; make it at most 640 x 480"
    "tall.bmp|write_bmp24(f, 10, 601, (1, 2, 3))|LBMP|warning|in the 640x480 and 800x600 modes it is larger than the screen"
    "huge.bmp|write_bmp24(f, 1025, 20, (1, 2, 3))|LBMP|warning|it is larger than the screen in every mode"
    "huge.bmp|write_bmp24(f, 1025, 20, (1, 2, 3))|LGFX||"
)
lines=("Shown")
for i in "${!cases[@]}"; do
    IFS='|' read -r file make load _ <<<"${cases[$i]}"
    slot="$(printf '%02d' "$i")"
    lines+=("$load $slot $file" "$([ "$load" = LGFX ] && echo SGFX || echo SBMP) $slot 0.000 0.000")
    PYTHONPATH="$source_dir/tests/e2e/lib" python3 -c "from media import *; f = '$work/shown.$file'; $make" ||
        fail "cannot make $file"
done
new_show shown "${lines[@]}" "QUIT"
for i in "${!cases[@]}"; do
    IFS='|' read -r file _ <<<"${cases[$i]}"
    cp "$work/shown.$file" "$show/data/gfx/$file"
done
run_check "$show"
expect_rc 1 "pictures that do not show as drawn"
for i in "${!cases[@]}"; do
    IFS='|' read -r file _ load kind pattern <<<"${cases[$i]}"
    load_line=$((2 * i + 2))
    if [ -z "$kind" ]; then
        expect_clean "$load_line" "$((load_line + 1))"
    elif [ "$kind" = warning ] && [ "$load" = LBMP ]; then
        expect "$((load_line + 1))" "$kind" "$pattern"  # on the show line
    else
        expect "$load_line" "$kind" "$pattern"
    fi
done
finish
