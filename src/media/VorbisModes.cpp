#include "media/VorbisModes.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace orvane::media {

namespace {

// Reads the setup header's bits from its end backwards: the bytes reversed, each read
// from its top bit.
class BackwardBits {
public:
    explicit BackwardBits(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::size_t left() const { return bytes_.size() * 8 - pos_; }
    std::size_t position() const { return pos_; }
    void skip(std::size_t n) { pos_ = std::min(pos_ + n, bytes_.size() * 8); }
    std::uint32_t take(int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n && pos_ < bytes_.size() * 8; ++i, ++pos_) {
            const std::uint8_t byte = bytes_[bytes_.size() - 1 - pos_ / 8];
            v = v << 1 | ((byte >> (7 - pos_ % 8)) & 1u);
        }
        return v;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t pos_ = 0;
};

} // namespace

std::optional<VorbisModes> VorbisModes::fromSetupHeader(std::span<const std::uint8_t> setup) {
    if (setup.size() < 7 || setup[0] != 5 || std::memcmp(setup.data() + 1, "vorbis", 6) != 0)
        return std::nullopt;
    BackwardBits bits(setup);
    std::size_t framingBit = 0;
    while (bits.left() > 97) {
        if (bits.take(1)) {
            framingBit = bits.position();
            break;
        }
    }
    if (framingBit == 0)
        return std::nullopt;

    // Each mode is 41 bits ending in zeros FFmpeg recognises; the count that precedes
    // them in six bits confirms where they start.
    int modes = 0;
    int lastCount = 0;
    while (bits.left() >= 97) {
        if (bits.take(8) > 63 || bits.take(16) != 0 || bits.take(16) != 0)
            break;
        bits.skip(1);
        if (++modes > 64)
            break;
        BackwardBits ahead = bits;
        if (static_cast<int>(ahead.take(6)) + 1 == modes)
            lastCount = modes;
    }
    if (lastCount == 0 || lastCount > 63)
        return std::nullopt;

    VorbisModes result;
    result.modeCount_ = lastCount;
    const auto bitsForMode = std::bit_width(static_cast<unsigned>(std::max(lastCount - 1, 1)));
    result.modeMask_ = ((1u << bitsForMode) - 1) << 1;
    result.previousMask_ = (result.modeMask_ | 1u) + 1;
    BackwardBits flags(setup);
    flags.skip(framingBit);
    for (int i = lastCount - 1; i >= 0; --i) {
        flags.skip(40);
        result.longBlock_[static_cast<std::size_t>(i)] = flags.take(1) != 0;
    }
    return result;
}

std::optional<int> VorbisModes::packetDuration(std::uint8_t firstByte,
                                               const std::array<int, 2>& blockSizes,
                                               int& previousBlockSize) const {
    if (firstByte & 1)
        return std::nullopt;
    const unsigned mode = modeCount_ == 1 ? 0 : (firstByte & modeMask_) >> 1;
    if (mode >= static_cast<unsigned>(modeCount_))
        return std::nullopt;
    int previous = previousBlockSize;
    const bool longBlock = longBlock_[mode];
    if (longBlock)
        previous = blockSizes[(firstByte & previousMask_) ? 1 : 0];
    const int current = blockSizes[longBlock ? 1 : 0];
    previousBlockSize = current;
    return (previous + current) >> 2;
}

} // namespace orvane::media
