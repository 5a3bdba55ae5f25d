#!/usr/bin/env bash
# The demo's mix never clips: its whole sound, rendered by rodazaro-render
# from examples/demo as the player mixes it, peaks at -1 dBFS or below
# (29204 of 32767).  Usage: demo_sound_peak.sh <build/rodazaro> <source dir>
set -euo pipefail
render="$(dirname "$1")/tools/render/rodazaro-render"
demo="$2/examples/demo"
[ -x "$render" ] || { echo "FAIL: no renderer at $render"; exit 1; }
[ -f "$demo/data/vuze.kel" ] || { echo "FAIL: no demo at $demo"; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# Sound only, no frames written: about 20 s of work for the one-minute show.
if ! SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy timeout 150 \
    "$render" --dir "$demo" --mode 640x480x16 --audio "$work/show.wav" > "$work/log" 2>&1; then
    cat "$work/log"
    echo "FAIL: the render of the demo failed"
    exit 1
fi

PYTHONPATH="$2/tests/e2e/lib" python3 - "$work/show.wav" <<'PY'
import sys
from media import read_wav

LIMIT = 29204  # 32767 * 10 ** (-1 / 20): -1 dBFS
rate, channels, samples = read_wav(sys.argv[1])
seconds = len(samples) / channels / rate
if seconds < 55:
    sys.exit("FAIL: the mix lasts %.1f s, not the whole show" % seconds)
over = [i for i, v in enumerate(samples) if abs(v) > LIMIT]
peak = max(abs(v) for v in samples)
if peak == 0:
    sys.exit("FAIL: the mix is silent")
if over:
    times = sorted({i // channels // rate for i in over})
    sys.exit("FAIL: %d samples above -1 dBFS (peak %d), in the seconds %s"
             % (len(over), peak, ", ".join(str(t) for t in times[:12])))
print("demo mix: peak %d of 32767 over %.1f s" % (peak, seconds))
PY
