#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Byte-level reading of ID3v2 tags, shared by the metadata reader (frame texts) and the
// tag writer (frames it keeps from the old tag). Pure functions, safe from any thread.
namespace orvane::id3v2 {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline constexpr std::size_t kHeaderSize = 10;
// The largest value a four-byte syncsafe integer holds (28 bits).
inline constexpr std::uint32_t kMaxSyncsafe = 0x0FFFFFFF;

// Low seven bits of each of four bytes, most significant first. Bit 7 is ignored.
std::uint32_t readSyncsafe(const std::uint8_t* bytes);
void appendSyncsafe(Bytes& out, std::uint32_t value);
std::uint32_t readBigEndian32(const std::uint8_t* bytes);
void appendBigEndian32(Bytes& out, std::uint32_t value);

// Where the audio data of an MP3 file starts: just past an ID3v2 tag at the start of
// the file (and its footer when the header announces one), at most the end of the
// file; 0 when the file does not begin with a tag.
std::size_t audioStart(ByteView file);

// The length of the tag at the start of `bytes` (header, body and footer) taken from
// its header alone; nullopt when `bytes` does not start with a complete tag header.
std::optional<std::size_t> declaredTagLength(ByteView bytes);

// One frame brought to the ID3v2.3 layout: flags in their v2.3 meaning and the extra
// header bytes (decompressed size, encryption method, group) taken out of `data`.
struct Frame {
    std::string id; // four characters A-Z, 0-9
    bool discardOnTagAlter = false;
    bool discardOnFileAlter = false;
    bool readOnly = false;
    bool compressed = false;
    // Size after decompression; a v2.4 frame may be compressed without telling it.
    std::optional<std::uint32_t> decompressedSize;
    std::optional<std::uint8_t> encryptionMethod;
    std::optional<std::uint8_t> groupId;
    // The frame's content with unsynchronisation undone; still compressed or encrypted
    // when the flags say so.
    Bytes data;

    // The content can be read as it is.
    bool isPlain() const { return !compressed && !encryptionMethod; }
};

struct Tag {
    int majorVersion = 0; // 3 or 4
    std::vector<Frame> frames;
    // False when the frame list is damaged or cut short: `frames` then holds only the
    // frames before the damage.
    bool complete = true;
};

// Parses a v2.3 or v2.4 tag at the start of `bytes`. Nullopt when there is no tag
// header, or the tag has another version (v2.2 frames have three-character ids and
// are not read here).
std::optional<Tag> parseTag(ByteView bytes);

// The frame in ID3v2.3 form: header with a plain 32-bit size, flags, extra bytes in
// v2.3 order, content.
void appendFrameV23(Bytes& out, const Frame& frame);

} // namespace orvane::id3v2
