// Musepack SV8's length as FFmpeg's demuxer states it, from the stream header alone.
// The demuxer keeps the header's sample count in whole blocks of 1152 << 2k samples (its
// time base), rounded down: one block, 73,728 samples at the usual k = 3, so a file under
// 1.7 s at 44.1 kHz is stated as empty. AudioFileReader::open keeps that as its estimate
// until a read reaches the end; the scan shows what playback starts with.

#include "media/ContainerLength.h"
#include "media/ContainerLengthReaders.h"

#include <array>

namespace orvane::media {

namespace {

constexpr std::array<int, 4> kRates{44100, 48000, 37800, 32000};
constexpr std::int64_t kSamplesPerFrame = 1152;
// FFmpeg's probe takes a stream header packet whose size, less its size field, is 11
// to 28 bytes: 9 to 26 bytes of header after the packet's key.
constexpr std::int64_t kMinHeaderBytes = 9;
constexpr std::int64_t kMaxHeaderBytes = 26;
// A size or count longer than this is no file anyone made.
constexpr int kMaxVarlenBytes = 8;

// A variable-length number: seven bits a byte, high bit set while more follow.
class VarlenReader {
public:
    explicit VarlenReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::optional<std::int64_t> next() {
        std::int64_t value = 0;
        for (int i = 0; i < kMaxVarlenBytes; ++i) {
            if (at_ >= bytes_.size())
                return std::nullopt;
            const std::uint8_t byte = bytes_[at_++];
            value = value << 7 | (byte & 0x7f);
            if (!(byte & 0x80))
                return value;
        }
        return std::nullopt;
    }
    std::size_t position() const { return at_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

} // namespace

// Only the layout every encoder writes is answered for: the stream header as the first
// packet after "MPCK", as FFmpeg's probe recognises it, for a rate and channel count
// FFmpeg's decoder opens. Anything else goes to the demuxer or the decoder.
std::optional<ContainerLength> readMusepackLength(const ContainerFile& file) {
    std::array<std::uint8_t, 4 + 2 + kMaxVarlenBytes + kMaxHeaderBytes> scratch{};
    const auto head = file.bytes(0, scratch.size(), scratch);
    if (head.size() < 6 || !bytes::tagIs(head.data(), "MPCK") || head[4] != 'S' || head[5] != 'H')
        return std::nullopt;
    VarlenReader packet(head.subspan(6));
    const auto size = packet.next();
    if (!size)
        return std::nullopt;
    // The size counts the packet's key and size field too.
    const std::int64_t headerBytes = *size - 2 - static_cast<std::int64_t>(packet.position());
    if (headerBytes < kMinHeaderBytes || headerBytes > kMaxHeaderBytes ||
        static_cast<std::size_t>(headerBytes) > head.size() - 6 - packet.position())
        return std::nullopt;
    const auto header = head.subspan(6 + packet.position(), static_cast<std::size_t>(headerBytes));
    // A zero CRC makes FFmpeg's probe look elsewhere; the version must be 8.
    if (bytes::le32(header.data()) == 0 || header[4] != 8)
        return std::nullopt;
    VarlenReader fields(header.subspan(5));
    const auto samples = fields.next();
    const auto silence = fields.next(); // leading silence, which the length keeps
    const std::size_t formatAt = 5 + fields.position();
    if (!samples || !silence || formatAt + 2 > header.size())
        return std::nullopt;
    const std::uint8_t rateByte = header[formatAt];
    const std::uint8_t layoutByte = header[formatAt + 1];
    const std::size_t rateIndex = rateByte >> 5;
    const int channels = (layoutByte >> 4) + 1;
    if (rateIndex >= kRates.size() || channels > 2)
        return std::nullopt;
    const std::int64_t block = kSamplesPerFrame << (2 * (layoutByte & 3));
    return ContainerLength{*samples / block * block, kRates[rateIndex]};
}

} // namespace orvane::media
