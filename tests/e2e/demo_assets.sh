#!/usr/bin/env bash
# The example presentation under examples/demo/data is what the demo
# generator writes, and it is a presentation the player can run: a CR LF
# script whose every line is a well-formed command, pictures and sounds of
# every kind the player reads, nothing missing and nothing left over.
#
# "What the generator writes" is held by content, not by bytes: the
# compressed files come out of libpng, zlib and libvorbis, whose output
# changes with their versions and builds.  The script must match exactly;
# every picture's decoded pixels (RGBA at the file's full depth) and every
# WAV's samples exactly; every Ogg Vorbis sound decodes to the same number
# of samples, within the bounds given in tests/e2e/lib/media_compare.cpp
# (a re-encode of the same music by a different encoder build differs a
# little throughout; a change of the music differs far more).
#
# Usage: demo_assets.sh <path to the rodazaro binary> <source folder>
# The generator is built next to the player: <build>/tools/make_demo/rodazaro-make-demo;
# the comparison helper in <build>/tests/rodazaro-media-compare.
set -u
export LC_ALL=C

player=$1
source=$2
generator="$(dirname "$player")/tools/make_demo/rodazaro-make-demo"
compare="$(dirname "$player")/tests/rodazaro-media-compare"
committed="$source/examples/demo/data"

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

[ -x "$generator" ] || fail "the demo generator is not built: $generator"
[ -x "$compare" ] || fail "the comparison helper is not built: $compare"
[ -f "$committed/vuze.kel" ] || fail "no committed demo script at $committed/vuze.kel"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# --- a fresh run gives the committed files' content ---------------------------
if ! timeout 150 "$generator" "$work/data" > "$work/log" 2>&1; then
  cat "$work/log" >&2
  fail "the generator failed"
fi
regenerate="(regenerate it, see examples/demo/README.md)"
(cd "$work/data" && find . -type f | sort) > "$work/fresh_files"
(cd "$committed" && find . -type f | sort) > "$work/committed_files"
diff "$work/committed_files" "$work/fresh_files" > "$work/diff" ||
  fail "the committed demo and a fresh run hold different files: $(grep '^[<>]' "$work/diff" | tr '\n' ' ') $regenerate"
cmp -s "$committed/vuze.kel" "$work/data/vuze.kel" ||
  fail "the committed script differs from a fresh run of the generator $regenerate"
differing=0
while read -r file; do
  [ "$file" = ./vuze.kel ] && continue
  verdict="$(timeout 60 "$compare" "$committed/$file" "$work/data/$file")"
  status=$?
  if [ "$status" -ne 0 ]; then
    echo "${file#./}: $verdict" >&2
    differing=$((differing + 1))
  fi
done < "$work/committed_files"
[ "$differing" -eq 0 ] || fail "$differing committed files differ from a fresh run of the generator $regenerate"

# --- the script ----------------------------------------------------------------
script="$committed/vuze.kel"
lines=$(wc -l < "$script")
crlf=$(grep -c $'\r$' "$script")
[ "$lines" -gt 10 ] || fail "the script has only $lines lines"
[ "$crlf" -eq "$lines" ] || fail "$((lines - crlf)) script lines do not end with CR LF"
[ "$(tail -c 2 "$script" | od -An -tx1 | tr -d ' \n')" = "0d0a" ] || fail "the last script line does not end with CR LF"
[ "$(tr -d '\r\n' < "$script" | tr -d '[:print:]' | wc -c)" -eq 0 ] || fail "the script holds control characters or non-ASCII bytes"

tr -d '\r' < "$script" > "$work/script"
title=$(head -n 1 "$work/script")
[ -n "$title" ] || fail "the title line is empty"
case "$title" in
  LSND* | QUIT* | PSND* | WAIT* | STCK* | LGFX* | SGFX* | MGFX* | DGFX* | ZGFX* | LBMP* | SBMP* | EGFX* | AGFX* | WFOR*)
    fail "the title line looks like a command: $title" ;;
