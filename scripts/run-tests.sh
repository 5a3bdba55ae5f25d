#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test: the Linux program's
# tests in a normal build, the Windows program's tests under Wine, the web
# player in headless Chromium, then the Linux tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, the loading tests under
# ThreadSanitizer, and last every fuzz target for 30 s under both sanitizers.
# Fails on any failure.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup.sh"

echo "== Build"
"$root/scripts/build.sh" "$root/build" -DRODAZARO_WERROR=ON
echo "== Tests"
ctest --test-dir "$root/build" --output-on-failure --timeout 300 -j2 -LE "soak|web"

echo "== The Windows program, cross-built and tested under Wine"
RODAZARO_LINUX_PLAYER="$root/build/rodazaro" "$root/scripts/test-windows.sh" "$root/build-win32"

echo "== The web player, built with emscripten and played in headless Chromium"
"$root/scripts/build-web.sh" "$root/build-web"
ctest --test-dir "$root/build" --output-on-failure --timeout 300 -L web

echo "== Build with AddressSanitizer and UndefinedBehaviorSanitizer"
"$root/scripts/build.sh" "$root/build-asan" -DRODAZARO_WERROR=ON -DRODAZARO_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug
echo "== Tests with AddressSanitizer and UndefinedBehaviorSanitizer"
ASAN_OPTIONS="abort_on_error=1:detect_stack_use_after_return=1" \
UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0" \
  ctest --test-dir "$root/build-asan" --output-on-failure --timeout 600 -j2 -LE soak

echo "== Loading beside the decode-ahead worker, under ThreadSanitizer"
"$root/scripts/tsan-tests.sh" "$root/build-tsan"

echo "== Fuzzing, every target 30 s under AddressSanitizer and UndefinedBehaviorSanitizer"
"$root/scripts/fuzz.sh" all 30
