#!/usr/bin/env bash
# Builds the Windows program and its unit tests (scripts/build-windows.sh)
# and runs them under Wine: the unit tests, the tests of the Windows drivers
# on Wine's devices, then the program itself on a
# still scene and on the demo presentation in a 32-bit and a 16-bit mode,
# its frames compared with the Linux build's.
#
# Usage: test-windows.sh [BUILD_DIR]   (default: build-win32)
# The Linux player for the comparison: $RODAZARO_LINUX_PLAYER, else
# build/rodazaro, which is built when it is missing.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$root/build-win32}"

# --- Wine and the X tools ----------------------------------------------------
packages=(wine wine32:i386 wine64 fonts-wine libgl1:i386 libgl1-mesa-dri:i386 libglx-mesa0:i386
          libgl1-mesa-dri libglx-mesa0 xvfb xauth xdotool x11-utils imagemagick matchbox-window-manager)
# shellcheck source=debian-sources.inc
source "$root/scripts/debian-sources.inc"
# wine32 and the 32-bit GL libraries come from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then $sudo dpkg --add-architecture i386; fi
install_missing "${packages[@]}"

# --- Builds ------------------------------------------------------------------
"$root/scripts/build-windows.sh" "$build" -DRODAZARO_WERROR=ON
build="$(cd "$build" && pwd)"
linux="${RODAZARO_LINUX_PLAYER:-$root/build/rodazaro}"
if [ ! -x "$linux" ]; then
  echo "== Building the Linux player for the comparison"
  "$root/scripts/build.sh" "$root/build"
fi

# --- Tests -------------------------------------------------------------------
passed=0
failed=0
run() {
  local name="$1"
  shift
  echo "== $name"
  if "$@"; then
    passed=$((passed + 1))
  else
    echo "== $name FAILED"
    failed=$((failed + 1))
  fi
}
run "Unit tests under Wine" bash "$root/tests/wine/unit_tests.sh" "$build/tests/rodazaro_tests.exe"
run "Windows drivers under Wine" bash "$root/tests/wine/driver_tests.sh" "$build/tests/rodazaro_win32_tests.exe"
run "rodazaro.exe under Wine" timeout 900 bash "$root/tests/wine/smoke.sh" "$build/rodazaro.exe" "$root" "$linux"
echo "Windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
