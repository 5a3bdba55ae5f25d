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
build="${1:-$root/build-win32}"
[ $# -gt 0 ] && shift
mkdir -p "$build"
build="$(cd "$build" && pwd)"
deps="$build/deps"
src="$deps/src"
prefix="$deps/prefix"
host=i686-w64-mingw32
jobs=2

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
apt_get() {
  DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=300 "$@"
}

# --- Tools -----------------------------------------------------------------
tools=(g++-mingw-w64-i686 libz-mingw-w64-dev dpkg-dev cmake make pkg-config)
missing=()
for p in "${tools[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== Installing ${missing[*]}"
  apt_get update -qq
  apt_get install -y --no-install-recommends "${missing[@]}" >/dev/null
fi

# --- Source packages ---------------------------------------------------------
# A deb-src entry for the archive and suites of the existing deb entries.
src_list=/etc/apt/sources.list.d/rodazaro-deb-src.sources
have_deb_src() {
  grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/
}
add_deb_src() {
  local entry=""
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    # deb822: copy each stanza whose types include deb, as deb-src.
    entry="$(awk '
      BEGIN { RS=""; ORS="\n\n" }
      /(^|\n)Types:[^\n]*deb([ \n]|$)/ {
        gsub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print
      }' /etc/apt/sources.list.d/debian.sources)"
  fi
  if [ -z "$entry" ] && [ -f /etc/apt/sources.list ]; then
    entry="$(sed -n 's/^deb \(.*\)$/deb-src \1/p' /etc/apt/sources.list)"
    src_list=/etc/apt/sources.list.d/rodazaro-deb-src.list
  fi
  if [ -z "$entry" ]; then
    echo "no deb entry to copy for deb-src" >&2
    exit 1
  fi
  printf '%s\n' "$entry" | $sudo tee "$src_list" >/dev/null
}

# The main suite: the Suites value (or the third word of a deb line) that
# has no "-updates" or "-security" in it.
main_suite() {
  local suites
  suites="$( (grep -hsE '^Suites:' /etc/apt/sources.list.d/*.sources | sed 's/^Suites://';
              grep -hsE '^deb ' /etc/apt/sources.list | awk '{print $3}') | tr ' ' '\n' | grep -v '^$' )"
  printf '%s\n' "$suites" | grep -vE -- '-(updates|security|backports)' | head -n1
}

# Debian's source package name for each library.
packages=(libpng1.6 libogg libvorbis libzip googletest)
stamp_of() { echo "$prefix/.built-$1"; }
need_sources=0
for p in "${packages[@]}"; do
  [ -f "$(stamp_of "$p")" ] || need_sources=1
done

if [ $need_sources -eq 1 ]; then
  if ! have_deb_src; then
    echo "== Adding a deb-src entry"
    add_deb_src
    apt_get update -qq
  fi
  suite="$(main_suite)"
  mkdir -p "$src"
  for p in "${packages[@]}"; do
    [ -f "$(stamp_of "$p")" ] && continue
    if ! ls -d "$src/$p"-*/ >/dev/null 2>&1; then
      echo "== Fetching the source package $p ($suite)"
      (cd "$src" && apt-get source -qq "$p/$suite" >/dev/null 2>&1) ||
        (apt_get update -qq && cd "$src" && apt-get source -qq "$p/$suite" >/dev/null)
    fi
  done
fi

source_dir() {
  local d
  d="$(ls -d "$src/$1"-*/ 2>/dev/null | head -n1)"
  [ -n "$d" ] || { echo "no source of $1 in $src" >&2; exit 1; }
  echo "${d%/}"
}

toolchain="$root/cmake/mingw-i686.cmake"
cross_env=(CC="$host-gcc-posix" CXX="$host-g++-posix" AR="$host-ar" RANLIB="$host-ranlib"
           PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH="")

build_autotools() {  # name, extra configure options...
  local name="$1"; shift
  local dir; dir="$(source_dir "$name")"
  local out="$deps/build/$name"
  echo "== Building $name for Windows"
  rm -rf "$out"; mkdir -p "$out"
  (cd "$out" && env "${cross_env[@]}" CFLAGS="-O2" CPPFLAGS="-I$prefix/include" LDFLAGS="-L$prefix/lib" \
     "$dir/configure" --host=$host --prefix="$prefix" --disable-shared --enable-static "$@" >configure.log 2>&1 ||
     { tail -30 configure.log >&2; exit 1; }
   make -j$jobs >make.log 2>&1 || { tail -30 make.log >&2; exit 1; }
   make install >install.log 2>&1 || { tail -30 install.log >&2; exit 1; })
  touch "$(stamp_of "$name")"
}

build_cmake() {  # name, cmake options...
  local name="$1"; shift
  local dir; dir="$(source_dir "$name")"
  local out="$deps/build/$name"
  echo "== Building $name for Windows"
  rm -rf "$out"
  cmake -S "$dir" -B "$out" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DRODAZARO_DEPS_PREFIX="$prefix" "$@" >"$deps/$name-configure.log" 2>&1 ||
    { tail -30 "$deps/$name-configure.log" >&2; exit 1; }
  cmake --build "$out" -j$jobs >"$deps/$name-build.log" 2>&1 || { tail -30 "$deps/$name-build.log" >&2; exit 1; }
  cmake --install "$out" >"$deps/$name-install.log" 2>&1 || { tail -30 "$deps/$name-install.log" >&2; exit 1; }
  touch "$(stamp_of "$name")"
}

mkdir -p "$prefix"
[ -f "$(stamp_of libpng1.6)" ] || build_autotools libpng1.6
[ -f "$(stamp_of libogg)" ] || build_autotools libogg
[ -f "$(stamp_of libvorbis)" ] || build_autotools libvorbis --disable-docs --disable-examples --disable-oggtest
# libzip reads zip presentations: zlib's deflate only, no encryption, no tools.
[ -f "$(stamp_of libzip)" ] || build_cmake libzip -DBUILD_SHARED_LIBS=OFF -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF \
  -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_GNUTLS=OFF \
  -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_COMMONCRYPTO=OFF -DENABLE_WINDOWS_CRYPTO=OFF
[ -f "$(stamp_of googletest)" ] || build_cmake googletest -DBUILD_GMOCK=ON -Dgtest_force_shared_crt=OFF

# --- The program and the tests ---------------------------------------------
echo "== Building rodazaro.exe"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DRODAZARO_DEPS_PREFIX="$prefix" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
targets=(rodazaro)
cache="$(cmake -L -N "$build" 2>/dev/null || true)"
if grep -q '^RODAZARO_TESTS:BOOL=ON' <<<"$cache"; then targets+=(rodazaro_tests rodazaro_win32_tests rodazaro_wine_probe); fi
cmake --build "$build" -j$jobs --target "${targets[@]}"
echo "Built $build/rodazaro.exe"
