#!/usr/bin/env bash
# Makes the seed corpora of the fuzz targets: the crafted seeds of
# rodazaro-fuzz-seeds plus the demo presentation's files.  The demo's script
# is taken with every picture and sound renamed to one of the script target's
# own assets, so that its commands load something.
#
# Usage: make_corpus.sh SEEDS_PROGRAM OUT_DIR   (OUT_DIR/<target>/ afterwards)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seeds="$1"
out="$2"
demo="$root/examples/demo/data"

rm -rf "$out"
mkdir -p "$out"
"$seeds" "$out"

for f in "$demo"/gfx/*.bmp; do cp "$f" "$out/bmp/demo_$(basename "$f")"; done
for f in "$demo"/gfx/*.png; do cp "$f" "$out/png/demo_$(basename "$f")"; done
for f in "$demo"/sound/*.wav; do cp "$f" "$out/wav/demo_$(basename "$f")"; done
for f in "$demo"/sound/*.ogg; do cp "$f" "$out/ogg/demo_$(basename "$f")"; done

# The sprite target reads a set-up byte before the image: each demo picture
# once, the byte cycling through screens and modes.
n=0
for f in "$demo"/gfx/*.bmp "$demo"/gfx/*.png; do
  byte=$(( (n * 11) & 63 ))
  { printf "\\$(printf '%03o' "$byte")"; cat "$f"; } > "$out/sprite/demo_${byte}_$(basename "$f")"
  n=$((n + 1))
done

sed -E -e 's/[^ \\]+\.[pP][nN][gG]/a.png/' -e 's/[^ \\]+\.[bB][mM][pP]/a.bmp/' \
       -e 's/[^ \\]+\.[wW][aA][vV]/a.wav/' -e 's/[^ \\]+\.[oO][gG][gG]/a.ogg/' \
       "$demo/vuze.kel" > "$out/script/demo_vuze.kel"
# The first kept lines of the demo's show, ending before the script's 200 turns
# are spent in its first waits.
grep -v -E '^(WFOR|WAIT)' "$out/script/demo_vuze.kel" | sed -n '1,120p' > "$out/script/demo_no_waits.kel"
