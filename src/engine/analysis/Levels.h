#pragma once

#include <optional>
#include <string>

namespace orvane {

// The level of a whole audio file, for loudness normalisation. Like the other offline
// measurements (SilenceTrim.h, TempoDetection.h) it runs outside the playback graph on
// its own AudioFileReader and buffers, so it touches no shared state and may run on any
// thread, concurrently; the controller runs it on its file work queue. A file that
// cannot be read is also reported to the diagnostics (AnalysisFile.h).

// Peak and RMS level, linear sample values (1.0 = full scale).
struct AudioLevels {
    double peak = 0.0;
    double rms = 0.0;
};

// Largest absolute sample and RMS over every sample of every channel. A silent file
// gives 0.0001 (-80 dB) for both, never 0. Absent for a file that cannot be read or
// holds no audio (the caller then uses its defaults); a read error in the middle of the
// file ends the scan, and the levels are those of what was read. `decoderThreads` as
// for AudioFileReader::open: more than one only for the track about to play, whose
// level the listener waits for.
std::optional<AudioLevels> computeLevels(const std::string& path, int decoderThreads = 1);

} // namespace orvane
