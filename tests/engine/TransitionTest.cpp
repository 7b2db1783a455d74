// What a listener hears where one stretch of sound gives way to another: the gain at a
// gapless seam, seams between files of different formats, and the cuts of a seek, a
// stop or a track change.

#include "EngineTestSupport.h"
#include "support/ScratchFolder.h"
#include "support/WAVFile.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

// The limiter's resting pre-gain of -0.8 dB as the factor it applies.
const double kLimiterGain = std::pow(10.0, -0.8 / 20.0);

// A 16-bit WAV of `frames` frames at `rate` whose every channel carries
// sample(seconds from the start).
std::string writeFile(const ScratchFolder& folder, const std::string& name, std::uint32_t rate,
                      std::uint16_t channels, std::uint32_t frames,
                      const std::function<double(double)>& sample) {
    const auto path = folder.path(name);
    testaudio::writeWAV16(path, rate, channels, frames, [&](std::uint32_t i) {
        return static_cast<std::int16_t>(
            std::lround(sample(i / static_cast<double>(rate)) * 32767.0));
    });
    return path;
}

// A sine of 441 Hz at half scale, `offset` seconds into its course at the file's start.
std::function<double(double)> sine(double offset = 0.0) {
    return [offset](double t) {
        return 0.5 * std::sin(2.0 * std::numbers::pi * 441.0 * (t + offset));
    };
}

// What the output played, in 10 ms blocks with 10 ms of loop time after each.
struct Capture {
    std::vector<float> left;
    std::vector<float> right;

    void play(EngineRig& rig, double seconds, double rate) {
        const auto block = static_cast<std::size_t>(std::llround(rate / 100.0));
        for (int i = 0; i < static_cast<int>(std::llround(seconds * 100.0)); ++i) {
            rig.render(block);
            left.insert(left.end(), rig.lastLeft().begin(), rig.lastLeft().end());
            right.insert(right.end(), rig.lastRight().begin(), rig.lastRight().end());
            rig.loop.advance(0.01);
        }
    }
    float largestStep(std::size_t from, std::size_t to) const {
        float largest = 0.0f;
        for (std::size_t i = std::max<std::size_t>(from, 1); i < std::min(to, left.size()); ++i)
            largest = std::max(
                {largest, std::abs(left[i] - left[i - 1]), std::abs(right[i] - right[i - 1])});
        return largest;
    }
};

struct GainStep {
    double firstDb;
    double secondDb;
};

class SeamGainTest : public ::testing::TestWithParam<GainStep> {};

// Quiet enough that +18 dB stays clear of the limiter.
TEST_P(SeamGainTest, TheNextTrackIsAtItsOwnGainFiveMillisecondsAfterTheSeam) {
    const auto [firstDb, secondDb] = GetParam();
    constexpr double kLevel = 0.03;
    constexpr std::uint32_t kFrames = 22050;
    ScratchFolder folder;
    const auto dc = [](double) {
        return kLevel;
    };
    EngineRig rig(44100.0);
    rig->load(writeFile(folder, "a.wav", 44100, 2, kFrames, dc), Uuid::random(), 0.0, std::nullopt,
              std::pow(10.0, firstDb / 20.0), 0);
    ASSERT_TRUE(rig->preloadNext(writeFile(folder, "b.wav", 44100, 2, kFrames, dc), Uuid::random(),
                                 0.0, std::nullopt, std::pow(10.0, secondDb / 20.0)));
    Capture out;
    out.play(rig, 0.8, 44100.0);

    const double level = std::lround(kLevel * 32767.0) / 32768.0;
    const auto errorDb = [&](std::size_t i, double gainDb) {
        return 20.0 * std::log10(static_cast<double>(out.left[i]) / (level * kLimiterGain)) -
               gainDb;
    };
    const auto seam = kFrames + static_cast<std::size_t>(rig.lookAheadFrames());
    EXPECT_NEAR(errorDb(seam - 1, firstDb), 0.0, 0.05);
    double worst = 0.0;
    for (std::size_t i = seam + 221; i < seam + 8820; ++i) // from 5 ms to 200 ms on
        worst = std::max(worst, std::abs(errorDb(i, secondDb)));
    EXPECT_LE(worst, 0.5);
}

