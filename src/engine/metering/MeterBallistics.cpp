#include "engine/metering/MeterBallistics.h"

#include "engine/dsp/VectorOps.h"

#include <algorithm>
#include <cmath>

namespace orvane {

double vuTargetDb(const float* samples, std::size_t n) noexcept {
    if (n == 0)
        return kVUFloorDb;
    const double meanSquare = sumOfSquares(samples, n) / static_cast<double>(n);
    if (!(meanSquare > 0.0))
        return kVUFloorDb;
    const double db = 20.0 * std::log10(std::sqrt(meanSquare)) + kVUCalibrationOffsetDb;
    return std::min(std::max(db, kVUFloorDb), 0.0);
}

double peakTargetDb(const float* samples, std::size_t n) noexcept {
    const auto peak = static_cast<double>(maxMagnitude(samples, n));
    const double db = peak > 0.0 ? 20.0 * std::log10(peak) : kPeakSilenceDb;
    return std::max(db, kVUFloorDb);
}

MeterTargets meterTargets(const float* left, const float* right, std::size_t n) noexcept {
    MeterTargets t;
    t.vuLeftDb = vuTargetDb(left, n);
    t.peakLeftDb = peakTargetDb(left, n);
    if (right == left) {
        t.vuRightDb = t.vuLeftDb;
        t.peakRightDb = t.peakLeftDb;
    } else {
        t.vuRightDb = vuTargetDb(right, n);
        t.peakRightDb = peakTargetDb(right, n);
    }
    return t;
}

namespace {

double approach(double current, double target, double fall) noexcept {
    if (current < target)
        return target;
    return std::max(current - fall, kVUFloorDb);
}

double fall(double value, double by) noexcept {
    return std::max(value - by, kVUFloorDb);
}

} // namespace

MeterLevels applyMeterBallistics(const MeterLevels& current, const MeterTargets& targets) noexcept {
    MeterLevels next;
    next.vuLeftDb = approach(current.vuLeftDb, targets.vuLeftDb, kVUFallPerMeterTickDb);
    next.vuRightDb = approach(current.vuRightDb, targets.vuRightDb, kVUFallPerMeterTickDb);
    next.peakLeftDb = approach(current.peakLeftDb, targets.peakLeftDb, kPeakFallPerMeterTickDb);
    next.peakRightDb = approach(current.peakRightDb, targets.peakRightDb, kPeakFallPerMeterTickDb);
    next.peakHoldLeftDb = std::max(current.peakHoldLeftDb, targets.peakLeftDb);
    next.peakHoldRightDb = std::max(current.peakHoldRightDb, targets.peakRightDb);
    return next;
}

MeterLevels fallMeters(const MeterLevels& current, bool playing) noexcept {
    MeterLevels next = current;
    next.peakHoldLeftDb = fall(current.peakHoldLeftDb, kHoldFallPerTickDb);
    next.peakHoldRightDb = fall(current.peakHoldRightDb, kHoldFallPerTickDb);
    if (!playing) {
        next.vuLeftDb = fall(current.vuLeftDb, kIdleFallPerTickDb);
        next.vuRightDb = fall(current.vuRightDb, kIdleFallPerTickDb);
        next.peakLeftDb = fall(current.peakLeftDb, kIdleFallPerTickDb);
        next.peakRightDb = fall(current.peakRightDb, kIdleFallPerTickDb);
    }
    return next;
}

void makeWaveform(const float* samples, std::size_t n,
                  std::array<float, kWaveformPoints>& waveform) noexcept {
    if (n == 0) {
        waveform.fill(0.0f);
        return;
    }
    const std::size_t step = std::max(n, kWaveformPoints) / kWaveformPoints;
    for (std::size_t i = 0; i < kWaveformPoints; ++i)
        waveform[i] = samples[std::min(i * step, n - 1)];
}

} // namespace orvane
