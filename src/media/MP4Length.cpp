// The length of an MP4 file's audio from its sample tables, exactly as the decoder path
// (FFmpeg's mov demuxer, then AudioFileReader) states it at open:
//   duration = min(mdhd duration, stts total, edit duration in the media time scale)
//   length   = duration rescaled from the media time scale to the decoded rate,
// cut back to the first sample (from a second before the edit's start to the sample
// holding its end) whose bytes are not all in the file. Anything outside the common
// layouts (fragments, several edits or audio tracks, composition offsets, sync tables,
// codecs other than AAC-LC and ALAC) is left to the decoder.

#include "media/ContainerLengthMP4OggCAF.h"
#include "media/FileBytes.h"
#include "media/HeaderBytes.h"

#include <algorithm>
#include <array>
#include <vector>

namespace orvane::media {

namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::int64_t kMaxMoovBytes = std::int64_t{16} << 20;
constexpr int kMaxTopLevelBoxes = 4096;
constexpr int kMaxChildBoxes = 4096;
constexpr std::size_t kHeadBytes = 16 * 1024;
// FFmpeg refuses larger samples, and its index keeps a size in 30 signed bits, so that
// from 2^29 bytes on, the size it checks against the file is not the sample's.
constexpr std::uint32_t kMaxSampleBytes = (1u << 29) - 1;

constexpr std::uint32_t fourCC(const char (&s)[5]) {
    return std::uint32_t(std::uint8_t(s[0])) << 24 | std::uint32_t(std::uint8_t(s[1])) << 16 |
           std::uint32_t(std::uint8_t(s[2])) << 8 | std::uint32_t(std::uint8_t(s[3]));
}

std::uint32_t be32(Bytes b, std::size_t at) {
    return static_cast<std::uint32_t>(readBE(b, at, 4).value_or(0));
}

struct Box {
    std::uint32_t type = 0;
    Bytes body;
};

// The child boxes of a box body, in order; an empty list when one does not fit.
std::optional<std::vector<Box>> childBoxes(Bytes body) {
    std::vector<Box> boxes;
    std::size_t at = 0;
    while (body.size() - at >= 8) {
        if (static_cast<int>(boxes.size()) >= kMaxChildBoxes)
            return std::nullopt;
        std::uint64_t size = be32(body, at);
        const std::uint32_t type = be32(body, at + 4);
        std::size_t header = 8;
        if (size == 1) {
            const auto large = readBE(body, at + 8, 8);
            if (!large)
                return std::nullopt;
            size = *large;
            header = 16;
        } else if (size == 0) {
            size = body.size() - at;
        }
        if (size < header || size > body.size() - at)
            return std::nullopt;
        boxes.push_back({type, body.subspan(at + header, size - header)});
        at += size;
    }
    return boxes;
}

const Box* findBox(const std::vector<Box>& boxes, std::uint32_t type) {
    const auto it =
        std::find_if(boxes.begin(), boxes.end(), [type](const Box& b) { return b.type == type; });
    return it == boxes.end() ? nullptr : &*it;
}

int countBoxes(const std::vector<Box>& boxes, std::uint32_t type) {
    return static_cast<int>(
        std::count_if(boxes.begin(), boxes.end(), [type](const Box& b) { return b.type == type; }));
}

// The one child of `type`; nullopt when absent or repeated.
std::optional<Bytes> onlyBox(const std::vector<Box>& boxes, std::uint32_t type) {
    if (countBoxes(boxes, type) != 1)
        return std::nullopt;
    return findBox(boxes, type)->body;
}

// An MPEG-4 descriptor's length: up to four bytes of seven bits.
std::optional<std::size_t> descriptorLength(Bytes b, std::size_t& at) {
    std::size_t length = 0;
    for (int i = 0; i < 4; ++i) {
        if (at >= b.size())
            return std::nullopt;
        const std::uint8_t c = b[at++];
        length = length << 7 | (c & 0x7f);
        if (!(c & 0x80))
            return length;
    }
    return length;
}

// The AudioSpecificConfig inside an esds box's descriptors.
std::optional<Bytes> audioSpecificConfig(Bytes esds) {
    std::size_t at = 4; // version and flags
    if (at >= esds.size() || esds[at++] != 0x03)
        return std::nullopt;
    if (!descriptorLength(esds, at))
        return std::nullopt;
    at += 2; // ES_ID
    if (at >= esds.size())
        return std::nullopt;
    const std::uint8_t flags = esds[at++];
    if (flags & 0x80)
        at += 2;
    if (flags & 0x40) {
        if (at >= esds.size())
            return std::nullopt;
        at += 1u + esds[at];
    }
    if (flags & 0x20)
        at += 2;
    if (at >= esds.size() || esds[at++] != 0x04 || !descriptorLength(esds, at))
        return std::nullopt;
    if (at >= esds.size())
        return std::nullopt;
    const std::uint8_t objectType = esds[at];
    // MPEG-4 audio and the MPEG-2 AAC profiles; the config says which object type.
    if (objectType != 0x40 && (objectType < 0x66 || objectType > 0x68))
        return std::nullopt;
    at += 13;
    if (at >= esds.size() || esds[at++] != 0x05)
        return std::nullopt;
    const auto length = descriptorLength(esds, at);
    if (!length || *length > esds.size() - std::min(at, esds.size()))
        return std::nullopt;
    return esds.subspan(at, *length);
}

// Reads bits from the top of each byte; past the end it reads zeros.
class BitReader {
public:
    explicit BitReader(Bytes b) : bytes_(b) {}
    std::size_t left() const { return bytes_.size() * 8 - pos_; }
    std::uint32_t peek(int n) const {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            const std::size_t p = pos_ + static_cast<std::size_t>(i);
            const unsigned bit =
                p < bytes_.size() * 8 ? (unsigned{bytes_[p / 8]} >> (7 - p % 8)) & 1u : 0u;
            v = v << 1 | bit;
        }
        return v;
    }
    std::uint32_t take(int n) {
        const std::uint32_t v = peek(n);
        pos_ = std::min(pos_ + static_cast<std::size_t>(n), bytes_.size() * 8);
        return v;
    }

private:
    Bytes bytes_;
    std::size_t pos_ = 0;
};

