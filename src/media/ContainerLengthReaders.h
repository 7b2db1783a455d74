#pragma once

// The per-format parts of readContainerLength, private to src/media. Each reader
// answers only where the headers say for certain what AudioFileReader::open would
// settle on, and nullopt otherwise (the caller then opens the decoder).

#include "media/ContainerLength.h"
#include "media/FileBytes.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orvane::media {

// The file being read. Most headers lie whole in the bytes FileBytes read at the open,
// which the readers then use where they are.
class ContainerFile {
public:
    ContainerFile(const std::string& path, const FileBytes& file);
    ContainerFile(const ContainerFile&) = delete;
    ContainerFile& operator=(const ContainerFile&) = delete;

    const std::string& path() const { return path_; }
    const FileBytes& file() const { return file_; }
    std::int64_t size() const { return file_.size(); }
    // Where the audio container starts: after the ID3v2 tags some files begin with.
    std::int64_t audioStart() const { return audioStart_; }
    void setAudioStart(std::int64_t offset) { audioStart_ = offset; }

    // Up to `count` bytes from `offset` (fewer at the end of the file): from the bytes
    // read at the open when they lie there, else read into `scratch`, which must hold
    // `count`.
    std::span<const std::uint8_t> bytes(std::int64_t offset, std::size_t count,
                                        std::span<std::uint8_t> scratch) const;

private:
    const std::string& path_;
    const FileBytes& file_;
    std::int64_t audioStart_ = 0;
};

std::optional<ContainerLength> readFLACLength(const ContainerFile& file);
std::optional<ContainerLength> readMP3Length(const ContainerFile& file);
std::optional<ContainerLength> readWAVLength(const ContainerFile& file);
std::optional<ContainerLength> readAIFFLength(const ContainerFile& file);
std::optional<ContainerLength> readWavPackLength(const ContainerFile& file);
std::optional<ContainerLength> readTTALength(const ContainerFile& file);
std::optional<ContainerLength> readMusepackLength(const ContainerFile& file);
std::optional<ContainerLength> readADTSLength(const ContainerFile& file);
std::optional<ContainerLength> readASFLength(const ContainerFile& file);

namespace bytes {

inline std::uint32_t be16(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 8 | p[1];
}
inline std::uint32_t be24(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 16 | std::uint32_t{p[1]} << 8 | p[2];
}
inline std::uint32_t be32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | be24(p + 1);
}
inline std::uint32_t le16(const std::uint8_t* p) {
    return std::uint32_t{p[1]} << 8 | p[0];
}
inline std::uint32_t le32(const std::uint8_t* p) {
    return std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[1]} << 8 | p[0];
}
inline bool tagIs(const std::uint8_t* p, const char (&tag)[5]) {
    return p[0] == tag[0] && p[1] == tag[1] && p[2] == tag[2] && p[3] == tag[3];
}

} // namespace bytes

} // namespace orvane::media
