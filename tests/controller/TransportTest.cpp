#include "ControllerTestSupport.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

AppSettings changeFade(double ms = 700) {
    AppSettings settings;
    settings.fadeChangeOn = true;
    settings.fadeChangeMs = ms;
    return settings;
}

TEST(TransportTest, TogglePlayStartsPausesResumesOrStartsTheSelectedTrackAndStopClears) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(3)));
    rig->togglePlay();
    EXPECT_EQ(rig.playing(), rig.id(0));
    EXPECT_EQ(rig->playingPlaylistID.get(), rig.list().id);
    rig.run(1.0);

    // The playing track selected: pause, then resume at the same position.
    rig->selection = std::set<Uuid>{rig.id(0)};
    rig->togglePlay();
    EXPECT_FALSE(rig.engine().isPlaying.get());
    const double pausedAt = rig.engine().currentTime.get();
    EXPECT_GT(pausedAt, 0.5);
    rig.run(1.0);
    rig->togglePlay();
    EXPECT_TRUE(rig.engine().isPlaying.get());
    EXPECT_DOUBLE_EQ(rig.engine().currentTime.get(), pausedAt);

    // Another track selected starts, also while paused.
    rig->pauseToggle();
    ASSERT_FALSE(rig.engine().isPlaying.get());
    rig->selection = std::set<Uuid>{rig.id(2)};
    rig->togglePlay();
    EXPECT_EQ(rig.playing(), rig.id(2));
    EXPECT_TRUE(rig.engine().isPlaying.get());

    // Stop clears the playing track but keeps the resume point.
    rig.run(0.3);
    rig->stop();
    EXPECT_FALSE(rig.playing() || rig->playingPlaylistID.get() || rig.engine().isLoaded.get());
    EXPECT_EQ(rig->resumeTrackID(), rig.id(2));
    EXPECT_EQ(rig->resumePlaylistID(), rig.list().id);
}

TEST(TransportTest, ChangeFadeFadesOutHalfThenStartsOnlyTheLastChoice370msLater) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(3), changeFade()));
    rig->play(rig.id(0));
    rig.run(0.5);

    rig->play(rig.id(1));
    EXPECT_TRUE(rig->changePending());
    rig.loop.advance(0.36);
    // The fade-out (350 ms) is over and the old track unloaded; the new one waits.
    EXPECT_FALSE(rig.engine().isLoaded.get());
    EXPECT_EQ(rig.playing(), rig.id(0));
    rig.loop.advance(0.009);
    EXPECT_EQ(rig.playing(), rig.id(0));

    rig.loop.advance(0.001); // 370 ms after the change
    EXPECT_EQ(rig.playing(), rig.id(1));
    rig.loop.advance(0.35); // 350 ms of fade-in
    EXPECT_FLOAT_EQ(rig.engine().fadeLevel(), 1.0f);

    // Two quick changes start only the last choice.
    rig.run(0.5);
    StartLog log(*rig);
    rig->play(rig.id(2));
    rig.loop.advance(0.1);
    rig->play(rig.id(0));
    rig.loop.advance(2.0);
    EXPECT_EQ(log.started, std::vector<Uuid>{rig.id(0)});

    // A stop during the change starts nothing.
    rig->play(rig.id(1));
    rig.loop.advance(0.1);
    rig->stop();
    rig.loop.advance(2.0);
    EXPECT_EQ(log.started, std::vector<Uuid>{rig.id(0)});
    EXPECT_FALSE(rig.engine().isLoaded.get());
}

TEST(TransportTest, TheEndOfTheOldTrackDuringAChangeDoesNotChooseAnother) {
    TempFolder files;
    AppSettings settings = changeFade(2000);
    settings.gapless = false;
    auto tracks = files.tracks(3, 3.0);
    tracks[0] = makeTrack(files.dc("short.wav", 0.5), "Short");
    ControllerRig rig(stateWith(tracks, settings));
    rig->play(rig.id(0));
    rig.run(0.2);
    StartLog log(*rig);
    rig->play(rig.id(2)); // the short track runs out during the 1 s fade-out
    rig.run(2.0);
    EXPECT_EQ(log.started, std::vector<Uuid>{rig.id(2)});
}

