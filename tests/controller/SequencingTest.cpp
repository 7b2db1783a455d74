#include "ControllerTestSupport.h"
#include "support/RecordingTap.h"

#include <map>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

std::size_t distinct(std::vector<Uuid>::const_iterator begin, std::ptrdiff_t count) {
    return std::set<Uuid>(begin, begin + count).size();
}

TEST(SequencingTest, AtTheEndsOfThePlaylistByMode) {
    TempFolder files;
    ControllerRig normal(stateWith(files.tracks(3), playback(PlaybackMode::normal)));
    normal->play(normal.id(2));
    normal->nextTrack(false);
    EXPECT_FALSE(normal.playing() || normal.engine().isLoaded.get());

    ControllerRig all(stateWith(files.tracks(3), playback(PlaybackMode::all)));
    all->play(all.id(2));
    all->nextTrack(false);
    EXPECT_EQ(all.playing(), all.id(0));

    // Stop-after ends with the track, but next still advances.
    ControllerRig stopAfter(stateWith(files.tracks(3, 0.5), playback(PlaybackMode::stopAfter)));
    stopAfter->play(stopAfter.id(0));
    stopAfter->nextTrack(false);
    EXPECT_EQ(stopAfter.playing(), stopAfter.id(1));
    stopAfter.run(1.0);
    EXPECT_FALSE(stopAfter.playing() || stopAfter.engine().isLoaded.get());

    // Mode one repeats the track from its start when it ends, but next advances.
    ControllerRig one(stateWith(files.tracks(3, 0.5), playback(PlaybackMode::one)));
    StartLog log(*one);
    one->play(one.id(0));
    ASSERT_TRUE(one.runUntil([&] { return log.started.size() == 2; }, 1.0));
    EXPECT_EQ(log.started, (std::vector<Uuid>{one.id(0), one.id(0)}));
    EXPECT_LT(one.engine().currentTime.get(), 0.05);
    one->nextTrack(false);
    EXPECT_EQ(one.playing(), one.id(1));
}

// The four seconds count from where the track starts to play: here its trimmed start,
// 5 s into the file.
TEST(SequencingTest, PreviousRestartsAfterFourSecondsAndGoesBackUpToThem) {
    TempFolder files;
    auto tracks = files.tracks(3, 12.0);
    tracks[1].trimStart = 5.0;
    tracks[1].trimEnd = 12.0;
    AppSettings settings;
    settings.trimSilence = true;
    ControllerRig rig(stateWith(tracks, settings));
    StartLog log(*rig);
    rig->play(rig.id(1));
    rig.engine().seek(9.5);
    rig->prevTrack(); // a seek to the trimmed start, not a new start
    EXPECT_DOUBLE_EQ(rig.engine().currentTime.get(), 5.0);

    rig.engine().seek(9.0);
    rig->prevTrack();
    EXPECT_EQ(rig.playing(), rig.id(0));

    rig->prevTrack(); // on the first track: the first track again, freshly started
    EXPECT_EQ(log.started, (std::vector<Uuid>{rig.id(1), rig.id(0), rig.id(0)}));
}

// A track queued for a gapless hand-off goes when the new mode or shuffle switch no
// longer leads to it, so that the new choice holds when the playing track ends.
TEST(SequencingTest, ModeAndShuffleChangesHoldOverAQueuedTrack) {
    TempFolder files;
    const auto tracks = files.tracks(8, 1.0);
    // Plays `first` until the track after it is queued, then `change` makes a change
    // and names the track that must follow now (none: playback stops).
    using Change = std::function<std::optional<Uuid>(ControllerRig&)>;
    const auto check = [&](PlaybackMode mode, bool shuffle, std::size_t first, Change change) {
        ControllerRig rig(stateWith(tracks, playback(mode, shuffle)));
        rig->play(rig.id(first));
        ASSERT_TRUE(rig.runUntil([&] { return rig.engine().hasQueued(); }, 0.5));
        const auto queued = rig->plannedNextID();
        const auto expected = change(rig);
        ASSERT_NE(expected, queued); // else the case shows nothing
        rig.run(1.0);
        EXPECT_EQ(rig.playing(), expected);
    };
    check(PlaybackMode::normal, false, 0, [](ControllerRig& rig) -> std::optional<Uuid> {
        rig->setPlaybackMode(PlaybackMode::stopAfter);
        return std::nullopt;
    });
    check(PlaybackMode::normal, false, 0, [](ControllerRig& rig) -> std::optional<Uuid> {
        rig->setPlaybackMode(PlaybackMode::one);
        return rig.id(0);
    });
    check(PlaybackMode::all, false, 7, [](ControllerRig& rig) -> std::optional<Uuid> {
        rig->setPlaybackMode(PlaybackMode::normal); // no wrap to the first track
        return std::nullopt;
    });
    check(PlaybackMode::normal, false, 0, [](ControllerRig& rig) -> std::optional<Uuid> {
        rig->toggleShuffle();
        return rig->shuffleOrder().order()[1];
    });
    check(PlaybackMode::normal, true, 3, [](ControllerRig& rig) -> std::optional<Uuid> {
        rig->toggleShuffle();
        return rig.id(4);
    });
}

