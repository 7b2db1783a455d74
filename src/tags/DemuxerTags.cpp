#include "tags/DemuxerTags.h"

#include "media/FileBytes.h"
#include "tags/ID3v2Frames.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

namespace orvane {

namespace {

constexpr std::size_t kID3v1Bytes = 128;
constexpr std::size_t kAPEFooterBytes = 32;

bool startsWith(std::span<const std::uint8_t> bytes, std::size_t at, std::string_view text) {
    return bytes.size() >= at + text.size() &&
           std::memcmp(bytes.data() + at, text.data(), text.size()) == 0;
}

// FFmpeg's names for the frames of an ID3v2.3 or v2.4 tag that hold the common fields.
bool fillsMissingField(const std::string& id, const TrackMetadata& meta) {
    return (!meta.title && id == "TIT2") || (!meta.artist && id == "TPE1") ||
           (!meta.album && id == "TALB") || id == "TXXX";
}

// The tags FFmpeg reads at the end of an MP3 file: ID3v1, and APE (before ID3v1 or last).
bool hasTrailingTags(const media::FileBytes& file) {
    std::array<std::uint8_t, kID3v1Bytes + kAPEFooterBytes> scratch{};
    const std::int64_t from =
        std::max<std::int64_t>(file.size() - static_cast<std::int64_t>(scratch.size()), 0);
    const auto tail = file.read(from, scratch);
    if (tail.size() != static_cast<std::size_t>(file.size() - from))
        return true;
    const auto fromEnd = [&tail](std::size_t back) {
        return tail.size() - back;
    };
    return (tail.size() >= kID3v1Bytes && startsWith(tail, fromEnd(kID3v1Bytes), "TAG")) ||
           (tail.size() >= kAPEFooterBytes &&
            startsWith(tail, fromEnd(kAPEFooterBytes), "APETAGEX")) ||
           (tail.size() >= kID3v1Bytes + kAPEFooterBytes &&
            startsWith(tail, fromEnd(kID3v1Bytes + kAPEFooterBytes), "APETAGEX"));
}

} // namespace

bool demuxerMayFillCommonTags(const std::filesystem::path& path, const media::FileBytes& file,
                              const TrackMetadata& meta) {
    if (path.extension() != ".mp3" || hasTrailingTags(file))
        return true;
    std::array<std::uint8_t, id3v2::kHeaderSize> header{};
    const auto head = file.read(0, header);
    const auto length = id3v2::declaredTagLength(head);
    if (!length)
        return startsWith(head, 0, "ID3"); // a tag header FFmpeg may read otherwise
    // FFmpeg reads every ID3v2 tag in a row at the start; the tag library the first.
    std::array<std::uint8_t, 3> next{};
    if (startsWith(file.read(static_cast<std::int64_t>(*length), next), 0, "ID3"))
        return true;
    const auto bytes = file.readUpTo(0, *length);
    const auto tag = id3v2::parseTag(bytes);
    if (bytes.size() != *length || !tag || !tag->complete)
        return true;
    return std::any_of(tag->frames.begin(), tag->frames.end(), [&meta](const id3v2::Frame& frame) {
        return fillsMissingField(frame.id, meta);
    });
}

} // namespace orvane
