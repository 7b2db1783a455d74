#pragma once

#include <array>
#include <cstddef>

namespace orvane {

// Takes the step out of a cut in the player's stream (a seek, a stop or pause without a
// fade, a track change, a region that ends off zero): from the cut on it adds the
// difference between the last sample before the cut and the first after it, and lets
// that difference shrink to nothing in a straight line over the ramp. The waveform so
// runs on from where it was and glides onto the new signal; a stop glides to silence.
// A signal that starts out of silence is faded in over the ramp instead, which never
// overshoots its own peaks (an offset would, on a tone shorter than the ramp).
//
// A cut where the signal simply continues (a gapless seam inside one recording, a
// queued region dropped at the frame it had reached) is left bit for bit: a step no
// larger than twice the signal's own last step, or below -80 dB, is the signal's.
//
// Pure sample math on the audio thread; no allocation.
class Declicker {
public:
    explicit Declicker(std::size_t rampFrames = 128) noexcept { setRampFrames(rampFrames); }

    void setRampFrames(std::size_t frames) noexcept { rampFrames_ = frames > 0 ? frames : 1; }
    std::size_t rampFrames() const noexcept { return rampFrames_; }

    // Processes `frames` frames in place; `cuts` holds `cutCount` frame offsets in
    // ascending order (repeats allowed).
    void process(float* left, float* right, std::size_t frames, const std::size_t* cuts,
                 std::size_t cutCount) noexcept;

private:
    void startAt(const float* left, const float* right, std::size_t offset) noexcept;
    void run(float* left, float* right, std::size_t from, std::size_t to) noexcept;
    void remember(const float* left, const float* right, std::size_t frames) noexcept;

    std::size_t rampFrames_ = 1;
    std::size_t remaining_ = 0;
    bool fadingIn_ = false;
    bool cutAtNextFrame_ = false;
    std::array<float, 2> offset_{};
    // The last two output samples of each side, the newest first.
    std::array<float, 2> last_{};
    std::array<float, 2> beforeLast_{};
};

} // namespace orvane
