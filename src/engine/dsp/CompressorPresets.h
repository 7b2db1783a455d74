#pragma once

#include "engine/dsp/Compressor.h"
#include "model/Enums.h"

namespace orvane {

// One row of the compressor preset table. The ratio is not a compressor parameter: it
// is expressed through the head room, max(40 / ratio, 2) dB. The make-up gains are
// 0.35 x |threshold| x (1 - 1 / ratio), kept as the stored values.
struct CompressorPresetValues {
    float thresholdDb;
    float ratio;
    float headRoomDb;
    float attackSeconds;
    float releaseSeconds;
    float makeUpGainDb;
};

CompressorPresetValues compressorPresetValues(CompressorPreset preset) noexcept;

// The compressor parameters a preset stands for: its row, with expansion switched off
// (ratio 1, threshold -120 dB).
CompressorParameters compressorParameters(CompressorPreset preset) noexcept;

// Sets the compressor's parameters to the preset (Compressor::setParameters' order).
// The bypass state is left alone. Main thread.
void applyCompressorPreset(Compressor& compressor, CompressorPreset preset) noexcept;

} // namespace orvane
