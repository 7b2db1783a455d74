#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// A picture stored in an audio file's tags.
struct EmbeddedPicture {
    std::vector<std::uint8_t> data;
    std::string mimeType; // as stored; may be empty or wrong
};

// Pictures larger than this are passed over: no real cover comes near it, and a damaged
// size field must not cost more than reading what the file holds.
inline constexpr std::size_t kMaxEmbeddedPictureBytes = 16u << 20;

// The cover picture of the file at `path`: the front cover when one is marked as such,
// else the first picture. Read from the ID3v2 tags of MP3, WAV and AIFF files, the
// picture blocks of FLAC files, the Vorbis comments of Ogg files and the "covr" atom of
// MP4 files; the kind is chosen by the extension. None when there is no picture, the
// file cannot be read, or every picture is empty or too large. Never throws; blocks
// on file input; any thread.
std::optional<EmbeddedPicture> readEmbeddedPicture(const std::filesystem::path& path);

} // namespace orvane
