#pragma once

// Signals and measurements for the DSP unit tests: the units are judged by what they
// do to real signals, not by their formulas.

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

namespace orvane::dsptest {

struct Stereo {
    std::vector<float> left;
    std::vector<float> right;

    Stereo() = default;
    explicit Stereo(std::size_t frames) : left(frames, 0.0f), right(frames, 0.0f) {}
    std::size_t size() const { return left.size(); }
};

inline float dbToAmp(double db) {
    return static_cast<float>(std::pow(10.0, db / 20.0));
}
inline double ampToDb(double amp) {
    return 20.0 * std::log10(amp);
}

// The same sine on both channels.
inline Stereo sine(double frequency, double amplitude, double sampleRate, std::size_t frames) {
    Stereo s(frames);
    const double w = 2.0 * std::numbers::pi * frequency / sampleRate;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<float>(amplitude * std::sin(w * static_cast<double>(i)));
        s.left[i] = v;
        s.right[i] = v;
    }
    return s;
}

inline Stereo constant(float value, std::size_t frames) {
    Stereo s(frames);
    std::fill(s.left.begin(), s.left.end(), value);
    std::fill(s.right.begin(), s.right.end(), value);
    return s;
}

// +a, -a, +a, ...: a tone at exactly half the sample rate.
inline Stereo nyquist(float amplitude, std::size_t frames) {
    Stereo s(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const float v = i % 2 == 0 ? amplitude : -amplitude;
        s.left[i] = v;
        s.right[i] = v;
    }
    return s;
}

// Independent uniform white noise on each channel, peak `amplitude`.
inline Stereo noise(double amplitude, std::size_t frames, std::uint32_t seed) {
    Stereo s(frames);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> dist(-amplitude, amplitude);
    for (std::size_t i = 0; i < frames; ++i) {
        s.left[i] = static_cast<float>(dist(rng));
        s.right[i] = static_cast<float>(dist(rng));
    }
    return s;
}

// Runs `process(left, right, n)` over the whole signal in blocks of `block` frames.
template <typename Process>
void inBlocks(Stereo& s, std::size_t block, Process&& process) {
    for (std::size_t offset = 0; offset < s.size(); offset += block) {
        const auto n = std::min(block, s.size() - offset);
        process(s.left.data() + offset, s.right.data() + offset, n);
    }
}

// `s` after `unit` (anything with process(left, right, frames)), in blocks of `block`.
template <typename Unit>
Stereo through(Unit& unit, Stereo s, std::size_t block = 512) {
    inBlocks(s, block, [&](float* l, float* r, std::size_t n) { unit.process(l, r, n); });
    return s;
}

// Amplitude of the component at `frequency` within samples [begin, end): a single
// DFT bin. Comparing two signals over the same window cancels the window's leakage.
inline double toneAmplitude(const std::vector<float>& x, std::size_t begin, std::size_t end,
                            double frequency, double sampleRate) {
    const double w = 2.0 * std::numbers::pi * frequency / sampleRate;
    double re = 0.0, im = 0.0;
    for (std::size_t i = begin; i < end; ++i) {
        const double phase = w * static_cast<double>(i);
        re += static_cast<double>(x[i]) * std::cos(phase);
        im += static_cast<double>(x[i]) * std::sin(phase);
    }
    return 2.0 * std::hypot(re, im) / static_cast<double>(end - begin);
}

inline float peakAbs(const std::vector<float>& x, std::size_t begin = 0,
                     std::size_t end = static_cast<std::size_t>(-1)) {
    end = std::min(end, x.size());
    float peak = 0.0f;
    for (std::size_t i = begin; i < end; ++i)
        peak = std::max(peak, std::abs(x[i]));
    return peak;
}

// The largest jump between neighbouring samples within [begin, end).
inline float largestStep(const std::vector<float>& x, std::size_t begin, std::size_t end) {
    float step = 0.0f;
    for (std::size_t i = std::max<std::size_t>(begin, 1); i < end; ++i)
        step = std::max(step, std::abs(x[i] - x[i - 1]));
    return step;
}

// How far a signal that should be a tone at `frequency` strays from one, at worst,
// within [begin, end): a pure tone of any amplitude and phase obeys
// x[n] = 2 cos(w) x[n-1] - x[n-2] exactly, so the residual is ~0 for it, stays small
// while its level moves smoothly, and equals the size of any jump in the signal.
inline float largestDeviationFromTone(const std::vector<float>& x, std::size_t begin,
                                      std::size_t end, double frequency, double sampleRate) {
    const double c = 2.0 * std::cos(2.0 * std::numbers::pi * frequency / sampleRate);
    double worst = 0.0;
    for (std::size_t i = std::max<std::size_t>(begin, 2); i < end; ++i) {
        const double residual = static_cast<double>(x[i]) - c * static_cast<double>(x[i - 1]) +
                                static_cast<double>(x[i - 2]);
        worst = std::max(worst, std::abs(residual));
    }
    return static_cast<float>(worst);
}

// The largest step between neighbouring samples of a tone of `amplitude`.
inline float toneStep(double amplitude, double frequency, double sampleRate) {
    return static_cast<float>(2.0 * amplitude *
                              std::sin(std::numbers::pi * frequency / sampleRate));
}

// Plays a one-second tone through `process` in blocks of `block` frames, calling
// `change(framesDone)` before each block, and returns how far the output strays from a
// pure tone during the second quarter of the second (where the change is meant to
// happen), as a fraction of the tone's own smallest step before or after it. A jump in
// the signal shows up as a fraction near or above 1.
template <typename Process, typename Change>
double deviationOverOwnStep(double sampleRate, double frequency, double amplitude,
                            std::size_t block, Process&& process, Change&& change) {
    const auto frames = static_cast<std::size_t>(sampleRate);
    Stereo s = sine(frequency, amplitude, sampleRate, frames);
    std::size_t done = 0;
    inBlocks(s, block, [&](float* l, float* r, std::size_t n) {
        change(done);
        process(l, r, n);
        done += n;
    });
    const double before = toneAmplitude(s.left, frames / 8, frames / 4, frequency, sampleRate);
    const double after = toneAmplitude(s.left, frames * 3 / 4, frames, frequency, sampleRate);
    return static_cast<double>(
        largestDeviationFromTone(s.left, frames / 4 - 2, frames / 2, frequency, sampleRate) /
        toneStep(std::min(before, after), frequency, sampleRate));
}

inline bool bitIdentical(const Stereo& a, const Stereo& b) {
    return a.size() == b.size() &&
           std::memcmp(a.left.data(), b.left.data(), a.size() * sizeof(float)) == 0 &&
           std::memcmp(a.right.data(), b.right.data(), a.size() * sizeof(float)) == 0;
}

} // namespace orvane::dsptest
