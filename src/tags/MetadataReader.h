#pragma once

#include "tags/TrackMetadata.h"

#include <filesystem>

namespace orvane {

// Reads tags and technical data of one audio file: duration and sample rate from the
// container's headers where they state what the decoder would (media/ContainerLength.h),
// else from the decoder's header information; title, artist and album from the
// container's own tags, the other text and number fields from ID3v2 frames (MP3 files,
// and AIFF and WAV files that carry an ID3 chunk), the bit rate of the first audio
// stream. Nothing is decoded.
//
// Threading: blocks on file input; call it on a background thread. Independent calls
// may run on different threads at the same time.
class MetadataReader {
public:
    MetadataReader() = delete;

    // Never fails: whatever cannot be read stays without value.
    static TrackMetadata read(const std::filesystem::path& path);
};

} // namespace orvane