// The playlist of a track about to start is closed during the change fade: nothing
// starts, playback ends cleanly and Play starts afresh.
TEST(TransportTest, ClosingThePlaylistOfTheComingTrackDuringAChangeStops) {
    TempFolder files;
    PersistedState state = stateWith(files.tracks(2), changeFade());
    state.playlists.emplace_back(Uuid::random(), "Other",
                                 std::vector<Track>{makeTrack(files.dc("x.wav", 2.0), "X")});
    ControllerRig rig(std::move(state));
    const Uuid other = rig.list(1).id;
    rig->play(rig.id(0));
    rig.run(0.3);
    rig->play(rig.id(0, 1), other);
    rig.loop.advance(0.1);
    rig->closePlaylist(other);
    rig.loop.advance(1.0);
    EXPECT_FALSE(rig.playing() || rig->playingPlaylistID.get() || rig.engine().isLoaded.get());
    rig->togglePlay();
    EXPECT_EQ(rig.playing(), rig.id(0));
}

// --- Tracks that cannot be started ---

// In every mode an unloadable track is skipped from itself, and a playlist of nothing
// but broken files stops after one pass.
TEST(TransportTest, UnloadableTracksAreSkippedFromThemselvesAndOnlyForOnePass) {
    TempFolder files;
    const std::vector<Track> tracks{makeTrack(files.broken("x.wav"), "X"),
                                    makeTrack(files.dc("y.wav", 2.0), "Y")};
    std::vector<Track> allBroken;
    for (int i = 0; i < 5; ++i)
        allBroken.push_back(makeTrack(files.broken("bad" + std::to_string(i) + ".wav"), "Bad"));
    for (const auto mode : allPlaybackModes) {
        for (const bool shuffle : {false, true}) {
            SCOPED_TRACE(std::string(rawValue(mode)) + (shuffle ? " shuffle" : " linear"));
            ControllerRig rig(stateWith(tracks, playback(mode, shuffle)));
            StartLog log(*rig);
            rig->play(rig.id(0));
            EXPECT_EQ(log.started, std::vector<Uuid>{rig.id(1)});
            EXPECT_TRUE(rig.engine().isPlaying.get());
            if (mode != PlaybackMode::all)
                continue;
            ControllerRig broken(stateWith(allBroken, playback(mode, shuffle)));
            StartLog none(*broken);
            broken->togglePlay();
            EXPECT_FALSE(broken.playing());
            EXPECT_FALSE(broken.engine().isLoaded.get());
            broken.run(1.0);
            EXPECT_TRUE(none.started.empty());
        }
    }
}

TEST(TransportTest, ARunOfBrokenTracksIsSkippedToTheNextGoodOne) {
    TempFolder files;
    ControllerRig rig(stateWith(
        {makeTrack(files.dc("a.wav", 3.0), "A"), makeTrack(files.broken("b.wav"), "B"),
         makeTrack(files.path("missing.wav"), "C"), makeTrack(files.dc("d.wav", 3.0), "D")}));
    rig->play(rig.id(0));
    rig->nextTrack(false);
    EXPECT_EQ(rig.playing(), rig.id(3));
    // Back from D: C fails, and the choice goes on forward from C, to D again, rather
    // than back to the track before C.
    rig->prevTrack();
    EXPECT_EQ(rig.playing(), rig.id(3));
}

TEST(TransportTest, NothingRunsAfterTheControllerIsGone) {
    TempFolder files;
    AppSettings settings = changeFade();
    settings.normalize = true;
    ControllerRig rig(stateWith(files.tracks(3), settings));
    rig->play(rig.id(0)); // starts a level measurement
    rig.run(0.1);
    rig->play(rig.id(1)); // a change under way
    rig->setVolume(0.3);  // a save pending
    rig.controller.reset();
    rig.loop.advance(10.0);
    EXPECT_EQ(rig.loop.pendingTimerCount(), 0u);
}

} // namespace
} // namespace orvane::test
