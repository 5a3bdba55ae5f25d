#!/usr/bin/env bash
# Endurance runs (the CTest label "soak", left out of the test command):
# 10^6 turns of a 100-slot moving, zooming, fading scene and 10^4 reloads
# of the same slots, each with flat memory.  Builds first.  Takes about an
# hour on two cores.
#
# Usage: scripts/soak.sh [BUILD_DIR]   (default: build)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build}"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$build"
ctest --test-dir "$build" --output-on-failure -L soak
