#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace orvane {

// Branch-free approximations of log2 and exp2 on four floats at a time, for the
// per-sample level and gain conversions of the dynamics units. libm's versions cost as
// much as the rest of the compressor together and the compiler does not vectorise
// them; these run on SSE2 registers, and their error (below 1e-6 relative, under
// 1e-4 dB) is far below anything a level detector could resolve.
//
// Float4 and friends are GCC/Clang vector extensions: four lanes, element-wise
// operators, a scalar operand applies to every lane.
using Float4 = float __attribute__((vector_size(16)));
using Int4 = std::int32_t __attribute__((vector_size(16)));
using Uint4 = std::uint32_t __attribute__((vector_size(16)));

inline Float4 loadFloat4(const float* p) noexcept {
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
inline void storeFloat4(float* p, Float4 v) noexcept {
    std::memcpy(p, &v, sizeof v);
}
inline Float4 splatFloat4(float v) noexcept {
    return Float4{v, v, v, v};
}
inline Float4 abs4(Float4 v) noexcept {
    return std::bit_cast<Float4>(std::bit_cast<Uint4>(v) & 0x7fffffffu);
}
inline Float4 max4(Float4 a, Float4 b) noexcept {
    return a > b ? a : b;
}
inline Float4 min4(Float4 a, Float4 b) noexcept {
    return a < b ? a : b;
}

// log2(x) for positive, normal x (callers clamp away zero and denormals).
inline Float4 fastLog2(Float4 x) noexcept {
    // Split x into 2^k * m with m in [sqrt(1/2), sqrt(2)), so that t below stays small.
    Uint4 bits = std::bit_cast<Uint4>(x);
    bits += 0x3f800000u - 0x3f3504f3u;
    const Int4 k = std::bit_cast<Int4>(bits >> 23) - 0x7f;
    bits = (bits & 0x007fffffu) + 0x3f3504f3u;
    const Float4 m = std::bit_cast<Float4>(bits);
    // ln(m) = 2 atanh(t) with t = (m - 1) / (m + 1), |t| < 0.172: the odd series to t^9.
    const Float4 t = (m - 1.0f) / (m + 1.0f);
    const Float4 t2 = t * t;
    const Float4 series =
        1.0f + t2 * (1.0f / 3.0f + t2 * (1.0f / 5.0f + t2 * (1.0f / 7.0f + t2 * (1.0f / 9.0f))));
    constexpr float kTwoOverLn2 = 2.8853900817779268f;
    return __builtin_convertvector(k, Float4) + kTwoOverLn2 * t * series;
}

// 2^x, with x clamped to [-126, 126] (the normal float range).
inline Float4 fastExp2(Float4 x) noexcept {
    x = max4(min4(x, splatFloat4(126.0f)), splatFloat4(-126.0f));
    // Nearest integer without libm: x + 127.5 is positive, so truncation is a floor.
    const Int4 i = __builtin_convertvector(x + 127.5f, Int4) - 127;
    const Float4 y = (x - __builtin_convertvector(i, Float4)) * 0.69314718055994531f;
    // e^y by its Taylor series to y^7 (remainder below 6e-9 for |y| <= ln2 / 2).
    const Float4 p =
        1.0f +
        y * (1.0f +
             y * (1.0f / 2.0f +
                  y * (1.0f / 6.0f +
                       y * (1.0f / 24.0f +
                            y * (1.0f / 120.0f + y * (1.0f / 720.0f + y * (1.0f / 5040.0f)))))));
    const Float4 scale = std::bit_cast<Float4>(std::bit_cast<Uint4>(i + 127) << 23);
    return p * scale;
}

// Decibels per unit of log2 of an amplitude: 20 log10(2).
inline constexpr float kDbPerLog2 = 6.0205999132796239f;

inline Float4 fastAmplitudeToDb(Float4 amplitude) noexcept {
    return kDbPerLog2 * fastLog2(amplitude);
}
inline Float4 fastDbToAmplitude(Float4 db) noexcept {
    return fastExp2(db * (1.0f / kDbPerLog2));
}
inline float fastAmplitudeToDb(float amplitude) noexcept {
    return fastAmplitudeToDb(splatFloat4(amplitude))[0];
}
inline float fastDbToAmplitude(float db) noexcept {
    return fastDbToAmplitude(splatFloat4(db))[0];
}

} // namespace orvane
