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

    const bool wasSilent = !player_.producedLastBlock();
    player_.render(left, right, frames);
    tap(TapPoint::Player, left, right, frames);

    if (wasSilent) {
        // Nothing was sounding, so the gains may jump to their targets, and must: a
        // fade-in would otherwise begin with a ramp down from the level before.
        normRamp_.reset(norm, norm);
        fadePanRamp_.reset(fade * pan.left, fade * pan.right);
        volumeRamp_.reset(volume, volume);
    }

    normRamp_.apply(left, right, frames, norm, norm);
    renderToneChain(left, right, frames);
    tap(TapPoint::PostLimiter, left, right, frames);
    fadePanRamp_.apply(left, right, frames, fade * pan.left, fade * pan.right);
    volumeRamp_.apply(left, right, frames, volume, volume);
}

void RenderGraph::renderToneChain(float*, float*, std::size_t) noexcept {
    // The 10-band equaliser, compressor, loudness equaliser and limiter render here,
    // in that order, once they exist. Until then the chain is a straight wire.
}

} // namespace orvane
