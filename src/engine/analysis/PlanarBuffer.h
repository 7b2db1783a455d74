#pragma once

#include <cstddef>
#include <new>
#include <optional>
#include <vector>

namespace orvane {

// A block of non-interleaved float samples in the shape AudioFileReader::read fills:
// one array of `capacity` floats per channel.
class PlanarBuffer {
public:
    // Absent when the memory cannot be had (a file claiming hundreds of channels).
    static std::optional<PlanarBuffer> make(int channels, std::size_t capacity) {
        if (channels < 1 || capacity < 1)
            return std::nullopt;
        try {
            return PlanarBuffer(static_cast<std::size_t>(channels), capacity);
        } catch (const std::bad_alloc&) {
            return std::nullopt;
        }
    }

    // Moving keeps the channel pointers valid (the samples stay where they are);
    // copying would not, so there is none.
    PlanarBuffer(PlanarBuffer&&) noexcept = default;
    PlanarBuffer& operator=(PlanarBuffer&&) noexcept = default;
    PlanarBuffer(const PlanarBuffer&) = delete;
    PlanarBuffer& operator=(const PlanarBuffer&) = delete;

    std::size_t channelCount() const { return pointers_.size(); }
    std::size_t capacity() const { return capacity_; }
    float* const* data() const { return pointers_.data(); }
    const float* channel(std::size_t c) const { return pointers_[c]; }

private:
    PlanarBuffer(std::size_t channels, std::size_t capacity)
        : capacity_(capacity), samples_(channels * capacity), pointers_(channels) {
        for (std::size_t c = 0; c < channels; ++c)
            pointers_[c] = samples_.data() + c * capacity;
    }

    std::size_t capacity_;
    std::vector<float> samples_;
    std::vector<float*> pointers_;
};

} // namespace orvane
