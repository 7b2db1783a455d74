#include "ControllerTestSupport.h"

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

using Titles = std::vector<std::string>;

AppSettings plain() {
    AppSettings settings;
    settings.gapless = false;
    return settings;
}

TEST(EditingTest, InsertedFilesGoBeforeTheClampedIndexAndAreAddedOnlyOnce) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(3)));
    rig->insertFiles({files.folder("drop", {"01 - x.wav", "02 - y.wav"})}, 2);
    EXPECT_EQ(rig.titles(), (Titles{"t0", "t1", "x", "y", "t2"}));
    rig->insertFiles({files.dc("end.wav", 0.2)}, 99);
    rig->insertFiles({files.dc("front.wav", 0.2)}, -4);
    EXPECT_EQ(rig.titles(), (Titles{"front", "t0", "t1", "x", "y", "t2", "end"}));
    rig.settle();
    rig.loop.advance(1.0);

    // Files the playlist holds already change nothing and save nothing; another
    // playlist takes them all the same.
    const auto before = rig.list();
    rig->addFiles({files.path("drop"), files.path("end.wav")});
    EXPECT_EQ(rig.list(), before);
    EXPECT_FALSE(rig->savePending());
    EXPECT_FALSE(rig->metadataScanInProgress());
    rig->addPlaylist();
    rig->addFiles({files.path("drop")});
    EXPECT_EQ(rig.titles(1), (Titles{"x", "y"}));
}

// A file opened from outside plays even when the playlist holds it already: the user
// asked for that file, not for a change to the list.
TEST(EditingTest, OpeningAddsLikeAddFilesAndStartsTheFirstFileFound) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(2)));
    rig->openFiles({files.folder("drop", {"02 - y.wav", "01 - x.wav"}), files.path("none.wav")});
    EXPECT_EQ(rig.titles(), (Titles{"t0", "t1", "x", "y"}));
    EXPECT_EQ(rig.playing(), rig.ids()[2]);
    rig->openFiles({files.path("t1.wav")});
    EXPECT_EQ(rig.titles(), (Titles{"t0", "t1", "x", "y"}));
    EXPECT_EQ(rig.playing(), rig.ids()[1]);
    rig->openFiles({files.path("none.wav")});
    EXPECT_EQ(rig.playing(), rig.ids()[1]);
}

TEST(EditingTest, MoveTakesAGapBetweenRows) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(5)));
    const auto original = rig.ids();
    rig->moveTrack(0, 1); // the gap right after itself: no move, no save
    rig->moveTrack(5, 0); // no such row
    EXPECT_EQ(rig.ids(), original);
    EXPECT_FALSE(rig->savePending());

    rig->moveTrack(0, 5);
    rig->moveTrack(3, -7);
    EXPECT_EQ(rig.titles(), (Titles{"t4", "t1", "t2", "t3", "t0"}));
    EXPECT_TRUE(rig->savePending());
    rig->moveTrack(1, 3);
    EXPECT_EQ(rig.titles(), (Titles{"t4", "t2", "t1", "t3", "t0"}));
}

TEST(EditingTest, RemovalsAreUndoneInReverseOrderAtTheirPlacesWhileTheirPlaylistLasts) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(6)));
    const auto original = rig.ids();
    rig.remove({original[1], original[4]});
    rig.remove({original[0], original[5]});
    EXPECT_EQ(rig.titles(), (Titles{"t2", "t3"}));
    EXPECT_TRUE(rig->selection.get().empty());

    rig->undoRemove();
    EXPECT_EQ(rig.titles(), (Titles{"t0", "t2", "t3", "t5"}));
    EXPECT_EQ(rig->selection.get(), (std::set<Uuid>{original[0], original[5]}));
    EXPECT_TRUE(rig->removalUndoAvailable.get());
    rig->undoRemove();
    EXPECT_EQ(rig.ids(), original);
    EXPECT_FALSE(rig->removalUndoAvailable.get());

    // An entry for a playlist closed since is dropped silently; older ones still work.
    const Uuid first = rig.list().id;
    rig.remove({original[0]});
    rig->addPlaylist("Other");
    rig->addFiles({files.path("t1.wav")});
    rig.remove({rig.id(0, 1)});
    rig->closePlaylist(rig.list(1).id);
    rig->undoRemove();
    ASSERT_EQ(rig->playlists.get().size(), 1u);
    EXPECT_EQ(rig.list().tracks.size(), 5u);
    rig->undoRemove();
    EXPECT_EQ(rig.ids(), original);
    EXPECT_EQ(rig->activePlaylistID.get(), first);
}

