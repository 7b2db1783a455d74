#include "engine/metering/SpectrumAnalyzer.h"

extern "C" {
#include <libavutil/mem.h>
#include <libavutil/tx.h>
}

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>
#include <stdexcept>

namespace orvane {

namespace {

// Unit-RMS scale of the Hann window (sqrt(2/3)), to four places as Orvane has always
// drawn it.
constexpr double kHannScale = 0.8165;
constexpr double kSilentDb = -90.0;
constexpr double kFloorDb = -62.0;
constexpr double kRangeDb = 55.0;
constexpr double kTiltDb = 12.0;

struct AvFree {
    void operator()(void* p) const noexcept { av_free(p); }
};

} // namespace

// The FFT plan and its aligned buffers.
struct SpectrumAnalyzer::Transform {
    explicit Transform(std::size_t size)
        : input(static_cast<float*>(av_malloc(size * sizeof(float)))),
          output(static_cast<AVComplexFloat*>(av_malloc((size / 2 + 1) * sizeof(AVComplexFloat)))),
          power(size / 2) {
        const float scale = 1.0f;
        if (!input || !output ||
            av_tx_init(&context, &run, AV_TX_FLOAT_RDFT, 0, static_cast<int>(size), &scale, 0) < 0)
            throw std::bad_alloc();
    }
    ~Transform() { av_tx_uninit(&context); }
    Transform(const Transform&) = delete;
    Transform& operator=(const Transform&) = delete;

    AVTXContext* context = nullptr;
    av_tx_fn run = nullptr;
    std::unique_ptr<float, AvFree> input;
    std::unique_ptr<AVComplexFloat, AvFree> output;
    std::vector<float> power; // |X|^2 x 4 for bins 0 .. size/2 - 1
};

SpectrumAnalyzer::SpectrumAnalyzer(std::size_t size) : size_(size), window_(size) {
    if (size < 4 || (size & (size - 1)) != 0 || size > (std::size_t{1} << 24))
        throw std::invalid_argument("SpectrumAnalyzer: size must be a power of two");
    for (std::size_t n = 0; n < size; ++n) {
        const double phase =
            2.0 * std::numbers::pi * static_cast<double>(n) / static_cast<double>(size);
        window_[n] = static_cast<float>(kHannScale * (1.0 - std::cos(phase)));
    }
    transform_ = std::make_unique<Transform>(size);
}

SpectrumAnalyzer::~SpectrumAnalyzer() = default;

SpectrumAnalyzer::BinRange SpectrumAnalyzer::barBins(std::size_t bar, std::size_t bands,
                                                     std::size_t bins) {
    // (b / bands)^2 x bins, truncated; in integers so that the edges are exact.
    const std::size_t squares = bands * bands;
    const std::size_t lo = std::max<std::size_t>(bar * bar * bins / squares, 1);
    const std::size_t hi = std::max(lo + 1, std::min(bins, (bar + 1) * (bar + 1) * bins / squares));
    return {lo, hi};
}

float SpectrumAnalyzer::barValue(double powerDb, std::size_t bar, std::size_t bands) {
    const double tilt = kTiltDb * static_cast<double>(bar) /
                        static_cast<double>(std::max<std::size_t>(bands, 2) - 1);
    return static_cast<float>(std::clamp((powerDb + tilt - kFloorDb) / kRangeDb, 0.0, 1.0));
}

std::vector<float> SpectrumAnalyzer::magnitudes(std::span<const float> samples, std::size_t bands) {
    std::vector<float> bars(bands, 0.0f);
    magnitudes(samples, bars);
    return bars;
}

void SpectrumAnalyzer::magnitudes(std::span<const float> samples, std::span<float> bars) {
    if (samples.size() != size_) {
        std::fill(bars.begin(), bars.end(), 0.0f);
        return;
    }
    Transform& t = *transform_;
    float* input = t.input.get();
    for (std::size_t n = 0; n < size_; ++n)
        input[n] = samples[n] * window_[n];
    t.run(t.context, t.output.get(), input, static_cast<std::ptrdiff_t>(sizeof(float)));

    const std::size_t bins = size_ / 2;
    const AVComplexFloat* out = t.output.get();
    for (std::size_t k = 0; k < bins; ++k)
        t.power[k] = 4.0f * (out[k].re * out[k].re + out[k].im * out[k].im);

    const double norm = static_cast<double>(size_) * static_cast<double>(size_);
    const std::size_t bands = bars.size();
    for (std::size_t b = 0; b < bands; ++b) {
        const BinRange range = barBins(b, bands, bins);
        const float peak =
            *std::max_element(t.power.begin() + static_cast<std::ptrdiff_t>(range.lo),
                              t.power.begin() + static_cast<std::ptrdiff_t>(range.hi));
        const double v = static_cast<double>(peak) / norm;
        const double db = v > 0.0 ? 10.0 * std::log10(v) : kSilentDb;
        bars[b] = barValue(db, b, bands);
    }
}

} // namespace orvane
