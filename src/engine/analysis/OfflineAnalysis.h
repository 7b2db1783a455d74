#pragma once

#include <optional>
#include <string>

namespace orvane {

// Measurements made on whole audio files, outside the playback graph: level (for
// loudness normalisation), silence at the edges (for trimming) and tempo. Each call
// opens its own AudioFileReader and keeps its own buffers, so they touch no shared
// state and may run on any thread, concurrently. The controller runs them on its
// background queue (AudioEngine's type-level operations of the same names forward
// here).
//
// Every failure (unreadable file, empty file, too little audio, no clear beat) is an
// absent result; the caller then uses its defaults. A file that cannot be read is
// reported to the diagnostics too (AnalysisFile.h). A read error in the middle of a
// file ends the scan and the result is made from what was read.

// Peak and RMS level, linear sample values (1.0 = full scale).
struct AudioLevels {
    double peak = 0.0;
    double rms = 0.0;
};

// The audible region, in seconds from the file start.
struct TrimRegion {
    double start = 0.0;
    double end = 0.0;
};

// Largest absolute sample and RMS over every sample of every channel. A silent file
// gives 0.0001 (-80 dB) for both, never 0. Absent for an empty file.
std::optional<AudioLevels> computeLevels(const std::string& path);

// Where the sound starts and ends: the edges are found at 1024-frame granularity
// (a block counts as audible when its peak over all channels is above thresholdDb),
// and neither edge moves by more than maxTrimSec. When the two trims would meet, the
// file is not trimmed at all: (0, length). Absent for an empty file.
std::optional<TrimRegion> computeTrim(const std::string& path, double thresholdDb,
                                      double maxTrimSec);

// Tempo in beats per minute, not rounded, from the first 60 seconds: the
// autocorrelation of the rises of a 1024-frame energy envelope over 40..200 BPM,
// folded into 60..200 towards 120. Absent for less than 81 envelope blocks (about
// 1.9 s at 44.1 kHz) or when no lag stands out.
std::optional<double> detectBPM(const std::string& path);

} // namespace orvane
