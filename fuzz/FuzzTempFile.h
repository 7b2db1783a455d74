#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace orvane::fuzz {

// Writes `size` bytes to a file named `name` in a private temporary folder that this
// process creates on first use and removes at exit; every call with the same name
// overwrites the same file, so a long run does not fill the disk.
std::filesystem::path writeTempFile(const std::string& name, const std::uint8_t* data,
                                    std::size_t size);

// Writes an audio-reader input to the temporary folder: its first byte picks the file
// name extension (0 mp3, 1 flac, 2 m4a, 3 wav, 4 ogg, 5 opus, 6 wv, 7 wma, 8 aac, 9 caf,
// then around again; the readers choose their parser by it and by the content), the
// rest is the file. Nothing for an empty input.
std::optional<std::filesystem::path> writeAudioInput(const std::uint8_t* data, std::size_t size);

} // namespace orvane::fuzz
