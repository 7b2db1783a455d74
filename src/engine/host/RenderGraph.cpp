#include "engine/host/RenderGraph.h"

#include "engine/dsp/EQLayouts.h"

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

// A band outside the layout is ignored, as the units themselves do.
void setBand(std::vector<float>& gains, std::size_t band, float db) noexcept {
    if (band < gains.size())
        gains[band] = db;
}

float clampUnit(float value) noexcept {
    return std::isfinite(value) ? std::clamp(value, 0.0f, 1.0f) : 0.0f;
}

} // namespace

RenderGraph::RenderGraph(PlayerNode& player) : player_(player) {
    for (auto& slot : taps_)
        slot.store(nullptr, std::memory_order_relaxed);
    pendingTone_.eqGainsDb.assign(graphicEQBands().size(), 0.0f);
    pendingTone_.loudGainsDb.assign(loudnessEQBands().size(), 0.0f);
}

RenderGraph::ToneSettings RenderGraph::settingsOf(ToneChain& chain) {
    ToneSettings settings;
    for (std::size_t band = 0; band < chain.eq().bandCount(); ++band)
        settings.eqGainsDb.push_back(chain.eq().bandGain(band));
    settings.eqBypassed = chain.eq().bypassed();
    for (std::size_t band = 0; band < chain.loudnessEQ().bandCount(); ++band)
        settings.loudGainsDb.push_back(chain.loudnessEQ().bandGain(band));
    settings.loudBypassed = chain.loudnessEQ().bypassed();
    settings.compressor = chain.compressor().parameters();
    settings.compressorBypassed = chain.compressor().bypassed();
    settings.limiterPreGainDb = chain.limiter().preGain();
    return settings;
}

void RenderGraph::apply(const ToneSettings& settings, ToneChain& chain) {
    for (std::size_t band = 0; band < settings.eqGainsDb.size(); ++band)
        chain.eq().setBandGain(band, settings.eqGainsDb[band]);
    chain.eq().setBypass(settings.eqBypassed);
    for (std::size_t band = 0; band < settings.loudGainsDb.size(); ++band)
        chain.loudnessEQ().setBandGain(band, settings.loudGainsDb[band]);
    chain.loudnessEQ().setBypass(settings.loudBypassed);
    chain.compressor().setParameters(settings.compressor);
    chain.compressor().setBypass(settings.compressorBypassed);
    chain.limiter().setPreGain(settings.limiterPreGainDb);
    // Start at the settings rather than gliding to them from a new chain's defaults.
    chain.reset();
}

void RenderGraph::setSampleRate(double sampleRate) {
    freeRetiredChains();
    if (!(sampleRate > 0.0) || sampleRate == toneRate_)
        return;
    auto chain = std::make_unique<ToneChain>(sampleRate);
    apply(liveTone_ ? settingsOf(*liveTone_) : pendingTone_, *chain);
    toneRate_ = sampleRate;
    // Sequentially consistent with render()'s epoch bumps: a render that begins after
    // the epoch read below is certain to load the new chain.
    tone_.store(chain.get(), std::memory_order_seq_cst);
    std::swap(chain, liveTone_);
    if (chain)
        retiredTone_.push_back({std::move(chain), renderEpoch_.load(std::memory_order_seq_cst)});
    freeRetiredChains();
}

void RenderGraph::freeRetiredChains() {
    const auto now = renderEpoch_.load(std::memory_order_seq_cst);
    std::erase_if(retiredTone_, [now](const RetiredChain& retired) {
        return retired.epoch % 2 == 0 || retired.epoch != now;
    });
}

std::size_t RenderGraph::heldToneChains() const noexcept {
    return retiredTone_.size() + (liveTone_ ? 1 : 0);
}

std::int64_t RenderGraph::processingLatencyFrames() const noexcept {
    const auto* chain = tone_.load(std::memory_order_acquire);
    return chain ? static_cast<std::int64_t>(chain->latencyFrames()) : 0;
}

template <typename OnChain, typename OnSettings>
void RenderGraph::setTone(OnChain onChain, OnSettings onSettings) noexcept {
    if (liveTone_)
        onChain(*liveTone_);
    else
        onSettings(pendingTone_);
}

void RenderGraph::setEQBandGainDb(std::size_t band, float db) noexcept {
    setTone([&](ToneChain& c) { c.eq().setBandGain(band, db); },
            [&](ToneSettings& s) { setBand(s.eqGainsDb, band, db); });
}
void RenderGraph::setEQBypassed(bool bypassed) noexcept {
    setTone([&](ToneChain& c) { c.eq().setBypass(bypassed); },
            [&](ToneSettings& s) { s.eqBypassed = bypassed; });
}
void RenderGraph::setLoudBandGainDb(std::size_t band, float db) noexcept {
    setTone([&](ToneChain& c) { c.loudnessEQ().setBandGain(band, db); },
            [&](ToneSettings& s) { setBand(s.loudGainsDb, band, db); });
}
void RenderGraph::setLoudBypassed(bool bypassed) noexcept {
    setTone([&](ToneChain& c) { c.loudnessEQ().setBypass(bypassed); },
            [&](ToneSettings& s) { s.loudBypassed = bypassed; });
}
void RenderGraph::setCompressorParameters(const CompressorParameters& parameters) noexcept {
    setTone([&](ToneChain& c) { c.compressor().setParameters(parameters); },
            [&](ToneSettings& s) { s.compressor = parameters; });
}
void RenderGraph::setCompressorBypassed(bool bypassed) noexcept {
    setTone([&](ToneChain& c) { c.compressor().setBypass(bypassed); },
            [&](ToneSettings& s) { s.compressorBypassed = bypassed; });
}
void RenderGraph::setLimiterPreGainDb(float db) noexcept {
    setTone([&](ToneChain& c) { c.limiter().setPreGain(db); },
            [&](ToneSettings& s) { s.limiterPreGainDb = db; });
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
    renderEpoch_.fetch_add(1, std::memory_order_seq_cst);
    while (frames > 0) {
        const auto block = std::min(frames, kMaxBlock);
        renderBlock(left, right, block);
        left += block;
        right += block;
        frames -= block;
    }
    renderEpoch_.fetch_add(1, std::memory_order_seq_cst);
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

    // Null only before the first rate is known; the signal then passes untouched.
    ToneChain* tone = tone_.load(std::memory_order_seq_cst);
    const auto toneLatency = tone ? tone->latencyFrames() : std::size_t{0};
    const bool playerWasSilent = !player_.producedLastBlock();
    // The stages after the tone chain still sound until its look-ahead has played out.
    const bool chainWasSilent =
        playerWasSilent && silentFrames_ >= static_cast<std::uint64_t>(toneLatency);
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
    if (tone)
        tone->process(left, right, frames);
    tap(TapPoint::PostLimiter, left, right, frames);
    fadePanRamp_.apply(left, right, frames, fade * pan.left, fade * pan.right);
    volumeRamp_.apply(left, right, frames, volume, volume);
}

} // namespace orvane
