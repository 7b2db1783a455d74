#include "engine/host/PlayerNode.h"

#include <algorithm>
#include <cstring>

namespace orvane {

std::int64_t heardPlayerFrames(const PlayerClockSnapshot& clock, std::int64_t latencyFrames) {
    const std::int64_t heardOutput = clock.outputFrames - std::max<std::int64_t>(latencyFrames, 0);
    if (heardOutput >= clock.lastAdvanceOutputFrame)
        return clock.playerFrames;
    const std::int64_t back = clock.lastAdvanceOutputFrame - heardOutput;
    return std::max({clock.playerFrames - back, clock.runStartPlayerFrames, std::int64_t{0}});
}

PlayerNode::PlayerNode(AudioRing& ring, MarkerQueue& markers, CompletionQueue& completions)
    : ring_(ring), markers_(markers), completions_(completions) {
}

void PlayerNode::addEvent(const PlayerEvent& event) noexcept {
    if (eventCount_ == events_.size())
        return;
    // Kept in frame order: a cut found after the markers may lie before them.
    std::size_t at = eventCount_;
    while (at > 0 && events_[at - 1].offset > event.offset) {
        events_[at] = events_[at - 1];
        --at;
    }
    events_[at] = event;
    ++eventCount_;
}

void PlayerNode::handleMarker(const StreamMarker& marker, std::size_t offset) noexcept {
    const auto wanted = wantedSchedule_.load(std::memory_order_acquire);
    const std::int64_t outputFrameNow = outputFrames_ + static_cast<std::int64_t>(offset);
    switch (marker.kind) {
    case StreamMarker::Kind::ScheduleStart:
        schedule_ = marker.schedule;
        inRegion_ = false;
        if (schedule_ == wanted) {
            // A new schedule restarts the player clock, like a stopped player started again.
            playerFrames_ = 0;
            runStart_ = 0;
            blockStartFrames_ = 0;
            lastAdvance_ = outputFrameNow;
            wasProducing_ = false;
            addEvent({PlayerEvent::Kind::Cut, offset});
        }
        break;
    case StreamMarker::Kind::RegionStart:
        if (schedule_ == wanted) {
            inRegion_ = true;
            regionID_ = marker.regionID;
            regionNormGainDb_ = marker.normGainDb;
            addEvent({PlayerEvent::Kind::RegionStart, offset, marker.regionID, marker.normGainDb});
        }
        break;
    case StreamMarker::Kind::RegionEnd:
        if (schedule_ != wanted)
            break;
        inRegion_ = false;
        if (pendingCount_ < pending_.size()) {
            pending_[pendingCount_++] = {
                {marker.schedule, marker.regionID, playerFrames_},
                outputFrameNow +
                    std::max<std::int64_t>(latency_.load(std::memory_order_relaxed), 0)};
        }
        break;
    }
}

void PlayerNode::releaseHeard() noexcept {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < pendingCount_; ++i) {
        const auto& item = pending_[i];
        if (item.heardAtOutputFrame > outputFrames_ || !completions_.push(item.completion))
            pending_[kept++] = item;
    }
    pendingCount_ = kept;
}

void PlayerNode::render(float* left, float* right, std::size_t frames) noexcept {
    const auto wanted = wantedSchedule_.load(std::memory_order_acquire);
    const bool playing = playing_.load(std::memory_order_acquire);
    blockStartFrames_ = playerFrames_;
    eventCount_ = 0;
    const bool producedBefore = wasProducing_;
    std::size_t done = 0;
    bool starved = false;

    for (;;) {
        // The write position first: markers pushed before it are then visible too.
        const auto end = ring_.committedEnd();
        const auto read = ring_.readPosition();
        const StreamMarker* marker = markers_.front();
        while (marker && marker->position <= read) {
            handleMarker(*marker, done);
            markers_.pop();
            marker = markers_.front();
        }
        const auto limit = marker ? std::min(marker->position, end) : end;

        if (schedule_ != wanted) {
            // Data of an older schedule: drop it up to the next marker and look again.
            if (limit > read) {
                ring_.skip(static_cast<std::size_t>(limit - read));
                continue;
            }
            break;
        }
        if (!playing || done == frames)
            break;
        const auto available = static_cast<std::size_t>(limit - read);
        if (available == 0) {
            starved = inRegion_;
            break;
        }
        const auto take = std::min(available, frames - done);
        ring_.read(left + done, right + done, take);
        done += take;
        playerFrames_ += static_cast<std::int64_t>(take);
    }

    if (done < frames) {
        std::memset(left + done, 0, (frames - done) * sizeof(float));
        std::memset(right + done, 0, (frames - done) * sizeof(float));
    }
    if (starved)
        underruns_.fetch_add(1, std::memory_order_relaxed);

    const bool produced = done > 0;
    // A schedule change in this block already counts as the cut; wasProducing_ then
    // speaks of the new schedule.
    if (produced && !wasProducing_)
        addEvent({PlayerEvent::Kind::Cut, 0});
    if (done < frames && (produced || (producedBefore && wasProducing_)))
        addEvent({PlayerEvent::Kind::Cut, done});
    if (produced) {
        if (!wasProducing_)
            runStart_ = blockStartFrames_;
        lastAdvance_ = outputFrames_ + static_cast<std::int64_t>(done);
    }
    wasProducing_ = produced;
    outputFrames_ += static_cast<std::int64_t>(frames);

    clock_.store({schedule_, playerFrames_, outputFrames_, lastAdvance_, runStart_});
    releaseHeard();
}

} // namespace orvane
