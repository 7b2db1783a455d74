#include "engine/host/AudioRing.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace orvane {

namespace {

void copyIn(float* ring, std::size_t capacity, std::size_t at, const float* src,
            std::size_t frames) {
    const std::size_t first = std::min(frames, capacity - at);
    std::memcpy(ring + at, src, first * sizeof(float));
    std::memcpy(ring, src + first, (frames - first) * sizeof(float));
}

void copyOut(const float* ring, std::size_t capacity, std::size_t at, float* dst,
             std::size_t frames) {
    const std::size_t first = std::min(frames, capacity - at);
    std::memcpy(dst, ring + at, first * sizeof(float));
    std::memcpy(dst + first, ring, (frames - first) * sizeof(float));
}

} // namespace

AudioRing::AudioRing(std::size_t minCapacityFrames)
    : capacity_(std::bit_ceil(std::max<std::size_t>(minCapacityFrames, 16))), mask_(capacity_ - 1),
      left_(std::make_unique<float[]>(capacity_)), right_(std::make_unique<float[]>(capacity_)) {
}

std::size_t AudioRing::writable() const noexcept {
    const auto used =
        writePos_.load(std::memory_order_relaxed) - readPos_.load(std::memory_order_acquire);
    return capacity_ - static_cast<std::size_t>(used);
}

void AudioRing::write(const float* left, const float* right, std::size_t frames) noexcept {
    frames = std::min(frames, writable());
    const auto pos = writePos_.load(std::memory_order_relaxed);
    const auto at = static_cast<std::size_t>(pos & mask_);
    copyIn(left_.get(), capacity_, at, left, frames);
    copyIn(right_.get(), capacity_, at, right, frames);
    writePos_.store(pos + frames, std::memory_order_release);
}

std::size_t AudioRing::readable() const noexcept {
    return static_cast<std::size_t>(writePos_.load(std::memory_order_acquire) -
                                    readPos_.load(std::memory_order_relaxed));
}

void AudioRing::read(float* left, float* right, std::size_t frames) noexcept {
    frames = std::min(frames, readable());
    const auto pos = readPos_.load(std::memory_order_relaxed);
    const auto at = static_cast<std::size_t>(pos & mask_);
    copyOut(left_.get(), capacity_, at, left, frames);
    copyOut(right_.get(), capacity_, at, right, frames);
    readPos_.store(pos + frames, std::memory_order_release);
}

void AudioRing::skip(std::size_t frames) noexcept {
    frames = std::min(frames, readable());
    readPos_.fetch_add(frames, std::memory_order_release);
}

} // namespace orvane
