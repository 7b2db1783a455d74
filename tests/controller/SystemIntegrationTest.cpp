#include "ControllerTestSupport.h"

#include <fstream>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

TEST(KeyMonitorTest, VolumeArrowsStopAtTheLimitsAndFollowTheMuteRule) {
    AppSettings settings;
    settings.volume = 0.98;
    ControllerRig rig(stateWith({}, settings));

    EXPECT_TRUE(rig->handleKeyDown(MonitoredKey::up, 0));
    EXPECT_DOUBLE_EQ(rig->settings.get().volume, 1.0);
    EXPECT_TRUE(rig->handleKeyDown(MonitoredKey::up, 0));
    EXPECT_DOUBLE_EQ(rig->settings.get().volume, 1.0);
    EXPECT_EQ(rig->volumeKeyNudge.get(), 2);

    rig->setVolume(0.02);
    rig->toggleMute();
    EXPECT_TRUE(rig->handleKeyDown(MonitoredKey::down, 0));
    EXPECT_DOUBLE_EQ(rig->settings.get().volume, 0.0);
    EXPECT_TRUE(rig->settings.get().isMuted); // down to 0 keeps the mute
    EXPECT_TRUE(rig->handleKeyDown(MonitoredKey::up, 0));
    EXPECT_DOUBLE_EQ(rig->settings.get().volume, 0.05);
    EXPECT_FALSE(rig->settings.get().isMuted);
    EXPECT_EQ(rig->volumeKeyNudge.get(), 4);
    EXPECT_EQ(rig->seekKeyNudge.get(), 0);
}

TEST(KeyMonitorTest, SeekArrowsStayInsideTheTrackAndMoveTheResumePoint) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(2, 10.0)));
    // Nothing loaded: the playlist gets the arrows.
    EXPECT_FALSE(rig->handleKeyDown(MonitoredKey::right, 0));
    EXPECT_FALSE(rig->handleKeyDown(MonitoredKey::left, 0));

    rig->play(rig.id(0));
    rig.run(3.0);
    EXPECT_TRUE(rig->handleKeyDown(MonitoredKey::left, 0));
    EXPECT_DOUBLE_EQ(rig.engine().currentTime.get(), 0.0);
    EXPECT_EQ(rig->resumePosition(), 0.0);

    rig->seek(8.0);
    rig->pauseToggle();
    rig.run(0.5);
    const auto seeksBefore = rig.nowPlaying.seeks.size();
    EXPECT_TRUE(rig->handleKeyDown(MonitoredKey::right, 0)); // also while paused
    const double end = rig.engine().currentTime.get();
    EXPECT_GT(end, 9.9);
    EXPECT_LE(end, 10.0);
    EXPECT_FALSE(rig.engine().isPlaying.get());
    EXPECT_EQ(rig->resumePosition(), end);
    EXPECT_EQ(rig.resumeSaves().back().position, end);
    ASSERT_EQ(rig.nowPlaying.seeks.size(), seeksBefore + 1);
    EXPECT_EQ(rig.nowPlaying.seeks.back(), end);
    EXPECT_EQ(rig->seekKeyNudge.get(), 2);
}

TEST(KeyMonitorTest, ModifiersAndTextFieldsKeepTheirKeys) {
    TempFolder files;
    ControllerRig rig(stateWith(files.tracks(3)));
    rig->play(rig.id(0));
    rig.run(2.0);
    const double volume = rig->settings.get().volume;
    const double position = rig.engine().currentTime.get();

    const MonitoredKey arrows[] = {MonitoredKey::left, MonitoredKey::right, MonitoredKey::down,
                                   MonitoredKey::up};
    for (const KeyModifiers held : {kShiftModifier, kControlModifier, kAltModifier, kMetaModifier})
        for (const auto key : arrows)
            EXPECT_FALSE(rig->handleKeyDown(key, held));
    EXPECT_FALSE(rig->handleKeyDown(MonitoredKey::other, 0));
    EXPECT_FALSE(rig->handleKeyDown(MonitoredKey::a, kControlModifier | kShiftModifier));

    rig.desktop.editingText = true;
    for (const auto key : arrows)
        EXPECT_FALSE(rig->handleKeyDown(key, 0));
    EXPECT_FALSE(rig->handleKeyDown(MonitoredKey::a, kControlModifier));
    EXPECT_TRUE(rig->selection.get().empty());
    EXPECT_EQ(rig->settings.get().volume, volume);
    EXPECT_EQ(rig.engine().currentTime.get(), position);
    EXPECT_EQ(rig->volumeKeyNudge.get() + rig->seekKeyNudge.get(), 0);

    rig.desktop.editingText = false;
    EXPECT_TRUE(rig->handleKeyDown(MonitoredKey::a, kControlModifier));
    EXPECT_EQ(rig->selection.get(), (std::set<Uuid>{rig.id(0), rig.id(1), rig.id(2)}));
}