// The decoded rate of plain AAC-LC. SBR (another object type, or a sync extension that
// signals it) changes the rate the decoder settles on.
std::optional<int> aacLCRate(Bytes config) {
    static constexpr std::array<int, 13> kRates = {96000, 88200, 64000, 48000, 44100, 32000, 24000,
                                                   22050, 16000, 12000, 11025, 8000,  7350};
    BitReader bits(config);
    if (bits.left() < 16 || bits.take(5) != 2)
        return std::nullopt;
    const std::uint32_t index = bits.take(4);
    if (index >= kRates.size())
        return std::nullopt;
    const std::uint32_t channels = bits.take(4);
    if (channels == 0 || channels > 7)
        return std::nullopt;
    // FFmpeg scans the rest bit by bit for the sync extension; FFmpeg's own encoder writes
    // one that rules SBR out. One that signals SBR, or parametric stereo, is not followed.
    while (bits.left() > 15) {
        if (bits.peek(11) != 0x2b7) {
            bits.take(1);
            continue;
        }
        bits.take(11);
        if (bits.take(5) != 5 || bits.left() < 1 || bits.take(1) != 0)
            return std::nullopt;
        if (bits.left() > 11 && bits.take(11) == 0x548 && (bits.left() < 1 || bits.take(1) != 0))
            return std::nullopt;
        break;
    }
    return kRates[index];
}

