#include "engine/dsp/LoudnessCurve.h"

#include <algorithm>
#include <cmath>

namespace orvane {

LoudnessTargets loudnessCurveDb(double volume) noexcept {
    if (std::isnan(volume))
        return {};
    const double x = 100.0 - 100.0 * std::clamp(volume, 0.0, 1.0);
    return {static_cast<float>(0.12 * x), static_cast<float>(0.05 * x)};
}

} // namespace orvane
