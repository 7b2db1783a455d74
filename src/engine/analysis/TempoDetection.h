#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// The tempo of a whole audio file. Like the other offline measurements (Levels.h,
// SilenceTrim.h) it runs outside the playback graph on its own AudioFileReader and
// buffers, so it touches no shared state and may run on any thread, concurrently; the
// controller runs it on its file work queue.

// Tempo in beats per minute, not rounded, from the first 60 seconds: the
// autocorrelation of the rises of a 1024-frame energy envelope over 40..200 BPM,
// folded into 60..200 towards 120. Absent for a file that cannot be read, for less than
// 81 envelope blocks (about 1.9 s at 44.1 kHz) or when no lag stands out (the caller
// then uses its defaults); a read error in the middle of the file ends the envelope there.
std::optional<double> detectBPM(const std::string& path);

// The pure steps of detectBPM, apart from the file reading.

// Frames per envelope block: about 43 blocks a second at 44.1 kHz.
inline constexpr std::size_t kTempoBlockFrames = 1024;
// Fewer envelope blocks than this give no tempo.
inline constexpr std::size_t kTempoMinBlocks = 81;

// Tempo from an energy envelope with one value per kTempoBlockFrames frames at
// `sampleRate`: the lag (40..200 BPM) with the strongest autocorrelation of the
// envelope's rises, folded by correctTempoOctave. Absent when the envelope is too
// short, carries no rises, or the best lag is not more than 1.8 times the average.
std::optional<double> tempoFromEnvelope(const std::vector<float>& envelope, double sampleRate);

// Folds a raw tempo into 60..200 BPM towards 120: of b, 2b, b/2, 3b, b/3, 2b/3 and
// 1.5b (in that order, the earlier winning ties) the one inside 60..200 closest to 120;
// b itself when none is inside.
double correctTempoOctave(double rawBPM);

} // namespace orvane
