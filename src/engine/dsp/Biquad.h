#pragma once

#include <cstddef>

namespace orvane {

// The filter shapes Orvane's equaliser bands use.
enum class BiquadType {
    parametric, // peaking bell, bandwidth in octaves
    lowShelf,   // slope 1; the bandwidth is not used
    highShelf,  // slope 1; the bandwidth is not used
};

// Second-order section, normalised so that a0 = 1:
//   H(z) = (b0 + b1 z^-1 + b2 z^-2) / (1 + a1 z^-1 + a2 z^-2)
struct BiquadCoefficients {
    double b0 = 1.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;
};

// Designs one band after Robert Bristow-Johnson's Audio EQ Cookbook. A gain of exactly
// 0 dB gives numerator == denominator, which the filter below turns into an exact
// copy of its input (once its state has died away). The frequency is kept inside
// (0, 0.49 x sampleRate) so that a band above Nyquist degrades gracefully instead of
// producing an unstable section.
BiquadCoefficients designBiquad(BiquadType type, double sampleRate, double frequency,
                                double bandwidthOctaves, double gainDb) noexcept;

// The state of one section for two channels: transposed direct form II, in double
// precision so that low, narrow bands keep their accuracy at any level.
//
// Audio thread only; never allocates.
class StereoBiquad {
public:
    // Runs the section over `frames` planar stereo frames in place.
    void process(const BiquadCoefficients& c, float* left, float* right,
                 std::size_t frames) noexcept;
    void reset() noexcept { state1_[0] = state1_[1] = state2_[0] = state2_[1] = 0.0; }

private:
    friend void processBiquadCascade(const BiquadCoefficients* const* coefficients,
                                     StereoBiquad* const* states, std::size_t count, float* left,
                                     float* right, std::size_t frames) noexcept;

    double state1_[2] = {0.0, 0.0}; // [left, right]
    double state2_[2] = {0.0, 0.0};
};

// Runs `count` sections in series (coefficients[0] with states[0] first) over the
// frames in place: the same result as calling process() on each in turn, in fewer
// passes, so that the sections' recursions overlap instead of waiting on each other.
void processBiquadCascade(const BiquadCoefficients* const* coefficients,
                          StereoBiquad* const* states, std::size_t count, float* left, float* right,
                          std::size_t frames) noexcept;

} // namespace orvane
