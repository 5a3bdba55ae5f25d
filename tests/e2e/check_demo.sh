#!/bin/bash
# rodazaro-check: the example presentation in examples/demo has nothing to
# report (information allowed).
source "$(dirname "$0")/check_common.inc"

demo="$source_dir/examples/demo"
if [ ! -f "$demo/data/vuze.kel" ]; then
    echo "SKIP: no example presentation at $demo/data/vuze.kel"
    exit 0
fi
run_check --dir "$demo"
expect_rc 0 "the example presentation"
if grep -qE "^vuze\.kel(:[0-9]+)?: (error|warning):" <<<"$out"; then
    fail "findings in the example presentation:"
    echo "$out"
fi
grep -qE "^0 errors, 0 warnings, [0-9]+ info$" <<<"$out" || fail "no summary line: $out"

# The demo's Ogg Vorbis sounds: one loads as it is; its first 100 bytes,
# too few for the stream's headers, do not.
ogg="$(find "$demo/data/sound" -maxdepth 1 -iname '*.ogg' 2>/dev/null | sort | head -n 1)"
if [ -n "$ogg" ]; then
    new_show ogg "Ogg" "LSND 0 whole.ogg" "LSND 1 cut.ogg" "PSND 0" "QUIT"
    cp "$ogg" "$show/data/sound/whole.ogg"
    head -c 100 "$ogg" > "$show/data/sound/cut.ogg"
    run_check --dir "$show"
    expect_rc 1 "a cut Ogg Vorbis sound"
    expect_clean 2 4
    expect 3 error "the player cannot load 'data.sound.cut.ogg': it is an Ogg stream that is not Vorbis, or a damaged one"
else
    echo "note: the example presentation has no Ogg Vorbis sound"
fi
finish