esac
tail -n +2 "$work/script" > "$work/commands"

# Every command line in its fixed columns: slot 6-7, name from 9 (from 8 for
# sounds), x 9-13 and y 15-19, dx 9-14 and dy 16-21, dzoom 9-14, alpha 9-11.
real5='[-+ .0-9E]{5}'
real6='[-+ .0-9E]{6}'
grep -v -E \
  -e '^LSND [0-9] [^ ].*$' \
  -e '^PSND [0-9]$' \
  -e '^(LGFX|LBMP) [0-9]{2} [^ ].*$' \
  -e "^(SGFX|SBMP) [0-9]{2} $real5 $real5\$" \
  -e "^MGFX [0-9]{2} $real6 $real6\$" \
  -e "^ZGFX [0-9]{2} $real6\$" \
  -e '^AGFX [0-9]{2} [0-9]{3}$' \
  -e '^EGFX [0-9]{2} [0-9]{2}$' \
  -e '^DGFX [0-9]{2}$' \
  -e '^(WAIT|WFOR) [1-9][0-9]*$' \
  -e '^(STCK|QUIT)$' \
  "$work/commands" > "$work/bad"
[ ! -s "$work/bad" ] || fail "malformed script lines: $(head -n 3 "$work/bad" | tr '\n' '|')"

for word in LSND QUIT PSND WAIT STCK LGFX SGFX MGFX DGFX ZGFX LBMP SBMP EGFX AGFX WFOR; do
  grep -q "^$word" "$work/commands" || fail "the script never uses $word"
done
grep -q -E '^AGFX [0-9]{2} 255$' "$work/commands" || fail "no AGFX brings a slot to full alpha"
[ "$(tail -n 1 "$work/commands")" = "QUIT" ] || fail "the script does not end with QUIT"
tail -n 2 "$work/commands" | head -n 1 | grep -q '^WAIT ' || fail "QUIT does not follow a WAIT"
[ "$(grep -c '^STCK' "$work/commands")" -eq 1 ] || fail "the script clock should start exactly once"

# Slots: loaded in one unbroken run from 0 before anything uses them; a plain
# sprite (LBMP) is shown with SBMP, a 3D sprite (LGFX) with SGFX. WAIT times
# only grow, and no wait comes before STCK.
awk '
  function bad(msg) { print "line " NR + 1 ": " msg; failed = 1 }
  {
    word = substr($0, 1, 4); slot = substr($0, 6, 2) + 0
    if (word == "LGFX" || word == "LBMP") {
      if (!(slot in kind) && slot != loaded) bad("slot " slot " leaves a gap (next free slot is " loaded ")")
      if (!(slot in kind)) loaded++
      kind[slot] = word
    } else if (word == "SGFX" || word == "MGFX" || word == "DGFX" || word == "ZGFX" || word == "SBMP" || word == "EGFX" || word == "AGFX") {
      if (!(slot in kind)) bad("slot " slot " is used before it is loaded")
      else if (word == "SGFX" && kind[slot] != "LGFX") bad("SGFX on a plain sprite")
      else if (word == "SBMP" && kind[slot] != "LBMP") bad("SBMP on a 3D sprite")
      if (word == "EGFX" && !((substr($0, 9, 2) + 0) in kind)) bad("EGFX to a slot that is not loaded")
    } else if (word == "LSND") {
      sound[substr($0, 6, 1)] = 1
    } else if (word == "PSND") {
      if (!(substr($0, 6, 1) in sound)) bad("sound " substr($0, 6, 1) " is played before it is loaded")
    } else if (word == "STCK") {
      started = 1
    } else if (word == "WAIT" || word == "WFOR") {
      if (!started) bad(word " before STCK")
      t = substr($0, 6) + 0
      if (word == "WAIT" && t <= last) bad("WAIT " t " does not come after WAIT " last)
      if (word == "WAIT") last = t
    }
  }
  END {
    if (last < 45000 || last > 90000) { print "the show lasts " last " ms, not about a minute"; failed = 1 }
    exit failed
  }' "$work/commands" > "$work/order" || fail "$(head -n 3 "$work/order" | tr '\n' '|')"

