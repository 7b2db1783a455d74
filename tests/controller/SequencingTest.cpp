#include "ControllerTestSupport.h"

#include <algorithm>
#include <set>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

class SequencingTest : public ::testing::Test {
protected:
    std::vector<Track> tracks(int count, double seconds = 6.0) {
        std::vector<Track> list;
        for (int i = 0; i < count; ++i) {
            const auto name = "t" + std::to_string(i);
            list.push_back(makeTrack(files.dc(name + ".wav", seconds), name));
        }
        return list;
    }
    static AppSettings with(PlaybackMode mode, bool shuffle = false, bool gapless = true) {
        AppSettings settings;
        settings.pbMode = mode;
        settings.shuffle = shuffle;
        settings.gapless = gapless;
        return settings;
    }
    TempFolder files;
};

TEST_F(SequencingTest, NextAfterTheLastTrackStopsInNormalAndWrapsInAll) {
    ControllerRig normal(stateWith(tracks(3), with(PlaybackMode::normal)));
    normal->play(normal.id(2));
    normal->nextTrack(false);
    EXPECT_FALSE(normal.playing());
    EXPECT_FALSE(normal.engine().isLoaded.get());

    ControllerRig all(stateWith(tracks(3), with(PlaybackMode::all)));
    all->play(all.id(2));
    all->nextTrack(false);
    EXPECT_EQ(all.playing(), all.id(0));
}

TEST_F(SequencingTest, StopAfterStopsWhenATrackEndsButNextStillAdvances) {
    ControllerRig rig(stateWith(tracks(3, 0.5), with(PlaybackMode::stopAfter)));
    rig->play(rig.id(0));
    rig->nextTrack(false);
    EXPECT_EQ(rig.playing(), rig.id(1));
    rig.run(1.0);
    EXPECT_FALSE(rig.playing());
    EXPECT_FALSE(rig.engine().isLoaded.get());
    EXPECT_FALSE(rig.engine().hasQueued());
}

TEST_F(SequencingTest, ModeOneRepeatsTheTrackWhenItEndsButNextAdvances) {
    ControllerRig rig(stateWith(tracks(3, 0.5), with(PlaybackMode::one)));
    StartLog log(*rig);
    rig->play(rig.id(0));
    ASSERT_TRUE(rig.runUntil([&] { return log.started.size() == 2; }, 1.0));
    EXPECT_EQ(log.started, (std::vector<Uuid>{rig.id(0), rig.id(0)}));
    EXPECT_LT(rig.engine().currentTime.get(), 0.05); // from the start again
    rig->nextTrack(false);
    EXPECT_EQ(rig.playing(), rig.id(1));
}

TEST_F(SequencingTest, PreviousRestartsAfterFourSecondsAndGoesBackUpToThem) {
    ControllerRig rig(stateWith(tracks(3)));
    StartLog log(*rig);
    rig->play(rig.id(1));
    rig.engine().seek(4.5);
    rig->prevTrack();
    EXPECT_EQ(rig.playing(), rig.id(1));
    EXPECT_DOUBLE_EQ(rig.engine().currentTime.get(), 0.0);
    EXPECT_EQ(log.started.size(), 1u); // a seek, not a new start

    rig.engine().seek(4.0);
    rig->prevTrack();
    EXPECT_EQ(rig.playing(), rig.id(0));

    rig->prevTrack(); // on the first track: the first track again, freshly started
    EXPECT_EQ(log.started, (std::vector<Uuid>{rig.id(1), rig.id(0), rig.id(0)}));
}

TEST_F(SequencingTest, NextAfterRemovingThePlayingTrackPlaysTheOneThatFollowedIt) {
    ControllerRig rig(stateWith(tracks(4), with(PlaybackMode::normal, false, false)));
    const auto a = rig.id(0), b = rig.id(1), c = rig.id(2), d = rig.id(3);
    rig->play(b);
    rig->selection = std::set<Uuid>{b};
    rig->removeSelected();
    EXPECT_EQ(rig.playing(), b); // it plays on
    ASSERT_EQ(rig.list().tracks.size(), 3u);
    rig->nextTrack(false);
    EXPECT_EQ(rig.playing(), c);

    // The last track removed while it plays: next plays the new last one.
    rig->play(d);
    rig->selection = std::set<Uuid>{d};
    rig->removeSelected();
    rig->nextTrack(false);
    EXPECT_EQ(rig.playing(), c);
    EXPECT_EQ(rig.list().tracks.front().id, a);
}

