// The length of an Ogg Vorbis or Opus stream from its pages, exactly as the decoder path
// (FFmpeg's ogg demuxer, then AudioFileReader) states it at open. FFmpeg takes the last
// granule position in the file's tail as the duration, less a start time it works out
// from the first audio page: that page's granule minus the durations of the packets
// that end on it (for Vorbis never below zero). Only a stream that starts at zero is
// answered for: then Vorbis lasts its last granule and Opus that less its pre-skip
// (AudioFileReader leaves the pre-skip out when the start is zero). A stream that ends
// without its end-of-stream page (a file cut short), several streams, or anything
// unusual on the first audio page are left to the decoder.

#include "media/ContainerLengthMP4OggCAF.h"
#include "media/FileBytes.h"
#include "media/HeaderBytes.h"
#include "media/OggCRC.h"
#include "media/VorbisModes.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

namespace orvane::media {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kPageHeaderBytes = 27;
constexpr std::int64_t kMaxPageHeaderBytes = 27 + 255;
constexpr std::int64_t kMaxPageBytes = kMaxPageHeaderBytes + 255 * 255;
// Enough for the headers and first audio page of most files.
constexpr std::size_t kHeadBytes = 32 * 1024;
constexpr int kMaxHeaderPages = 4096;
constexpr std::size_t kMaxSetupBytes = 1 << 20;
constexpr std::uint8_t kContinued = 0x01;
constexpr std::uint8_t kFirstPage = 0x02;
constexpr std::uint8_t kLastPage = 0x04;

struct Page {
    std::uint8_t flags = 0;
    std::int64_t granule = 0;
    std::uint32_t serial = 0;
    Bytes lacing;
    std::int64_t bodyOffset = 0;
    std::int64_t bodySize = 0;
    std::int64_t end() const { return bodyOffset + bodySize; }
};

// The pages at the start of the file, served from one read of its first bytes; pages
// beyond it (comments carrying pictures) are read one by one, their bodies only when
// asked for.
class HeadPages {
public:
    explicit HeadPages(const FileBytes& file) : file_(file), head_(file.readUpTo(0, kHeadBytes)) {}

    std::optional<Page> header(std::int64_t offset) {
        Bytes bytes;
        if (offset + kMaxPageHeaderBytes <= static_cast<std::int64_t>(head_.size())) {
            bytes = Bytes(head_).subspan(static_cast<std::size_t>(offset));
        } else {
            scratch_.resize(static_cast<std::size_t>(
                std::clamp<std::int64_t>(file_.size() - offset, 0, kMaxPageHeaderBytes)));
            if (!file_.readExactly(offset, scratch_))
                return std::nullopt;
            bytes = scratch_;
        }
        if (bytes.size() < kPageHeaderBytes || std::memcmp(bytes.data(), "OggS", 4) != 0 ||
            bytes[4] != 0 || bytes.size() < kPageHeaderBytes + bytes[26])
            return std::nullopt;
        Page page;
        page.flags = bytes[5];
        page.granule = static_cast<std::int64_t>(*readLE(bytes, 6, 8));
        page.serial = static_cast<std::uint32_t>(*readLE(bytes, 14, 4));
        lacing_.assign(bytes.begin() + kPageHeaderBytes,
                       bytes.begin() + static_cast<std::ptrdiff_t>(kPageHeaderBytes + bytes[26]));
        page.lacing = lacing_;
        page.bodyOffset = offset + static_cast<std::int64_t>(kPageHeaderBytes + bytes[26]);
        for (const std::uint8_t l : page.lacing)
            page.bodySize += l;
        if (page.end() > file_.size())
            return std::nullopt;
        return page;
    }

