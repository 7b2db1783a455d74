#include "tags/ID3v2Frames.h"

#include <algorithm>

namespace orvane::id3v2 {

namespace {

constexpr std::uint8_t kFlagUnsync = 0x80;
constexpr std::uint8_t kFlagExtendedHeader = 0x40;
constexpr std::uint8_t kFlagFooter = 0x10;

bool startsWithID3(ByteView bytes) {
    return bytes.size() >= kHeaderSize && bytes[0] == 'I' && bytes[1] == 'D' && bytes[2] == '3';
}

// Unsynchronisation inserts a zero after every 0xFF; this takes them out again.
Bytes undoUnsync(ByteView bytes) {
    Bytes out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        out.push_back(bytes[i]);
        if (bytes[i] == 0xFF && i + 1 < bytes.size() && bytes[i + 1] == 0x00)
            ++i;
    }
    return out;
}

bool isFrameIdChar(std::uint8_t c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

bool isFrameId(ByteView body, std::size_t pos) {
    return pos + 4 <= body.size() &&
           std::all_of(body.begin() + static_cast<std::ptrdiff_t>(pos),
                       body.begin() + static_cast<std::ptrdiff_t>(pos + 4), isFrameIdChar);
}

// What may follow a frame: the end of the frames, padding, or another frame header.
bool plausibleNext(ByteView body, std::size_t pos) {
    if (pos == body.size())
        return true;
    if (pos > body.size())
        return false;
    if (body[pos] == 0)
        return true;
    return pos + kHeaderSize <= body.size() && isFrameId(body, pos);
}

// v2.4 frame sizes are syncsafe, but some writers store plain integers there. As other
// readers do, the plain reading is taken when the syncsafe one cannot be right.
std::uint32_t frameSizeV24(ByteView body, std::size_t pos) {
    const std::uint8_t* p = body.data() + pos + 4;
    const std::uint32_t plain = readBigEndian32(p);
    if ((p[0] | p[1] | p[2] | p[3]) & 0x80)
        return plain;
    const std::uint32_t syncsafe = readSyncsafe(p);
    if (syncsafe == plain || plausibleNext(body, pos + kHeaderSize + syncsafe))
        return syncsafe;
    return plausibleNext(body, pos + kHeaderSize + plain) ? plain : syncsafe;
}

// Splits the extra header bytes off a frame's content. False when they do not fit.
bool takeByte(Bytes& data, std::size_t& offset, std::optional<std::uint8_t>& into) {
    if (offset + 1 > data.size())
        return false;
    into = data[offset++];
    return true;
}

bool takeSize(Bytes& data, std::size_t& offset, bool syncsafe, std::optional<std::uint32_t>& into) {
    if (offset + 4 > data.size())
        return false;
    into = syncsafe ? readSyncsafe(&data[offset]) : readBigEndian32(&data[offset]);
    offset += 4;
    return true;
}

bool parseFlagsV23(std::uint8_t status, std::uint8_t format, Frame& frame) {
    frame.discardOnTagAlter = (status & 0x80) != 0;
    frame.discardOnFileAlter = (status & 0x40) != 0;
    frame.readOnly = (status & 0x20) != 0;
    frame.compressed = (format & 0x80) != 0;
    std::size_t offset = 0;
    if (frame.compressed && !takeSize(frame.data, offset, false, frame.decompressedSize))
        return false;
    if ((format & 0x40) && !takeByte(frame.data, offset, frame.encryptionMethod))
        return false;
    if ((format & 0x20) && !takeByte(frame.data, offset, frame.groupId))
        return false;
    frame.data.erase(frame.data.begin(), frame.data.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

bool parseFlagsV24(std::uint8_t status, std::uint8_t format, bool tagUnsync, Frame& frame) {
    frame.discardOnTagAlter = (status & 0x40) != 0;
    frame.discardOnFileAlter = (status & 0x20) != 0;
    frame.readOnly = (status & 0x10) != 0;
    frame.compressed = (format & 0x08) != 0;
    // Unsynchronisation covers everything after the frame header, extra bytes included.
    if (tagUnsync || (format & 0x02))
        frame.data = undoUnsync(frame.data);
    std::size_t offset = 0;
    if ((format & 0x40) && !takeByte(frame.data, offset, frame.groupId))
        return false;
    if ((format & 0x04) && !takeByte(frame.data, offset, frame.encryptionMethod))
        return false;
    std::optional<std::uint32_t> dataLength;
    if ((format & 0x01) && !takeSize(frame.data, offset, true, dataLength))
        return false;
    // Only a compressed frame needs its original length in v2.3.
    if (frame.compressed)
        frame.decompressedSize = dataLength;
    frame.data.erase(frame.data.begin(), frame.data.begin() + static_cast<std::ptrdiff_t>(offset));
    return true;
}

// Where the frames start in `body`, past an extended header; nullopt when the
// extended header does not fit.
std::optional<std::size_t> framesStart(ByteView body, int major, bool hasExtendedHeader) {
    if (!hasExtendedHeader)
        return 0;
    if (body.size() < 4)
        return std::nullopt;
    // v2.3 counts the bytes after the size field; v2.4 counts the whole header.
    const std::size_t size =
        major == 3 ? std::size_t{4} + readBigEndian32(body.data()) : readSyncsafe(body.data());
    if (size > body.size())
        return std::nullopt;
    return size;
}

} // namespace

std::uint32_t readSyncsafe(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0] & 0x7Fu} << 21) | (std::uint32_t{bytes[1] & 0x7Fu} << 14) |
           (std::uint32_t{bytes[2] & 0x7Fu} << 7) | std::uint32_t{bytes[3] & 0x7Fu};
}

