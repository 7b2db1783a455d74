#pragma once

#include "engine/host/AudioRing.h"
#include "engine/host/SeqLock.h"
#include "engine/host/StreamMarker.h"

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>

namespace orvane {

// What the player's clock read at the end of its last render, published atomically.
struct PlayerClockSnapshot {
    // The schedule the player is playing (0: none yet).
    std::uint64_t schedule = 0;
    // Frames the player has produced in that schedule (its sample time).
    std::int64_t playerFrames = 0;
    // Frames the output has rendered since the player was created.
    std::int64_t outputFrames = 0;
    // outputFrames just after the player last produced a frame.
    std::int64_t lastAdvanceOutputFrame = 0;
    // playerFrames when the player last started producing after a pause or a new schedule.
    std::int64_t runStartPlayerFrames = 0;
};

// The player frame being heard now: the one rendered `latencyFrames` output frames
// ago. While the player produced continuously that is simply latency frames back;
// after a pause it is the last frame produced once the buffered audio has played out.
std::int64_t heardPlayerFrames(const PlayerClockSnapshot& clock, std::int64_t latencyFrames);

// Something that happened at a frame of the player's last block, for the stages after
// it: a region began (its gain applies from here), or the stream was cut (the player
// started or stopped producing, or jumped to another schedule), where the waveform may
// jump.
struct PlayerEvent {
    enum class Kind : std::uint8_t { RegionStart, Cut };
    Kind kind = Kind::Cut;
    std::size_t offset = 0;
    std::int64_t regionID = 0;
    float normGainDb = 0.0f;
};

// The graph's source stage: plays the frames the decoder put in the ring.
//
// It follows the stream markers: data of schedules older than the one requested is
// dropped as soon as it reaches the read head (that is how a seek or a stop flushes the
// ring), the player clock restarts at each new schedule, and when a region's last
// frame has been rendered its completion is held until the output's latency has passed
// and then queued for the main thread. While paused it renders silence, consumes
// nothing and keeps its position; stale data is still dropped so the decoder can refill.
//
// Threading: render() on the audio thread; setSchedule(), setPlaying(),
// setLatencyFrames(), clock() and underrunCount() on any other thread.
class PlayerNode {
public:
    PlayerNode(AudioRing& ring, MarkerQueue& markers, CompletionQueue& completions);

    // The schedule whose data the player is to play; older data is dropped.
    void setSchedule(std::uint64_t schedule) noexcept {
        wantedSchedule_.store(schedule, std::memory_order_release);
    }
    std::uint64_t wantedSchedule() const noexcept {
        return wantedSchedule_.load(std::memory_order_acquire);
    }
    void setPlaying(bool playing) noexcept { playing_.store(playing, std::memory_order_release); }
    bool isPlaying() const noexcept { return playing_.load(std::memory_order_acquire); }
    void setLatencyFrames(std::int64_t frames) noexcept {
        latency_.store(frames, std::memory_order_relaxed);
    }

    PlayerClockSnapshot clock() const noexcept { return clock_.load(); }
    // Blocks in which the player, inside a region, found the ring empty.
    std::uint64_t underrunCount() const noexcept {
        return underruns_.load(std::memory_order_relaxed);
    }

    // Audio thread: whether the last render() produced any frames of the schedule.
    bool producedLastBlock() const noexcept { return wasProducing_; }
    // Audio thread: the events of the last render(), in frame order. A block with more
    // than kMaxBlockEvents keeps the first ones.
    static constexpr std::size_t kMaxBlockEvents = 8;
    std::span<const PlayerEvent> blockEvents() const noexcept {
        return {events_.data(), eventCount_};
    }
    // Audio thread: the region whose frames the player plays (or last played), and
    // the gain its start carried.
    std::int64_t regionID() const noexcept { return regionID_; }
    float regionNormGainDb() const noexcept { return regionNormGainDb_; }

    // Audio thread. Fills all `frames` frames.
    void render(float* left, float* right, std::size_t frames) noexcept;

private:
    struct Pending {
        RegionCompletion completion;
        std::int64_t heardAtOutputFrame;
    };

    void handleMarker(const StreamMarker& marker, std::size_t offset) noexcept;
    void addEvent(const PlayerEvent& event) noexcept;
    void releaseHeard() noexcept;

    AudioRing& ring_;
    MarkerQueue& markers_;
    CompletionQueue& completions_;

    std::atomic<std::uint64_t> wantedSchedule_{0};
    std::atomic<bool> playing_{false};
    std::atomic<std::int64_t> latency_{0};
    std::atomic<std::uint64_t> underruns_{0};
    SeqLock<PlayerClockSnapshot> clock_;

    // Audio-thread state.
    std::uint64_t schedule_ = 0; // schedule of the data at the read head
    bool inRegion_ = false;      // between a RegionStart and its RegionEnd
    bool wasProducing_ = false;  // produced frames in the previous block
    std::int64_t playerFrames_ = 0;
    std::int64_t outputFrames_ = 0;
    std::int64_t lastAdvance_ = 0;
    std::int64_t runStart_ = 0;
    std::int64_t blockStartFrames_ = 0; // playerFrames_ when this block's playing began
    std::array<Pending, 16> pending_{};
    std::size_t pendingCount_ = 0;
    std::array<PlayerEvent, kMaxBlockEvents> events_{};
    std::size_t eventCount_ = 0;
    std::int64_t regionID_ = 0;
    float regionNormGainDb_ = 0.0f;
};

} // namespace orvane
