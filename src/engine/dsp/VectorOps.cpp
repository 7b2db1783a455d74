#include "engine/dsp/VectorOps.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace orvane {

namespace {

// Sixteen independent lanes fill four SSE or two AVX registers.
constexpr std::size_t kLanes = 16;
// Single-precision partial sums are flushed into double after this many samples, which
// keeps their relative error near 1e-6 even for blocks of a quarter million samples.
constexpr std::size_t kFlushRun = 4096;

// `op(k, lane)` gives the term of sample k; `lane` is the partial sum it joins, for an op
// that keeps per-lane results of its own.
template <typename Op>
double laneSum(std::size_t n, Op op) noexcept {
    double total = 0.0;
    std::size_t i = 0;
    while (i < n) {
        const std::size_t runEnd = std::min(n, i + kFlushRun);
        std::array<float, kLanes> acc{};
        for (; i + kLanes <= runEnd; i += kLanes)
            for (std::size_t j = 0; j < kLanes; ++j)
                acc[j] += op(i + j, j);
        for (; i < runEnd; ++i)
            acc[0] += op(i, 0);
        float run = 0.0f;
        for (const float lane : acc)
            run += lane;
        total += static_cast<double>(run);
    }
    return total;
}

} // namespace

float maxMagnitude(const float* x, std::size_t n) noexcept {
    std::array<float, kLanes> acc{};
    std::size_t i = 0;
    for (; i + kLanes <= n; i += kLanes)
        for (std::size_t j = 0; j < kLanes; ++j) {
            const float m = std::fabs(x[i + j]);
            // Written as a select so a NaN never replaces the running maximum.
            acc[j] = m > acc[j] ? m : acc[j];
        }
    for (; i < n; ++i) {
        const float m = std::fabs(x[i]);
        acc[0] = m > acc[0] ? m : acc[0];
    }
    float best = 0.0f;
    for (const float lane : acc)
        best = lane > best ? lane : best;
    return best;
}

double sumOfSquares(const float* x, std::size_t n) noexcept {
    return laneSum(n, [x](std::size_t k, std::size_t) { return x[k] * x[k]; });
}

PeakAndSquares peakAndSumOfSquares(const float* x, std::size_t n) noexcept {
    // Each lane's peak over the samples maxMagnitude's lane sees: the runs' length is a
    // multiple of the lane count.
    static_assert(kFlushRun % kLanes == 0);
    std::array<float, kLanes> peaks{};
    const double squares = laneSum(n, [x, &peaks](std::size_t k, std::size_t lane) {
        const float m = std::fabs(x[k]);
        peaks[lane] = m > peaks[lane] ? m : peaks[lane];
        return x[k] * x[k];
    });
    float best = 0.0f;
    for (const float lane : peaks)
        best = lane > best ? lane : best;
    return {best, squares};
}

double dotProduct(const float* a, const float* b, std::size_t n) noexcept {
    return laneSum(n, [a, b](std::size_t k, std::size_t) { return a[k] * b[k]; });
}

} // namespace orvane
