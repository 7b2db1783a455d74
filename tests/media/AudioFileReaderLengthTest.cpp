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
                                           LengthCase{"marks.mp3", 44100, 2, kMarksFrames},
                                           LengthCase{"sine.ogg", 44100, 2, kSineFrames},
                                           LengthCase{"sine.wv", 44100, 2, kSineFrames},
                                           LengthCase{"sine.tta", 44100, 2, kSineFrames},
                                           // Resampled to 48 kHz by the encoder.
                                           LengthCase{"sine.opus", 48000, 2, 144002},
                                           // Without a header frame: see HeaderlessMP3.
                                           LengthCase{"sine-notag.mp3", 44100, 2, 116 * 1152},
                                           LengthCase{"sine-notag-vbr.mp3", 44100, 2, 116 * 1152}),
                         [](const auto& param) { return std::to_string(param.index); });

// Matroska states its length to the millisecond, WMA's decoder does not deliver what its
// container states and Musepack's stated duration is far off: the length at open is an
// estimate (near the source's but for Musepack's), and a full read runs past it to the
// true end and settles it. The FLAC inside Matroska is still bit-exact (content test).
TEST(ContainerLength, AnEstimateAtOpenSettledByAFullRead) {
    struct Case {
        const char* file;
        bool nearAtOpen;
    };
    for (const Case c : {Case{"sine.mka", true}, Case{"sine-vorbis.mka", true},
                         Case{"sine.wma", true}, Case{"sine.mpc", false}}) {
        SCOPED_TRACE(c.file);
        auto reader = openOrFail(fixture(c.file));
        ASSERT_TRUE(reader);
        if (c.nearAtOpen)
            EXPECT_NEAR(static_cast<double>(reader->lengthFrames()), kSineFrames, 44100 * 0.05);
        else
            EXPECT_FALSE(reader->isLengthExact());
        const std::int64_t read = readFrames(*reader).frames();
        EXPECT_NEAR(static_cast<double>(read), kSineFrames, 44100 * 0.1);
        EXPECT_TRUE(reader->isLengthExact());
        EXPECT_EQ(reader->lengthFrames(), read);
        EXPECT_FALSE(reader->hasError());
    }
}

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
// 1152 for the sine, in the table above; for the VBR noise and tone, what the fixture
// script measured with ffmpeg). FFmpeg's own estimate from the first, noisy frames falls seconds
// short there, and everything after it, the tone, would be lost to a player that stops at the
// length.
TEST(HeaderlessMP3, LengthAtOpenIsEveryFrameFfmpegDecodes) {
    std::int64_t frames = 0;
    std::ifstream(fixture("noise-then-tone.frames")) >> frames;
    ASSERT_GT(frames, 20 * 44100);
    auto reader = openOrFail(fixture("noise-then-tone.mp3"));
    ASSERT_TRUE(reader);
    EXPECT_TRUE(reader->isLengthExact());
    EXPECT_EQ(reader->lengthFrames(), frames);
    const Audio audio = readFrames(*reader);
    EXPECT_EQ(audio.frames(), frames);
    EXPECT_EQ(reader->lengthFrames(), frames);
    EXPECT_FALSE(reader->hasError());
    // The last second is the tone.
    EXPECT_GT(toneShare(audio.channels[0], audio.channels[0].size() - 44100, 440, 44100), 0.9);
}

// Files cut short after they were written: their headers count the whole 30 s they came
// from. The length at open must already be what FFmpeg decodes from them (the fixture
// script measured it), within 50 ms, so that the time shown, the seek bar and the
// preload point are right before anything is read; a full read then ends there.
TEST(CutShort, LengthAtOpenIsWhatTheFileHolds) {
    constexpr std::int64_t kStated = 30 * 44100;
    constexpr double kTolerance = 44100 / 20.0;
    for (const char* file : {"truncated-cbr.mp3", "truncated-vbr.mp3", "truncated.flac",
                             "truncated.m4a", "truncated.wav", "truncated.aiff"}) {
        SCOPED_TRACE(file);
        std::string measured = file;
        measured.replace(measured.rfind('.'), 1, "-");
        std::int64_t decodable = 0;
        std::ifstream(fixture(measured + ".frames")) >> decodable;
        ASSERT_GT(decodable, 44100);
        ASSERT_LT(decodable, kStated * 2 / 3);

        auto reader = openOrFail(fixture(file));
        ASSERT_TRUE(reader);
        EXPECT_NEAR(static_cast<double>(reader->lengthFrames()), static_cast<double>(decodable),
                    kTolerance);
        const std::int64_t read = readFrames(*reader).frames();
        EXPECT_NEAR(static_cast<double>(read), static_cast<double>(decodable), kTolerance);
        EXPECT_EQ(reader->lengthFrames(), read);
        EXPECT_FALSE(reader->hasError());
    }
}

} // namespace
} // namespace orvane::test
