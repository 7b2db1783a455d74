#include "media/MP3FrameWalk.h"

#include "media/MP3InfoTag.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace orvane::media {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

Bytes text(std::string_view s, std::size_t size = 0) {
    Bytes out(s.begin(), s.end());
    out.resize(std::max(size, out.size()), ' ');
    return out;
}

// `count` frames with `header` and the size its fields give; zero bodies hold no sync.
Bytes frames(std::uint32_t header, std::size_t bytes, int count = 10) {
    Bytes one(bytes, 0);
    for (std::size_t i = 0; i < 4; ++i)
        one[i] = static_cast<std::uint8_t>(header >> (24 - 8 * i));
    Bytes out;
    for (int i = 0; i < count; ++i)
        out.insert(out.end(), one.begin(), one.end());
    return out;
}
constexpr std::uint32_t kLayer3 = 0xfffb9064; // MPEG-1 layer III, 128 kbit/s, 44.1 kHz
constexpr std::size_t kLayer3Bytes = 417;

// Tags whose text holds a valid frame header, which must not count as a frame (the APE
// tag's size, 48, is its 16-byte item and its footer).
const Bytes kId3v2 =
    join({{'I', 'D', '3', 3, 0, 0, 0, 0, 0, 20}, text("TIT2\xff\xfb\x90\x64", 20)});
const Bytes kId3v1 = text("TAG\xff\xfb\x90\x64", 128);
const Bytes kApe = join({text("APETAGEX"),
                         {0xd0, 7, 0, 0, 48, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0xa0},
                         Bytes(8, 0),
                         text("\xff\xfb\x90\x64 item texts."),
                         text("APETAGEX"),
                         {0xd0, 7, 0, 0, 48, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0x80},
                         Bytes(8, 0)});

struct WalkCase {
    const char* name;
    Bytes bytes;
    std::int64_t frames;
    int samplesPerFrame;
    bool infoFrame = false;
    bool truncated = false;
    std::int64_t skipped = 0;
};

std::vector<WalkCase> walkCases() {
    Bytes silent = frames(kLayer3, kLayer3Bytes, 1);
    std::copy_n("Info", 4, silent.begin() + 36);
    Bytes info = silent;
    info[43] = 1; // flags: a frame count
    info[47] = 9; // of 9 frames
    Bytes cut = frames(kLayer3, kLayer3Bytes);
    cut.resize(cut.size() - 100);
    Bytes stereoFirst = frames(kLayer3, kLayer3Bytes, 1);
    stereoFirst[3] ^= 0x40; // the others are joint stereo
    const Bytes junk(300, 'j');
    return {
        {"layer III", frames(kLayer3, kLayer3Bytes), 10, 1152},
        {"layer II", frames(0xfffda004, 626), 10, 1152},
        {"layer I", frames(0xffffc004, 416), 10, 384},
        {"MPEG-2.5 mono", frames(0xffe388c4, 576), 10, 576},
        {"tags at both ends", join({kId3v2, kId3v2, frames(kLayer3, kLayer3Bytes), kApe, kId3v1}),
         10, 1152},
        {"junk before, between and after",
         join({kId3v2, junk, frames(kLayer3, kLayer3Bytes, 4), junk,
               frames(kLayer3, kLayer3Bytes, 6), junk}),
         10, 1152, false, false, 300},
        {"cut inside the last frame", join({cut, kId3v1}), 10, 1152, false, true},
        {"header frame", join({kId3v2, info, frames(kLayer3, kLayer3Bytes, 9)}), 9, 1152, true},
        // One that states no count is decoded as a frame of audio, as FFmpeg does.
        {"header frame without counts", join({kId3v2, silent, frames(kLayer3, kLayer3Bytes, 9)}),
         10, 1152},
        // FFmpeg starts where two frames agree in channel mode too.
        {"first frame in another mode", join({stereoFirst, frames(kLayer3, kLayer3Bytes, 9)}), 9,
         1152},
    };
}

TEST(MP3FrameWalk, CountsTheFramesFfmpegDecodes) {
    for (const WalkCase& c : walkCases()) {
        SCOPED_TRACE(c.name);
        const auto walk = walkMP3Frames(c.bytes);
        ASSERT_TRUE(walk);
        EXPECT_EQ(walk->audioFrames, c.frames);
        EXPECT_EQ(walk->samplesPerFrame, c.samplesPerFrame);
        EXPECT_EQ(walk->infoFrame, c.infoFrame);
        EXPECT_EQ(walk->truncated, c.truncated);
        EXPECT_EQ(walk->skippedBytes, c.skipped);
    }
    // No two frames in a row: nothing.
    EXPECT_FALSE(walkMP3Frames(Bytes(5000, 0)));
    EXPECT_FALSE(walkMP3Frames(join(
        {frames(kLayer3, kLayer3Bytes, 1), Bytes(100, 'j'), frames(kLayer3, kLayer3Bytes, 1)})));
}

// An MPEG-2 mono frame keeps its tag 9 bytes after the header (MPEG-1 stereo: 32).
// Without an encoder extension there is a frame count but no delay.
TEST(MP3InfoTag, ParsesMpeg2MonoAndTagsWithoutEncoderDelay) {
    std::vector<std::uint8_t> frame(200, 0);
    const std::uint8_t header[] = {0xff, 0xf3, 0x80, 0xc0}; // MPEG-2 L3, 22.05 kHz, mono
    std::copy(std::begin(header), std::end(header), frame.begin());
    const std::uint8_t tag[] = {'X', 'i', 'n', 'g', 0, 0, 0, 1, 0, 0, 0x01, 0x00};
    std::copy(std::begin(tag), std::end(tag), frame.begin() + 4 + 9);

    const auto parsed = parseMP3InfoTag(frame);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->sampleRate, 22050);
    EXPECT_EQ(parsed->samplesPerFrame, 576);
    EXPECT_EQ(parsed->frameCount, 256);
    EXPECT_FALSE(parsed->hasEncoderDelay);

    // Truncated in the middle of the tag, or not layer III: nothing.
    EXPECT_FALSE(parseMP3InfoTag(std::span(frame).first(16)));
    frame[1] = 0xf5; // layer II
    EXPECT_FALSE(parseMP3InfoTag(frame));
}

} // namespace
} // namespace orvane::media
