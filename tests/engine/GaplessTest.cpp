#include "EngineTestSupport.h"
#include "media/MediaTestSupport.h"

#include <algorithm>
#include <cmath>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

// full.wav is cut into cut_a and cut_b at this frame (see make-engine-fixtures.sh).
constexpr std::int64_t kCut = 70001;
constexpr std::int64_t kFullFrames = 4 * 44100;

struct Signal {
    std::vector<float> left;
    std::vector<float> right;
};

Signal decodeStereo(const std::string& path) {
    Audio audio = decodeFile(path);
    EXPECT_EQ(audio.channels.size(), 2u) << path;
    audio.channels.resize(2);
    return {std::move(audio.channels[0]), std::move(audio.channels[1])};
}

// Plays `files` back to back through an engine whose output runs at `rate`, queueing
// each next file as soon as the previous one is current (the second one only after
// `lateSeconds` of playing, if given), and records the player's output (before any
// gain or tone stage) until the last file has ended.
Signal playThrough(double rate, const std::vector<std::string>& files, double lateSeconds = 0) {
    EngineRig rig(rate);
    RecordingTap tap(1 << 19);
    rig->host().graph().setTap(TapPoint::Player, &tap);
    std::size_t next = 1;
    bool ended = false;
    rig->onTrackEnded = [&] {
        ended = true;
    };
    rig->onGaplessPromotion = [&](const Uuid&) {
        if (next < files.size()) {
            EXPECT_TRUE(rig->preloadNext(engineFixture(files[next++]), Uuid::random(), 0.0,
                                         std::nullopt, 1.0));
        }
    };
    rig->load(engineFixture(files[0]), Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    rig.run(lateSeconds);
    if (files.size() > 1) {
        EXPECT_TRUE(
            rig->preloadNext(engineFixture(files[next++]), Uuid::random(), 0.0, std::nullopt, 1.0));
    }
    for (int i = 0; i < 2000 && !ended; ++i)
        rig.run(0.01);
    EXPECT_TRUE(ended);
    rig->host().graph().setTap(TapPoint::Player, nullptr);
    return {tap.left, tap.right};
}

// Frames the player produced: everything up to the silence after the last file.
std::size_t soundingLength(const Signal& s) {
    std::size_t n = s.left.size();
    while (n > 0 && s.left[n - 1] == 0.0f && s.right[n - 1] == 0.0f)
        --n;
    return n;
}

float maxError(const Signal& a, const Signal& b, std::size_t from, std::size_t to) {
    return std::max(maxDifference(a.left, from, b.left, from, to - from),
                    maxDifference(a.right, from, b.right, from, to - from));
}

class LosslessSeam : public ::testing::TestWithParam<const char*> {};

// Also when the decoder reached the end of the first region before the second was queued.
TEST_P(LosslessSeam, HalvesJoinBitExactlyEvenWhenQueuedLate) {
    const std::string extension = GetParam();
    const auto reference = decodeStereo(engineFixture("full.wav"));
    ASSERT_EQ(reference.left.size(), static_cast<std::size_t>(kFullFrames));
    for (const double late : {0.0, 1.0}) {
        SCOPED_TRACE(late);
        const auto out = playThrough(44100.0, {"cut_a." + extension, "cut_b." + extension}, late);
        ASSERT_GE(out.left.size(), static_cast<std::size_t>(kFullFrames));
        EXPECT_EQ(maxError(out, reference, 0, kFullFrames), 0.0f);
        EXPECT_LE(soundingLength(out), static_cast<std::size_t>(kFullFrames)) << "overlap";
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, LosslessSeam, ::testing::Values("wav", "flac"));

// Lossy halves (MP3 with info tags, M4A): no gap, no overlap (the total length is
// exact), and no error at the seam beyond the codec's own. That the reader keeps each
// file on its source's timeline is the media tests' part.
class LossySeam : public ::testing::TestWithParam<const char*> {};

TEST_P(LossySeam, HalvesJoinWithoutGapOrOverlap) {
    const std::string extension = GetParam();
    const auto original = decodeStereo(engineFixture("full.wav"));
    const auto out = playThrough(44100.0, {"cut_a." + extension, "cut_b." + extension});
    const auto whole = playThrough(44100.0, {"full." + extension});
    ASSERT_GE(out.left.size(), static_cast<std::size_t>(kFullFrames));
    ASSERT_GE(whole.left.size(), static_cast<std::size_t>(kFullFrames));
    EXPECT_EQ(soundingLength(out), static_cast<std::size_t>(kFullFrames));

    // The engine adds nothing at the seam: across it, the output is exactly the two
    // files as the reader decodes them, laid end to end.
    const auto partA = decodeStereo(engineFixture("cut_a." + extension));
    const auto partB = decodeStereo(engineFixture("cut_b." + extension));
    ASSERT_EQ(partA.left.size(), static_cast<std::size_t>(kCut));
    ASSERT_EQ(partB.left.size(), static_cast<std::size_t>(kFullFrames - kCut));
    for (std::size_t i = 0; i < 4096; ++i) {
        ASSERT_EQ(out.left[kCut - 4096 + i], partA.left[kCut - 4096 + i]) << i;
        ASSERT_EQ(out.right[kCut + i], partB.right[i]) << i;
    }

    // So whatever error remains at the seam is the codec's: no larger than its error
    // elsewhere in the halves, in the uncut file, or at the start of a file, where an
    // encoder that starts from nothing has its largest error (FFmpeg's AAC encoder:
    // about 0.17 to 0.21 depending on the signal there, hence the margin).
    const std::size_t seamFrom = static_cast<std::size_t>(kCut) - 2048;
    const std::size_t seamTo = static_cast<std::size_t>(kCut) + 2048;
    const float elsewhere = std::max(maxError(out, original, 4096, seamFrom - 4096),
                                     maxError(out, original, seamTo + 4096, kFullFrames - 4096));
    EXPECT_LE(maxError(out, original, seamFrom, seamTo),
              std::max({elsewhere, maxError(whole, original, 0, kFullFrames),
                        maxError(out, original, 0, 2048)}) *
                  1.25f);
}

INSTANTIATE_TEST_SUITE_P(Formats, LossySeam, ::testing::Values("mp3", "m4a"));

TEST(GaplessTest, ResampledHalvesMatchTheUncutFileResampledInOnePiece) {
    const auto out = playThrough(48000.0, {"cut_a.wav", "cut_b.wav"});
    const auto whole = playThrough(48000.0, {"full.wav"});
    const std::size_t length = 192000; // 4 s at 48 kHz
    EXPECT_EQ(soundingLength(whole), length);
    EXPECT_EQ(soundingLength(out), length);
    ASSERT_GE(out.left.size(), length);
    ASSERT_GE(whole.left.size(), length);
    EXPECT_LE(maxError(out, whole, 0, length), 1e-6f);
}

TEST(GaplessTest, ThreeRegionsOfOneFileFollowEachOtherExactly) {
    // A region queued while the previous is still short of its end, three times over:
    // each seam falls on a different block offset.
    const auto out = playThrough(44100.0, {"short.wav", "short.wav", "short.wav"});
    const auto once = decodeStereo(engineFixture("short.wav"));
    ASSERT_GE(out.left.size(), 3 * once.left.size());
    for (std::size_t copy = 0; copy < 3; ++copy)
        for (std::size_t i = 0; i < once.left.size(); ++i)
            ASSERT_EQ(out.left[copy * once.left.size() + i], once.left[i]) << copy << " " << i;
}

TEST(GaplessTest, MonoFilesPlayOnBothSidesAndSurroundIsMixedDown) {
    for (const std::string name : {"mono.wav", "surround.wav"}) {
        SCOPED_TRACE(name);
        const auto out = playThrough(48000.0, {name});
        const float peak =
            *std::max_element(out.left.begin(), out.left.end(),
                              [](float a, float b) { return std::abs(a) < std::abs(b); });
        EXPECT_GT(std::abs(peak), 0.1f);
        EXPECT_LE(std::abs(peak), 1.0f);
        if (name == "mono.wav") {
            EXPECT_EQ(out.left, out.right);
        }
    }
}

} // namespace
} // namespace orvane::test
