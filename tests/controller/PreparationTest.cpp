#include "ControllerTestSupport.h"

#include <future>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

class PreparationTest : public ::testing::Test {
protected:
    // A track whose levels are already measured.
    Track measured(const std::string& name, double rms) {
        Track track = makeTrack(files.dc(name + ".wav", 2.0), name);
        track.peakLinear = 0.5;
        track.rmsLinear = rms;
        return track;
    }
    // 0.5 s of silence, 1 s of sound, 0.5 s of silence.
    std::string padded(const std::string& name) {
        return files.wav(name, 2.0,
                         [](std::int64_t i) { return i >= 4000 && i < 12000 ? 0.25 : 0.0; });
    }
    static AppSettings normalizing(bool userCompressor = false) {
        AppSettings settings;
        settings.normalize = true;
        settings.compOn = userCompressor;
        settings.gapless = false;
        return settings;
    }
    TempFolder files;
};

TEST_F(PreparationTest, StoredLevelsGiveTheGainAndTheAutomaticCompressorAlsoWhenSwitched) {
    ControllerRig rig(stateWith({measured("a", 0.05), measured("b", 0.5), measured("c", 0.001),
                                 makeTrack(files.dc("quiet.wav", 2.0, 0.05), "Quiet")},
                                normalizing()));
    auto& engine = rig.engine();

    rig->play(rig.id(0));
    EXPECT_NEAR(engine.normGain(), 2.5179f, 1e-4f);
    EXPECT_FALSE(engine.compressorBypassed());

    rig->play(rig.id(1));
    EXPECT_FLOAT_EQ(engine.normGain(), 1.0f);
    EXPECT_TRUE(engine.compressorBypassed());

    rig->play(rig.id(2));
    EXPECT_NEAR(engine.normGain(), 7.9433f, 1e-4f); // the 18 dB ceiling

    // Switched off while a track plays, then on for an unmeasured one: measured now,
    // corrected when the result is in.
    rig->setNormalize(false);
    EXPECT_FLOAT_EQ(engine.normGain(), 1.0f);
    EXPECT_TRUE(engine.compressorBypassed());
    rig->play(rig.id(3));
    rig->setNormalize(true);
    EXPECT_FLOAT_EQ(engine.normGain(), 1.0f);
    rig.settle();
    EXPECT_GT(engine.normGain(), 2.5f);

    // The user's own compressor is left alone, whatever the track and the switch.
    ControllerRig own(stateWith({measured("a", 0.05), measured("b", 0.5)}, normalizing(true)));
    own->play(own.id(1));
    EXPECT_FALSE(own.engine().compressorBypassed());
}

TEST_F(PreparationTest, AnUnmeasuredTrackStartsAtUnityAndIsCorrectedOnceMeasured) {
    const Track quiet = makeTrack(files.dc("quiet.wav", 2.0, 0.05), "Quiet");
    // A measurement is applied only if its track still plays, but stored all the same.
    ControllerRig moved(stateWith({quiet, measured("b", 0.2)}, normalizing()));
    moved->play(moved.id(0));
    moved->play(moved.id(1));
    moved.settle();
    EXPECT_TRUE(moved.track(0).rmsLinear);
    EXPECT_FLOAT_EQ(moved.engine().normGain(), 1.0f);
    EXPECT_TRUE(moved.engine().compressorBypassed());

    ControllerRig rig(stateWith({quiet}, normalizing()));
    rig->play(rig.id(0));
    EXPECT_FLOAT_EQ(rig.engine().normGain(), 1.0f);

    rig.settle();
    const auto& track = rig.track(0);
    ASSERT_TRUE(track.rmsLinear && track.peakLinear);
    EXPECT_NEAR(*track.rmsLinear, 0.05, 1e-4);
    EXPECT_NEAR(rig.engine().normGain(), static_cast<float>(normalizationGain(*track.rmsLinear)),
                1e-6f);
    EXPECT_FALSE(rig.engine().compressorBypassed());
    EXPECT_TRUE(rig->savePending());
}

// The next track is queued at unity before its level is known; the level that comes in
// before the hand-off is heard from the track's first frame and sets the compressor.
TEST_F(PreparationTest, ALevelMeasuredAfterTheNextTrackWasQueuedIsUsedAtTheHandOff) {
    AppSettings settings = normalizing();
    settings.gapless = true;
    ControllerRig rig(stateWith(
        {measured("loud", 0.5), makeTrack(files.dc("quiet.wav", 2.0, 0.05), "Quiet")}, settings));
    rig->play(rig.id(0));
    ASSERT_TRUE(rig.runUntil([&] { return rig.engine().hasQueued(); }, 1.0));
    EXPECT_TRUE(rig.engine().compressorBypassed());
    rig.settle();
    ASSERT_TRUE(rig.track(1).rmsLinear);
    ASSERT_TRUE(rig.runUntil([&] { return rig.playing() == rig.id(1); }, 3.0));
    EXPECT_NEAR(rig.engine().normGain(), normalizationGain(*rig.track(1).rmsLinear), 1e-4);
    EXPECT_NEAR(rig.engine().normUnitGainDb(), 20.0 * std::log10(2.5179), 0.01);
    EXPECT_FALSE(rig.engine().compressorBypassed());
}

