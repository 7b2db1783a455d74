#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace orvane::media {

// One MPEG audio frame header (MPEG-1, 2 and 2.5, layers I to III).
struct MpegFrameHeader {
    std::uint32_t bits = 0;
    int layer = 0; // 1 to 3
    int sampleRate = 0;
    int samplesPerFrame = 0;
    int frameBytes = 0; // the whole frame, header included
    bool mono = false;
    bool mpeg1 = false;
};

// Decodes the four header bytes at the start of a frame. Nothing for a reserved version,
// layer, bit rate or sample rate, and for free format, whose frames FFmpeg does not
// decode either.
std::optional<MpegFrameHeader> parseMpegFrameHeader(std::uint32_t bits);

// What the frame headers of an MPEG audio file say, found without decoding anything.
struct MP3FrameWalk {
    int sampleRate = 0;
    int samplesPerFrame = 0;      // of the first frame, and so of every frame on the timeline
    std::int64_t audioFrames = 0; // frames of audio, a header frame not counted
    // The first frame carries a Xing, Info or VBRI header instead of audio.
    bool infoFrame = false;
    bool truncated = false;        // the data ends inside the last frame (counted)
    std::int64_t firstFrame = 0;   // byte offset of the first frame of audio
    std::int64_t audioEnd = 0;     // byte offset after the last frame
    std::int64_t skippedBytes = 0; // junk between frames passed over

    // The samples per channel FFmpeg decodes the frames to, delay and padding included.
    std::int64_t samples() const { return audioFrames * samplesPerFrame; }
};

// Walks the frames of an MPEG audio stream the way FFmpeg's demuxer and parser split it,
// so that the count is the one FFmpeg decodes (each frame, a truncated last one included,
// to a whole frame of samples): ID3v2 tags at the start and ID3v1 and APE tags at the end
// are left out; the first frame is one followed by another of the same kind within 64 KiB;
// after each frame the next valid header starts the next frame, which passes over junk.
//
// Nothing when no two such frames start the stream or the file cannot be read. Reads the
// file once, in pieces; safe from any thread.
std::optional<MP3FrameWalk> walkMP3Frames(const std::string& path);
std::optional<MP3FrameWalk> walkMP3Frames(std::span<const std::uint8_t> bytes);

} // namespace orvane::media