// The decoded rate of the one sample description: AAC-LC from its config, checked
// against the entry's own rate (an encoder signalling SBR implicitly states the doubled
// rate there), ALAC from its magic cookie, which FFmpeg takes the rate from.
std::optional<int> decodedRate(Bytes stsd) {
    if (stsd.size() < 8 || be32(stsd, 4) != 1)
        return std::nullopt;
    const auto entries = childBoxes(stsd.subspan(8));
    if (!entries || entries->size() != 1)
        return std::nullopt;
    const Box& entry = entries->front();
    constexpr std::size_t kSoundEntryBytes = 28;
    if (entry.body.size() < kSoundEntryBytes || readBE(entry.body, 8, 2) != 0)
        return std::nullopt; // only version 0 sound descriptions
    const auto children = childBoxes(entry.body.subspan(kSoundEntryBytes));
    if (!children)
        return std::nullopt;
    if (entry.type == fourCC("mp4a")) {
        const auto esds = onlyBox(*children, fourCC("esds"));
        const auto config = esds ? audioSpecificConfig(*esds) : std::nullopt;
        const auto rate = config ? aacLCRate(*config) : std::nullopt;
        if (!rate || static_cast<int>(be32(entry.body, 24) >> 16) != *rate)
            return std::nullopt;
        return rate;
    }
    if (entry.type == fourCC("alac")) {
        const auto cookie = onlyBox(*children, fourCC("alac"));
        if (!cookie || cookie->size() != 28)
            return std::nullopt;
        const std::uint32_t rate = be32(*cookie, 24);
        if (rate == 0 || rate > 1'000'000)
            return std::nullopt;
        return static_cast<int>(rate);
    }
    return std::nullopt;
}

struct Edit {
    std::int64_t mediaTime = 0;
    std::int64_t duration = 0; // in the media time scale
};

// A single edit (no empty edits, normal rate), or none at all. nullopt: unsupported.
std::optional<std::optional<Edit>> readEdit(const std::vector<Box>& trak, std::int64_t movieScale,
                                            std::int64_t mediaScale) {
    const int edtsCount = countBoxes(trak, fourCC("edts"));
    if (edtsCount == 0)
        return std::optional<Edit>{};
    if (edtsCount != 1)
        return std::nullopt;
    const auto edts = childBoxes(findBox(trak, fourCC("edts"))->body);
    if (!edts)
        return std::nullopt;
    const int elstCount = countBoxes(*edts, fourCC("elst"));
    if (elstCount == 0)
        return std::optional<Edit>{};
    const auto elst = onlyBox(*edts, fourCC("elst"));
    if (!elst || elst->size() < 8)
        return std::nullopt;
    const std::uint32_t entries = be32(*elst, 4);
    if (entries == 0)
        return std::optional<Edit>{};
    const bool v1 = (*elst)[0] == 1;
    const auto duration = readBE(*elst, 8, v1 ? 8 : 4);
    const auto time = readBE(*elst, v1 ? 16 : 12, v1 ? 8 : 4);
    const auto rate = readBE(*elst, v1 ? 24 : 16, 4);
    if (entries != 1 || (*elst)[0] > 1 || !duration || !time || rate != 0x10000 || movieScale <= 0)
        return std::nullopt;
    const std::int64_t mediaTime =
        v1 ? static_cast<std::int64_t>(*time)
           : static_cast<std::int32_t>(static_cast<std::uint32_t>(*time));
    if (mediaTime < 0 || *duration > static_cast<std::uint64_t>(INT64_MAX))
        return std::nullopt;
    const auto scaled =
        rescaleNearest(static_cast<std::int64_t>(*duration), mediaScale, movieScale);
    if (!scaled)
        return std::nullopt;
    return std::optional<Edit>{Edit{mediaTime, *scaled}};
}

// The sample tables, checked to describe the same samples.
struct Tables {
    Bytes stts, stsc, stsz, chunks;
    bool co64 = false;
    std::uint32_t samples = 0;
    std::uint32_t timeEntries = 0;
    std::uint32_t chunkEntries = 0;
    std::uint32_t chunkCount = 0;
    std::int64_t duration = 0;
};