// A scan whose reads wait until the test lets them go: a folder on a slow disk.
class StuckSource final : public MetadataSource {
public:
    explicit StuckSource(std::shared_future<void> release) : release_(std::move(release)) {}
    TrackMetadata read(const std::string&) override {
        release_.wait();
        return {};
    }
    std::optional<std::uintmax_t> fileSize(const std::string&) override { return std::nullopt; }
    std::optional<double> detectBPM(const std::string&) override { return std::nullopt; }

private:
    std::shared_future<void> release_;
};

TEST_F(PreparationTest, ThePlayingTracksLevelDoesNotWaitBehindTheScan) {
    std::promise<void> release;
    ControllerRig::Options options;
    options.scanAtStart = true;
    options.metadata = std::make_unique<StuckSource>(release.get_future().share());
    ControllerRig rig(
        stateWith({makeTrack(files.dc("quiet.wav", 2.0, 0.05), "Quiet")}, normalizing()),
        std::move(options));
    rig->play(rig.id(0));
    rig.loop.drain(rig->priorityWorkQueue());
    EXPECT_NEAR(rig.engine().normGain(), 2.5179f, 1e-3f);
    release.set_value();
    rig.settle();
}

TEST_F(PreparationTest, TrimsAreMeasuredOnceAndCached) {
    AppSettings settings = playback(PlaybackMode::normal, false, false);
    settings.trimSilence = true;
    ControllerRig rig(stateWith({makeTrack(padded("padded.wav"), "Padded")}, settings));
    rig->play(rig.id(0));
    ASSERT_TRUE(rig.track(0).trimStart && rig.track(0).trimEnd);
    const double start = *rig.track(0).trimStart;
    const double end = *rig.track(0).trimEnd;
    EXPECT_GT(start, 0.3);
    EXPECT_LE(start, 0.5);
    EXPECT_GE(end, 1.5);
    EXPECT_LT(end, 1.7);
    EXPECT_NEAR(rig.engine().currentTime.get(), start, 1.0 / kRate);
    EXPECT_NEAR(rig.engine().duration.get(), end, 1.0 / kRate);
    EXPECT_TRUE(rig->savePending());

    // Stored values are used as they are: nothing is measured again.
    auto lists = rig->playlists.get();
    lists[0].tracks[0].trimStart = 0.25;
    rig->playlists = lists;
    rig->play(rig.id(0));
    EXPECT_DOUBLE_EQ(rig.engine().currentTime.get(), 0.25);
}

TEST_F(PreparationTest, TheNextTrackIsQueuedByModeAndWrapsOnlyInModeAll) {
    const auto a = makeTrack(files.dc("a.wav", 2.0), "A");
    const auto b = makeTrack(files.dc("b.wav", 2.0), "B");
    struct Case {
        PlaybackMode mode;
        bool gapless;
        const Track& playing;
        std::optional<Uuid> queued;
    };
    for (const auto& c :
         {Case{PlaybackMode::normal, true, b, std::nullopt}, Case{PlaybackMode::all, true, b, a.id},
          Case{PlaybackMode::stopAfter, true, a, std::nullopt},
          Case{PlaybackMode::normal, false, a, std::nullopt}}) {
        SCOPED_TRACE(std::string(rawValue(c.mode)) + (c.gapless ? "" : " without gapless") +
                     ", playing " + c.playing.title);
        ControllerRig rig(stateWith({a, b}, playback(c.mode, false, c.gapless)));
        rig->play(c.playing.id);
        rig.run(0.3);
        EXPECT_EQ(rig->plannedNextID(), c.queued);
        EXPECT_EQ(rig.engine().hasQueued(), c.queued.has_value());
    }
}

TEST_F(PreparationTest, ATrackAtAnotherSampleRateIsQueuedAndHandedOverLikeAnyOther) {
    ControllerRig rig(stateWith({makeTrack(files.dc("a.wav", 1.0), "A"),
                                 makeTrack(files.dc("b.wav", 1.0, 0.25, 11025), "B")}));
    StartLog log(*rig);
    rig->play(rig.id(0));
    rig.run(0.8);
    EXPECT_EQ(rig->plannedNextID(), rig.id(1));
    EXPECT_TRUE(rig.engine().hasQueued());
    ASSERT_TRUE(rig.runUntil([&] { return log.started.size() == 2; }, 1.0));
    EXPECT_EQ(log.started[1], rig.id(1));
    EXPECT_FALSE(rig.engine().hasQueued()); // a hand-off, not a new start
}

} // namespace
} // namespace orvane::test