INSTANTIATE_TEST_SUITE_P(Steps, SeamGainTest,
                         ::testing::Values(GainStep{18.0, 0.0}, GainStep{0.0, 18.0}));

struct FormatSeam {
    std::uint32_t firstRate;
    std::uint16_t firstChannels;
    std::uint32_t firstFrames; // half a second
    const char* name;
};

class FormatSeamTest : public ::testing::TestWithParam<FormatSeam> {};

// The second file continues the first one's sine where it left off: joined right, the
// output is one unbroken sine.
TEST_P(FormatSeamTest, FilesOfAnotherFormatJoinWithoutGapOverlapOrStep) {
    const FormatSeam c = GetParam();
    constexpr std::size_t kSeam = 24000;
    constexpr std::uint32_t kSecondFrames = 24000;
    ScratchFolder folder;
    EngineRig rig(48000.0);
    RecordingTap player(1 << 17);
    rig->host().graph().setTap(TapPoint::Player, &player);
    rig->load(writeFile(folder, "a.wav", c.firstRate, c.firstChannels, c.firstFrames, sine()),
              Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    ASSERT_TRUE(rig->preloadNext(writeFile(folder, "b.wav", 48000, 2, kSecondFrames, sine(0.5)),
                                 Uuid::random(), 0.0, std::nullopt, 1.0));
    Capture out;
    out.play(rig, 1.2, 48000.0);
    rig->host().graph().setTap(TapPoint::Player, nullptr);

    // No gap, no overlap: the player played exactly both lengths.
    std::size_t sounding = player.left.size();
    while (sounding > 0 && player.left[sounding - 1] == 0.0f)
        --sounding;
    EXPECT_NEAR(static_cast<double>(sounding), kSeam + kSecondFrames, 2.0);
    // No step: across the seam the output moves no faster than the sine does.
    const auto seam = kSeam + static_cast<std::size_t>(rig.lookAheadFrames());
    const float own = out.largestStep(seam + 2000, seam + 6000);
    EXPECT_LE(out.largestStep(seam - 2000, seam + 2000), own * 1.1f);
}

INSTANTIATE_TEST_SUITE_P(Formats, FormatSeamTest,
                         ::testing::Values(FormatSeam{44100, 2, 22050, "Rate44100Then48000"},
                                           FormatSeam{48000, 1, 24000, "MonoThenStereo"}),
                         [](const auto& param) { return std::string(param.param.name); });

enum class Cut { seek, stop, pause, trackChange };

std::string cutName(Cut cut) {
    switch (cut) {
    case Cut::seek:
        return "Seek";
    case Cut::stop:
        return "Stop";
    case Cut::pause:
        return "Pause";
    case Cut::trackChange:
        return "TrackChange";
    }
    return {};
}

class CutTest : public ::testing::TestWithParam<Cut> {};

// However the sound is cut, the output never steps further than twice the sine does.
TEST_P(CutTest, ACutGlidesInsteadOfStepping) {
    ScratchFolder folder;
    EngineRig rig(44100.0);
    // Cut 0.3 s in, where the output (a look-ahead behind) is near a crest; each cut
    // lands where the signal is far off.
    constexpr double kCrest = 0.25 / 441.0;
    const auto path = writeFile(folder, "a.wav", 44100, 2, 88200, sine(kCrest));
    rig->load(path, Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    Capture out;
    out.play(rig, 0.3, 44100.0);
    const float own = out.largestStep(4410, out.left.size());
    switch (GetParam()) {
    case Cut::seek:
        rig->seek(1.0 + 1.0 / 882.0);
        break;
    case Cut::stop:
        rig->stop(0);
        break;
    case Cut::pause:
        rig->pause(0);
        break;
    case Cut::trackChange:
        rig->load(writeFile(folder, "b.wav", 44100, 2, 44100, sine(kCrest + 1.0 / 882.0)),
                  Uuid::random(), 0.0, std::nullopt, 1.0, 0);
        break;
    }
    out.play(rig, 0.2, 44100.0);
    EXPECT_LE(out.largestStep(0, out.left.size()), 2.0f * own);
}

INSTANTIATE_TEST_SUITE_P(Cuts, CutTest,
                         ::testing::Values(Cut::seek, Cut::stop, Cut::pause, Cut::trackChange),
                         [](const auto& param) { return cutName(param.param); });

} // namespace
} // namespace orvane::test
