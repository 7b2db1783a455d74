#include "DSPTestSupport.h"
#include "EngineTestSupport.h"
#include "media/MediaTestSupport.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <optional>

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

// What the player played (before any gain or tone stage), and what the engine reported
// on the way.
struct Played : Signal {
    double duration = 0;                  // of the first file, once loaded
    std::optional<double> preloadAskedAt; // the position at the first request
    std::optional<std::size_t> handOffAt; // frames played at the first hand-off
    std::optional<std::size_t> endedAt;   // frames played when the last file ended
};

// Plays the fixtures `files` back to back through an engine whose output runs at `rate`
// until the last one has ended. Each file after the second is queued as soon as the one
// before it is current; the second after `queueAfter` seconds of playing, or at the first
// preload request when that is absent.
Played playThrough(double rate, const std::vector<std::string>& files,
                   std::optional<double> queueAfter = 0.0) {
    EngineRig rig(rate);
    RecordingTap tap(1 << 21);
    rig->host().graph().setTap(TapPoint::Player, &tap);
    Played out;
    std::size_t next = 1;
    const auto queueNext = [&] {
        if (next < files.size()) {
            EXPECT_TRUE(rig->preloadNext(fixtureFile(files[next++]), Uuid::random(), 0.0,
                                         std::nullopt, 1.0));
        }
    };
    rig->onNeedPreload = [&] {
        if (!out.preloadAskedAt)
            out.preloadAskedAt = rig->currentTime.get();
        if (!queueAfter)
            queueNext();
    };
    rig->onGaplessPromotion = [&](const Uuid&) {
        out.handOffAt = out.handOffAt.value_or(tap.left.size());
        queueNext();
    };
    rig->onTrackEnded = [&] {
        out.endedAt = tap.left.size();
    };
    rig->load(fixtureFile(files[0]), Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    out.duration = rig->duration.get();
    if (queueAfter) {
        rig.run(*queueAfter);
        queueNext();
    }
    for (int i = 0; i < 4000 && !out.endedAt; ++i)
        rig.run(0.01);
    EXPECT_TRUE(out.endedAt);
    rig->host().graph().setTap(TapPoint::Player, nullptr);
    out.left = tap.left;
    out.right = tap.right;
    return out;
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
        const auto out =
            playThrough(44100.0, {"engine/cut_a." + extension, "engine/cut_b." + extension}, late);
        ASSERT_GE(out.left.size(), static_cast<std::size_t>(kFullFrames));
        EXPECT_EQ(maxError(out, reference, 0, kFullFrames), 0.0f);
        EXPECT_LE(soundingLength(out), static_cast<std::size_t>(kFullFrames)) << "overlap";
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, LosslessSeam, ::testing::Values("wav", "flac"));

// Lossy halves (MP3 with info tags, M4A, Ogg Vorbis, Opus at its own 48 kHz): no gap,
// no overlap (the total length is exact), and no error at the seam beyond the codec's
// own. That the reader keeps each file on its source's timeline is the media tests' part.
struct SeamCase {
    const char* extension;
    double rate;
    const char* original; // the uncut source at that rate
    std::int64_t cut;
    std::int64_t frames;
    float margin = 1.25f; // the codec's error at a file's edges over its error elsewhere
};

class LossySeam : public ::testing::TestWithParam<SeamCase> {};

TEST_P(LossySeam, HalvesJoinWithoutGapOrOverlap) {
    const SeamCase c = GetParam();
    const std::string extension = c.extension;
    const auto cut = static_cast<std::size_t>(c.cut);
    const auto frames = static_cast<std::size_t>(c.frames);
    const auto original = decodeStereo(engineFixture(c.original));
    const auto out =
        playThrough(c.rate, {"engine/cut_a." + extension, "engine/cut_b." + extension});
    const auto whole = playThrough(c.rate, {"engine/full." + extension});
    ASSERT_GE(out.left.size(), frames);
    ASSERT_GE(whole.left.size(), frames);
    EXPECT_EQ(soundingLength(out), frames);

    // The engine adds nothing at the seam: across it, the output is exactly the two
    // files as the reader decodes them, laid end to end.
    const auto partA = decodeStereo(engineFixture("cut_a." + extension));
    const auto partB = decodeStereo(engineFixture("cut_b." + extension));
    ASSERT_EQ(partA.left.size(), cut);
    ASSERT_EQ(partB.left.size(), frames - cut);
    for (std::size_t i = 0; i < 4096; ++i) {
        ASSERT_EQ(out.left[cut - 4096 + i], partA.left[cut - 4096 + i]) << i;
        ASSERT_EQ(out.right[cut + i], partB.right[i]) << i;
    }

    // So whatever error remains at the seam is the codec's: no larger than its error
    // elsewhere in the halves, in the uncut file, or at the start of a file, where an
    // encoder that starts from nothing has its largest error (FFmpeg's AAC encoder:
    // about 0.17 to 0.21 depending on the signal there, hence the margin; libvorbis's
    // error where a file ends is larger still, 1.4 times its largest elsewhere).
    const std::size_t seamFrom = cut - 2048;
    const std::size_t seamTo = cut + 2048;
    const float elsewhere = std::max(maxError(out, original, 4096, seamFrom - 4096),
                                     maxError(out, original, seamTo + 4096, frames - 4096));
    EXPECT_LE(maxError(out, original, seamFrom, seamTo),
              std::max({elsewhere, maxError(whole, original, 0, frames),
                        maxError(out, original, 0, 2048)}) *
                  c.margin);
}

INSTANTIATE_TEST_SUITE_P(Formats, LossySeam,
                         ::testing::Values(SeamCase{"mp3", 44100.0, "full.wav", kCut, kFullFrames},
                                           SeamCase{"m4a", 44100.0, "full.wav", kCut, kFullFrames},
                                           SeamCase{"ogg", 44100.0, "full.wav", kCut, kFullFrames,
                                                    1.6f},
                                           SeamCase{"opus", 48000.0, "full48.wav", 76191, 192000}),
                         [](const auto& param) { return std::string(param.param.extension); });

// A lossless first half, then the second half as Opus (both at 48 kHz, as only a file
// of the playing rate and channel count is queued without a gap): the FLAC plays bit for
// bit and the Opus follows it without a gap or an overlap. A frame too many or too few
// at the seam would put all that follows a frame off the source, so the source must fit
// best where it is, not a frame either way.
TEST(GaplessTest, OpusFollowsFLACWithoutGapOrOverlap) {
    constexpr std::size_t kCut48 = 76191;
    constexpr std::size_t kFrames48 = 192000;
    const auto original = decodeStereo(engineFixture("full48.wav"));
    const auto out = playThrough(48000.0, {"engine/cut_a48.flac", "engine/cut_b.opus"});
    ASSERT_GE(out.left.size(), kFrames48);
    EXPECT_EQ(maxError(out, original, 0, kCut48), 0.0f);
    EXPECT_EQ(soundingLength(out), kFrames48);

    const auto errorAtLag = [&](std::ptrdiff_t lag) {
        double sum = 0.0;
        for (std::size_t i = kCut48 + 1024; i < kCut48 + 1024 + 48000; ++i) {
            const auto at = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(i) + lag);
            const double d =
                static_cast<double>(out.left[i]) - static_cast<double>(original.left[at]);
            sum += d * d;
        }
        return sum;
    };
    const double aligned = errorAtLag(0);
    EXPECT_LT(aligned * 2.0, errorAtLag(-1));
    EXPECT_LT(aligned * 2.0, errorAtLag(1));
}

