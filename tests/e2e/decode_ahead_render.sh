#!/usr/bin/env bash
# Decode-ahead changes only wall time: the demo's first 200 frames and its
# sound render byte-identical with the worker, without it (by option and by
# environment), and with a bound so small (1 MiB) that the large pictures are
# never held and the worker keeps waiting for room.  The
# render with the worker must really have taken decoded loads from it.
# Usage: decode_ahead_render.sh <build/rodazaro> <source dir>
set -euo pipefail
render="$(dirname "$1")/tools/render/rodazaro-render"
demo="$2/examples/demo"
[ -x "$render" ] || { echo "no renderer at $render"; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy

run() {  # run NAME [ENV=VALUE...] -- [OPTIONS...]: prints the frames' and sound's hash
  local name="$1"; shift
  local environment=()
  while [ "$1" != "--" ]; do environment+=("$1"); shift; done
  shift
  env "${environment[@]}" "$render" --dir "$demo" --frames 200 --out "$work/$name" \
      --audio "$work/$name.wav" "$@" 2>"$work/$name.log" || { cat "$work/$name.log"; exit 1; }
  echo "$(cd "$work/$name" && ls | LC_ALL=C sort | xargs sha256sum | sha256sum | cut -c1-64)" \
       "$(sha256sum "$work/$name.wav" | cut -c1-64)"
}

on="$(run on --)"
off="$(run off -- --no-decode-ahead)"
tight="$(run tight RODAZARO_DECODE_AHEAD=1 --)"
envoff="$(run envoff RODAZARO_DECODE_AHEAD=off --)"

[ "$on" = "$off" ] || { echo "FAIL: frames or sound differ with decode-ahead on ($on) and off ($off)"; exit 1; }
[ "$tight" = "$off" ] || { echo "FAIL: a 1 MiB bound changed the render ($tight, not $off)"; exit 1; }
[ "$envoff" = "$off" ] || { echo "FAIL: RODAZARO_DECODE_AHEAD=off changed the render"; exit 1; }
taken="$(sed -n 's/^rodazaro-render: \([0-9]*\) loads found decoded ahead$/\1/p' "$work/on.log")"
[ -n "$taken" ] && [ "$taken" -gt 0 ] || { echo "FAIL: no load was decoded ahead"; cat "$work/on.log"; exit 1; }
grep -q "loads found decoded ahead" "$work/off.log" && { echo "FAIL: --no-decode-ahead still ran the worker"; exit 1; }
echo "identical on, off and at 1 MiB; $taken loads decoded ahead"
