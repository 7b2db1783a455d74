#pragma once

#include "model/Enums.h"

namespace orvane {

// The "character" section of the settings as the engine receives it. The engine
// keeps it and defines no processing for it: the sound is the same whatever it holds.
struct CharacterParams {
    CharacterFX fx = CharacterFX::off;
    double intensity = 40.0;    // percent
    double vinylCrackle = 50.0; // percent
    TapeType tapeType = TapeType::chrome;
    double tapeCompression = 40.0; // percent
    double tapeWear = 0.0;         // percent
    bool mechNoise = false;
    double mechNoiseLevel = 30.0; // percent

    friend bool operator==(const CharacterParams&, const CharacterParams&) = default;
};

} // namespace orvane
