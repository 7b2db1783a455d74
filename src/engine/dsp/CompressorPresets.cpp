#include "engine/dsp/CompressorPresets.h"

namespace orvane {

CompressorPresetValues compressorPresetValues(CompressorPreset preset) noexcept {
    switch (preset) {
    case CompressorPreset::gentle:
        return {-18.0f, 2.0f, 20.0f, 0.030f, 0.30f, 3.15f};
    case CompressorPreset::warm:
        return {-20.0f, 2.5f, 16.0f, 0.025f, 0.25f, 4.2f};
    case CompressorPreset::radio:
        return {-22.0f, 4.0f, 10.0f, 0.015f, 0.18f, 5.775f};
    case CompressorPreset::punch:
        return {-16.0f, 3.0f, 13.333f, 0.045f, 0.12f, 3.7333f};
    case CompressorPreset::maximum:
        return {-26.0f, 8.0f, 5.0f, 0.005f, 0.10f, 7.9625f};
    }
    return compressorPresetValues(CompressorPreset::warm);
}

CompressorParameters compressorParameters(CompressorPreset preset) noexcept {
    const auto row = compressorPresetValues(preset);
    CompressorParameters p;
    p.thresholdDb = row.thresholdDb;
    p.headRoomDb = row.headRoomDb;
    p.expansionRatio = 1.0f;
    p.expansionThresholdDb = -120.0f;
    p.attackSeconds = row.attackSeconds;
    p.releaseSeconds = row.releaseSeconds;
    p.overallGainDb = row.makeUpGainDb;
    return p;
}

void applyCompressorPreset(Compressor& compressor, CompressorPreset preset) noexcept {
    compressor.setParameters(compressorParameters(preset));
}

} // namespace orvane
