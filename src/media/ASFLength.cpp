// A WMA file's length as FFmpeg's ASF demuxer states it, from the header objects alone.
// The demuxer gives each stream the play duration of the File Properties object, in
// milliseconds, less the preroll, when the file is not a broadcast and its stated size
// is near its real one; AudioFileReader::open keeps that as its estimate until a read
// reaches the end (the WMA decoders drop and add frames of their own).
//
// The walk over the header follows the demuxer's own, quirks included (it steps into the
// Header Extension object and reads on from the end of an Extended Stream Properties
// object's fields rather than from the object's end), so that the stream it calls the
// first audio stream is the one read here. Whatever could make the demuxer fail, or where
// its answer is not certain from the bytes, is left to the demuxer.

#include "media/ContainerLength.h"
#include "media/ContainerLengthReaders.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace orvane::media {

namespace {

using Guid = std::array<std::uint8_t, 16>;

// The GUIDs as they lie in the file (their first three fields little-endian).
constexpr Guid kHeaderObject{0x30, 0x26, 0xb2, 0x75, 0x8e, 0x66, 0xcf, 0x11,
                             0xa6, 0xd9, 0x00, 0xaa, 0x00, 0x62, 0xce, 0x6c};
constexpr Guid kDataObject{0x36, 0x26, 0xb2, 0x75, 0x8e, 0x66, 0xcf, 0x11,
                           0xa6, 0xd9, 0x00, 0xaa, 0x00, 0x62, 0xce, 0x6c};
constexpr Guid kFileProperties{0xa1, 0xdc, 0xab, 0x8c, 0x47, 0xa9, 0xcf, 0x11,
                               0x8e, 0xe4, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65};
constexpr Guid kStreamProperties{0x91, 0x07, 0xdc, 0xb7, 0xb7, 0xa9, 0xcf, 0x11,
                                 0x8e, 0xe6, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65};
constexpr Guid kHeaderExtension{0xb5, 0x03, 0xbf, 0x5f, 0x2e, 0xa9, 0xcf, 0x11,
                                0x8e, 0xe3, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65};
constexpr Guid kExtendedStreamProperties{0xcb, 0xa5, 0xe6, 0x14, 0x72, 0xc6, 0x32, 0x43,
                                         0x83, 0x99, 0xa9, 0x69, 0x52, 0x06, 0x5b, 0x5a};
constexpr Guid kMarker{0x01, 0xcd, 0x87, 0xf4, 0x51, 0xa9, 0xcf, 0x11,
                       0x8e, 0xe6, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65};
constexpr Guid kContentEncryption{0xfb, 0xb3, 0x11, 0x22, 0x23, 0xbd, 0xd2, 0x11,
                                  0xb4, 0xb7, 0x00, 0xa0, 0xc9, 0x55, 0xfc, 0x6e};
constexpr Guid kExtendedContentEncryption{0x14, 0xe6, 0x8a, 0x29, 0x22, 0x26, 0x17, 0x4c,
                                          0xb9, 0x35, 0xda, 0xe0, 0x7e, 0xe9, 0x28, 0x9c};
constexpr Guid kAudioStream{0x40, 0x9e, 0x69, 0xf8, 0x4d, 0x5b, 0xcf, 0x11,
                            0xa8, 0xfd, 0x00, 0x80, 0x5f, 0x5c, 0x44, 0x2b};

constexpr std::int64_t kObjectHeaderBytes = 24;   // GUID and 64-bit size
constexpr std::int64_t kFirstObject = 30;         // after the Header object's own fields
constexpr std::int64_t kFilePropertiesBytes = 80; // the fields the demuxer reads
constexpr std::int64_t kStreamFieldsBytes = 54;   // before the type-specific data
constexpr std::int64_t kExtendedFieldsBytes = 64; // before the stream names
constexpr int kMaxObjects = 4096;
constexpr std::uint32_t kMaxRate = 1'000'000;

bool isWMATag(std::uint32_t tag) {
    return tag >= 0x160 && tag <= 0x163; // WMA 1, 2, Pro and Lossless
}

std::uint64_t le64(const std::uint8_t* p) {
    return std::uint64_t{bytes::le32(p)} | std::uint64_t{bytes::le32(p + 4)} << 32;
}

class HeaderWalk {
public:
    explicit HeaderWalk(const ContainerFile& file) : file_(file) {}

