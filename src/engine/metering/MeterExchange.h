#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace orvane {

// What one copy out of the exchange holds.
struct MeterSnapshot {
    std::size_t frames = 0; // frames copied per channel; 0 when nothing is heard yet
    int channels = 1;       // channel count of the newest block captured
};

// Hands the signal after the limiter from the audio thread to the main thread's meter
// tick, so that the meters follow the sound rather than lead it.
//
// The audio thread appends every rendered block to a ring of recent frames and counts
// the frames it has seen. The main thread copies out the window that ends where the
// listener is: `latencyFrames` (the output's latency) before the newest frame. With
// 100 ms of output latency the meters therefore show the block being heard, not the
// block just rendered.
//
// Wiring in the engine:
//   - a RenderTap at the post-limiter point forwards its blocks to capture();
//   - meterTick() calls MeterAnalyzer::tick(exchange, host outputLatencyFrames(), ...)
//     (the tap sits after the limiter, so only the output's latency lies ahead), which
//     calls copyHeard();
//   - when the output (re)starts, clear(): the frames of the previous run were heard
//     already and must not show again while the new run fills its latency.
// Frames are counted at the graph's rate, the rate outputLatencyFrames() is given in.
//
// Threading: capture() on the audio thread only (one at a time); everything else on
// the main thread. Both sides hold `meterLock` only to copy at most one block in or
// one window out. The audio thread never waits: when the lock is busy it skips the
// block. The frame count still advances past it, and its frames read as silence
// (the next block that gets the lock clears them); a window never spans such a hole
// (the last kHoleHistory holes are remembered, more than a meter window can meet): it
// keeps the hole-free frames nearest the listener. Nothing allocates after
// construction.
class MeterExchange {
public:
    static constexpr std::size_t kDefaultRingFrames = std::size_t{1} << 17; // 2.7 s at 48 kHz

    // `ringFrames` is rounded up to a power of two; it bounds the latency the
    // exchange can follow (ringFrames - the window asked for).
    explicit MeterExchange(std::size_t ringFrames = kDefaultRingFrames);
    MeterExchange(const MeterExchange&) = delete;
    MeterExchange& operator=(const MeterExchange&) = delete;

    // Audio thread. Appends one block; `right` may be null for a mono signal, which
    // then reads the same on both sides.
    void capture(const float* left, const float* right, std::size_t frames) noexcept;

    // Main thread. Copies up to `maxFrames` frames per channel (at most ringFrames())
    // ending `latencyFrames` before the newest frame captured into `left` and `right`
    // (oldest first). Frames from before a clear() are left out, and the window never
    // spans the latest skipped block: it keeps the frames after it once the listener
    // is past it, else those before it. A latency beyond what the ring holds is
    // treated as the longest it can follow.
    MeterSnapshot copyHeard(std::int64_t latencyFrames, float* left, float* right,
                            std::size_t maxFrames);

    // Main thread. Forgets everything captured so far.
    void clear();

    std::size_t ringFrames() const { return mask_ + 1; }
    // Main thread, for tests and diagnostics: frames seen, skipped ones included.
    std::int64_t framesCaptured();
    std::uint64_t skippedBlocks() const { return skipped_.load(std::memory_order_relaxed); }
    // For tests: holds meterLock as a copy does, so that capture() meets a busy lock.
    [[nodiscard]] std::unique_lock<std::mutex> holdLockForTesting() {
        return std::unique_lock<std::mutex>(meterLock_);
    }

private:
    void write(const float* left, const float* right, std::size_t frames) noexcept;
    void silence(std::int64_t frames) noexcept;

    std::mutex meterLock_;
    std::size_t mask_;
    // Guarded by meterLock_.
    std::vector<float> ringL_;
    std::vector<float> ringR_;
    std::int64_t written_ = 0;   // frames seen up to the newest block captured
    std::int64_t validFrom_ = 0; // frames before this were cleared
    // The latest runs of skipped frames, [start, end), oldest overwritten first.
    struct Hole {
        std::int64_t start = 0;
        std::int64_t end = 0;
    };
    static constexpr std::size_t kHoleHistory = 32;
    std::array<Hole, kHoleHistory> holes_{};
    std::size_t nextHole_ = 0;
    int channels_ = 1;
    // Frames skipped since the last block captured; written by the audio thread only.
    std::atomic<std::int64_t> pendingSkip_{0};
    std::atomic<std::uint64_t> skipped_{0};
};

} // namespace orvane
