#pragma once

#include "engine/host/SpscQueue.h"

#include <cstdint>

namespace orvane {

// What the decoder tells the audio thread about the frames in the ring, and what the
// audio thread tells back. Everything the engine needs to know to the frame (where a
// schedule's data begins, where each region starts and ends) travels with the audio.

// A point in the ring's frame stream. Markers are queued in stream order; a marker at
// position p applies between frame p - 1 and frame p.
struct StreamMarker {
    enum class Kind : std::uint8_t {
        // The data of `schedule` begins here; data before it belongs to older schedules.
        ScheduleStart,
        // The region with id `regionID` begins (its first frame is at `position`).
        RegionStart,
        // The region with id `regionID` ends (its last frame is at `position` - 1).
        RegionEnd,
    };
    Kind kind = Kind::ScheduleStart;
    std::uint64_t position = 0;
    std::uint64_t schedule = 0;
    std::int64_t regionID = 0;
    // RegionStart: the region's normalisation gain, in effect from its first frame.
    float normGainDb = 0.0f;
};

// A region whose last frame has been heard (rendered, and then the output's latency
// later). `playerFrames` counts the frames the player had produced in its schedule up
// to and including that last frame: the player clock reading at the region's end.
struct RegionCompletion {
    std::uint64_t schedule = 0;
    std::int64_t regionID = 0;
    std::int64_t playerFrames = 0;
};

using MarkerQueue = SpscQueue<StreamMarker, 256>;
using CompletionQueue = SpscQueue<RegionCompletion, 64>;

} // namespace orvane
