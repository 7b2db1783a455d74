#include "media/MP3InfoTag.h"

#include <vector>

#include <gtest/gtest.h>

namespace orvane::media {
namespace {

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
