#pragma once

#include "engine/host/AudioRing.h"
#include "engine/host/FormatConverter.h"
#include "engine/host/StreamMarker.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace orvane {

class AudioFileReader;

// One file region to play: frames [startFrame, endFrame) of the file, in the file's
// own rate. `regionID` comes back in the completion when its last frame was heard.
struct RegionRequest {
    std::shared_ptr<AudioFileReader> reader;
    std::int64_t startFrame = 0;
    std::int64_t endFrame = 0;
    std::int64_t regionID = 0;
    // Normalisation gain from the region's first frame on (see RenderGraph).
    float normGainDb = 0.0f;
};

// Decodes the regions of the current schedule, one after the other, into the ring at
// the output rate, and marks in the marker queue where the schedule's data begins and
// where each region starts and ends, exact to the output frame.
//
// Consecutive regions of one format form a chain that shares one converter, so a
// queued region follows the current one with no gap, no overlap and no seam in the
// resampled signal. A chain ends when the decoder runs out of regions or the next one
// has another rate or channel count: the converter's tail is drained and the last
// region ends exactly at its computed boundary. The region after that starts a new
// chain, still without a gap or an overlap.
//
// A reader that stops early (a truncated or corrupt file) ends its region there; the
// completion still comes, at the frame where the audio ended.
//
// Threading: schedule() and append() on the main thread; service() on the decoder
// thread (or a test's thread). They meet only in a small mailbox under a mutex that
// neither side holds for long; the audio thread never touches it. Once handed over, a
// reader is used by the decoder alone.
class RegionDecoder {
public:
    RegionDecoder(AudioRing& ring, MarkerQueue& markers);
    ~RegionDecoder();
    RegionDecoder(const RegionDecoder&) = delete;
    RegionDecoder& operator=(const RegionDecoder&) = delete;

    // Replaces everything: the data of `schedule` is `regions`, converted to `outRate`.
    // Regions the decoder is working on are dropped at its next service().
    void schedule(std::uint64_t schedule, std::vector<RegionRequest> regions, int outRate);
    // Adds a region behind the others of `schedule`; ignored if a newer schedule exists.
    void append(std::uint64_t schedule, RegionRequest region);

    // Decodes until the ring is full, the schedule's regions are all in it, or the
    // marker queue is full. Returns true when it wrote anything.
    bool service();

private:
    struct ChainEvent {
        std::int64_t outFrame;
        StreamMarker::Kind kind;
        std::int64_t regionID;
        float normGainDb = 0.0f;
    };

    void takeCommands();
    bool pushMarker(StreamMarker::Kind kind, std::int64_t regionID, float normGainDb = 0.0f);
    bool flushPending();
    void startRegion(RegionRequest region);
    void decodeChunk();
    void finishRegion();
    void beginDrain();
    void resetChain();

    AudioRing& ring_;
    MarkerQueue& markers_;

    // Mailbox (main thread -> decoder).
    mutable std::mutex mailboxMutex_;
    struct Mailbox {
        std::optional<std::uint64_t> schedule;
        std::vector<RegionRequest> regions;
        int outRate = 0;
        std::vector<std::pair<std::uint64_t, RegionRequest>> appends;
        std::uint64_t latestSchedule = 0;
    } mailbox_;

    // Decoder state.
    std::uint64_t schedule_ = 0;
    int outRate_ = 48000;
    bool needScheduleMarker_ = false;
    std::deque<RegionRequest> waiting_;
    std::optional<RegionRequest> active_;
    std::int64_t nextFrame_ = 0;
    std::unique_ptr<FormatConverter> chain_;
    bool draining_ = false;
    std::int64_t chainIn_ = 0;
    std::int64_t chainOut_ = 0;
    std::deque<ChainEvent> events_;
    StereoFrames pending_;
    std::size_t pendingOffset_ = 0;
    std::vector<std::vector<float>> planes_;
    std::vector<float*> planePointers_;
};

} // namespace orvane