    // The body of the page at `offset` (as `page` describes it) when its CRC checks out.
    std::optional<Bytes> checkedBody(std::int64_t offset, const Page& page) {
        const auto size = static_cast<std::size_t>(page.end() - offset);
        Bytes bytes;
        if (page.end() <= static_cast<std::int64_t>(head_.size())) {
            bytes = Bytes(head_).subspan(static_cast<std::size_t>(offset), size);
        } else {
            body_.resize(size);
            if (!file_.readExactly(offset, body_))
                return std::nullopt;
            bytes = body_;
        }
        if (oggPageCRC(bytes) != *readLE(bytes, 22, 4))
            return std::nullopt;
        return bytes.subspan(size - static_cast<std::size_t>(page.bodySize));
    }

private:
    const FileBytes& file_;
    std::vector<std::uint8_t> head_;
    std::vector<std::uint8_t> scratch_;
    std::vector<std::uint8_t> lacing_;
    std::vector<std::uint8_t> body_;
};

// The packets that end on a page, as spans of its body; the first may have begun on an
// earlier page (`startsFresh` false). Zero-length packets are reported as empty spans.
struct PagePackets {
    std::vector<Bytes> complete;
    bool startsFresh = true;
};

PagePackets splitPackets(const Page& page, Bytes body) {
    PagePackets out;
    out.startsFresh = !(page.flags & kContinued);
    std::size_t start = 0;
    std::size_t at = 0;
    for (const std::uint8_t l : page.lacing) {
        at += l;
        if (l < 255) {
            out.complete.push_back(body.subspan(start, at - start));
            start = at;
        }
    }
    return out;
}

enum class Codec { vorbis, opus };

struct Stream {
    Codec codec = Codec::vorbis;
    std::uint32_t serial = 0;
    int rate = 0;
    int preSkip = 0;
    std::array<int, 2> blockSizes{};
    std::optional<VorbisModes> modes;
    std::int64_t firstGranule = -1;
    std::int64_t firstPacketsDuration = 0;
    // The first audio page ends the stream: a short file whose audio fits on one page.
    bool firstPageIsLast = false;
};

// An Opus packet's duration from its TOC byte, as FFmpeg's ogg demuxer counts it.
int opusDuration(Bytes packet) {
    if (packet.empty())
        return -1;
    const unsigned toc = packet[0];
    const unsigned config = toc >> 3;
    const unsigned count = toc & 3;
    const unsigned frameSize = config < 12   ? std::max(480u, 960 * (config & 3))
                               : config < 16 ? 480u << (config & 1)
                                             : 120u << (config & 3);
    unsigned frames = 1;
    if (count == 3) {
        if (packet.size() < 2)
            return -1;
        frames = packet[1] & 0x3f;
    } else if (count != 0) {
        frames = 2;
    }
    return static_cast<int>(frameSize * frames);
}

bool readIdentification(Bytes packet, Stream& s) {
    if (packet.size() >= 30 && std::memcmp(packet.data(), "\x01vorbis", 7) == 0) {
        s.codec = Codec::vorbis;
        // FFmpeg refuses the same identification headers.
        const auto rate = readLE(packet, 12, 4);
        const int shortBits = packet[28] & 0x0f;
        const int longBits = packet[28] >> 4;
        if (!rate || *rate == 0 || *rate > INT32_MAX || readLE(packet, 7, 4) != 0 ||
            packet[11] == 0 || shortBits > longBits || shortBits < 6 || longBits > 13 ||
            packet[29] != 1)
            return false;
        s.blockSizes = {1 << shortBits, 1 << longBits};
        s.rate = static_cast<int>(*rate);
        return true;
    }
    if (packet.size() >= 19 && std::memcmp(packet.data(), "OpusHead", 8) == 0 &&
        (packet[8] & 0xf0) == 0 && packet[9] != 0) {
        s.codec = Codec::opus;
        s.rate = 48000;
        s.preSkip = static_cast<int>(*readLE(packet, 10, 2));
        return true;
    }
    return false;
}

// The durations of the packets that end on the first audio page, the way FFmpeg adds
// them up to find the start; nullopt where its sum would take paths not followed here.
std::optional<std::int64_t> firstPageDuration(Stream& s, const PagePackets& packets) {
    if (!packets.startsFresh || packets.complete.empty())
        return std::nullopt;
    std::int64_t total = 0;
    if (s.codec == Codec::opus) {
        for (const Bytes packet : packets.complete) {
            const int d = opusDuration(packet);
            if (d <= 0)
                return std::nullopt;
            total += d;
        }
        return total;
    }
    if (!s.modes)
        return std::nullopt;
    int previous = s.blockSizes[0];
    for (const Bytes packet : packets.complete) {
        if (packet.empty())
            return std::nullopt;
        const auto d = s.modes->packetDuration(packet[0], s.blockSizes, previous);
        if (!d)
            return std::nullopt;
        total += *d;
    }
    return total;
}

// Walks the header pages from the start: one stream, its identification (and for
// Vorbis its setup) header, and its first audio page's granule and packet durations.
std::optional<Stream> readHead(const FileBytes& file) {
    HeadPages pages(file);
    Stream s;
    std::int64_t offset = 0;
    int packetIndex = 0;               // packets completed so far
    int headerPackets = 0;             // known once the identification header is read
    std::vector<std::uint8_t> partial; // the identification or setup header being joined
    const auto wanted = [&s](int index) {
        return index == 0 || (s.codec == Codec::vorbis && index == 2);
    };
    for (int i = 0; i < kMaxHeaderPages; ++i) {
        const auto page = pages.header(offset);
        if (!page || (i == 0) != static_cast<bool>(page->flags & kFirstPage) ||
            (i > 0 && page->serial != s.serial))
            return std::nullopt;
        s.serial = page->serial;
        const bool audioPage = headerPackets > 0 && packetIndex == headerPackets;
        // Only audio may end the stream.
        if ((page->flags & kLastPage) && !audioPage)
            return std::nullopt;
        if (audioPage) {
            const auto body = pages.checkedBody(offset, *page);
            const auto duration =
                body ? firstPageDuration(s, splitPackets(*page, *body)) : std::nullopt;
            if (!duration)
                return std::nullopt;
            s.firstGranule = page->granule;
            s.firstPacketsDuration = *duration;
            s.firstPageIsLast = (page->flags & kLastPage) != 0;
            return s;
        }
        // A header page's body is read only where it holds a header needed here (not
        // the comments, which may carry pictures).
        bool needed = false;
        for (int index = packetIndex; const std::uint8_t l : page->lacing) {
            needed = needed || wanted(index);
            index += l < 255 ? 1 : 0;
        }
        std::optional<Bytes> body;
        if (needed && !(body = pages.checkedBody(offset, *page)))
            return std::nullopt;
        std::size_t at = 0;
        for (const std::uint8_t l : page->lacing) {
            if (body && wanted(packetIndex)) {
                if (partial.size() + l > kMaxSetupBytes)
                    return std::nullopt;
                const auto segment = body->subspan(at, l);
                partial.insert(partial.end(), segment.begin(), segment.end());
            }
            at += l;
            if (l == 255)
                continue;
            if (packetIndex == 0) {
                if (!readIdentification(partial, s))
                    return std::nullopt;
                headerPackets = s.codec == Codec::vorbis ? 3 : 2;
            } else if (s.codec == Codec::vorbis && packetIndex == 2) {
                s.modes = VorbisModes::fromSetupHeader(partial);
                if (!s.modes)
                    return std::nullopt;
            }
            partial.clear();
            ++packetIndex;
            // Audio must begin on a page of its own.
            if (packetIndex == headerPackets && static_cast<std::int64_t>(at) != page->bodySize)
                return std::nullopt;
        }
        offset = page->end();
    }
    return std::nullopt;
}

// The next "OggS" in `bytes` at or after `from`; bytes.size() when there is none.
std::size_t nextCapture(Bytes bytes, std::size_t from) {
    while (from + 4 <= bytes.size()) {
        const void* o = std::memchr(bytes.data() + from, 'O', bytes.size() - from - 3);
        if (!o)
            break;
        from = static_cast<std::size_t>(static_cast<const std::uint8_t*>(o) - bytes.data());
        if (std::memcmp(bytes.data() + from, "OggS", 4) == 0)
            return from;
        ++from;
    }
    return bytes.size();
}

// The granule of the file's last page, read the way FFmpeg reads the duration: page by
// page from the first capture pattern in the last 65,307 bytes (the largest page) to the
// end, the last page's granule winning. Answered only when that walk is certain to go as
// it does here: the pages follow each other up to the file's end with no stray capture
// pattern between them (which FFmpeg could sync to after a page with a bad CRC), all of
// the stream, and the last one whole, valid and marked as the end of the stream. Anything
// else (a file cut short, damage, another stream, a tag after the pages) is left to the
// decoder.
std::optional<std::int64_t> lastGranule(const FileBytes& file, std::uint32_t serial) {
    const std::int64_t from = std::max<std::int64_t>(file.size() - kMaxPageBytes, 0);
    const std::vector<std::uint8_t> tail =
        file.readUpTo(from, static_cast<std::size_t>(file.size() - from));
    std::size_t page = nextCapture(tail, 0);
    while (page < tail.size()) {
        if (tail.size() - page < kPageHeaderBytes || tail[page + 4] != 0 ||
            *readLE(tail, page + 14, 4) != serial)
            return std::nullopt;
        const std::size_t segments = tail[page + 26];
        if (tail.size() - page < kPageHeaderBytes + segments)
            return std::nullopt;
        std::size_t size = kPageHeaderBytes + segments;
        for (std::size_t i = 0; i < segments; ++i)
            size += tail[page + kPageHeaderBytes + i];
        if (size > tail.size() - page)
            return std::nullopt;
        const std::size_t next = page + size;
        if (nextCapture(tail, page + 1) != next)
            return std::nullopt;
        if (next == tail.size()) {
            const Bytes last = Bytes(tail).subspan(page);
            const auto granule = static_cast<std::int64_t>(*readLE(last, 6, 8));
            if (!(last[5] & kLastPage) || granule <= 0 || oggPageCRC(last) != *readLE(last, 22, 4))
                return std::nullopt;
            return granule;
        }
        page = next;
    }
    return std::nullopt;
}

} // namespace