TEST(NowPlayingTest, FollowsStartPauseAndStop) {
    TempFolder files;
    auto tracks = files.tracks(2, 6.0);
    tracks[1].album = "Album";
    ControllerRig rig(stateWith(tracks));
    rig->play(rig.id(1));
    ASSERT_FALSE(rig.nowPlaying.updates.empty());
    NowPlayingInfo info = rig.nowPlaying.updates.back();
    ASSERT_TRUE(info.item);
    EXPECT_TRUE(info.playing);
    EXPECT_EQ(info.item->trackID, rig.id(1));
    EXPECT_EQ(info.item->title + "/" + info.item->artist + "/" + info.item->album.value_or(""),
              "t1/Artist/Album");
    EXPECT_NEAR(info.item->duration, 6.0, 1e-6);
    EXPECT_EQ(info.item->rate, 1.0);

    rig.run(1.0);
    rig->pauseToggle();
    info = rig.nowPlaying.updates.back();
    ASSERT_TRUE(info.item);
    EXPECT_FALSE(info.playing);
    EXPECT_EQ(info.item->rate, 0.0);
    EXPECT_GT(info.item->elapsed, 0.9);

    rig->play(rig.id(0)); // no album: none is shown
    ASSERT_TRUE(rig.nowPlaying.updates.back().item);
    EXPECT_FALSE(rig.nowPlaying.updates.back().item->album);

    rig->stop();
    EXPECT_EQ(rig.nowPlaying.updates.back(), NowPlayingInfo{});
}

// The display gets the cover once the background search has found it: an embedded
// picture copied into the cache (the front cover, not the back cover before it), or
// the image beside the track. A track without either shows none.
TEST(NowPlayingTest, ShowsTheCoverOnceFound) {
    TempFolder files;
    auto tracks = files.tracks(2, 6.0);
    const auto embedded = files.root() / "album" / "embedded.flac";
    std::filesystem::create_directories(embedded.parent_path());
    std::filesystem::copy_file(std::filesystem::path(ORVANE_FIXTURES_DIR) / "tags" / "full.flac",
                               embedded);
    tracks.push_back(makeTrack(embedded.string(), "embedded"));
    ControllerRig::Options options;
    options.coverCache = files.root() / "cache" / "covers";
    ControllerRig rig(stateWith(tracks), std::move(options));
    const auto artOf = [&rig] {
        return rig.nowPlaying.updates.back().item->artPath;
    };

    rig->play(rig.id(0));
    rig.settle();
    EXPECT_EQ(artOf(), std::nullopt);

    const std::string beside = (files.root() / "Cover.JPG").string();
    std::ofstream(beside) << "jpeg";
    rig->play(rig.id(2));
    EXPECT_EQ(artOf(), std::nullopt); // not yet looked up
    rig.settle();
    const auto art = artOf();
    ASSERT_TRUE(art);
    EXPECT_EQ(std::filesystem::path(*art).parent_path(), files.root() / "cache" / "covers");
    // The front cover is the 16-pixel-wide PNG.
    const std::string png = readBytes(*art);
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(png[19], 16);

    rig->play(rig.id(1));
    rig.settle();
    EXPECT_EQ(artOf(), beside);
}

} // namespace
} // namespace orvane::test
