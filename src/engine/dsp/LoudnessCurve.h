#pragma once

namespace orvane {

// Gains of the loudness equaliser's two shelves for a playback volume.
struct LoudnessTargets {
    float lowShelfDb = 0.0f;  // 100 Hz
    float highShelfDb = 0.0f; // 8 kHz
};

// Tone compensation for listening quietly: with x = 100 - 100 x volume, the low shelf
// gets 0.12 x dB and the high shelf 0.05 x dB, so full volume is flat and silence gets
// +12 and +5 dB. `volume` is clamped to 0..1; a value that is not a number counts as
// full volume (flat).
LoudnessTargets loudnessCurveDb(double volume) noexcept;

} // namespace orvane