std::optional<ContainerLength> readOggLength(const FileBytes& file) {
    auto stream = readHead(file);
    if (!stream)
        return std::nullopt;
    // FFmpeg's start: the first audio page's granule less its packets' durations; Vorbis
    // takes a first granule of zero, and any start below zero, as zero.
    const std::int64_t start = stream->firstGranule - stream->firstPacketsDuration;
    // A stream on one audio page has its end trimmed by that page's granule, so its
    // packets last longer than the granule says; it begins at zero when they last at
    // least that long. Such short files are common (sounds, jingles), and FFmpeg states
    // the granule (less Opus's pre-skip) for them too.
    const bool startsAtZero = stream->firstPageIsLast ? start <= 0
                              : stream->codec == Codec::opus
                                  ? start == 0
                                  : (start <= 0 || stream->firstGranule == 0);
    if (stream->firstGranule < 0 || !startsAtZero)
        return std::nullopt;
    const auto last = lastGranule(file, stream->serial);
    if (!last || (stream->firstPageIsLast && *last != stream->firstGranule))
        return std::nullopt;
    const std::int64_t frames = *last - (stream->codec == Codec::opus ? stream->preSkip : 0);
    if (frames <= 0)
        return std::nullopt;
    return ContainerLength{frames, stream->rate};
}

std::optional<ContainerLength> readOggLength(const std::string& path) {
    const auto file = FileBytes::open(path);
    return file ? readOggLength(*file) : std::nullopt;
}

} // namespace orvane::media
