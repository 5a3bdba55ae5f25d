#!/bin/bash
# Endurance: the renderer plays a long presentation twice, for a tenth of
# the turns and for all of them; both runs are the same turn for turn, so
# the difference of their peak memory is what the later nine tenths added.
# It must stay under 1 MiB: nothing grows with the number of turns.
#
# Usage: soak.sh <path to rodazaro-render> <source folder> scene|reloads TURNS
set -u
export LC_ALL=C
render=$(realpath "$1")
source=$2
kind=$3
turns=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$source/tests/soak/make_show.py" "$source/examples/demo/data" "$work" "$kind" "$turns" ||
    { echo "FAIL: the presentation could not be made"; exit 1; }

# peak TURNS: "STATUS PEAK_KIB SECONDS" of one run of the renderer.
peak() {
    (cd "$work" && python3 - "$render" --mode 640x480x32 --frames "$1" <<'PY'
import resource, subprocess, sys, time
start = time.monotonic()
code = subprocess.run(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode
print(code, resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss, round(time.monotonic() - start))
PY
    )
}
read -r code_short kib_short s_short <<<"$(peak $((turns / 10)))"
read -r code_long kib_long s_long <<<"$(peak "$turns")"
growth=$((kib_long - kib_short))
echo "$kind: $((turns / 10)) turns: peak $kib_short KiB in $s_short s; $turns turns: peak $kib_long KiB in $s_long s; growth $growth KiB"
[ "$code_short" = 0 ] && [ "$code_long" = 0 ] || { echo "FAIL: the renderer ended with $code_short / $code_long"; exit 1; }
[ "$growth" -lt 1024 ] || { echo "FAIL: memory grew by $growth KiB after the first tenth"; exit 1; }
echo "PASS"
