# Cross build for 32-bit Windows with mingw-w64 (Debian's g++-mingw-w64-i686).
# The posix thread model links its thread library statically with -static,
# so the program imports only system libraries.
#
# RODAZARO_DEPS_PREFIX: where scripts/build-windows.sh installed libpng,
# libogg, libvorbis and GoogleTest built for this target.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(RODAZARO_MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER ${RODAZARO_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${RODAZARO_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${RODAZARO_MINGW_PREFIX}-windres)
set(CMAKE_AR ${RODAZARO_MINGW_PREFIX}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${RODAZARO_MINGW_PREFIX}-ranlib CACHE FILEPATH "")

set(RODAZARO_DEPS_PREFIX "" CACHE PATH "Prefix of the libraries built for Windows")

set(CMAKE_FIND_ROOT_PATH /usr/${RODAZARO_MINGW_PREFIX} ${RODAZARO_DEPS_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Static archives only, never the import library of a DLL (the Windows
# platform files would prefer .dll.a).
set(ZLIB_USE_STATIC_LIBS ON)
set(ZLIB_LIBRARY /usr/${RODAZARO_MINGW_PREFIX}/lib/libz.a CACHE FILEPATH "zlib for the target, static")
set(ZLIB_INCLUDE_DIR /usr/${RODAZARO_MINGW_PREFIX}/include CACHE PATH "zlib headers for the target")

# pkg-config reads only the prefix's own .pc files.
if(RODAZARO_DEPS_PREFIX)
  set(ENV{PKG_CONFIG_LIBDIR} "${RODAZARO_DEPS_PREFIX}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
  set(ENV{PKG_CONFIG_SYSROOT_DIR} "")
endif()

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine.
find_program(RODAZARO_WINE wine)
if(RODAZARO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${RODAZARO_WINE})
endif()
