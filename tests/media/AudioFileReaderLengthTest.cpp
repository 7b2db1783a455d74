#include "MediaTestSupport.h"

namespace orvane::test {
namespace {

struct LengthCase {
    const char* file;
    double rate;
    int channels;
    std::int64_t frames;
};

class ExactLength : public ::testing::TestWithParam<LengthCase> {};

// The header's count must equal the source's and the number of frames a full read
// delivers: encoder delay and padding are gone for MP3 (LAME tag) and M4A (edit list).
TEST_P(ExactLength, HeaderCountEqualsSourceAndFullRead) {
    const LengthCase c = GetParam();
    SCOPED_TRACE(c.file);
    auto reader = openOrFail(fixture(c.file));
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->sampleRate(), c.rate);
    EXPECT_EQ(reader->channelCount(), c.channels);
    EXPECT_TRUE(reader->isLengthExact());
    EXPECT_EQ(reader->lengthFrames(), c.frames);

    EXPECT_EQ(readFrames(*reader, INT64_MAX, 1000).frames(), c.frames);
    EXPECT_EQ(reader->framePosition(), c.frames);
    EXPECT_EQ(reader->lengthFrames(), c.frames);
    EXPECT_FALSE(reader->hasError());
}

INSTANTIATE_TEST_SUITE_P(Formats, ExactLength,
                         ::testing::Values(LengthCase{"sine.flac", 44100, 2, kSineFrames},
                                           LengthCase{"sine.mp3", 44100, 2, kSineFrames},
                                           LengthCase{"sine.m4a", 44100, 2, kSineFrames},
                                           LengthCase{"sine-48k.wav", 48000, 2, 144001},
                                           LengthCase{"sine-6ch.wav", 44100, 6, kSineFrames},
                                           LengthCase{"marks.mp3", 44100, 2, kMarksFrames}),
                         [](const auto& param) { return std::to_string(param.index); });

// Raw ADTS AAC states no length: the reader estimates it, then reads (or seeks) on to
// the true end (every decoded frame: 131 of 1024) and from then on reports that.
TEST(EstimatedLength, FindsTheTrueEndByReadingOrSeeking) {
    constexpr std::int64_t kTrueEnd = 131 * 1024;
    for (const bool bySeek : {false, true}) {
        SCOPED_TRACE(bySeek ? "by seeking" : "by reading");
        auto reader = openOrFail(fixture("sine.aac"));
        ASSERT_TRUE(reader);
        EXPECT_FALSE(reader->isLengthExact());
        EXPECT_NEAR(static_cast<double>(reader->lengthFrames()), kTrueEnd, kTrueEnd * 0.05);
        if (bySeek) {
            EXPECT_TRUE(reader->seek(500000));
            EXPECT_EQ(reader->framePosition(), kTrueEnd);
            EXPECT_EQ(readFrames(*reader).frames(), 0);
        } else {
            EXPECT_EQ(readFrames(*reader).frames(), kTrueEnd);
        }
        EXPECT_TRUE(reader->isLengthExact());
        EXPECT_EQ(reader->lengthFrames(), kTrueEnd);
        EXPECT_FALSE(reader->hasError());
    }
}

// An MP3 without any header frame is counted from its frame headers at open: its length
// is every frame FFmpeg decodes, the encoder's delay and padding included (116 frames of
// 1152 for the sine; for the VBR noise and tone, what the fixture script measured with
// ffmpeg). FFmpeg's own estimate from the first, noisy frames falls seconds short there,
// and everything after it, the tone, would be lost to a player that stops at the length.
TEST(HeaderlessMp3, LengthAtOpenIsEveryFrameFfmpegDecodes) {
    std::int64_t noiseThenTone = 0;
    std::ifstream(fixture("noise-then-tone.frames")) >> noiseThenTone;
    ASSERT_GT(noiseThenTone, 20 * 44100);
    const std::pair<const char*, std::int64_t> cases[] = {{"sine-notag.mp3", 116 * 1152},
                                                          {"sine-notag-vbr.mp3", 116 * 1152},
                                                          {"noise-then-tone.mp3", noiseThenTone}};
    for (const auto& [file, frames] : cases) {
        SCOPED_TRACE(file);
        auto reader = openOrFail(fixture(file));
        ASSERT_TRUE(reader);
        EXPECT_TRUE(reader->isLengthExact());
        EXPECT_EQ(reader->lengthFrames(), frames);
        const Audio audio = readFrames(*reader);
        EXPECT_EQ(audio.frames(), frames);
        EXPECT_EQ(reader->lengthFrames(), frames);
        EXPECT_FALSE(reader->hasError());
        if (audio.frames() == noiseThenTone) {
            // The last second is the tone.
            EXPECT_GT(toneShare(audio.channels[0], audio.channels[0].size() - 44100, 440, 44100),
                      0.9);
        }
    }
}

} // namespace
} // namespace orvane::test
