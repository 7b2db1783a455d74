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

// Without a Xing/Info tag an MP3 states no length: the reader estimates it, then reads
// (or seeks) on to the true end (every decoded sample, delay included: 116 frames of
// 1152) and from then on reports that.
TEST(EstimatedLength, MP3WithoutInfoTagFindsTheTrueEndByReadingOrSeeking) {
    constexpr std::int64_t kTrueEnd = 116 * 1152;
    for (const char* file : {"sine-notag.mp3", "sine-notag-vbr.mp3"}) {
        for (const bool bySeek : {false, true}) {
            SCOPED_TRACE(std::string(file) + (bySeek ? " by seeking" : " by reading"));
            auto reader = openOrFail(fixture(file));
            ASSERT_TRUE(reader);
            EXPECT_FALSE(reader->isLengthExact());
            EXPECT_NEAR(static_cast<double>(reader->lengthFrames()), 133632.0, 133632.0 * 0.05);
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
}

} // namespace
} // namespace orvane::test
