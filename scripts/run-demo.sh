#!/usr/bin/env bash
# Installs what is needed, builds the player and plays the demo presentation:
# the launcher appears; pick a mode and press "Run".  Escape ends the show.
# Options are the player's: run-demo.sh --mode 800x600x32 --window plays at
# once in a window.  Only the player is built (the demo's files are in the
# tree); scripts/build.sh builds everything, the tests too.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$root/build" -j2 --target rodazaro
exec "$root/build/rodazaro" "$@" "$root/examples/demo"
