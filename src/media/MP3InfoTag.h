#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orvane::media {

// What the Xing/Info tag in the first frame of an MP3 says about the stream. LAME (and
// FFmpeg's own muxer) add the encoder delay and padding, which make the length exact:
// frames x samplesPerFrame - delay - padding.
struct MP3InfoTag {
    std::int64_t frameCount = 0; // audio frames after the tag frame
    int samplesPerFrame = 0;     // 1152 (MPEG-1) or 576 (MPEG-2 and 2.5)
    int sampleRate = 0;
    bool hasEncoderDelay = false;
    int delay = 0;   // encoder delay in samples at the start
    int padding = 0; // padding in samples at the end
    // Bytes of the stream from the tag frame on, as the encoder wrote it; 0 when the tag
    // does not say. A file holding fewer was cut short.
    std::int64_t byteCount = 0;
    std::int64_t tagOffset = 0; // where the tag frame starts in the file
    int tagFrameBytes = 0;      // the tag frame's size at its header's bit rate

    std::int64_t totalSamples() const { return frameCount * samplesPerFrame; }
};

// Parses the tag from the bytes of the first MPEG audio frame (header included).
// nullopt when the frame is not layer III or carries no Xing/Info tag with a frame
// count. The encoder delay is read, as FFmpeg does, only from a LAME, Lavf or Lavc
// extension.
std::optional<MP3InfoTag> parseMP3InfoTag(std::span<const std::uint8_t> frame);

// Size in bytes of an ID3v2 tag whose 10 header bytes are `header`, or 0 if they are
// not one.
std::size_t id3v2TagSize(std::span<const std::uint8_t, 10> header);

// Reads the tag of the file at `path`: the frame right after any ID3v2 tags.
std::optional<MP3InfoTag> readMP3InfoTag(const std::string& path);

} // namespace orvane::media
