#!/usr/bin/env bash
# Runs the tests of the Windows drivers (rodazaro_win32_tests.exe) under
# Wine, on a virtual X server, in a virtual desktop (display modes), with
# ALSA's null device (DirectSound).
# Usage: driver_tests.sh PATH/TO/rodazaro_win32_tests.exe
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
exe="$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"
build="$(cd "$(dirname "$exe")/.." && pwd)"
command -v Xvfb >/dev/null 2>&1 || { echo "Xvfb is not installed" >&2; exit 1; }
# shellcheck source=wine_env.sh
source "$here/wine_env.sh"

work="$(mktemp -d)"
cleanup() {
  wine_stop
  [ -f "$work/xvfb.pid" ] && kill "$(cat "$work/xvfb.pid")" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
x_start 1024x768 "$work/xvfb.pid"
wine_null_sound "$work/home"
wine_setup "${RODAZARO_WINEPREFIX:-$build/wine/prefix}"
wine_virtual_desktop 1024x768

cd "$work"
wine_gtest 240 "$exe"