# --- the files the script names, and only those -----------------------------
grep -E '^(LGFX|LBMP)' "$work/commands" | cut -b 9- | sort -u > "$work/named_gfx"
grep -E '^LSND' "$work/commands" | cut -b 8- | sort -u > "$work/named_sound"
(cd "$committed/gfx" && ls -1) | sort > "$work/have_gfx"
(cd "$committed/sound" && ls -1) | sort > "$work/have_sound"
diff "$work/named_gfx" "$work/have_gfx" > /dev/null || fail "pictures named by the script and present in gfx/ differ: $(diff "$work/named_gfx" "$work/have_gfx" | grep '^[<>]' | tr '\n' ' ')"
diff "$work/named_sound" "$work/have_sound" > /dev/null || fail "sounds named by the script and present in sound/ differ: $(diff "$work/named_sound" "$work/have_sound" | grep '^[<>]' | tr '\n' ' ')"
[ "$(ls -1 "$committed")" = "$(printf 'gfx\nsound\nvuze.kel')" ] || fail "unexpected entries in the data folder: $(ls -1 "$committed" | tr '\n' ' ')"

total=$(du -sb "$committed" | cut -f 1)
[ "$total" -lt 3000000 ] || fail "the demo takes $total bytes, more than 3 MB"

# --- every kind of picture and sound the player reads ------------------------
byte() { od -An -tu1 -j "$2" -N 1 "$1" | tr -d ' '; }
word16() { od -An -tu2 -j "$2" -N 2 --endian=little "$1" | tr -d ' '; }
kinds=""
for f in "$committed"/gfx/*; do
  if [ "$(head -c 8 "$f" | od -An -tx1 | tr -d ' \n')" = "89504e470d0a1a0a" ]; then
    depth=$(byte "$f" 24); type=$(byte "$f" 25); interlace=$(byte "$f" 28)
    case "$type" in
      0) kinds="$kinds gray" ;;
      2) kinds="$kinds rgb" ;;
      3) grep -q tRNS "$f" && kinds="$kinds palette-trns" ;;
      4) kinds="$kinds gray-alpha" ;;
      6) kinds="$kinds rgba" ;;
    esac
    [ "$depth" = 16 ] && kinds="$kinds png16"
    [ "$interlace" = 1 ] && kinds="$kinds interlaced"
  elif [ "$(head -c 2 "$f")" = "BM" ]; then
    [ "$(od -An -tu4 -j 30 -N 4 --endian=little "$f" | tr -d ' ')" = 0 ] || fail "$f is a compressed BMP"
    kinds="$kinds bmp$(word16 "$f" 28)"
  else
    fail "$f is neither PNG nor BMP"
  fi
done
for f in "$committed"/sound/*; do
  if [ "$(head -c 4 "$f")" = "RIFF" ]; then
    [ "$(dd if="$f" bs=1 skip=12 count=4 2>/dev/null)" = "fmt " ] || fail "$f has no format chunk at offset 12"
    kinds="$kinds wav$(word16 "$f" 34)x$(word16 "$f" 22)"
  elif [ "$(head -c 4 "$f")" = "OggS" ] && head -c 64 "$f" | grep -q vorbis; then
    kinds="$kinds ogg"
  else
    fail "$f is neither WAV nor Ogg Vorbis"
  fi
done
for kind in gray rgb palette-trns rgba png16 interlaced bmp8 bmp24 wav16x2 wav8x1 ogg; do
  case " $kinds " in
    *" $kind "*) ;;
    *) fail "the demo has no $kind asset (has:$kinds)" ;;
  esac
done

echo "demo assets: OK ($lines script lines, $total bytes)"