TEST(GaplessTest, ResampledHalvesMatchTheUncutFileResampledInOnePiece) {
    const auto out = playThrough(48000.0, {"engine/cut_a.wav", "engine/cut_b.wav"});
    const auto whole = playThrough(48000.0, {"engine/full.wav"});
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
    const auto out =
        playThrough(44100.0, {"engine/short.wav", "engine/short.wav", "engine/short.wav"});
    const auto once = decodeStereo(engineFixture("short.wav"));
    ASSERT_GE(out.left.size(), 3 * once.left.size());
    for (std::size_t copy = 0; copy < 3; ++copy)
        for (std::size_t i = 0; i < once.left.size(); ++i)
            ASSERT_EQ(out.left[copy * once.left.size() + i], once.left[i]) << copy << " " << i;
}

TEST(GaplessTest, MonoFilesPlayOnBothSidesAndSurroundIsMixedDown) {
    for (const std::string name : {"mono.wav", "surround.wav"}) {
        SCOPED_TRACE(name);
        const auto out = playThrough(48000.0, {"engine/" + name});
        const float peak = dsptest::peakAbs(out.left);
        EXPECT_GT(peak, 0.1f);
        EXPECT_LE(peak, 1.0f);
        if (name == "mono.wav") {
            EXPECT_EQ(out.left, out.right);
        }
    }
}

