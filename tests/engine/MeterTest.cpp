#include "engine/metering/MeterExchange.h"
#include "engine/metering/SpectrumAnalyzer.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

// A real audio thread feeds the exchange a ramp (frame f carries f on the left and -f
// on the right) against the main thread's copies. Whatever the interleaving, each copy
// must be one unbroken run of the ramp (never half of an old block and half of a new
// one), and every frame is counted, captured or skipped.
TEST(MeterExchange, ConcurrentCopiesAreNeverTorn) {
    MeterExchange exchange(16384);
    constexpr std::int64_t kBlocks = 4000;
    constexpr std::size_t kBlock = 256;
    constexpr std::int64_t kTotal = kBlocks * static_cast<std::int64_t>(kBlock);
    std::thread audio([&exchange] {
        std::vector<float> left(kBlock), right(kBlock);
        float next = 0.0f;
        for (std::int64_t block = 0; block < kBlocks; ++block) {
            for (std::size_t i = 0; i < kBlock; ++i, ++next) {
                left[i] = next;
                right[i] = -next;
            }
            exchange.capture(left.data(), right.data(), kBlock);
        }
    });
    for (int copies = 0; copies < 500 || exchange.framesCaptured() < kTotal / 2; ++copies) {
        std::vector<float> left(8192, -1e9f), right(8192, -1e9f);
        const MeterSnapshot copy = exchange.copyHeard(512, left.data(), right.data(), 4096);
        bool torn = false;
        for (std::size_t i = 0; i < copy.frames; ++i)
            torn = torn || left[i] != left[0] + static_cast<float>(i) || right[i] != -left[i];
        EXPECT_FALSE(torn) << "copy " << copies;
        if (torn || exchange.framesCaptured() == kTotal)
            break;
    }
    audio.join();
    EXPECT_EQ(exchange.framesCaptured(), kTotal);
}

constexpr std::size_t kSize = 1024;
constexpr std::size_t kBins = kSize / 2;
constexpr std::size_t kBands = 24;

// The whole chain against a direct evaluation of the definition: the plain DFT of the
// windowed block, |X|^2 x 4 / N^2 per bin, the largest per bar, dB, tilt and range. The
// bars spread quadratically over the bins above DC.
TEST(MeterSpectrum, BarsMatchADirectDft) {
    EXPECT_EQ(SpectrumAnalyzer::barBins(0, kBands, kBins).lo, 1u);
    EXPECT_EQ(SpectrumAnalyzer::barBins(12, kBands, kBins).lo, 128u); // (12/24)^2 x 512
    EXPECT_EQ(SpectrumAnalyzer::barBins(kBands - 1, kBands, kBins).hi, kBins);
    std::mt19937 random(11);
    std::vector<float> samples(kSize);
    for (std::size_t n = 0; n < kSize; ++n) {
        const double t = static_cast<double>(n);
        const double noise = static_cast<double>(random() % 2001) / 1000.0 - 1.0;
        samples[n] = static_cast<float>(0.4 * std::sin(0.05 * t) + 0.2 * std::sin(1.3 * t) +
                                        0.05 * std::sin(2.9 * t) + 0.01 * noise);
    }
    SpectrumAnalyzer analyzer(kSize);
    const auto bars = analyzer.magnitudes(samples, kBands);

    std::vector<double> power(kBins);
    for (std::size_t k = 0; k < kBins; ++k) {
        std::complex<double> sum;
        for (std::size_t n = 0; n < kSize; ++n) {
            const double angle = -2.0 * std::numbers::pi * static_cast<double>(k * n) / kSize;
            sum += static_cast<double>(samples[n] * analyzer.window()[n]) * std::polar(1.0, angle);
        }
        power[k] = std::norm(sum) * 4.0 / (double(kSize) * kSize);
    }
    for (std::size_t b = 0; b < kBands; ++b) {
        const auto range = SpectrumAnalyzer::barBins(b, kBands, kBins);
        double peak = 0.0;
        for (std::size_t k = range.lo; k < range.hi; ++k)
            peak = std::max(peak, power[k]);
        const double db = 10.0 * std::log10(peak);
        const double expected = std::clamp((db + 12.0 * double(b) / 23.0 + 62.0) / 55.0, 0.0, 1.0);
        EXPECT_NEAR(bars[b], expected, 2e-4) << "bar " << b;
    }
}

} // namespace
} // namespace orvane
