#include "MediaTestSupport.h"

#include <cmath>
#include <map>

namespace orvane::test {
namespace {

struct SeekCase {
    const char* file;
    bool bitExact;
    std::int64_t frames = kMarksFrames; // Opus: the marks at 48 kHz
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
        SCOPED_TRACE(GetParam().file);
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

// Reading after seek(n) equals reading through from 0 and skipping n: bit-exact for
// lossless files and MP3 (the preroll settles the decoder completely), and for AAC
// within its noise substitution. Targets jump back and forth over frame boundaries of
// every codec, odd frames, the very start and the last frames.
TEST_P(SampleExactSeek, ReadingAfterASeekMatchesReadingThrough) {
    const SeekCase c = GetParam();
    auto reader = openOrFail(fixture(c.file));
    ASSERT_TRUE(reader);
    ASSERT_EQ(reference(c.file).frames(), c.frames);
    for (const std::int64_t target :
         {std::int64_t{300001}, std::int64_t{0}, std::int64_t{1}, std::int64_t{4608},
          std::int64_t{1151}, std::int64_t{1024 * 100 + 1}, std::int64_t{700000},
          std::int64_t{44100 * 5 - 3}, c.frames - 1, std::int64_t{2047}, std::int64_t{1105},
          c.frames - 4000, std::int64_t{88200}, std::int64_t{12345}}) {
        ASSERT_TRUE(reader->seek(target)) << target;
        EXPECT_EQ(reader->framePosition(), target);
        expectMatches(*reader, target, 6000, c.bitExact);
    }
}

// The pattern of the silence trimmer: position the reader at each block start, read
// one block; consecutive positions must not disturb the stream. Then, from the end,
// back to the start: the whole file again, bit for bit.
TEST_P(SampleExactSeek, BlockBySeekAndReadEqualsReadingThroughAndRewinds) {
    const SeekCase c = GetParam();
    auto reader = openOrFail(fixture(c.file));
    ASSERT_TRUE(reader);
    for (std::int64_t block = c.frames - 60 * 1024; block < c.frames; block += 1024) {
        ASSERT_TRUE(reader->seek(block));
        expectMatches(*reader, block, 1024, c.bitExact);
    }
    EXPECT_EQ(reader->framePosition(), c.frames);
    ASSERT_TRUE(reader->seek(0));
    expectMatches(*reader, 0, c.frames, true);
}

INSTANTIATE_TEST_SUITE_P(Formats, SampleExactSeek,
                         ::testing::Values(SeekCase{"marks.wav", true},
                                           SeekCase{"marks.flac", true},
                                           SeekCase{"marks.mp3", true}, SeekCase{"marks.ogg", true},
                                           SeekCase{"marks.m4a", false},
                                           SeekCase{"marks.opus", true, 960002}),
                         [](const auto& param) { return std::to_string(param.index); });

} // namespace
} // namespace orvane::test
