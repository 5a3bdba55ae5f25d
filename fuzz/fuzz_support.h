// Helpers shared by the fuzz targets: checking that a decoder's result lies
// in memory that may be read, and stopping on a broken promise of the code
// under test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#ifndef __has_feature
#define __has_feature(x) 0
#endif
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#endif

namespace fuzz_support {

// Under the address sanitizer its shadow memory is asked directly, which is
// much faster than reading (and tracing) every byte; the first bad byte is
// then read, so that the sanitizer reports it with its stack.
inline void Touch(const void* block, std::size_t bytes) {
    if (bytes == 0) return;
#if __has_feature(address_sanitizer)
    const void* bad = __asan_region_is_poisoned(const_cast<void*>(block), bytes);
    if (bad == nullptr) return;
    static_cast<void>(*static_cast<const volatile std::uint8_t*>(bad));
    std::abort();
#else
    const auto* p = static_cast<const volatile std::uint8_t*>(block);
    for (std::size_t i = 0; i < bytes; ++i) static_cast<void>(p[i]);
#endif
}

// A finding that no sanitizer would report by itself.
inline void Require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "fuzz target: %s\n", what);
    std::abort();
}

}  // namespace fuzz_support
