#pragma once

#include "engine/dsp/EQUnit.h"

#include <array>
#include <cstddef>
#include <vector>

namespace orvane {

// Centre frequencies of the graphic equaliser's ten bands, in Hz.
inline constexpr std::array<double, 10> eqFrequencies{31,   62,   125,  250,  500,
                                                      1000, 2000, 4000, 8000, 16000};
inline constexpr std::size_t kGraphicEQBands = eqFrequencies.size();

// Band layouts of Orvane's three equaliser units.
//
// Normalisation stage: one parametric band at 1 kHz, 2 octaves wide, left flat (only
// the unit's global gain is used).
std::vector<EQBandShape> normUnitBands();
// Graphic equaliser: a low shelf at 31 Hz, eight parametric bands one octave wide at
// 62 .. 8000 Hz, a high shelf at 16 kHz.
std::vector<EQBandShape> graphicEQBands();
// Loudness equaliser: a low shelf at 100 Hz and a high shelf at 8 kHz.
std::vector<EQBandShape> loudnessEQBands();

} // namespace orvane
