#include "engine/dsp/VectorOps.h"

#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// The one-pass peak and sum of squares gives exactly what the two passes give, for
// lengths around the lane and run sizes and with a NaN among the samples, so that a
// file's stored levels do not move with the way they are computed.
TEST(VectorOps, OnePassGivesTheTwoPassesResultsExactly) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    for (const std::size_t n : {0u, 1u, 15u, 16u, 17u, 4095u, 4096u, 4097u, 10'000u, 262'144u}) {
        std::vector<float> x(n);
        for (float& v : x)
            v = sample(random);
        if (n > 0)
            x[n - 1] = 1.5f; // the peak in the last, partial block of lanes
        const PeakAndSquares both = peakAndSumOfSquares(x.data(), n);
        EXPECT_EQ(both.peak, maxMagnitude(x.data(), n)) << n;
        EXPECT_EQ(both.squares, sumOfSquares(x.data(), n)) << n;
        // A NaN, which the peak ignores.
        if (n > 20) {
            x[n / 3] = std::numeric_limits<float>::quiet_NaN();
            EXPECT_EQ(peakAndSumOfSquares(x.data(), n).peak, 1.5f) << n;
        }
    }
}

} // namespace
} // namespace orvane
