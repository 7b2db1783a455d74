#pragma once

#include <cstddef>

namespace orvane {

// The reductions the analysis and the meters run over sample blocks. They are plain
// loops written so that the compiler vectorises them without fast-math: each keeps
// several independent partial results, so no reordering of floating-point additions
// is needed. All accept n == 0.

// Largest |x[i]| over n samples; 0 for n == 0. NaN samples are ignored.
float maxMagnitude(const float* x, std::size_t n) noexcept;

// Sum of x[i]^2 over n samples. Partial sums are kept in single precision over short
// runs and gathered in double precision, so long blocks lose no accuracy.
double sumOfSquares(const float* x, std::size_t n) noexcept;

// Both of the above in one pass over the samples, with exactly their results: for a
// whole file's levels, where a second pass over each block cost more than the sums.
struct PeakAndSquares {
    float peak = 0.0f;
    double squares = 0.0;
};
PeakAndSquares peakAndSumOfSquares(const float* x, std::size_t n) noexcept;

// Sum of a[i] * b[i] over n samples, gathered in double precision.
double dotProduct(const float* a, const float* b, std::size_t n) noexcept;

} // namespace orvane