TEST_F(SequencingTest, RemovingTracksAroundThePlayingOneKeepsItsSuccessor) {
    ControllerRig rig(stateWith(tracks(6), with(PlaybackMode::normal, false, false)));
    std::vector<Uuid> ids;
    for (std::size_t i = 0; i < 6; ++i)
        ids.push_back(rig.id(i));
    rig->play(ids[3]);
    rig->selection = std::set<Uuid>{ids[1], ids[3], ids[4]};
    rig->removeSelected();
    EXPECT_TRUE(rig->removalUndoAvailable.get());
    rig->nextTrack(false);
    EXPECT_EQ(rig.playing(), ids[5]);

    rig->undoRemove();
    ASSERT_EQ(rig.list().tracks.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(rig.id(i), ids[i]);
    EXPECT_EQ(rig->selection.get(), (std::set<Uuid>{ids[1], ids[3], ids[4]}));
}

TEST_F(SequencingTest, ShuffleInModeNormalPlaysEveryTrackOnceThenStops) {
    ControllerRig rig(stateWith(tracks(6)));
    rig->toggleShuffle(); // nothing playing: the first next plays entry 0
    EXPECT_EQ(rig->shufflePosition(), -1);
    StartLog log(*rig);
    for (int i = 0; i < 6; ++i)
        rig->nextTrack(false);
    EXPECT_EQ(log.started, rig->shuffleOrder());
    EXPECT_EQ(std::set<Uuid>(log.started.begin(), log.started.end()).size(), 6u);
    rig->nextTrack(false);
    EXPECT_FALSE(rig.playing());
}

TEST_F(SequencingTest, ShuffleInModeAllNeverRepeatsATrackAcrossPasses) {
    for (const int count : {2, 3}) {
        SCOPED_TRACE(count);
        ControllerRig rig(stateWith(tracks(count), with(PlaybackMode::all, true)));
        StartLog log(*rig);
        for (int i = 0; i < 30 * count; ++i)
            rig->nextTrack(false);
        ASSERT_EQ(log.started.size(), static_cast<std::size_t>(30 * count));
        for (std::size_t pass = 0; pass < 30; ++pass) {
            const auto begin = log.started.begin() + static_cast<std::ptrdiff_t>(pass) * count;
            EXPECT_EQ(std::set<Uuid>(begin, begin + count).size(), static_cast<std::size_t>(count));
        }
        for (std::size_t i = 1; i < log.started.size(); ++i)
            EXPECT_NE(log.started[i], log.started[i - 1]) << "at start " << i;
    }
}

TEST_F(SequencingTest, PlayWithShuffleMakesTheTrackTheFirstOfANewOrder) {
    ControllerRig rig(stateWith(tracks(5), with(PlaybackMode::normal, true)));
    const auto chosen = rig.id(3);
    rig->play(chosen);
    ASSERT_EQ(rig->shuffleOrder().size(), 5u);
    EXPECT_EQ(rig->shuffleOrder()[0], chosen);
    EXPECT_EQ(rig->shufflePosition(), 0);
    rig->nextTrack(false);
    EXPECT_EQ(rig.playing(), rig->shuffleOrder()[1]);
    rig->prevTrack();
    EXPECT_EQ(rig.playing(), chosen);
    // At position 0 previous falls back to the list order.
    rig->prevTrack();
    EXPECT_EQ(rig.playing(), rig.id(2));
}

TEST_F(SequencingTest, ASingleTrackInShuffleModeAllReplays) {
    ControllerRig rig(stateWith(tracks(1), with(PlaybackMode::all, true)));
    StartLog log(*rig);
    rig->play(rig.id(0));
    rig->nextTrack(false);
    EXPECT_EQ(log.started, (std::vector<Uuid>{rig.id(0), rig.id(0)}));
}

TEST_F(SequencingTest, ASeekUndoesTheShuffleStepOfAPreload) {
    ControllerRig rig(stateWith(tracks(5), with(PlaybackMode::normal, true)));
    rig->play(rig.id(0));
    rig.run(0.3); // the first tick asks for a preload: less than 12 s remain
    ASSERT_TRUE(rig->plannedNextID());
    const auto queued = *rig->plannedNextID();
    EXPECT_EQ(queued, rig->shuffleOrder()[1]);
    EXPECT_EQ(rig->shufflePosition(), 1);

    rig->seek(1.0);
    EXPECT_FALSE(rig.engine().hasQueued());
    EXPECT_FALSE(rig->plannedNextID());
    EXPECT_EQ(rig->shufflePosition(), 0);
    rig->nextTrack(false);
    EXPECT_EQ(rig.playing(), queued);
}

TEST_F(SequencingTest, ASeekUndoesANewPassMadeByAPreload) {
    ControllerRig rig(stateWith(tracks(6), with(PlaybackMode::all, true)));
    rig->play(rig.id(0));
    for (int i = 0; i < 5; ++i)
        rig->nextTrack(false); // to the last entry of the pass
    const auto pass = rig->shuffleOrder();
    const auto last = *rig.playing();
    ASSERT_EQ(last, pass[5]);
    rig.run(0.3);
    ASSERT_TRUE(rig->plannedNextID());
    EXPECT_EQ(rig->shufflePosition(), 0); // the preload began a new pass
    ASSERT_NE(rig->shuffleOrder(), pass);

    rig->seek(1.0);
    EXPECT_EQ(rig->shuffleOrder(), pass);
    EXPECT_EQ(rig->shufflePosition(), 5);
    EXPECT_FALSE(rig->plannedNextID());
    // The next pass is made afresh, and does not open with the track that ends this one.
    rig->nextTrack(false);
    EXPECT_NE(*rig.playing(), last);
    EXPECT_EQ(rig->shufflePosition(), 0);
    EXPECT_NE(rig->shuffleOrder().front(), last);
}

TEST_F(SequencingTest, PreviousAfterAShufflePreloadStepsBackFromThePlayingTrack) {
    ControllerRig rig(stateWith(tracks(5), with(PlaybackMode::normal, true)));
    const auto first = rig.id(0);
    rig->play(first);
    rig->nextTrack(false);
    rig.run(0.3);
    ASSERT_TRUE(rig->plannedNextID());
    ASSERT_EQ(rig->shufflePosition(), 2);
    rig->prevTrack();
    EXPECT_EQ(rig.playing(), first);
    EXPECT_EQ(rig->shufflePosition(), 0);
}

} // namespace
} // namespace orvane::test