void appendSyncsafe(Bytes& out, std::uint32_t value) {
    for (int shift = 21; shift >= 0; shift -= 7)
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0x7F));
}

std::uint32_t readBigEndian32(const std::uint8_t* bytes) {
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) |
           (std::uint32_t{bytes[2]} << 8) | std::uint32_t{bytes[3]};
}

void appendBigEndian32(Bytes& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

std::optional<std::size_t> declaredTagLength(ByteView bytes) {
    if (!startsWithID3(bytes))
        return std::nullopt;
    const std::size_t footer = (bytes[5] & kFlagFooter) ? kHeaderSize : 0;
    return kHeaderSize + readSyncsafe(&bytes[6]) + footer;
}

std::size_t audioStart(ByteView file) {
    if (file.size() <= kHeaderSize)
        return 0;
    return std::min(declaredTagLength(file).value_or(0), file.size());
}

std::optional<Tag> parseTag(ByteView bytes) {
    if (!startsWithID3(bytes))
        return std::nullopt;
    const int major = bytes[3];
    if (major != 3 && major != 4)
        return std::nullopt;
    const std::uint8_t flags = bytes[5];
    Tag tag;
    tag.majorVersion = major;

    const std::size_t declaredEnd = kHeaderSize + readSyncsafe(&bytes[6]);
    const std::size_t end = std::min(declaredEnd, bytes.size());
    tag.complete = declaredEnd <= bytes.size();
    ByteView body = bytes.subspan(kHeaderSize, end - kHeaderSize);
    // In v2.3 the whole tag is unsynchronised; in v2.4 each frame on its own.
    Bytes resynced;
    if (major == 3 && (flags & kFlagUnsync)) {
        resynced = undoUnsync(body);
        body = resynced;
    }

    const auto start = framesStart(body, major, (flags & kFlagExtendedHeader) != 0);
    if (!start) {
        tag.complete = false;
        return tag;
    }
    std::size_t pos = *start;
    while (pos < body.size()) {
        if (body[pos] == 0)
            break; // padding
        if (pos + kHeaderSize > body.size() || !isFrameId(body, pos)) {
            tag.complete = false;
            break;
        }
        const std::uint32_t size =
            major == 3 ? readBigEndian32(&body[pos + 4]) : frameSizeV24(body, pos);
        if (size > body.size() - pos - kHeaderSize) {
            tag.complete = false;
            break;
        }
        Frame frame;
        frame.id.assign(reinterpret_cast<const char*>(&body[pos]), 4);
        const auto content = body.subspan(pos + kHeaderSize, size);
        frame.data.assign(content.begin(), content.end());
        const std::uint8_t status = body[pos + 8];
        const std::uint8_t format = body[pos + 9];
        const bool ok = major == 3
                            ? parseFlagsV23(status, format, frame)
                            : parseFlagsV24(status, format, (flags & kFlagUnsync) != 0, frame);
        if (!ok) {
            tag.complete = false;
            break;
        }
        tag.frames.push_back(std::move(frame));
        pos += kHeaderSize + size;
    }
    return tag;
}

void appendFrameV23(Bytes& out, const Frame& frame) {
    Bytes extra;
    if (frame.compressed)
        appendBigEndian32(extra, frame.decompressedSize.value_or(0));
    if (frame.encryptionMethod)
        extra.push_back(*frame.encryptionMethod);
    if (frame.groupId)
        extra.push_back(*frame.groupId);

    out.insert(out.end(), frame.id.begin(), frame.id.end());
    appendBigEndian32(out, static_cast<std::uint32_t>(extra.size() + frame.data.size()));
    out.push_back(static_cast<std::uint8_t>((frame.discardOnTagAlter ? 0x80 : 0) |
                                            (frame.discardOnFileAlter ? 0x40 : 0) |
                                            (frame.readOnly ? 0x20 : 0)));
    out.push_back(static_cast<std::uint8_t>((frame.compressed ? 0x80 : 0) |
                                            (frame.encryptionMethod ? 0x40 : 0) |
                                            (frame.groupId ? 0x20 : 0)));
    out.insert(out.end(), extra.begin(), extra.end());
    out.insert(out.end(), frame.data.begin(), frame.data.end());
}

} // namespace orvane::id3v2
