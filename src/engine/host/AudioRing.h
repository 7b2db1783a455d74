#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace orvane {

// The stereo sample ring between the decoder thread (producer) and the audio thread
// (consumer): two planar float channels at the output rate. Positions are 64-bit frame
// counters that only grow, so a position names one frame of the whole stream for the
// ring's lifetime; stream markers refer to these positions.
//
// Threading: write(), writePosition() and writable() on the producer thread; read(),
// skip(), readPosition() and readable() on the consumer thread. committedEnd() may be
// read anywhere. Lock-free, no allocation after construction.
//
// Ordering: a consumer that sees a write position also sees every frame before it and
// everything the producer published (e.g. pushed markers) before advancing it.
class AudioRing {
public:
    // Capacity is rounded up to a power of two.
    explicit AudioRing(std::size_t minCapacityFrames);

    std::size_t capacity() const { return capacity_; }

    // Producer side.
    std::uint64_t writePosition() const noexcept {
        return writePos_.load(std::memory_order_relaxed);
    }
    std::size_t writable() const noexcept;
    // Copies `frames` frames (at most writable()) and publishes them.
    void write(const float* left, const float* right, std::size_t frames) noexcept;

    // Consumer side.
    std::uint64_t readPosition() const noexcept { return readPos_.load(std::memory_order_relaxed); }
    // The producer's position as the consumer may rely on it (acquire).
    std::uint64_t committedEnd() const noexcept {
        return writePos_.load(std::memory_order_acquire);
    }
    std::size_t readable() const noexcept;
    // Copies `frames` frames (at most readable()) out and frees their space.
    void read(float* left, float* right, std::size_t frames) noexcept;
    // Frees `frames` frames (at most readable()) without copying them.
    void skip(std::size_t frames) noexcept;

private:
    std::size_t capacity_;
    std::uint64_t mask_;
    std::unique_ptr<float[]> left_;
    std::unique_ptr<float[]> right_;
    alignas(64) std::atomic<std::uint64_t> writePos_{0};
    alignas(64) std::atomic<std::uint64_t> readPos_{0};
};

} // namespace orvane
