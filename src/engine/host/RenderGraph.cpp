#include "engine/host/RenderGraph.h"

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

float clampUnit(float value) noexcept {
    return std::isfinite(value) ? std::clamp(value, 0.0f, 1.0f) : 0.0f;
}

} // namespace

RenderGraph::RenderGraph(PlayerNode& player) : player_(player) {
    for (auto& slot : taps_)
        slot.store(nullptr, std::memory_order_relaxed);
    setSampleRate(44100.0);
}

void RenderGraph::setSampleRate(double sampleRate) {
    if (!(sampleRate > 0.0) || sampleRate == toneRate_)
        return;
    auto chain = std::make_unique<ToneChain>(sampleRate);
    if (auto* old = tone_.load(std::memory_order_acquire)) {
        for (std::size_t band = 0; band < old->eq().bandCount(); ++band)
            chain->eq().setBandGain(band, old->eq().bandGain(band));
        chain->eq().setBypass(old->eq().bypassed());
        for (std::size_t band = 0; band < old->loudnessEq().bandCount(); ++band)
            chain->loudnessEq().setBandGain(band, old->loudnessEq().bandGain(band));
        chain->loudnessEq().setBypass(old->loudnessEq().bypassed());
        chain->compressor().setParameters(old->compressor().parameters());
        chain->compressor().setBypass(old->compressor().bypassed());
        chain->limiter().setPreGain(old->limiter().preGain());
        chain->reset();
    }
    toneRate_ = sampleRate;
    tone_.store(chain.get(), std::memory_order_release);
    toneChains_.push_back(std::move(chain));
}

std::int64_t RenderGraph::processingLatencyFrames() const noexcept {
    const auto* chain = tone_.load(std::memory_order_acquire);
    return chain ? static_cast<std::int64_t>(chain->latencyFrames()) : 0;
}

void RenderGraph::setEQBandGainDb(std::size_t band, float db) noexcept {
    toneChain().eq().setBandGain(band, db);
}
void RenderGraph::setEQBypassed(bool bypassed) noexcept {
    toneChain().eq().setBypass(bypassed);
}
void RenderGraph::setLoudBandGainDb(std::size_t band, float db) noexcept {
    toneChain().loudnessEq().setBandGain(band, db);
}
void RenderGraph::setLoudBypassed(bool bypassed) noexcept {
    toneChain().loudnessEq().setBypass(bypassed);
}
void RenderGraph::setCompressorParameters(const CompressorParameters& parameters) noexcept {
    toneChain().compressor().setParameters(parameters);
}
void RenderGraph::setCompressorBypassed(bool bypassed) noexcept {
    toneChain().compressor().setBypass(bypassed);
}
void RenderGraph::setLimiterPreGainDb(float db) noexcept {
    toneChain().limiter().setPreGain(db);
}

void RenderGraph::setTap(TapPoint point, RenderTap* tap) noexcept {
    taps_[static_cast<std::size_t>(point)].store(tap, std::memory_order_release);
}

void RenderGraph::tap(TapPoint point, const float* left, const float* right,
                      std::size_t frames) noexcept {
    if (auto* target = taps_[static_cast<std::size_t>(point)].load(std::memory_order_acquire))
        target->onRender(left, right, frames);
}

void RenderGraph::render(float* left, float* right, std::size_t frames) noexcept {
    while (frames > 0) {
        const auto block = std::min(frames, kMaxBlock);
        renderBlock(left, right, block);
        left += block;
        right += block;
        frames -= block;
    }
}

void RenderGraph::renderBlock(float* left, float* right, std::size_t frames) noexcept {
    // This block's targets, read once.
    float norm = 1.0f;
    if (!normBypassed_.load(std::memory_order_relaxed)) {
        const float db = normDb_.load(std::memory_order_relaxed);
        if (db != appliedNormDb_) {
            appliedNormDb_ = db;
            normLinear_ = std::isfinite(db) ? dbToLinear(db) : 1.0f;
        }
        norm = normLinear_;
    }
    const float fade = clampUnit(fade_.load(std::memory_order_relaxed));
    const auto pan = panGains(pan_.load(std::memory_order_relaxed));
    const float volume = clampUnit(volume_.load(std::memory_order_relaxed));

    ToneChain& tone = *tone_.load(std::memory_order_acquire);
    const bool playerWasSilent = !player_.producedLastBlock();
    // The stages after the tone chain still sound until its look-ahead has played out.
    const bool chainWasSilent =
        playerWasSilent && silentFrames_ >= static_cast<std::uint64_t>(tone.latencyFrames());
    player_.render(left, right, frames);
    tap(TapPoint::Player, left, right, frames);
    if (player_.producedLastBlock())
        silentFrames_ = 0;
    else if (silentFrames_ < kLongSilence)
        silentFrames_ += frames;

    // Where nothing is sounding the gains may jump to their targets, and must: a
    // fade-in would otherwise begin with a ramp down from the level before.
    if (playerWasSilent)
        normRamp_.reset(norm, norm);
    if (chainWasSilent) {
        fadePanRamp_.reset(fade * pan.left, fade * pan.right);
        volumeRamp_.reset(volume, volume);
    }

    normRamp_.apply(left, right, frames, norm, norm);
    tone.process(left, right, frames);
    tap(TapPoint::PostLimiter, left, right, frames);
    fadePanRamp_.apply(left, right, frames, fade * pan.left, fade * pan.right);
    volumeRamp_.apply(left, right, frames, volume, volume);
}

} // namespace orvane
