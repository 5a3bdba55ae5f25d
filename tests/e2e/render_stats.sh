#!/usr/bin/env bash
# rodazaro-render --stats: the real time of the turns (median, 99th
# percentile, worst) and the script line of the worst, on stderr at the end.
# A script of cheap lines with one line that loads a large noisy picture
# must name that line as the worst; without --stats nothing is told.
#   Usage: render_stats.sh <build/rodazaro> <source dir>
set -u
render="$(realpath "$(dirname "$1")")/tools/render/rodazaro-render"
[ -x "$render" ] || { echo "no renderer at $render"; exit 1; }
# shellcheck source=lib/cases.sh
source "$(dirname "$0")/lib/cases.sh"

mkdir -p "$work/show/data/gfx"
# 3000x2000 of noise: it does not compress, so decoding it takes far longer
# than any other turn of the script.
python3 - "$work/show/data/gfx/big.png" << 'PY'
import random, struct, sys, zlib
width, height = 3000, 2000
noise = random.Random(7)
raw = b''.join(b'\0' + noise.randbytes(width * 3) for _ in range(height))
def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))
png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
png += chunk(b'IDAT', zlib.compress(raw, 1)) + chunk(b'IEND', b'')
open(sys.argv[1], 'wb').write(png)
PY
# Line 1 is the title; the load stands on line 22 among 40 cheap lines.
{
  echo "Stats"
  for _ in $(seq 20); do echo "SGFX 00 0.100 0.100"; done
  echo "LBMP 00 big.png"
  for _ in $(seq 20); do echo "SGFX 01 0.100 0.100"; done
  echo "WFOR 9000"
} | sed 's/$/\r/' > "$work/show/data/vuze.kel"

run() {  # run ARGS...: the renderer on the show at 640x480, stderr in $work/err
  timeout 60 "$render" --mode 640x480x32 --frames 100 "$@" "$work/show" > /dev/null 2> "$work/err"
}

echo "-- --stats names the loading line as the worst turn"
if ! run --stats --out "$work/frames"; then
  fail "render with --stats failed: $(cat "$work/err")"
else
  line="$(grep -E '^rodazaro-render: [0-9]+ turns: median' "$work/err")"
  pattern='^rodazaro-render: ([0-9]+) turns: median ([0-9.]+) ms, 99th percentile ([0-9.]+) ms, worst ([0-9.]+) ms \(script line ([0-9]+)\)$'
  if [[ ! "$line" =~ $pattern ]]; then
    fail "no stats line on stderr: $(cat "$work/err")"
  else
    turns=${BASH_REMATCH[1]} median=${BASH_REMATCH[2]} p99=${BASH_REMATCH[3]}
    worst=${BASH_REMATCH[4]} at=${BASH_REMATCH[5]}
    [ "$turns" = 100 ] || fail "stats count $turns turns, not 100: $line"
    [ "$at" = 22 ] || fail "the worst turn is said to be line $at, not the load on line 22: $line"
    # Ordered, not zero, and the load far slower than a usual turn.
    awk -v m="$median" -v p="$p99" -v w="$worst" \
      'BEGIN { exit !(m > 0 && m <= p && p <= w && w < 60000 && w > 5 * m) }' ||
      fail "the times are not sane: $line"
    echo "ok: $line"
  fi
fi

echo "-- without --stats nothing is told"
run
grep -q "turns: median" "$work/err" && fail "stats told without --stats: $(cat "$work/err")"
grep -q "^rodazaro-render: 100 turns, " "$work/err" || fail "the usual summary is missing: $(cat "$work/err")"

finish "all render stats checks passed"
