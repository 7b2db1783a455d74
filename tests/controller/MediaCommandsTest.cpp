#include "ControllerTestSupport.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

AppSettings fades(bool pause, bool change) {
    AppSettings settings;
    settings.fadePauseOn = pause;
    settings.fadePauseMs = 400.0;
    settings.fadeChangeOn = change;
    settings.fadeChangeMs = 400.0;
    settings.fadePlayOn = false;
    return settings;
}

TEST(MediaCommandsTest, PlayAndPauseAskForAStateAndPlayPauseToggles) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(3), fades(false, false)));
    StartLog starts(*rig);
    rig->mediaPause(); // nothing loaded: nothing to pause
    EXPECT_FALSE(rig.engine().isLoaded.get());

    rig->selection = std::set<Uuid>{rig.id(1)};
    rig->mediaPlay(); // as the panel's Play: the selected track
    EXPECT_EQ(rig.playing(), rig.id(1));
    rig.run(1.0);
    rig->mediaPlay();
    rig.run(0.5);
    EXPECT_TRUE(rig.engine().isPlaying.get());
    EXPECT_GT(rig.engine().currentTime.get(), 1.2); // not restarted

    rig->mediaPause();
    rig->mediaPause();
    EXPECT_FALSE(rig.engine().isPlaying.get());
    rig->mediaPlay();
    EXPECT_TRUE(rig.engine().isPlaying.get());
    rig->mediaPlayPause();
    EXPECT_FALSE(rig.engine().isPlaying.get());
    rig->mediaPlayPause();
    EXPECT_TRUE(rig.engine().isPlaying.get());

    rig->stop();
    rig->mediaPause();
    EXPECT_FALSE(rig.engine().isLoaded.get());
    rig->selection = std::set<Uuid>{};
    rig->mediaPlayPause(); // nothing loaded: the active playlist's first track
    EXPECT_TRUE(rig.engine().isPlaying.get());
    EXPECT_EQ(starts.started, (std::vector<Uuid>{rig.id(1), rig.id(0)}));
}

TEST(MediaCommandsTest, TheDisplayReadsPausedOnceThePauseFadeHasEnded) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(2), fades(true, false)));
    rig->play(rig.id(0));
    rig.run(1.0);
    rig->mediaPause();
    EXPECT_TRUE(rig.nowPlaying.updates.back().playing); // still heard
    rig.run(0.2);
    rig->mediaPause();     // the same request again: the fade goes on, not anew
    rig->mediaPlayPause(); // the desktop still shows it playing: pause again
    rig.run(0.25);
    EXPECT_FALSE(rig.engine().isPlaying.get());
    const NowPlayingInfo paused = rig.nowPlaying.updates.back();
    EXPECT_FALSE(paused.playing);
    ASSERT_TRUE(paused.item);
    EXPECT_EQ(paused.item->rate, 0.0);
    EXPECT_EQ(paused.item->elapsed, rig.engine().currentTime.get());

    // Play during a pause fade takes the pause back.
    rig->mediaPlay();
    rig.run(0.2);
    rig->mediaPlay();
    rig.run(1.0);
    EXPECT_TRUE(rig.engine().isPlaying.get());
    rig->mediaPause();
    rig.run(0.2);
    rig->mediaPlay();
    rig.run(1.0);
    EXPECT_TRUE(rig.engine().isPlaying.get());
    EXPECT_TRUE(rig.nowPlaying.updates.back().playing);
}

TEST(MediaCommandsTest, MediaCommandsDuringATrackChangeApplyToTheChosenTrack) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(3), fades(false, true)));
    rig->play(rig.id(0));
    rig.run(1.0);
    // Between the old track's end of fade and the new one's start nothing is loaded:
    // Play must not start the selected track in its place.
    rig->selection = std::set<Uuid>{rig.id(2)};
    rig->play(rig.id(1));
    ASSERT_TRUE(rig.runUntil([&] { return !rig.engine().isLoaded.get(); }, 0.5));
    rig->mediaPlay();
    EXPECT_TRUE(rig.nowPlaying.updates.back().playing);
    rig.run(0.5);
    EXPECT_EQ(rig.playing(), rig.id(1));
    EXPECT_TRUE(rig.engine().isPlaying.get());

    rig->play(rig.id(0));
    rig->mediaPause();
    rig.run(0.5);
    EXPECT_EQ(rig.playing(), rig.id(0));
    EXPECT_FALSE(rig.engine().isPlaying.get());
    EXPECT_FALSE(rig.nowPlaying.updates.back().playing);
}

TEST(NowPlayingTest, RestartsAnnounceTheJumpAndARemovedTrackStaysShown) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(2, 10.0), fades(false, false)));
    rig->play(rig.id(1));
    rig.run(5.0);
    rig->prevTrack(); // past 4 s: the same track from its start
    EXPECT_EQ(rig.playing(), rig.id(1));
    ASSERT_FALSE(rig.nowPlaying.seeks.empty());
    EXPECT_EQ(rig.nowPlaying.seeks.back(), 0.0);
    EXPECT_EQ(rig.nowPlaying.updates.back().item->elapsed, 0.0);

    rig.remove({rig.id(1)});
    rig.run(0.5);
    rig->pauseToggle();
    const NowPlayingInfo info = rig.nowPlaying.updates.back();
    ASSERT_TRUE(info.item);
    EXPECT_EQ(info.item->title, "t1");
    EXPECT_FALSE(info.playing);
}

} // namespace
} // namespace orvane::test
