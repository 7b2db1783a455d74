#pragma once

#include "engine/dsp/Biquad.h"
#include "engine/dsp/BypassCrossfade.h"
#include "engine/dsp/LinearGlide.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

namespace orvane {

// A band's fixed shape; its gain and bypass change while playing.
struct EQBandShape {
    BiquadType type = BiquadType::parametric;
    double frequency = 1000.0;     // Hz
    double bandwidthOctaves = 1.0; // parametric bands only
};

// A parametric equaliser of N biquad bands in series followed by a global gain, with a
// bypass switch per band and for the whole unit. Orvane uses three: the normalisation
// stage (one flat band, global gain only), the 10-band graphic equaliser and the
// 2-band loudness equaliser.
//
// Gains move smoothly: every new band gain or global gain glides there in a straight
// line in dB over kGlideSeconds (coefficients recomputed every kSubBlock frames), so
// the 15-20 ms steps of a ramp driven by a main-thread timer join into one continuous
// sweep and never click. Switching the unit in or out crossfades (BypassCrossfade); a
// bypassed band glides to 0 dB first. A band at 0 dB is an exact wire and is skipped
// once its filter has rung out, so a flat or bypassed unit passes samples bit for bit.
//
// Threading: the setters and getters are for one control thread (the main thread) and
// only store or load atomics; process() and reset() belong to the audio thread, which
// picks up the latest values at the start of each block. Shapes are fixed at
// construction. process() never allocates or locks.
class EQUnit {
public:
    static constexpr double kGlideSeconds = 0.01;
    static constexpr std::size_t kSubBlock = 32;
    static constexpr float kMinGainDb = -96.0f;
    static constexpr float kMaxGainDb = 24.0f;

    // Starts with every gain at 0 dB and no band bypassed; `bypassed` is the unit's own
    // starting state.
    EQUnit(double sampleRate, std::vector<EQBandShape> bands, bool bypassed = false);
    ~EQUnit();
    EQUnit(const EQUnit&) = delete;
    EQUnit& operator=(const EQUnit&) = delete;

    std::size_t bandCount() const noexcept { return bandCount_; }
    const EQBandShape& bandShape(std::size_t band) const noexcept;
    double sampleRate() const noexcept { return sampleRate_; }

    // Band gain in dB, clamped to [kMinGainDb, kMaxGainDb]; a band index out of range
    // is ignored (and reads as 0 dB). The getter returns the value last set.
    void setBandGain(std::size_t band, float db) noexcept;
    float bandGain(std::size_t band) const noexcept;
    void setBandBypass(std::size_t band, bool bypassed) noexcept;
    bool bandBypassed(std::size_t band) const noexcept;

    // Gain in dB applied after the bands, clamped like a band gain.
    void setGlobalGain(float db) noexcept;
    float globalGain() const noexcept;

    void setBypass(bool bypassed) noexcept;
    bool bypassed() const noexcept;

    // Filters `frames` planar stereo frames in place.
    void process(float* left, float* right, std::size_t frames) noexcept;
    // Forgets the signal history and jumps to the current settings (audio thread, or
    // any thread while nothing processes).
    void reset() noexcept;

private:
    struct Band;

    void processChunk(float* left, float* right, std::size_t frames) noexcept;
    void processBands(float* left, float* right, std::size_t frames) noexcept;
    void applyGlobalGain(float* left, float* right, std::size_t frames) noexcept;
    void snapToTargets() noexcept;

    double sampleRate_;
    std::size_t bandCount_;
    std::unique_ptr<Band[]> bands_;
    std::atomic<float> globalDb_{0.0f};
    std::atomic<bool> bypass_;

    // Audio-thread state.
    LinearGlide global_;
    BypassCrossfade bypassFade_;
    std::size_t glideFrames_;
    std::size_t tailFrames_;
    // The bands in circuit for the current block, sized once (bandCount_ entries).
    std::vector<Band*> active_;
    std::vector<const BiquadCoefficients*> activeCoefficients_;
    std::vector<StereoBiquad*> activeFilters_;
};

} // namespace orvane
