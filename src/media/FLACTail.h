#pragma once

#include "media/FileBytes.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orvane::media {

// Where the audio of a FLAC file really ends, from the frame headers in its last bytes:
// a download or copy cut short keeps a STREAMINFO that counts the whole stream.
//
// Looks in `tail`, the last bytes of a file, for the last frame header that follows
// another frame header in sample order (a lone header in compressed data may be a false
// one; two in sequence are not). `blockSize` is STREAMINFO's maximum block size, which
// numbers the frames of a fixed-block-size stream. When that frame reaches `total`, the
// file is whole (or cut inside its last frame, which the header's count then still
// describes best): nothing. Otherwise the sample after the last whole frame: that frame's
// end when its CRC-16 checks out to the end of `tail`, else its start. Nothing too when
// no two headers follow each other in `tail`.
std::optional<std::int64_t> findFLACCutEnd(std::span<const std::uint8_t> tail, int blockSize,
                                           std::int64_t total);

// What the last bytes of a file say about `total`: that the file holds it all, that it
// ends at `end`, or nothing (no two frames in sequence in its last 64 KiB).
struct FLACTailReading {
    enum class Verdict { whole, cut, unknown };
    Verdict verdict = Verdict::unknown;
    std::int64_t end = 0; // with cut
};

// Reads 8 KiB from the end of `file`, and 64 KiB when that holds no two frames in
// sequence.
FLACTailReading readFLACTail(const FileBytes& file, int blockSize, std::int64_t total);

// The cut end from the file at `path`, as readFLACTail finds it.
std::optional<std::int64_t> readFLACCutEnd(const std::string& path, int blockSize,
                                           std::int64_t total);

} // namespace orvane::media
