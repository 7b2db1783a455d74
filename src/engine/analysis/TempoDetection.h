#pragma once

#include <cstddef>
#include <optional>
#include <vector>

namespace orvane {

// The pure steps of detectBPM (OfflineAnalysis.h), apart from the file reading.

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
