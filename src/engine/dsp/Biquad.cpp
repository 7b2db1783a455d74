#include "engine/dsp/Biquad.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace orvane {

BiquadCoefficients designBiquad(BiquadType type, double sampleRate, double frequency,
                                double bandwidthOctaves, double gainDb) noexcept {
    if (!(sampleRate > 0.0) || !std::isfinite(frequency) || !std::isfinite(gainDb))
        return {};
    frequency = std::clamp(frequency, 1.0, 0.49 * sampleRate);
    const double a = std::pow(10.0, gainDb / 40.0);
    const double w0 = 2.0 * std::numbers::pi * frequency / sampleRate;
    const double cosW = std::cos(w0);
    const double sinW = std::sin(w0);

    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a0 = 1.0, a1 = 0.0, a2 = 0.0;
    switch (type) {
    case BiquadType::parametric: {
        const double bw =
            std::clamp(std::isfinite(bandwidthOctaves) ? bandwidthOctaves : 1.0, 0.01, 8.0);
        const double alpha = sinW * std::sinh(std::numbers::ln2 / 2.0 * bw * w0 / sinW);
        b0 = 1.0 + alpha * a;
        b1 = -2.0 * cosW;
        b2 = 1.0 - alpha * a;
        a0 = 1.0 + alpha / a;
        a1 = -2.0 * cosW;
        a2 = 1.0 - alpha / a;
        break;
    }
    case BiquadType::lowShelf:
    case BiquadType::highShelf: {
        // Slope S = 1: alpha = sin(w0) / 2 * sqrt((A + 1/A) (1/S - 1) + 2).
        const double alpha = sinW / 2.0 * std::numbers::sqrt2;
        const double twoRootAAlpha = 2.0 * std::sqrt(a) * alpha;
        const double ap1 = a + 1.0;
        const double am1 = a - 1.0;
        if (type == BiquadType::lowShelf) {
            b0 = a * (ap1 - am1 * cosW + twoRootAAlpha);
            b1 = 2.0 * a * (am1 - ap1 * cosW);
            b2 = a * (ap1 - am1 * cosW - twoRootAAlpha);
            a0 = ap1 + am1 * cosW + twoRootAAlpha;
            a1 = -2.0 * (am1 + ap1 * cosW);
            a2 = ap1 + am1 * cosW - twoRootAAlpha;
        } else {
            b0 = a * (ap1 + am1 * cosW + twoRootAAlpha);
            b1 = -2.0 * a * (am1 + ap1 * cosW);
            b2 = a * (ap1 + am1 * cosW - twoRootAAlpha);
            a0 = ap1 - am1 * cosW + twoRootAAlpha;
            a1 = 2.0 * (am1 - ap1 * cosW);
            a2 = ap1 - am1 * cosW - twoRootAAlpha;
        }
        break;
    }
    }
    return {b0 / a0, b1 / a0, b2 / a0, a1 / a0, a2 / a0};
}

namespace {

// Left and right side by side in one register: one recursion serves both channels.
using Pair = double __attribute__((vector_size(16)));

Pair splat(double v) noexcept {
    return Pair{v, v};
}

// Up to kGroup sections in one pass. Every section's output feeds the next within the
// same frame, but each section's own recursion only waits on itself, so the processor
// overlaps them.
constexpr std::size_t kGroup = 4;

template <std::size_t N>
void cascadeGroup(const BiquadCoefficients* const* c, double* const* state1, double* const* state2,
                  float* left, float* right, std::size_t frames) noexcept {
    Pair b0[N], b1[N], b2[N], a1[N], a2[N], s1[N], s2[N];
    for (std::size_t k = 0; k < N; ++k) {
        b0[k] = splat(c[k]->b0);
        b1[k] = splat(c[k]->b1);
        b2[k] = splat(c[k]->b2);
        a1[k] = splat(c[k]->a1);
        a2[k] = splat(c[k]->a2);
        s1[k] = Pair{state1[k][0], state1[k][1]};
        s2[k] = Pair{state2[k][0], state2[k][1]};
    }
    for (std::size_t i = 0; i < frames; ++i) {
        Pair x{static_cast<double>(left[i]), static_cast<double>(right[i])};
#pragma GCC unroll 4
        for (std::size_t k = 0; k < N; ++k) {
            const Pair y = b0[k] * x + s1[k];
            // Ordered so that a 0 dB section (b == a) leaves a zero state exactly zero.
            s1[k] = b1[k] * x - a1[k] * y + s2[k];
            s2[k] = b2[k] * x - a2[k] * y;
            x = y;
        }
        left[i] = static_cast<float>(x[0]);
        right[i] = static_cast<float>(x[1]);
    }
    for (std::size_t k = 0; k < N; ++k) {
        // Flush what would decay into denormals over a long silence.
        for (std::size_t ch = 0; ch < 2; ++ch) {
            state1[k][ch] = std::abs(s1[k][ch]) < 1e-30 ? 0.0 : s1[k][ch];
            state2[k][ch] = std::abs(s2[k][ch]) < 1e-30 ? 0.0 : s2[k][ch];
        }
    }
}

} // namespace

void StereoBiquad::process(const BiquadCoefficients& c, float* left, float* right,
                           std::size_t frames) noexcept {
    const BiquadCoefficients* coefficients[1] = {&c};
    StereoBiquad* states[1] = {this};
    processBiquadCascade(coefficients, states, 1, left, right, frames);
}

void processBiquadCascade(const BiquadCoefficients* const* coefficients,
                          StereoBiquad* const* states, std::size_t count, float* left, float* right,
                          std::size_t frames) noexcept {
    while (count > 0) {
        const std::size_t n = std::min(count, kGroup);
        double* state1[kGroup];
        double* state2[kGroup];
        for (std::size_t k = 0; k < n; ++k) {
            state1[k] = states[k]->state1_;
            state2[k] = states[k]->state2_;
        }
        switch (n) {
        case 1:
            cascadeGroup<1>(coefficients, state1, state2, left, right, frames);
            break;
        case 2:
            cascadeGroup<2>(coefficients, state1, state2, left, right, frames);
            break;
        case 3:
            cascadeGroup<3>(coefficients, state1, state2, left, right, frames);
            break;
        default:
            cascadeGroup<4>(coefficients, state1, state2, left, right, frames);
            break;
        }
        coefficients += n;
        states += n;
        count -= n;
    }
}

} // namespace orvane