// Playback that moves on by itself (preloads and gapless hand-overs, not next) in mode
// all with shuffle: every track is heard once per pass, whole and back to back, in the
// order the controller chose. Track i is a constant level of (i + 1) * 16 / 32768, so
// the output tells which track was heard and for how long.
TEST(SequencingTest, ShuffledPassesPlayEveryTrackWholeAndGapless) {
    constexpr int kTracks = 100, kPasses = 3;
    constexpr std::int64_t kTrackFrames = 2400; // 0.3 s
    TempFolder files;
    std::vector<Track> tracks;
    std::map<Uuid, int> indexByID;
    for (int i = 0; i < kTracks; ++i) {
        const auto name = "track" + std::to_string(i);
        tracks.push_back(makeTrack(files.dc(name + ".wav", 0.3, (i + 1) * 16.0 / 32768.0), name));
        indexByID[tracks.back().id] = i;
    }
    ControllerRig rig(stateWith(tracks, playback(PlaybackMode::all, true)));
    RecordingTap tap(static_cast<std::size_t>(kTracks * kPasses * kTrackFrames + 800));
    rig.engine().host().graph().setTap(TapPoint::Player, &tap);
    StartLog log(*rig);
    rig->togglePlay();
    const auto wanted = static_cast<std::size_t>(kTracks * kPasses + 1);
    const bool done =
        rig.runUntil([&] { return log.started.size() >= wanted; }, kTracks * kPasses * 0.3 + 5.0);
    rig.engine().host().graph().setTap(TapPoint::Player, nullptr);
    ASSERT_TRUE(done) << log.started.size() << " tracks started";

    for (std::ptrdiff_t pass = 0; pass < kPasses; ++pass)
        EXPECT_EQ(distinct(log.started.begin() + pass * kTracks, kTracks),
                  static_cast<std::size_t>(kTracks));
    for (std::size_t i = 1; i < log.started.size(); ++i)
        ASSERT_NE(log.started[i], log.started[i - 1]);
    EXPECT_EQ(tap.left, tap.right);
    ASSERT_GE(tap.left.size(), static_cast<std::size_t>(kTracks * kPasses * kTrackFrames));
    for (std::size_t k = 0; k < static_cast<std::size_t>(kTracks * kPasses); ++k) {
        SCOPED_TRACE("track " + std::to_string(k) + " heard");
        const auto level = static_cast<float>((indexByID.at(log.started[k]) + 1) * 16.0 / 32768.0);
        const auto begin = tap.left.begin() + static_cast<std::ptrdiff_t>(k) * kTrackFrames;
        ASSERT_EQ(std::count(begin, begin + kTrackFrames, level), kTrackFrames);
    }
}

TEST(SequencingTest, PlayWithShuffleMakesTheTrackTheFirstOfANewOrder) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(5), playback(PlaybackMode::normal, true)));
    const auto chosen = rig.id(3);
    rig->play(chosen);
    EXPECT_EQ(rig->shuffleOrder().order()[0], chosen); // the order itself: ShuffleOrderTest
    rig->nextTrack(false);
    EXPECT_EQ(rig.playing(), rig->shuffleOrder().order()[1]);
    rig->prevTrack();
    EXPECT_EQ(rig.playing(), chosen);
    // At position 0 previous falls back to the list order.
    rig->prevTrack();
    EXPECT_EQ(rig.playing(), rig.id(2));
}

} // namespace
} // namespace orvane::test
