#pragma once

#include "engine/dsp/Declicker.h"
#include "engine/dsp/GainRamp.h"
#include "engine/dsp/NormGainStage.h"
#include "engine/dsp/ToneChain.h"
#include "engine/host/AudioOutput.h"
#include "engine/host/PlayerNode.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace orvane {

// Receives a copy of the signal at one point of the graph, on the audio thread.
// Must follow the real-time rules of RenderSource::render.
class RenderTap {
public:
    virtual ~RenderTap() = default;
    virtual void onRender(const float* left, const float* right, std::size_t frames) noexcept = 0;
};

// Where a tap sits in the graph.
enum class TapPoint {
    Player,      // the player's output, before any gain or tone stage
    PostLimiter, // after the limiter, before fade, pan and master volume (the meters)
};

// Orvane's processing graph, rendered in place on the output's audio thread, in order:
//
//   player -> declicker -> normalisation gain -> [10-band EQ -> compressor -> loudness
//   EQ -> limiter] -> (meter tap) -> fade level and pan -> master volume
//
// The decoder already delivers stereo at the output rate. The declicker smooths the
// cuts the player reports (Declicker); the normalisation gain changes at each region's
// first frame (NormGainStage). The
// bracketed tone and dynamics units are a ToneChain built for the output rate; the
// limiter's look-ahead delays the signal by processingLatencyFrames().
//
// Parameters are written by the main thread as atomics and read once per block; every
// gain moves across a block in a straight line (StereoGainRamp) so changes never click.
// Blocks larger than kMaxBlock frames are rendered in pieces.
//
// Threading: render() on the audio thread; the setters from the main thread. A tap
// must stay alive while set; clear it only while no render() is running (output
// stopped) or accept that the last render may still be using it.
class RenderGraph final : public RenderSource {
public:
    static constexpr std::size_t kMaxBlock = 1024;

    explicit RenderGraph(PlayerNode& player);

    void render(float* left, float* right, std::size_t frames) noexcept override;

    // Normalisation stage. Each region's gain travels with its start in the stream, so
    // the next region's gain takes effect at its first frame (within the seam glide),
    // however late the main thread hears of the hand-off. A gain set here for a region
    // id overrides what its start carried, from the next block on: the engine keeps the
    // playing region's here (ramped in steps within a track) and the queued region's.
    // The ids of those two are consecutive, so each has a slot of its own.
    void setRegionNormGainDb(std::int64_t regionID, float db) noexcept;
    // The gain set for `regionID`, or `fallback` when none is.
    float regionNormGainDb(std::int64_t regionID, float fallback) const noexcept;

    // Fade stage: input level 0..1 and balance pan -1..+1.
    void setFadeLevel(float level) noexcept { fade_.store(level, std::memory_order_relaxed); }
    float fadeLevel() const noexcept { return fade_.load(std::memory_order_relaxed); }
    void setPan(float pan) noexcept { pan_.store(pan, std::memory_order_relaxed); }
    float pan() const noexcept { return pan_.load(std::memory_order_relaxed); }

    // Master volume 0..1.
    void setVolume(float volume) noexcept { volume_.store(volume, std::memory_order_relaxed); }
    float volume() const noexcept { return volume_.load(std::memory_order_relaxed); }

    // Tone and dynamics units. The setters only store atomics in the live chain (or
    // keep the settings for the first chain while no rate is known yet).
    void setEQBandGainDb(std::size_t band, float db) noexcept;
    void setEQBypassed(bool bypassed) noexcept;
    void setLoudBandGainDb(std::size_t band, float db) noexcept;
    void setLoudBypassed(bool bypassed) noexcept;
    void setCompressorParameters(const CompressorParameters& parameters) noexcept;
    void setCompressorBypassed(bool bypassed) noexcept;
    void setLimiterPreGainDb(float db) noexcept;
    // The live chain, or null before the first setSampleRate() (for inspection and
    // tests; main thread).
    ToneChain* toneChain() noexcept { return tone_.load(std::memory_order_acquire); }

    // Builds the tone chain for `sampleRate` (main thread; it allocates), carrying every
    // setting over, and swaps it in without waiting for the audio thread. The chain it
    // replaces is retired here and freed by a later call once no render() can still be
    // using it, so the audio thread never frees memory.
    void setSampleRate(double sampleRate);
    // Chains in memory: the live one and the retired ones not yet freed (main thread).
    std::size_t heldToneChains() const noexcept;
    // Frames the tone chain delays the signal by (the limiter's look-ahead).
    std::int64_t processingLatencyFrames() const noexcept;

    void setTap(TapPoint point, RenderTap* tap) noexcept;

private:
    void renderBlock(float* left, float* right, std::size_t frames) noexcept;
    // The linear normalisation gain of a region, from the slot or its start marker.
    float regionGain(std::int64_t regionID, float markerDb) noexcept;
    void tap(TapPoint point, const float* left, const float* right, std::size_t frames) noexcept;

    PlayerNode& player_;

    // Per slot: the region id (low 32 bits) above the gain's float bits.
    std::array<std::atomic<std::uint64_t>, 2> regionGains_{};
    std::atomic<float> fade_{1.0f};
    std::atomic<float> pan_{0.0f};
    std::atomic<float> volume_{1.0f};
    std::array<std::atomic<RenderTap*>, 2> taps_{};
    // The settings a chain carries: read from the live chain when it is replaced, kept
    // here for the first chain until a rate is known. The defaults are a new chain's.
    struct ToneSettings {
        std::vector<float> eqGainsDb;
        bool eqBypassed = true;
        std::vector<float> loudGainsDb;
        bool loudBypassed = true;
        CompressorParameters compressor;
        bool compressorBypassed = true;
        float limiterPreGainDb = ToneChain::kLimiterPreGainDb;
    };
    static ToneSettings settingsOf(ToneChain& chain);
    static void apply(const ToneSettings& settings, ToneChain& chain);
    void freeRetiredChains();
    // Applies a setting to the live chain, or keeps it for the first one.
    template <typename OnChain, typename OnSettings>
    void setTone(OnChain onChain, OnSettings onSettings) noexcept;

    std::atomic<ToneChain*> tone_{nullptr};
    std::unique_ptr<ToneChain> liveTone_; // main thread owns; tone_ points at it
    ToneSettings pendingTone_;            // main thread, used while liveTone_ is null
    double toneRate_ = 0.0;
    // Bumped by the audio thread as each render() begins and ends, so it is odd while a
    // render runs. A chain retired at an even count has no render left using it; one
    // retired at an odd count is free once the count has moved on.
    std::atomic<std::uint64_t> renderEpoch_{0};
    struct RetiredChain {
        std::unique_ptr<ToneChain> chain;
        std::uint64_t epoch;
    };
    std::vector<RetiredChain> retiredTone_; // main thread

    // Audio-thread state.
    Declicker declicker_;
    NormGainStage norm_;
    StereoGainRamp fadePanRamp_;
    StereoGainRamp volumeRamp_;
    float appliedNormDb_ = 0.0f;
    float normLinear_ = 1.0f;
    // Frames rendered since the player last produced any, counted up to kLongSilence
    // (silent since the start counts as long silent).
    static constexpr std::uint64_t kLongSilence = std::uint64_t{1} << 40;
    std::uint64_t silentFrames_ = kLongSilence;
};

} // namespace orvane
