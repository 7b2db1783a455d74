#include "AnalysisTestSupport.h"
#include "engine/analysis/SpectrumAnalyzer.h"

#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <random>

namespace orvane {
namespace {

constexpr std::size_t kSize = 1024;
constexpr std::size_t kBins = kSize / 2;
constexpr std::size_t kBands = 24;

TEST(MeterSpectrum, BarsSpreadQuadraticallyOverTheBinsAndSkipDc) {
    const auto first = SpectrumAnalyzer::barBins(0, kBands, kBins);
    EXPECT_EQ(first.lo, 1u);
    EXPECT_EQ(first.hi, 2u);
    const auto last = SpectrumAnalyzer::barBins(23, kBands, kBins);
    EXPECT_EQ(last.lo, 470u);
    EXPECT_EQ(last.hi, 512u);
    // (12/24)^2 x 512 is 128 exactly: no rounding loses the edge.
    EXPECT_EQ(SpectrumAnalyzer::barBins(12, kBands, kBins).lo, 128u);
    for (std::size_t b = 0; b < kBands; ++b) {
        const auto range = SpectrumAnalyzer::barBins(b, kBands, kBins);
        EXPECT_GE(range.lo, 1u);
        EXPECT_LT(range.lo, range.hi);
        EXPECT_LE(range.hi, kBins);
    }
}

TEST(MeterSpectrum, TheWrongNumberOfSamplesGivesZeros) {
    SpectrumAnalyzer analyzer(kSize);
    const std::vector<float> loud = test::cosine(1000, 1.0, 8.0);
    EXPECT_EQ(analyzer.magnitudes(loud, kBands), std::vector<float>(kBands, 0.0f));
    EXPECT_EQ(analyzer.magnitudes(test::cosine(kSize, 1.0, 8.0), 0), std::vector<float>{});
}

// The whole chain against a direct evaluation of the definition: the plain DFT of the
// windowed block, |X|^2 x 4 / N^2 per bin, the largest per bar, dB, tilt and range.
TEST(MeterSpectrum, BarsMatchADirectDft) {
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
