// Given to every test source of the Windows build before anything else: the
// POSIX calls that the tests use and mingw lacks (compat.cpp has them), and
// the maths constants that strict C++ leaves out of mingw's <math.h>.
#pragma once

#ifndef _USE_MATH_DEFINES
#define _USE_MATH_DEFINES
#endif

#include <stddef.h>
#include <stdio.h>

#ifdef __cplusplus
extern "C" {
#endif

// A fresh directory from a template ending in XXXXXX; null on failure.
char* mkdtemp(char* pattern);
int setenv(const char* name, const char* value, int overwrite);
int unsetenv(const char* name);
// A stream that reads the given bytes (read modes only).
FILE* fmemopen(void* buffer, size_t size, const char* mode);

#ifdef __cplusplus
}
#endif
