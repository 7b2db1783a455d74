#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace orvane::media {

// The modes of a Vorbis stream (which block size each packet uses), found in the setup
// header the way FFmpeg's Vorbis parser finds them, so that packet durations come out
// as FFmpeg counts them: backwards from the header's end, without decoding the codebooks
// in front of the modes.
class VorbisModes {
public:
    static std::optional<VorbisModes> fromSetupHeader(std::span<const std::uint8_t> setup);

    // The duration FFmpeg gives an audio packet starting with `firstByte`, from the
    // short and long block sizes and the previous packet's block size, which it updates.
    // nullopt for a header packet or a mode the header does not have.
    std::optional<int> packetDuration(std::uint8_t firstByte, const std::array<int, 2>& blockSizes,
                                      int& previousBlockSize) const;

private:
    int modeCount_ = 0;
    unsigned modeMask_ = 0;
    unsigned previousMask_ = 0;
    std::array<bool, 64> longBlock_{};
};

} // namespace orvane::media
