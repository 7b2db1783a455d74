#include "MediaTestSupport.h"

#include <array>
#include <cmath>
#include <map>

namespace orvane::test {
namespace {

struct SeekCase {
    const char* file;
    bool bitExact;
};

class SampleExactSeek : public ::testing::TestWithParam<SeekCase> {
protected:
    static const Audio& reference(const std::string& file) {
        static std::map<std::string, Audio> cache;
        auto it = cache.find(file);
        if (it == cache.end())
            it = cache.emplace(file, decodeFile(fixture(file))).first;
        return it->second;
    }

    // Reads `count` frames at the reader's position and compares them with the
    // reference at `at`: bit for bit, or else by the size of the difference. AAC's
    // noise substitution draws from a running random generator, so its noise bands
    // differ after a seek; the difference must still be far below what an offset of
    // one frame would cause (5% of that would already show a misplaced seek).
    void expectMatches(AudioFileReader& reader, std::int64_t at, std::int64_t count,
                       bool bitExact) {
        const Audio& ref = reference(GetParam().file);
        const std::int64_t expected = std::min(count, ref.frames() - at);
        const Audio got = readFrames(reader, count, 1777);
        ASSERT_EQ(got.frames(), expected) << "at " << at;
        const auto start = static_cast<std::size_t>(at);
        const auto n = static_cast<std::size_t>(expected);
        for (std::size_t c = 0; c < got.channels.size(); ++c) {
            const std::vector<float>& x = ref.channels[c];
            if (bitExact) {
                EXPECT_EQ(maxDifference(got.channels[c], 0, x, start, n), 0.0f)
                    << "at " << at << ", channel " << c;
                continue;
            }
            double error = 0.0, shifted = 0.0;
            for (std::size_t i = 0; i < n && start + i + 1 < x.size(); ++i) {
                const double e =
                    static_cast<double>(got.channels[c][i]) - static_cast<double>(x[start + i]);
                const double s =
                    static_cast<double>(x[start + i + 1]) - static_cast<double>(x[start + i]);
                error += e * e;
                shifted += s * s;
            }
            EXPECT_LE(std::sqrt(error), 0.05 * std::sqrt(shifted))
                << "at " << at << ", channel " << c;
        }
    }
};

// Targets in an order that jumps back and forth: frame boundaries of every codec,
// odd frames, the very start and the last frames.
constexpr std::array<std::int64_t, 14> kTargets = {300001,
                                                   0,
                                                   1,
                                                   4608,
                                                   1151,
                                                   1024 * 100 + 1,
                                                   700000,
                                                   44100 * 5 - 3,
                                                   kMarksFrames - 1,
                                                   2047,
                                                   1105,
                                                   kMarksFrames - 4000,
                                                   88200,
                                                   12345};

// Reading after seek(n) equals reading through from 0 and skipping n: bit-exact for
// lossless files and MP3 (the preroll settles the decoder completely), and for AAC
// within its noise substitution.
TEST_P(SampleExactSeek, ReadingAfterASeekMatchesReadingThrough) {
    const SeekCase c = GetParam();
    auto reader = openOrFail(fixture(c.file));
    ASSERT_TRUE(reader);
    ASSERT_EQ(reference(c.file).frames(), kMarksFrames);
    for (const std::int64_t target : kTargets) {
        ASSERT_TRUE(reader->seek(target)) << target;
        EXPECT_EQ(reader->framePosition(), target);
        expectMatches(*reader, target, 6000, c.bitExact);
    }
}

// The pattern of the silence trimmer: position the reader at each block start, read
// one block. Consecutive positions must not disturb the stream.
TEST_P(SampleExactSeek, BlockBySeekAndReadEqualsReadingThrough) {
    const SeekCase c = GetParam();
    auto reader = openOrFail(fixture(c.file));
    ASSERT_TRUE(reader);
    const std::int64_t start = kMarksFrames - 60 * 1024;
    for (std::int64_t block = start; block < kMarksFrames; block += 1024) {
        ASSERT_TRUE(reader->seek(block));
        expectMatches(*reader, block, 1024, c.bitExact);
    }
    EXPECT_EQ(reader->framePosition(), kMarksFrames);
}

TEST_P(SampleExactSeek, ClickLandsWhereTheSeekSaysItIs) {
    auto reader = openOrFail(fixture(GetParam().file));
    ASSERT_TRUE(reader);
    for (const std::int64_t click :
         {kClickOffset + 7 * kClickSpacing, kClickOffset + 2 * kClickSpacing}) {
        ASSERT_TRUE(reader->seek(click - 100));
        const Audio got = readFrames(*reader, 200);
        EXPECT_EQ(peakIndex(got.channels[1], 0, got.frames()), 100);
    }
}

TEST_P(SampleExactSeek, RereadingFromTheStartAfterTheEndRepeatsTheFile) {
    auto reader = openOrFail(fixture(GetParam().file));
    ASSERT_TRUE(reader);
    readFrames(*reader);
    ASSERT_TRUE(reader->seek(0));
    expectMatches(*reader, 0, kMarksFrames, true);
}

INSTANTIATE_TEST_SUITE_P(Formats, SampleExactSeek,
                         ::testing::Values(SeekCase{"marks.wav", true},
                                           SeekCase{"marks.flac", true},
                                           SeekCase{"marks.mp3", true},
                                           SeekCase{"marks.m4a", false}),
                         [](const auto& testInfo) {
                             std::string name = testInfo.param.file;
                             std::replace(name.begin(), name.end(), '.', '_');
                             return name;
                         });

TEST(SeekBounds, BeyondTheEndParksTheReaderAtTheEnd) {
    for (const char* file : {"sine.wav", "sine.mp3", "sine.m4a"}) {
        SCOPED_TRACE(file);
        auto reader = openOrFail(fixture(file));
        ASSERT_TRUE(reader);
        EXPECT_TRUE(reader->seek(kSineFrames + 5000));
        EXPECT_EQ(reader->framePosition(), kSineFrames);
        EXPECT_EQ(readFrames(*reader).frames(), 0);

        EXPECT_FALSE(reader->seek(-1));
        EXPECT_EQ(reader->framePosition(), kSineFrames);

        ASSERT_TRUE(reader->seek(kSineFrames - 100));
        EXPECT_EQ(readFrames(*reader, 4096).frames(), 100);
        EXPECT_EQ(readFrames(*reader).frames(), 0);
        EXPECT_FALSE(reader->hasError());
    }
}

// With only an estimate of the length, a seek past the true end still ends at the
// true end, and the length becomes exact.
TEST(SeekBounds, BeyondTheEndOfAnEstimatedLengthFindsTheTrueEnd) {
    auto reader = openOrFail(fixture("sine-notag-vbr.mp3"));
    ASSERT_TRUE(reader);
    ASSERT_FALSE(reader->isLengthExact());
    EXPECT_TRUE(reader->seek(500000));
    EXPECT_EQ(reader->framePosition(), 116 * 1152);
    EXPECT_TRUE(reader->isLengthExact());
    EXPECT_EQ(reader->lengthFrames(), 116 * 1152);
    EXPECT_EQ(readFrames(*reader).frames(), 0);
}

TEST(SeekBounds, ReadsWithoutRoomOrBuffersDeliverNothing) {
    auto reader = openOrFail(fixture("sine.wav"));
    ASSERT_TRUE(reader);
    std::vector<float> l(8), r(8);
    float* channels[] = {l.data(), r.data()};
    EXPECT_EQ(reader->read(channels, 0), 0);
    EXPECT_EQ(reader->read(nullptr, 8), 0);
    EXPECT_EQ(reader->framePosition(), 0);
    EXPECT_EQ(reader->read(channels, 8), 8);
}

} // namespace
} // namespace orvane::test
