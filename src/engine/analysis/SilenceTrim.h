#pragma once

#include <optional>
#include <string>

namespace orvane {

// The silence at the edges of a whole audio file, for trimming. Like the other offline
// measurements (Levels.h, TempoDetection.h) it runs outside the playback graph on its
// own AudioFileReader and buffers, so it touches no shared state and may run on any
// thread, concurrently; the controller runs it on its file work queue. A file that
// cannot be read is also reported to the diagnostics (AnalysisFile.h).

// The audible region, in seconds from the file start.
struct TrimRegion {
    double start = 0.0;
    double end = 0.0;
};

// Where the sound starts and ends: the edges are found at 1024-frame granularity
// (a block counts as audible when its peak over all channels is above thresholdDb),
// and neither edge moves by more than maxTrimSec. When the two trims would meet, the
// file is not trimmed at all: (0, length). Absent for a file that cannot be read or
// holds no audio (the caller then uses its defaults); a read error in the middle of the
// file ends the scan there.
std::optional<TrimRegion> computeTrim(const std::string& path, double thresholdDb,
                                      double maxTrimSec);

} // namespace orvane
