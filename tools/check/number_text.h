// How much of a field's text the player's number conversions read.
//
// The player converts a field with runtime::ParseInt or runtime::ParseFloat,
// which stop at the first character that does not fit and ignore the rest.
// The checker takes the value from those conversions and uses these scans
// only to tell the author which part of the text was read.
#pragma once

#include <cstddef>
#include <string_view>

namespace check {

struct NumberText {
    std::size_t end;  // characters read, 0 when nothing converts
    bool hasDigits;   // a number was found
};

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Integer fields: spaces (not tabs), one "+" or "-", then the digits.
inline NumberText ScanIntText(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    const std::size_t digits = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    if (i == digits) return {0, false};
    return {i, true};
}

// Real fields: white space, a sign, digits with an optional decimal point
// (at least one digit), then an exponent only when a digit follows its
// "e" and optional sign.
inline NumberText ScanRealText(std::string_view s) {
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; };
    std::size_t i = 0;
    while (i < s.size() && isSpace(s[i])) ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    bool digits = false;
    while (i < s.size() && IsDigit(s[i])) {
        digits = true;
        ++i;
    }
    if (i < s.size() && s[i] == '.') {
        std::size_t j = i + 1;
        bool fraction = false;
        while (j < s.size() && IsDigit(s[j])) {
            fraction = true;
            ++j;
        }
        if (digits || fraction) {
            i = j;
            digits = true;
        }
    }
    if (!digits) return {0, false};
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j])) ++j;
            i = j;
        }
    }
    return {i, true};
}

// True when the text holds nothing but spaces (or nothing at all).
inline bool IsBlank(std::string_view s) {
    for (char c : s) {
        if (c != ' ') return false;
    }
    return true;
}

// Characters that look like part of a number written in the wrong columns.
inline bool LooksNumeric(std::string_view s) {
    for (char c : s) {
        if (IsDigit(c) || c == '+' || c == '-' || c == '.') return true;
    }
    return false;
}

}  // namespace check
