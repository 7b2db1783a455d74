#include "engine/host/RenderGraph.h"

#include "engine/dsp/EQLayouts.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace orvane {

namespace {

// A band outside the layout is ignored, as the units themselves do.
void setBand(std::vector<float>& gains, std::size_t band, float db) noexcept {
    if (band < gains.size())
        gains[band] = db;
}

// The seam glide and the declick ramp: short enough to be heard as a hard join, long
// enough that neither steps.
constexpr double kSeamGlideSeconds = 0.002;
constexpr double kDeclickSeconds = 0.003;

std::uint64_t packRegionGain(std::int64_t regionID, float db) noexcept {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(regionID)) << 32) |
           std::bit_cast<std::uint32_t>(db);
}

float clampUnit(float value) noexcept {
    return std::isfinite(value) ? std::clamp(value, 0.0f, 1.0f) : 0.0f;
}

} // namespace

RenderGraph::RenderGraph(PlayerNode& player) : player_(player) {
    for (auto& slot : taps_)
        slot.store(nullptr, std::memory_order_relaxed);
    for (auto& slot : regionGains_)
        slot.store(packRegionGain(0, 0.0f), std::memory_order_relaxed);
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
    norm_.setSeamFrames(static_cast<std::size_t>(std::lround(sampleRate * kSeamGlideSeconds)));
    declicker_.setRampFrames(static_cast<std::size_t>(std::lround(sampleRate * kDeclickSeconds)));
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

void RenderGraph::setRegionNormGainDb(std::int64_t regionID, float db) noexcept {
    regionGains_[static_cast<std::size_t>(regionID & 1)].store(packRegionGain(regionID, db),
                                                               std::memory_order_relaxed);
}

float RenderGraph::regionNormGainDb(std::int64_t regionID, float fallback) const noexcept {
    const auto packed =
        regionGains_[static_cast<std::size_t>(regionID & 1)].load(std::memory_order_relaxed);
    if (static_cast<std::uint32_t>(packed >> 32) != static_cast<std::uint32_t>(regionID))
        return fallback;
    return std::bit_cast<float>(static_cast<std::uint32_t>(packed));
}

float RenderGraph::regionGain(std::int64_t regionID, float markerDb) noexcept {
    const float db = regionNormGainDb(regionID, markerDb);
    if (db != appliedNormDb_) {
        appliedNormDb_ = db;
        normLinear_ = std::isfinite(db) ? dbToLinear(std::clamp(db, -96.0f, 24.0f)) : 1.0f;
    }
    return normLinear_;
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
    std::int64_t region = player_.regionID();
    float regionMarkerDb = player_.regionNormGainDb();
    player_.render(left, right, frames);
    tap(TapPoint::Player, left, right, frames);
    if (player_.producedLastBlock())
        silentFrames_ = 0;
    else if (silentFrames_ < kLongSilence)
        silentFrames_ += frames;

    const auto events = player_.blockEvents();
    std::array<std::size_t, PlayerNode::kMaxBlockEvents> cuts{};
    std::size_t cutCount = 0;
    for (const auto& event : events)
        cuts[cutCount++] = event.offset; // a region start may be a cut as well
    declicker_.process(left, right, frames, cuts.data(), cutCount);

    // Where nothing is sounding the gains may jump to their targets, and must: a
    // fade-in would otherwise begin with a ramp down from the level before.
    if (playerWasSilent)
        norm_.snap(regionGain(region, regionMarkerDb));
    std::size_t from = 0;
    for (const auto& event : events) {
        if (event.kind != PlayerEvent::Kind::RegionStart)
            continue;
        norm_.apply(left + from, right + from, event.offset - from,
                    regionGain(region, regionMarkerDb));
        region = event.regionID;
        regionMarkerDb = event.normGainDb;
        const float gain = regionGain(region, regionMarkerDb);
        if (event.offset == 0 && playerWasSilent)
            norm_.snap(gain);
        else
            norm_.seam(gain);
        from = event.offset;
    }
    norm_.apply(left + from, right + from, frames - from, regionGain(region, regionMarkerDb));

    if (chainWasSilent) {
        fadePanRamp_.reset(fade * pan.left, fade * pan.right);
        volumeRamp_.reset(volume, volume);
    }
    if (tone)
        tone->process(left, right, frames);
    tap(TapPoint::PostLimiter, left, right, frames);
    fadePanRamp_.apply(left, right, frames, fade * pan.left, fade * pan.right);
    volumeRamp_.apply(left, right, frames, volume, volume);
}

} // namespace orvane