std::optional<Tables> readTables(const std::vector<Box>& stbl) {
    // Composition offsets, sync samples and compact sizes are never written for these
    // codecs; FFmpeg treats each in ways not followed here.
    for (const std::uint32_t type :
         {fourCC("ctts"), fourCC("stss"), fourCC("stz2"), fourCC("stps"), fourCC("sdtp")}) {
        if (findBox(stbl, type))
            return std::nullopt;
    }
    Tables t;
    const auto stts = onlyBox(stbl, fourCC("stts"));
    const auto stsc = onlyBox(stbl, fourCC("stsc"));
    const auto stsz = onlyBox(stbl, fourCC("stsz"));
    const int stcoCount = countBoxes(stbl, fourCC("stco"));
    const int co64Count = countBoxes(stbl, fourCC("co64"));
    if (!stts || !stsc || !stsz || stcoCount + co64Count != 1)
        return std::nullopt;
    t.co64 = co64Count == 1;
    t.chunks = findBox(stbl, fourCC(t.co64 ? "co64" : "stco"))->body;
    if (stts->size() < 8 || stsc->size() < 8 || stsz->size() < 12 || t.chunks.size() < 8)
        return std::nullopt;
    t.timeEntries = be32(*stts, 4);
    t.chunkEntries = be32(*stsc, 4);
    t.chunkCount = be32(t.chunks, 4);
    t.samples = be32(*stsz, 8);
    if (be32(*stsz, 4) != 0 || t.samples == 0 || t.chunkCount == 0 || t.chunkEntries == 0 ||
        t.timeEntries == 0 || (stts->size() - 8) / 8 < t.timeEntries ||
        (stsc->size() - 8) / 12 < t.chunkEntries || (stsz->size() - 12) / 4 < t.samples ||
        (t.chunks.size() - 8) / (t.co64 ? 8 : 4) < t.chunkCount)
        return std::nullopt;
    t.stts = stts->subspan(8);
    t.stsc = stsc->subspan(8);
    t.stsz = stsz->subspan(12);
    t.chunks = t.chunks.subspan(8);

    std::uint64_t counted = 0;
    for (std::uint32_t i = 0; i < t.timeEntries; ++i) {
        const std::uint32_t count = be32(t.stts, 8 * i);
        const std::uint32_t delta = be32(t.stts, 8 * i + 4);
        // Delta 1 switches FFmpeg to its uncompressed-audio chunking.
        if (count == 0 || delta <= 1 || delta > INT32_MAX)
            return std::nullopt;
        counted += count;
        t.duration += std::int64_t{count} * delta;
    }
    if (counted != t.samples)
        return std::nullopt;

    // stsc: first chunks strictly rising from 1 within the chunk count, one description.
    std::uint64_t inChunks = 0;
    for (std::uint32_t i = 0; i < t.chunkEntries; ++i) {
        const std::uint32_t first = be32(t.stsc, 12 * i);
        const std::uint32_t perChunk = be32(t.stsc, 12 * i + 4);
        const std::uint32_t next =
            i + 1 < t.chunkEntries ? be32(t.stsc, 12 * (i + 1)) : t.chunkCount + 1;
        if ((i == 0 && first != 1) || next <= first || next > t.chunkCount + 1 || perChunk == 0 ||
            be32(t.stsc, 12 * i + 8) != 1)
            return std::nullopt;
        inChunks += std::uint64_t{next - first} * perChunk;
    }
    if (inChunks != t.samples)
        return std::nullopt;
    // Samples this large make FFmpeg stop building its index (before the edit list is
    // applied) or check a size other than the sample's.
    for (std::uint32_t i = 0; i < t.samples; ++i) {
        if (be32(t.stsz, 4 * std::size_t{i}) > kMaxSampleBytes)
            return std::nullopt;
    }
    return t;
}

