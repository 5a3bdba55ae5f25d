#!/usr/bin/env bash
# Installs what is needed, builds the player and plays the demo presentation:
# the launcher appears; pick a mode and press "Run".  Escape ends the show.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
cd "$root/examples/demo"
exec "$root/build/rodazaro"
