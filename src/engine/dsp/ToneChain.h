#pragma once

#include "engine/dsp/Compressor.h"
#include "engine/dsp/EQUnit.h"
#include "engine/dsp/PeakLimiter.h"
#include "model/Enums.h"

#include <cstddef>

namespace orvane {

// The tone and dynamics units that follow the normalisation stage, in signal order:
// 10-band graphic equaliser -> compressor -> loudness equaliser -> peak limiter.
// Built as Orvane starts them: both equalisers and the compressor bypassed, every gain
// flat, the limiter in circuit with a pre-gain of -0.8 dB and its default times.
//
// Threading: the units' own setters (through the accessors) and setCompressor() on the
// main thread; process() and reset() on the audio thread. process() renders planar
// stereo blocks of any length in place, never allocates or locks.
class ToneChain {
public:
    static constexpr float kLimiterPreGainDb = -0.8f;

    explicit ToneChain(double sampleRate);
    ToneChain(const ToneChain&) = delete;
    ToneChain& operator=(const ToneChain&) = delete;

    EQUnit& eq() noexcept { return eq_; }
    Compressor& compressor() noexcept { return compressor_; }
    EQUnit& loudnessEQ() noexcept { return loudnessEQ_; }
    PeakLimiter& limiter() noexcept { return limiter_; }

    // Compressor on with the preset's parameters, or off (parameters kept); either way
    // the limiter's pre-gain returns to -0.8 dB.
    void setCompressor(bool on, CompressorPreset preset) noexcept;

    void process(float* left, float* right, std::size_t frames) noexcept;
    void reset() noexcept;
    // The limiter's look-ahead: how many frames late the signal comes out.
    std::size_t latencyFrames() const noexcept { return limiter_.latencyFrames(); }

private:
    EQUnit eq_;
    Compressor compressor_;
    EQUnit loudnessEQ_;
    PeakLimiter limiter_;
};

} // namespace orvane