// Whether the samples are in this file: FFmpeg follows an alias data reference elsewhere.
bool selfContained(const std::vector<Box>& minf) {
    const Box* dinf = findBox(minf, fourCC("dinf"));
    const auto dinfBoxes = dinf ? childBoxes(dinf->body) : std::nullopt;
    if (!dinf)
        return true;
    const Box* dref = dinfBoxes ? findBox(*dinfBoxes, fourCC("dref")) : nullptr;
    if (!dref)
        return dinfBoxes.has_value();
    if (dref->body.size() < 8)
        return false;
    const auto entries = childBoxes(dref->body.subspan(8));
    return entries && std::all_of(entries->begin(), entries->end(), [](const Box& b) {
               return b.type == fourCC("url ") || b.type == fourCC("urn ");
           });
}

struct Track {
    std::int64_t mediaScale = 0;
    std::int64_t mdhdDuration = 0;
    int rate = 0;
    std::optional<Edit> edit;
    Tables tables;
};

// The audio track of a trak box: nullopt when it is not audio; `unsupported` when it is
// but its layout is not one answered for.
std::optional<Track> readTrack(Bytes trakBody, std::int64_t movieScale, bool& unsupported) {
    const auto trak = childBoxes(trakBody);
    const Box* mdiaBox = trak ? findBox(*trak, fourCC("mdia")) : nullptr;
    const auto mdia = mdiaBox ? childBoxes(mdiaBox->body) : std::nullopt;
    const auto hdlr = mdia ? onlyBox(*mdia, fourCC("hdlr")) : std::nullopt;
    if (!hdlr || be32(*hdlr, 8) != fourCC("soun"))
        return std::nullopt;
    unsupported = true;
    const auto mdhd = onlyBox(*mdia, fourCC("mdhd"));
    const auto minf = onlyBox(*mdia, fourCC("minf"));
    // FFmpeg takes the duration from mdhd, then the smaller stts total: mdhd must come
    // first.
    if (!mdhd || !minf || mdhd->data() > minf->data() || mdhd->empty() || (*mdhd)[0] > 1)
        return std::nullopt;
    const bool v1 = (*mdhd)[0] == 1;
    const auto scale = readBE(*mdhd, v1 ? 20 : 12, 4);
    const auto duration = readBE(*mdhd, v1 ? 24 : 16, v1 ? 8 : 4);
    if (!scale || *scale == 0 || *scale > INT32_MAX || !duration)
        return std::nullopt;
    Track track;
    track.mediaScale = static_cast<std::int64_t>(*scale);
    track.mdhdDuration = static_cast<std::int64_t>(*duration);

    const auto minfBoxes = childBoxes(*minf);
    if (!minfBoxes || !selfContained(*minfBoxes))
        return std::nullopt;
    const auto stblBody = minfBoxes ? onlyBox(*minfBoxes, fourCC("stbl")) : std::nullopt;
    const auto stbl = stblBody ? childBoxes(*stblBody) : std::nullopt;
    const auto stsd = stbl ? onlyBox(*stbl, fourCC("stsd")) : std::nullopt;
    const auto rate = stsd ? decodedRate(*stsd) : std::nullopt;
    const auto tables = rate ? readTables(*stbl) : std::nullopt;
    const auto edit = tables ? readEdit(*trak, movieScale, track.mediaScale) : std::nullopt;
    if (!edit)
        return std::nullopt;
    track.rate = *rate;
    track.tables = *tables;
    track.edit = *edit;
    unsupported = false;
    return track;
}

// Where the audio of a file cut short ends: walks the samples FFmpeg keeps in its index
// (from the last one at or before a second ahead of the edit's start, to the one that
// holds the edit's end) and gives the start, relative to the edit, of the first whose
// bytes run past the end of the file. `unsupported` for a chunk offset out of range.
struct CutCheck {
    std::optional<std::int64_t> cutAt;
    bool unsupported = false;
};

