#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orvane::media {

// Where the audio of a FLAC file really ends, from the frame headers in its last bytes:
// a download or copy cut short keeps a STREAMINFO that counts the whole stream.
struct FlacTailEnd {
    std::int64_t lastFrameStart = 0; // first sample of the last frame that begins here
    std::int64_t end = 0;            // the sample after the last whole frame
};

// Looks in `tail`, the last bytes of a file, for the last frame header that follows
// another frame header in sample order (a lone header in compressed data may be a false
// one; two in sequence are not). `blockSize` is STREAMINFO's maximum block size, which
// numbers the frames of a fixed-block-size stream. A frame whose CRC-16 checks out to
// the end of `tail` is whole; otherwise the data ends at its start. Nothing when no two
// headers follow each other.
std::optional<FlacTailEnd> findFlacTailEnd(std::span<const std::uint8_t> tail, int blockSize);

// Reads at most the last `maxBytes` of the file at `path` and looks there.
std::optional<FlacTailEnd> readFlacTailEnd(const std::string& path, int blockSize,
                                           std::int64_t maxBytes);

} // namespace orvane::media
