#pragma once

#include <cstddef>
#include <memory>
#include <span>
#include <vector>

namespace orvane {

// Turns a block of samples into spectrum bars for the visualisation: a Hann-windowed
// real FFT (libavutil's av_tx), its squared magnitudes, and a quadratic mapping of
// the bins onto bars with a tilt towards the treble.
//
// Scaling: a bin's power is |X|^2 x 4 / N^2 where X is the plain DFT of the windowed
// block (the factor 4 comes from a transform that outputs twice the plain DFT). The
// window is the periodic Hann window scaled to unit RMS,
// w[n] = 0.8165 x (1 - cos(2 pi n / N)).
//
// Threading: one thread at a time (the main thread's meter tick); the analyser keeps
// its working buffers between calls so that a call allocates nothing.
class SpectrumAnalyzer {
public:
    // `size` is the FFT length: a power of two, at least 4. Throws
    // std::invalid_argument otherwise, std::bad_alloc when the plan cannot be made.
    explicit SpectrumAnalyzer(std::size_t size = 1024);
    ~SpectrumAnalyzer();
    SpectrumAnalyzer(const SpectrumAnalyzer&) = delete;
    SpectrumAnalyzer& operator=(const SpectrumAnalyzer&) = delete;

    std::size_t size() const { return size_; }
    const std::vector<float>& window() const { return window_; }

    // `bands` bars in 0..1 from exactly size() samples; `bands` zeros when the sample
    // count differs.
    std::vector<float> magnitudes(std::span<const float> samples, std::size_t bands);
    // The same into `bars` (bars.size() bands), without allocating.
    void magnitudes(std::span<const float> samples, std::span<float> bars);

    // The bins [lo, hi) that bar `bar` of `bands` covers among `bins` bins (size()/2):
    // quadratically spaced, at least one bin each, never bin 0 (DC).
    struct BinRange {
        std::size_t lo = 0;
        std::size_t hi = 0;
    };
    static BinRange barBins(std::size_t bar, std::size_t bands, std::size_t bins);

    // Value 0..1 of bar `bar` of `bands` for a power in dB: -62 dB at the lowest bar
    // maps to 0, the range is 55 dB, and the highest bar is lifted by 12 dB.
    static float barValue(double powerDb, std::size_t bar, std::size_t bands);

private:
    struct Transform;

    std::size_t size_;
    std::vector<float> window_;
    std::unique_ptr<Transform> transform_;
};

} // namespace orvane