// Files whose headers misstate their length play what they hold: the duration and the
// preload request (on the first tick less than 12 s before the end) follow the `frames`
// that really decode, and the player plays them all, bit for bit.
void expectPlayedWhole(const Played& out, const Signal& decoded) {
    const std::size_t frames = decoded.left.size();
    const double seconds = static_cast<double>(frames) / 44100.0;
    EXPECT_DOUBLE_EQ(out.duration, seconds);
    ASSERT_TRUE(out.preloadAskedAt);
    EXPECT_GT(*out.preloadAskedAt, seconds - 12.0);
    EXPECT_LT(*out.preloadAskedAt, seconds - 12.0 + 0.25);
    ASSERT_GE(out.left.size(), frames);
    EXPECT_EQ(maxError(out, decoded, 0, frames), 0.0f);
}

// An MP3 cut off at 400 KB, 16.6 s of the 30 s its Info tag counts: the next file takes
// over on the frame after the last one decoded, with no gap.
TEST(DamagedFilePlayback, ACutFileHandsOverAtItsRealEndWithoutAGap) {
    const Signal first = decodeStereo(fixtureFile("truncated-cbr.mp3"));
    const Signal second = decodeStereo(fixtureFile("sine.wav"));
    const std::size_t frames = first.left.size();
    ASSERT_GT(frames, 16 * 44100u);
    ASSERT_LT(frames, 17 * 44100u);
    const Played out = playThrough(44100.0, {"truncated-cbr.mp3", "sine.wav"}, std::nullopt);
    expectPlayedWhole(out, first);
    ASSERT_TRUE(out.handOffAt) << "the next file never took over";
    ASSERT_GE(out.left.size(), frames + 44100);
    EXPECT_EQ(maxDifference(out.left, frames, second.left, 0, 44100), 0.0f)
        << "the next file does not start on the frame after the last one";
}

// A VBR MP3 without any header frame, ten seconds of noise and then ten of a tone, whose
// length FFmpeg can only estimate, seconds short: it plays to its true end (every frame
// FFmpeg decodes, as the fixture script counted them), and no further.
TEST(DamagedFilePlayback, AnMP3WithoutAHeaderFramePlaysToItsTrueEnd) {
    std::size_t frames = 0;
    std::ifstream(fixtureFile("noise-then-tone.frames")) >> frames;
    const Signal decoded = decodeStereo(fixtureFile("noise-then-tone.mp3"));
    ASSERT_EQ(decoded.left.size(), frames);
    const Played out = playThrough(44100.0, {"noise-then-tone.mp3"});
    expectPlayedWhole(out, decoded);
    ASSERT_GE(out.endedAt.value_or(0), frames) << "ended early";
    EXPECT_TRUE(std::all_of(out.left.begin() + static_cast<std::ptrdiff_t>(frames),
                            out.left.begin() + static_cast<std::ptrdiff_t>(*out.endedAt),
                            [](float x) { return x == 0.0f; }))
        << "more played than the file holds";
}

// A seek beyond the audio that is there, though within what the tag counts, lands at
// the real end and ends the track there, as its natural end would (the controller then
// moves on), instead of leaving it stuck in what the file does not hold.
TEST(DamagedFilePlayback, ASeekPastTheRealEndEndsTheTrack) {
    EngineRig rig(44100.0);
    bool ended = false;
    rig->onTrackEnded = [&] {
        ended = true;
    };
    rig->load(fixtureFile("truncated-cbr.mp3"), Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    rig.run(0.5);
    rig->seek(25.0);
    EXPECT_LT(rig->currentTime.get(), 16.7);
    for (int i = 0; i < 20 && !ended; ++i)
        rig.run(0.01);
    EXPECT_TRUE(ended) << "the seek did not end the track";
}

} // namespace
} // namespace orvane::test