CutCheck checkCut(const Track& track, std::int64_t fileSize) {
    const Tables& t = track.tables;
    const std::int64_t editStart = track.edit ? track.edit->mediaTime : 0;
    const std::int64_t editEnd = track.edit ? editStart + track.edit->duration : INT64_MAX;
    const std::int64_t searchFrom = std::max<std::int64_t>(editStart - track.mediaScale, 0);

    // First pass over the time table only: the first sample kept in the index.
    std::uint32_t first = 0;
    {
        std::int64_t dts = 0;
        std::uint32_t sample = 0;
        for (std::uint32_t e = 0; e < t.timeEntries && dts <= searchFrom; ++e) {
            const std::uint32_t count = be32(t.stts, 8 * e);
            const std::int64_t delta = be32(t.stts, 8 * e + 4);
            const std::int64_t steps =
                std::min<std::int64_t>(count - 1, (searchFrom - dts) / delta);
            first = sample + static_cast<std::uint32_t>(steps);
            if (steps < count - 1)
                break;
            dts += std::int64_t{count} * delta;
            sample += count;
        }
    }

    std::uint32_t sample = 0;
    std::uint32_t timeEntry = 0;
    std::uint32_t timeLeft = be32(t.stts, 0);
    std::int64_t dts = 0;
    std::uint32_t stscEntry = 0;
    for (std::uint32_t chunk = 0; chunk < t.chunkCount; ++chunk) {
        while (stscEntry + 1 < t.chunkEntries && chunk + 1 == be32(t.stsc, 12 * (stscEntry + 1)))
            ++stscEntry;
        const std::uint32_t perChunk = be32(t.stsc, 12 * stscEntry + 4);
        auto offset = static_cast<std::int64_t>(
            t.co64 ? readBE(t.chunks, 8 * std::size_t{chunk}, 8).value_or(0)
                   : be32(t.chunks, 4 * std::size_t{chunk}));
        if (offset < 0)
            return {std::nullopt, true};
        for (std::uint32_t j = 0; j < perChunk; ++j, ++sample) {
            const std::int64_t size = be32(t.stsz, 4 * std::size_t{sample});
            const std::int64_t delta = be32(t.stts, 8 * timeEntry + 4);
            const std::int64_t next = dts + delta;
            if (sample >= first) {
                if (offset > fileSize - size)
                    return {dts - editStart};
                // FFmpeg's index ends with the sample that reaches the edit's end; the
                // very last sample counts as lasting the whole edit.
                const std::int64_t length =
                    sample + 1 < t.samples ? delta : (track.edit ? track.edit->duration : delta);
                if (track.edit && dts + length >= editEnd)
                    return {};
            }
            offset += size;
            dts = next;
            if (--timeLeft == 0 && timeEntry + 1 < t.timeEntries)
                timeLeft = be32(t.stts, 8 * ++timeEntry);
        }
    }
    return {};
}

