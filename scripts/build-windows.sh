#!/usr/bin/env bash
# Cross-builds the Windows program rodazaro.exe (Win32 + DirectX 7) and the
# unit tests for Windows with mingw-w64.
#
# Usage: build-windows.sh [BUILD_DIR] [cmake options...]
#   BUILD_DIR defaults to build-win32 in the source tree.
#
# libpng, libogg, libvorbis, libzip and GoogleTest are built for the target from
# Debian's source packages (the main suite's versions) into
# BUILD_DIR/deps/prefix; that step is skipped when the prefix has them.
# Everything lands in the build tree; nothing is added to the sources.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
# shellcheck source=source-deps.inc
source "$root/scripts/source-deps.inc"
dep_folders "${1:-$root/build-win32}"
[ $# -gt 0 ] && shift
host=i686-w64-mingw32

# --- Tools -----------------------------------------------------------------
install_missing g++-mingw-w64-i686 libz-mingw-w64-dev dpkg-dev cmake make pkg-config

# --- Source packages ---------------------------------------------------------
# Debian's source package name for each library.
packages=(libpng1.6 libogg libvorbis libzip googletest)
fetch_unbuilt "${packages[@]}"

toolchain="$root/cmake/mingw-i686.cmake"
cross_env=(CC="$host-gcc-posix" CXX="$host-g++-posix" AR="$host-ar" RANLIB="$host-ranlib"
           PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH="")

build_autotools() {  # name, extra configure options...
  local name="$1"; shift
  local dir; dir="$(source_dir "$src" "$name")"
  local out="$deps/build/$name"
  echo "== Building $name for $target_name"
  rm -rf "$out"; mkdir -p "$out"
  (cd "$out" && env "${cross_env[@]}" CFLAGS="-O2" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" \
     "$dir/configure" --host=$host --prefix="$prefix" --disable-shared --enable-static "$@" >configure.log 2>&1 ||
     { tail -30 configure.log >&2; exit 1; }
   make -j$jobs >make.log 2>&1 || { tail -30 make.log >&2; exit 1; }
   make install >install.log 2>&1 || { tail -30 install.log >&2; exit 1; })
  touch "$(stamp_of "$name")"
}

target_name=Windows
cmake_configure=(cmake)
cmake_options=(-DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix"
               -DRODAZARO_DEPS_PREFIX="$prefix")

mkdir -p "$prefix"
[ -f "$(stamp_of libpng1.6)" ] || build_autotools libpng1.6
[ -f "$(stamp_of libogg)" ] || build_autotools libogg
[ -f "$(stamp_of libvorbis)" ] || build_autotools libvorbis --disable-docs --disable-examples --disable-oggtest
# libzip reads zip presentations: zlib's deflate only, no encryption, no tools.
[ -f "$(stamp_of libzip)" ] || cmake_dep libzip -DBUILD_SHARED_LIBS=OFF -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF \
  -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_GNUTLS=OFF \
  -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_WINDOWS_CRYPTO=OFF
[ -f "$(stamp_of googletest)" ] || cmake_dep googletest -DBUILD_GMOCK=ON -Dgtest_force_shared_crt=OFF

# --- The program and the tests ---------------------------------------------
echo "== Building rodazaro.exe"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DRODAZARO_DEPS_PREFIX="$prefix" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
targets=(rodazaro)
cache="$(cmake -L -N "$build" 2>/dev/null || true)"
if grep -q '^RODAZARO_TESTS:BOOL=ON' <<<"$cache"; then targets+=(rodazaro_tests rodazaro_win32_tests rodazaro_wine_probe); fi
cmake --build "$build" -j$jobs --target "${targets[@]}"
echo "Built $build/rodazaro.exe"
