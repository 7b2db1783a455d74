#include "engine/metering/MeterExchange.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace orvane {

MeterExchange::MeterExchange(std::size_t ringFrames)
    : mask_(std::bit_ceil(std::max<std::size_t>(ringFrames, 2)) - 1), ringL_(mask_ + 1, 0.0f),
      ringR_(mask_ + 1, 0.0f) {
}

void MeterExchange::capture(const float* left, const float* right, std::size_t frames) noexcept {
    if (!left || frames == 0)
        return;
    std::unique_lock lock(meterLock_, std::try_to_lock);
    if (!lock.owns_lock()) {
        pendingSkip_.fetch_add(static_cast<std::int64_t>(frames), std::memory_order_relaxed);
        skipped_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    if (const std::int64_t skipped = pendingSkip_.exchange(0, std::memory_order_relaxed)) {
        Hole& hole = holes_[nextHole_];
        nextHole_ = (nextHole_ + 1) % kHoleHistory;
        hole.start = written_;
        silence(skipped);
        hole.end = written_;
    }
    write(left, right, frames);
    channels_ = right ? 2 : 1;
}

// Copies the block into the ring at the frame counter, wrapping at the ring's end. A
// block longer than the ring leaves only its newest frames.
void MeterExchange::write(const float* left, const float* right, std::size_t frames) noexcept {
    const std::size_t size = mask_ + 1;
    std::size_t skip = 0;
    if (frames > size) {
        skip = frames - size;
        written_ += static_cast<std::int64_t>(skip);
    }
    std::size_t done = skip;
    while (done < frames) {
        const std::size_t at = static_cast<std::size_t>(written_) & mask_;
        const std::size_t run = std::min(frames - done, size - at);
        std::memcpy(ringL_.data() + at, left + done, run * sizeof(float));
        // A mono block is stored on both sides.
        std::memcpy(ringR_.data() + at, (right ? right : left) + done, run * sizeof(float));
        written_ += static_cast<std::int64_t>(run);
        done += run;
    }
}

// Moves the frame counter over frames that were never captured; their places in the
// ring read as silence rather than as whatever was there a ring ago.
void MeterExchange::silence(std::int64_t frames) noexcept {
    const auto size = static_cast<std::int64_t>(mask_ + 1);
    if (frames > size) {
        written_ += frames - size;
        frames = size;
    }
    while (frames > 0) {
        const std::size_t at = static_cast<std::size_t>(written_) & mask_;
        const std::size_t run = std::min(static_cast<std::size_t>(frames), mask_ + 1 - at);
        std::fill_n(ringL_.data() + at, run, 0.0f);
        std::fill_n(ringR_.data() + at, run, 0.0f);
        written_ += static_cast<std::int64_t>(run);
        frames -= static_cast<std::int64_t>(run);
    }
}

MeterSnapshot MeterExchange::copyHeard(std::int64_t latencyFrames, float* left, float* right,
                                       std::size_t maxFrames) {
    const auto size = static_cast<std::int64_t>(mask_ + 1);
    const auto want = static_cast<std::int64_t>(std::min(maxFrames, mask_ + 1));
    std::lock_guard lock(meterLock_);
    MeterSnapshot snapshot;
    snapshot.channels = channels_;
    // The ring holds the frames [written_ - size, written_); keep the whole window
    // inside it even when the latency is longer than the ring can follow.
    const std::int64_t oldest = std::max<std::int64_t>(written_ - size, 0);
    const std::int64_t latency = std::clamp<std::int64_t>(latencyFrames, 0, size - want);
    std::int64_t end = written_ - latency;
    std::int64_t start = std::max({end - want, oldest, validFrom_});
    // Never across a hole: keep the side the listener is on, or the frames just before
    // it while the listener is inside it. Moving the end back may meet an older hole,
    // so look again until the window is clear; each pass moves the end or the start
    // past one hole, and there are kHoleHistory of them.
    for (bool moved = true; moved && start < end;) {
        moved = false;
        for (const Hole& hole : holes_) {
            if (hole.start >= end || start >= hole.end || hole.start == hole.end)
                continue;
            if (end > hole.end) {
                start = hole.end;
            } else {
                end = hole.start;
                start = std::max({end - want, oldest, validFrom_});
            }
            moved = true;
        }
    }
    if (end <= start)
        return snapshot;

    const auto frames = static_cast<std::size_t>(end - start);
    const std::size_t at = static_cast<std::size_t>(start) & mask_;
    const std::size_t first = std::min(frames, mask_ + 1 - at);
    std::memcpy(left, ringL_.data() + at, first * sizeof(float));
    std::memcpy(right, ringR_.data() + at, first * sizeof(float));
    std::memcpy(left + first, ringL_.data(), (frames - first) * sizeof(float));
    std::memcpy(right + first, ringR_.data(), (frames - first) * sizeof(float));
    snapshot.frames = frames;
    return snapshot;
}

void MeterExchange::clear() {
    std::lock_guard lock(meterLock_);
    validFrom_ = written_;
}

std::int64_t MeterExchange::framesCaptured() {
    std::lock_guard lock(meterLock_);
    return written_ + pendingSkip_.load(std::memory_order_relaxed);
}

} // namespace orvane
