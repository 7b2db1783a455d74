#include "engine/dsp/EQLayouts.h"

namespace orvane {

std::vector<EQBandShape> normUnitBands() {
    return {{BiquadType::parametric, 1000.0, 2.0}};
}

std::vector<EQBandShape> graphicEQBands() {
    std::vector<EQBandShape> bands;
    bands.reserve(kGraphicEQBands);
    bands.push_back({BiquadType::lowShelf, eqFrequencies.front(), 1.0});
    for (std::size_t i = 1; i + 1 < kGraphicEQBands; ++i)
        bands.push_back({BiquadType::parametric, eqFrequencies[i], 1.0});
    bands.push_back({BiquadType::highShelf, eqFrequencies.back(), 1.0});
    return bands;
}

std::vector<EQBandShape> loudnessEQBands() {
    return {{BiquadType::lowShelf, 100.0, 1.0}, {BiquadType::highShelf, 8000.0, 1.0}};
}

} // namespace orvane
