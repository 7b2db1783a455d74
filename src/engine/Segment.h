#pragma once

#include "model/Uuid.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace orvane {

class AudioFileReader;

// A file region the engine plays: frames [t0, t1) of `file`, counted at the file's own
// rate. Invariant: 0 <= t0 < t1 <= the file's length. Main thread only; once the
// region is scheduled the reader belongs to the decoder, so the format and length
// are kept here rather than asked of the reader again.
struct Segment {
    std::string path;
    std::shared_ptr<AudioFileReader> file;
    double sampleRate = 0;
    int channels = 0;
    std::int64_t t0 = 0;
    std::int64_t t1 = 0;
    float normGain = 1.0f;
    Uuid trackID;
    // The id of the schedule entry that plays this region (its completion id).
    std::int64_t regionID = 0;
};

// Frames [t0, t1) of a file of `length` frames at `sampleRate` after trimming:
// t0 = trimStart (negative or non-finite as 0) in frames, truncated; t1 = trimEnd in
// frames, truncated, at most the length, or the length when absent (or NaN).
// Absent when the region is empty.
struct FrameRange {
    std::int64_t t0 = 0;
    std::int64_t t1 = 0;
};
std::optional<FrameRange> trimmedRange(double sampleRate, std::int64_t length, double trimStart,
                                       std::optional<double> trimEnd);

// Opens `path` for a segment; throws EngineError (unreadableFile) when it cannot.
std::shared_ptr<AudioFileReader> openSegmentFile(const std::string& path);

} // namespace orvane
