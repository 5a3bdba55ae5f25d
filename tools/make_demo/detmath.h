// Deterministic elementary functions for the demo generator.
//
// The generated files are committed and compared byte for byte with a fresh
// run, so nothing that feeds them may depend on the C library's rounding of
// sin() or exp(). These versions use only +, -, *, /, floor and ldexp, which
// IEEE 754 arithmetic gives the same way on every machine.
#pragma once

#include <cmath>
#include <cstdint>

namespace demo {

constexpr double kPi = 3.14159265358979323846;

// sin(x): the argument is folded into [-pi/2, pi/2] and summed as a Taylor
// series up to x^19 (error below 1e-12 there).
inline double Sin(double x) {
    const double turns = std::floor(x / (2.0 * kPi) + 0.5);
    x -= turns * 2.0 * kPi;
    if (x > kPi / 2.0) {
        x = kPi - x;
    } else if (x < -kPi / 2.0) {
        x = -kPi - x;
    }
    const double x2 = x * x;
    double term = x;
    double sum = x;
    for (int n = 1; n <= 9; ++n) {
        term *= -x2 / static_cast<double>((2 * n) * (2 * n + 1));
        sum += term;
    }
    return sum;
}

inline double Cos(double x) { return Sin(x + kPi / 2.0); }

// exp(x): x = k ln 2 + r with |r| <= ln 2 / 2, exp(r) as a Taylor series.
inline double Exp(double x) {
    if (x < -700.0) return 0.0;
    if (x > 700.0) x = 700.0;
    const double ln2 = 0.69314718055994530942;
    const double k = std::floor(x / ln2 + 0.5);
    const double r = x - k * ln2;
    double term = 1.0;
    double sum = 1.0;
    for (int n = 1; n <= 18; ++n) {
        term *= r / static_cast<double>(n);
        sum += term;
    }
    return std::ldexp(sum, static_cast<int>(k));
}

// 2^x.
inline double Pow2(double x) { return Exp(x * 0.69314718055994530942); }

// Frequency in Hz of a MIDI note number (69 = A4 = 440 Hz).
inline double NoteHz(double note) { return 440.0 * Pow2((note - 69.0) / 12.0); }

inline double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

// 0 below edge0, 1 above edge1, a smooth S-curve between.
inline double SmoothStep(double edge0, double edge1, double v) {
    const double t = Clamp((v - edge0) / (edge1 - edge0), 0.0, 1.0);
    return t * t * (3.0 - 2.0 * t);
}

// A small linear congruential generator: the same numbers on every machine.
class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed) {}
    std::uint32_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_;
    }
    // Uniform in [0, 1).
    double Unit() { return static_cast<double>(Next() >> 8) / 16777216.0; }
    // Uniform in [lo, hi).
    double Range(double lo, double hi) { return lo + (hi - lo) * Unit(); }
    // Uniform integer in [0, n).
    int Below(int n) { return static_cast<int>(Unit() * n); }

private:
    std::uint32_t state_;
};

}  // namespace demo
