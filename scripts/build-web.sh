#!/usr/bin/env bash
# Builds the web player: the core and the SDL drivers compiled to
# WebAssembly with emscripten, and a static site that plays a presentation
# in a page.
#
# Usage: build-web.sh [BUILD_DIR] [cmake options...]
#   BUILD_DIR defaults to build-web in the source tree.
#
# zlib, libpng, libogg, libvorbis and SDL2 are built from Debian's source
# packages (the main suite's versions) into BUILD_DIR/deps/prefix once; a
# library whose stamp is there is not built again.  The site lands in
# BUILD_DIR/site: index.html, the page's script and style, rodazaro.js,
# rodazaro.wasm and the demo as demo.zip.  Any static server can host it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=source-deps.inc
source "$root/scripts/source-deps.inc"
dep_folders "${1:-$root/build-web}"
[ $# -gt 0 ] && shift

# --- Tools -----------------------------------------------------------------
# Node and npm may come from elsewhere than Debian (a node with its own npm
# conflicts with Debian's npm): a command already there is taken as it is.
tools=(emscripten chromium firefox-esr dpkg-dev cmake make pkg-config python3)
command -v node >/dev/null || tools+=(nodejs)
command -v npm >/dev/null || tools+=(npm)
install_missing "${tools[@]}"
# emscripten's optimiser needs Debian's acorn, which only Debian's node finds
# by itself.
export NODE_PATH="/usr/share/nodejs${NODE_PATH:+:$NODE_PATH}"
# CMake runs its configure checks under node: no threads flag, no fetch().
emulator="-DCMAKE_CROSSCOMPILING_EMULATOR=$(command -v node);--no-experimental-fetch"

# --- Source packages ---------------------------------------------------------
packages=(zlib libpng1.6 libogg libvorbis libsdl2)
fetch_unbuilt "${packages[@]}"

target_name="the web"
cmake_configure=(emcmake cmake)
cmake_options=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix"
               -DCMAKE_FIND_ROOT_PATH="$prefix" "$emulator")

mkdir -p "$prefix"
if [ ! -f "$(stamp_of zlib)" ]; then
  # zlib's CMake build wants a Windows resource file Debian's source lacks.
  echo "== Building zlib for the web"
  rm -rf "$deps/build/zlib"; mkdir -p "$deps/build"
  cp -r "$(source_dir "$src" zlib)" "$deps/build/zlib"
  (cd "$deps/build/zlib" && emconfigure ./configure --static --prefix="$prefix" >"$deps/zlib-configure.log" 2>&1 &&
     emmake make -j$jobs libz.a >"$deps/zlib-build.log" 2>&1 && emmake make install >"$deps/zlib-install.log" 2>&1) ||
    { tail -30 "$deps"/zlib-*.log >&2; exit 1; }
  touch "$(stamp_of zlib)"
fi
[ -f "$(stamp_of libpng1.6)" ] || cmake_dep libpng1.6 -DPNG_SHARED=OFF -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
  -DZLIB_ROOT="$prefix"
[ -f "$(stamp_of libogg)" ] || cmake_dep libogg -DBUILD_SHARED_LIBS=OFF -DINSTALL_DOCS=OFF
[ -f "$(stamp_of libvorbis)" ] || cmake_dep libvorbis -DBUILD_SHARED_LIBS=OFF
[ -f "$(stamp_of libsdl2)" ] || cmake_dep libsdl2 -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_TEST=OFF

# --- The player --------------------------------------------------------------
echo "== Building the web player"
PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig:$prefix/share/pkgconfig" PKG_CONFIG_PATH="" \
  emcmake cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DRODAZARO_TESTS=OFF \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" "$emulator" "$@" >"$build/configure.log" 2>&1 ||
  { tail -30 "$build/configure.log" >&2; exit 1; }
cmake --build "$build" -j$jobs --target rodazaro

# --- The site ----------------------------------------------------------------
site="$build/site"
rm -rf "$site"; mkdir -p "$site"
cp "$root"/platform/web/site/* "$site/"
cp "$build/rodazaro.js" "$build/rodazaro.wasm" "$site/"
(cd "$root/examples/demo" && python3 -m zipfile -c "$site/demo.zip" data)
# The tests' browser driver, as package-lock.json pins it.
if [ ! -f "$root/tests/web/node_modules/.package-lock.json" ] ||
   [ "$root/tests/web/package-lock.json" -nt "$root/tests/web/node_modules/.package-lock.json" ]; then
  echo "== Installing the web tests' browser driver (npm ci)"
  (cd "$root/tests/web" && npm ci --no-audit --no-fund >/dev/null)
fi

wasm=$(stat -c %s "$site/rodazaro.wasm")
packed=$(gzip -9c "$site/rodazaro.wasm" | wc -c)
echo "Built $site (rodazaro.wasm: $wasm bytes, $packed gzipped)"