TEST(EditingTest, ClosingPlaylists) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(2), plain()));
    rig->addPlaylist("B");
    rig->addPlaylist("C");
    rig->addPlaylist("D");
    const auto lists = rig->playlists.get();
    rig->selectPlaylist(lists[2].id);
    rig->closePlaylist(lists[2].id);
    EXPECT_EQ(rig->activePlaylistID.get(), lists[0].id); // the first, not a neighbour
    rig->selectPlaylist(lists[3].id);
    rig->closePlaylist(lists[1].id); // not the active one: it stays active
    EXPECT_EQ(rig->activePlaylistID.get(), lists[3].id);

    // The playing playlist stops; the last one is replaced by an empty "Playlist 1".
    rig->play(rig.id(0), lists[0].id);
    ASSERT_TRUE(rig.playing());
    rig->closePlaylist(lists[0].id);
    EXPECT_FALSE(rig.playing());
    EXPECT_FALSE(rig.engine().isLoaded.get());
    rig->closePlaylist(lists[3].id);
    ASSERT_EQ(rig->playlists.get().size(), 1u);
    EXPECT_EQ(rig.list().name, "Playlist 1");
    EXPECT_TRUE(rig.list().tracks.empty());
    EXPECT_EQ(rig->activePlaylistID.get(), rig.list().id);
}

// Where next goes after the playing track was removed follows later edits: it keeps
// naming the track that came after the removed one, and after the last track the new
// last one.
TEST(EditingTest, TheTrackAfterARemovedPlayingTrackSurvivesLaterEdits) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(6), plain()));
    const auto original = rig.ids();
    rig->play(original[3]);
    rig.remove({original[1], original[3], original[4]}); // next: t5, now at index 2
    EXPECT_EQ(rig.playing(), original[3]);               // it plays on
    rig.remove({original[0]});
    rig->insertFiles({files.dc("new.wav", 0.5)}, 0);
    rig->moveTrack(2, 0); // t5 to the front
    rig->nextTrack(false);
    EXPECT_EQ(rig.playing(), original[5]);

    rig->moveTrack(0, 3); // the playing t5 last, then removed: next plays the new last
    rig.remove({original[5]});
    rig->nextTrack(false);
    EXPECT_EQ(rig.playing(), original[2]);
}

// Repeat one cannot repeat a removed playing track: the track after it plays (and is
// repeated). That track after it counts only while the removed one is loaded: after a
// stop, next starts the playlist from its first track.
TEST(EditingTest, ARemovedPlayingTrackHandsOnInRepeatOneAndOnlyWhileItIsLoaded) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(4, 0.5), playback(PlaybackMode::one)));
    const auto original = rig.ids();
    StartLog log(*rig);
    rig->play(original[1]);
    rig.remove({original[1]});
    ASSERT_TRUE(rig.runUntil([&] { return log.started.size() == 3; }, 1.5));
    EXPECT_EQ(log.started, (std::vector<Uuid>{original[1], original[2], original[2]}));

    rig.remove({original[2]});
    rig->stop();
    rig->nextTrack(false);
    EXPECT_EQ(rig.playing(), original[0]);
}

TEST(EditingTest, SearchLooksAtTitleArtistAndAlbumOnlyIgnoringCase) {
    TempFolder files;
    auto list = files.tracks(5);
    list[0].title = "Blue MONDAY";
    list[1].artist = "The Blues Band";
    list[2].album = "BLUES for Ärzte";
    list[3].genre = "blues";
    ControllerRig rig(stateWith(list));
    const auto shownIDs = [&] {
        std::vector<Uuid> ids;
        for (const auto& track : rig->visibleTracks())
            ids.push_back(track.id);
        return ids;
    };

    rig->searchText = "  blue\t";
    EXPECT_EQ(shownIDs(), (std::vector<Uuid>{list[0].id, list[1].id, list[2].id}));

    // Select all under a search takes only what is shown: a removal must not take more.
    rig->searchText = "monday";
    rig->selectAll();
    EXPECT_EQ(rig->selection.get(), (std::set<Uuid>{list[0].id}));
}

} // namespace
} // namespace orvane::test