    std::optional<ContainerLength> run() {
        std::array<std::uint8_t, 16> scratch{};
        const auto magic = file_.bytes(0, scratch.size(), scratch);
        if (magic.size() != scratch.size() ||
            !std::equal(magic.begin(), magic.end(), kHeaderObject.begin()))
            return std::nullopt;
        std::int64_t at = kFirstObject;
        for (int objects = 0; objects < kMaxObjects; ++objects) {
            std::array<std::uint8_t, kObjectHeaderBytes> head{};
            if (!read(at, head))
                return std::nullopt;
            const auto size = le64(head.data() + 16);
            if (is(head, kDataObject))
                return finish(at);
            if (size < kObjectHeaderBytes || size > static_cast<std::uint64_t>(file_.size() - at))
                return std::nullopt;
            const auto end = at + static_cast<std::int64_t>(size);
            const std::int64_t body = at + kObjectHeaderBytes;
            if (is(head, kFileProperties)) {
                if (!readFileProperties(body, end))
                    return std::nullopt;
            } else if (is(head, kStreamProperties)) {
                if (!readStreamProperties(body, end))
                    return std::nullopt;
            } else if (is(head, kExtendedStreamProperties)) {
                // The demuxer reads on from the end of the fields it knows, where an
                // optional Stream Properties object may follow.
                const auto next = extendedFieldsEnd(body, end);
                if (!next)
                    return std::nullopt;
                at = *next;
                continue;
            } else if (is(head, kHeaderExtension)) {
                at = body + 16 + 6; // into the extension's objects
                continue;
            } else if (is(head, kMarker) || is(head, kContentEncryption) ||
                       is(head, kExtendedContentEncryption)) {
                return std::nullopt; // objects whose reading may fail the demuxer
            }
            at = end;
        }
        return std::nullopt;
    }

private:
    static bool is(std::span<const std::uint8_t> head, const Guid& guid) {
        return std::memcmp(head.data(), guid.data(), guid.size()) == 0;
    }

    // Fills `out` from `offset`: the file's first bytes may come from elsewhere.
    bool read(std::int64_t offset, std::span<std::uint8_t> out) const {
        if (offset < 0)
            return false;
        const auto got = file_.bytes(offset, out.size(), out);
        if (got.size() != out.size())
            return false;
        if (got.data() != out.data())
            std::memcpy(out.data(), got.data(), out.size());
        return true;
    }

    bool readFileProperties(std::int64_t body, std::int64_t end) {
        std::array<std::uint8_t, kFilePropertiesBytes> p{};
        if (body + kFilePropertiesBytes > end || !read(body, p))
            return false;
        statedSize_ = le64(p.data() + 16);
        playTime_ = le64(p.data() + 40);
        preroll_ = bytes::le32(p.data() + 56); // the low half of a 64-bit field, as read
        flags_ = bytes::le32(p.data() + 64);
        const std::uint32_t minPacketSize = bytes::le32(p.data() + 68);
        return minPacketSize < (1u << 29); // else the demuxer fails
    }