// The first moov box, found by walking the top-level boxes; also fails on fragments.
std::optional<std::vector<std::uint8_t>> readMoov(const FileBytes& file) {
    std::vector<std::uint8_t> head = file.readUpTo(0, kHeadBytes);
    if (head.size() < 16 || be32(head, 4) != fourCC("ftyp"))
        return std::nullopt;
    std::optional<std::vector<std::uint8_t>> moov;
    std::int64_t at = 0;
    for (int i = 0; i < kMaxTopLevelBoxes && file.size() - at >= 8; ++i) {
        std::array<std::uint8_t, 16> header{};
        const bool inHead = at + 16 <= static_cast<std::int64_t>(head.size());
        if (inHead)
            std::copy_n(head.begin() + at, 16, header.begin());
        else if (!file.readExactly(at, std::span(header).first(static_cast<std::size_t>(
                                           std::min<std::int64_t>(16, file.size() - at)))))
            return std::nullopt;
        std::uint64_t size = be32(header, 0);
        const std::uint32_t type = be32(header, 4);
        std::int64_t headerBytes = 8;
        if (size == 1) {
            if (file.size() - at < 16)
                return std::nullopt;
            size = readBE(header, 8, 8).value_or(0);
            headerBytes = 16;
        } else if (size == 0) {
            size = static_cast<std::uint64_t>(file.size() - at);
        }
        if (size < static_cast<std::uint64_t>(headerBytes))
            return moov; // FFmpeg stops reading top-level boxes here too
        if (type == fourCC("moof") || type == fourCC("mfra"))
            return std::nullopt;
        const bool fits = size <= static_cast<std::uint64_t>(file.size() - at);
        if (type == fourCC("moov") && !moov) {
            if (!fits || static_cast<std::int64_t>(size) > kMaxMoovBytes)
                return std::nullopt;
            const auto begin = at + headerBytes;
            const auto length =
                static_cast<std::size_t>(static_cast<std::int64_t>(size) - headerBytes);
            if (begin + static_cast<std::int64_t>(length) <=
                static_cast<std::int64_t>(head.size())) {
                moov.emplace(head.begin() + begin,
                             head.begin() + begin + static_cast<std::int64_t>(length));
            } else {
                moov.emplace(length);
                if (!file.readExactly(begin, *moov))
                    return std::nullopt;
            }
        }
        if (!fits)
            return moov;
        at += static_cast<std::int64_t>(size);
    }
    // Boxes left unseen might be fragments.
    return file.size() - at < 8 ? moov : std::nullopt;
}

} // namespace

std::optional<ContainerLength> readMP4Length(const FileBytes& file) {
    const auto moovBytes = readMoov(file);
    const auto moov = moovBytes ? childBoxes(*moovBytes) : std::nullopt;
    if (!moov || findBox(*moov, fourCC("mvex")))
        return std::nullopt;
    const auto mvhd = onlyBox(*moov, fourCC("mvhd"));
    // The edit is read in the movie's time scale, which FFmpeg knows only from an mvhd
    // ahead of the tracks.
    const Box* firstTrak = findBox(*moov, fourCC("trak"));
    if (!mvhd || mvhd->empty() || (*mvhd)[0] > 1 ||
        (firstTrak && firstTrak->body.data() < mvhd->data()))
        return std::nullopt;
    const auto movieScale = readBE(*mvhd, (*mvhd)[0] == 1 ? 20 : 12, 4);
    if (!movieScale)
        return std::nullopt;

    std::optional<Track> audio;
    for (const Box& box : *moov) {
        if (box.type != fourCC("trak"))
            continue;
        bool unsupported = false;
        auto track = readTrack(box.body, static_cast<std::int64_t>(*movieScale), unsupported);
        if (unsupported || (track && audio))
            return std::nullopt;
        if (track)
            audio = std::move(track);
    }
    if (!audio)
        return std::nullopt;

    std::int64_t duration = std::min(audio->mdhdDuration, audio->tables.duration);
    if (audio->edit)
        duration = std::min(duration, audio->edit->duration);
    if (duration <= 0)
        return std::nullopt;
    auto frames = rescaleNearest(duration, audio->rate, audio->mediaScale);
    if (!frames)
        return std::nullopt;
    const CutCheck cut = checkCut(*audio, file.size());
    if (cut.unsupported)
        return std::nullopt;
    if (cut.cutAt) {
        const auto end = rescaleNearest(*cut.cutAt, audio->rate, audio->mediaScale);
        if (!end)
            return std::nullopt;
        frames = std::clamp<std::int64_t>(*end, 0, *frames);
    }
    if (*frames <= 0)
        return std::nullopt;
    return ContainerLength{*frames, audio->rate};
}

std::optional<ContainerLength> readMP4Length(const std::string& path) {
    const auto file = FileBytes::open(path);
    return file ? readMP4Length(*file) : std::nullopt;
}

} // namespace orvane::media
