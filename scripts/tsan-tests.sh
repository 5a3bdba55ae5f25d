#!/usr/bin/env bash
# Builds the unit tests with ThreadSanitizer (RODAZARO_TSAN) and runs those
# that load pictures and sounds and interpret scripts beside the
# decode-ahead worker, and the SDL sound device's tests (it converts sounds
# on a thread of its own): a data race or a lock-order problem fails the run.
#   scripts/tsan-tests.sh [BUILD_DIR]   (default: build-tsan)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-tsan}"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRODAZARO_TSAN=ON -DRODAZARO_WERROR=ON >/dev/null
nice -n 10 cmake --build "$build" -j2 --target rodazaro_tests rodazaro_sdl_tests
cd "$build" && timeout 900 ctest -L tsan --output-on-failure