    bool readStreamProperties(std::int64_t body, std::int64_t end) {
        std::array<std::uint8_t, kStreamFieldsBytes + 16> p{};
        if (body + kStreamFieldsBytes > end || !read(body, std::span(p).first(kStreamFieldsBytes)))
            return false;
        // One audio stream and nothing else: other streams bring their own ways to fail
        // the demuxer, and a second audio stream its own format to check.
        if (!is(std::span(p).first(16), kAudioStream) || found_)
            return false;
        // The wave format: tag, channels, rate; the demuxer fails below 14 bytes.
        const std::uint32_t formatBytes = bytes::le32(p.data() + 40);
        if (formatBytes < 18 || formatBytes > static_cast<std::uint64_t>(end - body) -
                                                  static_cast<std::uint64_t>(kStreamFieldsBytes))
            return false;
        const auto format = std::span(p).subspan(kStreamFieldsBytes, 8);
        if (!read(body + kStreamFieldsBytes, format))
            return false;
        const std::uint32_t tag = bytes::le16(format.data());
        const std::uint32_t channels = bytes::le16(format.data() + 2);
        const std::uint32_t rate = bytes::le32(format.data() + 4);
        if (!isWMATag(tag) || channels == 0 || rate == 0 || rate > kMaxRate)
            return false;
        found_ = true;
        rate_ = static_cast<int>(rate);
        // The duration as the demuxer sets it when it reads this stream.
        if (flags_ & 1)
            return true; // a broadcast: none
        const std::int64_t realSize = file_.size();
        const auto stated = static_cast<std::int64_t>(statedSize_);
        if (stated > 0) {
            // The demuxer takes the duration when the two sizes differ by less than a
            // twentieth; well inside that the answer is certain, elsewhere it is left to it.
            const std::int64_t apart = realSize > stated ? realSize - stated : stated - realSize;
            const std::int64_t smaller = std::min(realSize, stated);
            if (smaller < 1000 || apart >= (smaller + 24) / 25) // apart * 25 >= smaller
                return false;
        }
        durationMs_ =
            static_cast<std::int64_t>(playTime_ / 10'000) - static_cast<std::int64_t>(preroll_);
        return true;
    }

    // Where the demuxer goes on after an Extended Stream Properties object.
    std::optional<std::int64_t> extendedFieldsEnd(std::int64_t body, std::int64_t end) const {
        std::int64_t at = body;
        std::array<std::uint8_t, 4> counts{};
        if (!read(at + kExtendedFieldsBytes - 4, counts))
            return std::nullopt;
        const std::uint32_t names = bytes::le16(counts.data());
        const std::uint32_t extensions = bytes::le16(counts.data() + 2);
        at += kExtendedFieldsBytes;
        for (std::uint32_t i = 0; i < names; ++i) {
            std::array<std::uint8_t, 4> name{};
            if (!read(at, name))
                return std::nullopt;
            at += 4 + bytes::le16(name.data() + 2);
        }
        for (std::uint32_t i = 0; i < extensions; ++i) {
            std::array<std::uint8_t, 22> extension{};
            if (!read(at, extension))
                return std::nullopt;
            const std::uint32_t length = bytes::le32(extension.data() + 18);
            if (length > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
                return std::nullopt; // the demuxer stops there
            at += 22 + static_cast<std::int64_t>(length);
        }
        if (at > end)
            return std::nullopt;
        return at;
    }

    // The demuxer reads the Data object's fields and fails if the file ends there.
    std::optional<ContainerLength> finish(std::int64_t dataObject) const {
        if (dataObject + kObjectHeaderBytes + 26 >= file_.size() || !found_ || !durationMs_ ||
            *durationMs_ <= 0)
            return std::nullopt;
        // av_rescale_q from milliseconds to frames, to the nearest; a duration of
        // centuries, which no file has, would not fit.
        if (*durationMs_ > std::numeric_limits<std::int64_t>::max() / kMaxRate)
            return std::nullopt;
        const std::int64_t frames = (*durationMs_ * rate_ + 500) / 1000;
        if (frames < rate_)
            return std::nullopt; // under a second, which the demuxer's answer is not taken for
        return ContainerLength{frames, rate_};
    }

    const ContainerFile& file_;
    std::uint64_t statedSize_ = 0;
    std::uint64_t playTime_ = 0;
    std::uint32_t preroll_ = 0;
    std::uint32_t flags_ = 0;
    bool found_ = false;
    int rate_ = 0;
    std::optional<std::int64_t> durationMs_;
};

} // namespace

std::optional<ContainerLength> readASFLength(const ContainerFile& file) {
    return HeaderWalk(file).run();
}

} // namespace orvane::media
