#!/usr/bin/env bash
# Renders the demo presentation through rodazaro-render in two modes
# (1024x768x32 and 640x480x16), every frame and the mixed sound, and prints
# one SHA-256 for the frames and one for the sound of each mode. A change
# that must not alter what a presentation shows or plays keeps these lines.
#   scripts/render-hashes.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
render="$build/tools/render/rodazaro-render"
[[ -x "$render" ]] || { echo "render-hashes: $render is not built" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for mode in 1024x768x32 640x480x16; do
    mkdir -p "$work/$mode"
    SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
        "$render" --dir "$root/examples/demo" --mode "$mode" \
        --out "$work/$mode" --audio "$work/$mode.wav" >"$work/log" 2>&1 ||
        { cat "$work/log" >&2; exit 1; }
    frames="$(cd "$work/$mode" && ls | LC_ALL=C sort | xargs sha256sum | sha256sum | cut -c1-64)"
    count="$(ls "$work/$mode" | wc -l)"
    sound="$(sha256sum "$work/$mode.wav" | cut -c1-64)"
    echo "$mode frames($count) $frames sound $sound"
done
