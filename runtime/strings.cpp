#include "runtime/strings.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/heaps.h"

namespace runtime {

namespace {

char* gArea = nullptr;
char* gTop = nullptr;

}  // namespace

void InitStrings() {
    if (gArea == nullptr) {
        gArea = static_cast<char*>(ProgramAlloc(kTemporaryAreaSize, true));
    }
    gTop = gArea;
}

void ResetStrings() {
    gArea = nullptr;
    gTop = nullptr;
}

char* TemporaryTop() { return gTop; }
void SetTemporaryTop(char* top) { gTop = top; }
char* TemporaryAreaStart() { return gArea; }
char* TemporaryAreaEnd() { return gArea == nullptr ? nullptr : gArea + kTemporaryAreaSize; }

void ProtectTemporary() {
    if (gTop != nullptr && gTop < gArea + kTemporaryAreaSize - 1) ++gTop;
}

bool PushTemporaryByte(char c) {
    if (gTop == nullptr || gTop >= gArea + kTemporaryAreaSize - 1) return false;
    *gTop++ = c;
    return true;
}

void TerminateTemporary() {
    if (gTop != nullptr) *gTop = 0;
}

namespace {

// Copies up to n bytes of s (stopping at its end) to `top`, then the zero.
char* CopyToTop(const char* s, std::int64_t n) {
    char* dest = gTop;
    if (dest == nullptr) return nullptr;
    if (s != nullptr) {
        for (std::int64_t i = 0; i < n && s[i] != 0; ++i) {
            if (!PushTemporaryByte(s[i])) break;
        }
    }
    TerminateTemporary();
    return dest;
}

}  // namespace

char* AppendString(const char* s) { return CopyToTop(s, std::numeric_limits<std::int64_t>::max()); }

void AssignString(char** variable, char* start) {
    if (variable == nullptr) return;
    char* block = nullptr;
    if (start != nullptr) {
        const std::size_t length = std::strlen(start);
        block = static_cast<char*>(ProgramAlloc(length + 1, false));
        if (block != nullptr) std::memcpy(block, start, length + 1);
        if (gTop != nullptr && start >= gArea && start < gArea + kTemporaryAreaSize) gTop = start;
    }
    if (*variable != nullptr) ProgramFree(*variable);
    *variable = block;
}

void FreeString(char* s) {
    if (s != nullptr) ProgramFree(s);
}

std::int32_t StringLength(const char* s) { return s == nullptr ? 0 : static_cast<std::int32_t>(std::strlen(s)); }

char* LeftPart(const char* s, std::int32_t n) {
    if (s == nullptr || n <= 0) return CopyToTop(nullptr, 0);
    return CopyToTop(s, n);
}

char* RightPart(const char* s, std::int32_t n) {
    if (s == nullptr) return CopyToTop(nullptr, 0);
    const std::int32_t length = StringLength(s);
    const std::int32_t m = n < length ? n : length;
    if (m <= 0) return CopyToTop(nullptr, 0);
    return CopyToTop(s + (length - m), m);
}

char* MidPart(const char* s, std::int32_t position, std::int32_t n) {
    if (s == nullptr || n <= 0) return CopyToTop(nullptr, 0);
    const std::int32_t length = StringLength(s);
    std::int32_t skip = position - 1;
    if (skip < 0) skip = 0;
    if (skip > length) skip = length;
    return CopyToTop(s + skip, n);
}

char* UpperCase(const char* s, char* dest) {
    auto convert = [](unsigned char c) -> char {
        if ((c >= 0x61 && c <= 0x7A) || c >= 0xE0) c = static_cast<unsigned char>(c - 0x20);
        return static_cast<char>(c);
    };
    if (dest != nullptr && dest == s) {
        for (char* p = dest; *p != 0; ++p) *p = convert(static_cast<unsigned char>(*p));
        return dest;
    }
    char* result = gTop;
    if (result == nullptr) return nullptr;
    if (s != nullptr) {
        for (const char* p = s; *p != 0; ++p) {
            if (!PushTemporaryByte(convert(static_cast<unsigned char>(*p)))) break;
        }
    }
    TerminateTemporary();
    return result;
}

std::int32_t ParseInt(const char* s) {
    if (s == nullptr) return 0;
    while (*s == ' ') ++s;
    bool negative = false;
    if (*s == '-') {
        negative = true;
        ++s;
    } else if (*s == '+') {
        ++s;
    }
    std::uint32_t value = 0;
    while (*s >= '0' && *s <= '9') {
        value = value * 10u + static_cast<std::uint32_t>(*s - '0');
        ++s;
    }
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

float ParseFloat(const char* s) {
    // The C runtime's decimal conversion, in double precision, whatever the
    // process locale says: white space, a sign, digits with "." and an
    // exponent.  Hexadecimal, infinity and NaN texts are not decimal and
    // convert to 0 (or stop at the first character that does not fit).
    if (s == nullptr) return 0.0f;
    const char* p = s;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    const char* start = p;
    const char* q = p;
    bool digits = false;
    std::int64_t leadingExponent = 0;  // decimal position of the first significant digit
    bool significant = false;
    std::int64_t integerDigits = 0;
    while (*q >= '0' && *q <= '9') {
        digits = true;
        if (*q != '0') significant = true;
        if (significant) ++integerDigits;
        ++q;
    }
    if (*q == '.') {
        ++q;
        std::int64_t zerosAfterPoint = 0;
        while (*q >= '0' && *q <= '9') {
            digits = true;
            if (!significant) {
                if (*q != '0') significant = true;
                else ++zerosAfterPoint;
            }
            ++q;
        }
        if (integerDigits == 0) leadingExponent = -zerosAfterPoint;
    }
    if (integerDigits > 0) leadingExponent = integerDigits;
    if (!digits) return 0.0f;
    std::int64_t exponent = 0;
    if (*q == 'e' || *q == 'E') {
        const char* e = q + 1;
        bool expNegative = false;
        if (*e == '+' || *e == '-') {
            expNegative = *e == '-';
            ++e;
        }
        if (*e >= '0' && *e <= '9') {
            while (*e >= '0' && *e <= '9') {
                if (exponent < 100000000) exponent = exponent * 10 + (*e - '0');
                ++e;
            }
            if (expNegative) exponent = -exponent;
            q = e;
        }
    }
    double value = 0.0;
    const auto result = std::from_chars(start, q, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Out of the double range: overflow gives infinity, underflow zero,
        // as the C runtime's conversion does.
        value = (significant && leadingExponent + exponent > 0) ? HUGE_VAL : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    if (negative) value = -value;
    return static_cast<float>(value);
}

std::int32_t StringEquals(const char* a, const char* b) {
    if (a == nullptr) a = "";
    if (b == nullptr) b = "";
    return std::strcmp(a, b) == 0 ? 1 : 0;
}

}  // namespace runtime
