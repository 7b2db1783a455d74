#include "media/ContainerLength.h"

#include "media/ContainerLengthMP4OggCAF.h"
#include "media/ContainerLengthReaders.h"
#include "media/MP3InfoTag.h"

#include <algorithm>
#include <cstring>

namespace orvane::media {

namespace {

// FFmpeg reads any number of ID3v2 tags in a row before the container; more than this
// is no file anyone made, and the decoder may look at it.
constexpr int kMaxLeadingTags = 16;

// The offset after the ID3v2 tags at the start, or nullopt for an implausible run.
std::optional<std::int64_t> afterLeadingTags(const ContainerFile& file) {
    std::int64_t offset = 0;
    std::array<std::uint8_t, 10> scratch{};
    for (int tags = 0; tags <= kMaxLeadingTags; ++tags) {
        const auto head = file.bytes(offset, scratch.size(), scratch);
        if (head.size() < scratch.size())
            return offset;
        const std::size_t size = id3v2TagSize(std::span<const std::uint8_t, 10>(head.data(), 10));
        if (size == 0)
            return offset;
        offset += static_cast<std::int64_t>(size);
    }
    return std::nullopt;
}

// Finds where the audio starts behind the ID3v2 tags FFmpeg also skips, marks it on
// `file`, and gives the first bytes there: empty for an implausible run of tags or a
// file that ends before `scratch` is filled.
std::span<const std::uint8_t> audioStartBytes(ContainerFile& file,
                                              std::span<std::uint8_t> scratch) {
    const auto start = afterLeadingTags(file);
    if (!start)
        return {};
    file.setAudioStart(*start);
    const auto at = file.bytes(*start, scratch.size(), scratch);
    return at.size() == scratch.size() ? at : std::span<const std::uint8_t>{};
}

} // namespace

ContainerFile::ContainerFile(const std::string& path, const FileBytes& file)
    : path_(path), file_(file) {
}

std::span<const std::uint8_t> ContainerFile::bytes(std::int64_t offset, std::size_t count,
                                                   std::span<std::uint8_t> scratch) const {
    if (const auto held = file_.cached(offset, count))
        return *held;
    return file_.read(offset, scratch.first(count));
}

std::optional<ContainerLength> readContainerLength(const std::string& path) {
    const auto file = FileBytes::open(path);
    return file ? readContainerLength(*file, path) : std::nullopt;
}

std::optional<ContainerLength> readContainerLength(const FileBytes& opened,
                                                   const std::string& path) {
    ContainerFile file(path, opened);
    std::array<std::uint8_t, 12> scratch{};
    const auto magic = file.bytes(0, scratch.size(), scratch);
    if (magic.size() < scratch.size())
        return std::nullopt;
    const std::uint8_t* p = magic.data();

    // Containers that start the file.
    if (bytes::tagIs(p + 4, "ftyp"))
        return readMP4Length(file.file());
    if (bytes::tagIs(p, "OggS"))
        return readOggLength(file.file());
    if (bytes::tagIs(p, "caff"))
        return readCAFLength(file.file());
    if (bytes::tagIs(p, "RIFF") && bytes::tagIs(p + 8, "WAVE"))
        return readWAVLength(file);
    if (bytes::tagIs(p, "FORM") && (bytes::tagIs(p + 8, "AIFF") || bytes::tagIs(p + 8, "AIFC")))
        return readAIFFLength(file);
    if (bytes::tagIs(p, "wvpk"))
        return readWavPackLength(file);

    // Containers FFmpeg also finds behind ID3v2 tags.
    const auto at = audioStartBytes(file, std::span(scratch).first(4));
    if (at.empty())
        return std::nullopt;
    if (bytes::tagIs(at.data(), "fLaC"))
        return readFLACLength(file);
    if (bytes::tagIs(at.data(), "TTA1"))
        return readTTALength(file);
    if (at[0] == 0xff && (at[1] & 0xe0) == 0xe0)
        return readMP3Length(file);
    return std::nullopt;
}

std::optional<ContainerLength> readEstimatedLength(const std::string& path) {
    const auto file = FileBytes::open(path);
    return file ? readEstimatedLength(*file, path) : std::nullopt;
}

std::optional<ContainerLength> readEstimatedLength(const FileBytes& opened,
                                                   const std::string& path) {
    ContainerFile file(path, opened);
    std::array<std::uint8_t, 4> scratch{};
    const auto magic = file.bytes(0, scratch.size(), scratch);
    if (magic.size() < scratch.size())
        return std::nullopt;
    if (bytes::tagIs(magic.data(), "MPCK"))
        return readMusepackLength(file);
    if (magic[0] == 0x30 && magic[1] == 0x26 && magic[2] == 0xb2 && magic[3] == 0x75)
        return readASFLength(file);
    const auto at = audioStartBytes(file, std::span(scratch).first(2));
    if (!at.empty() && at[0] == 0xff && (at[1] & 0xf6) == 0xf0)
        return readADTSLength(file);
    return std::nullopt;
}

} // namespace orvane::media
