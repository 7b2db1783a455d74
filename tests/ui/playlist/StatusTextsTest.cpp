#include "ui/playlist/StatusTexts.h"

#include "ui/UiTestSupport.h"
#include "ui/playlist/StatusBar.h"

#include <cmath>

#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::str;

Track timed(std::optional<double> duration) {
    Track track(Uuid::random(), "/m/x.mp3", "a", "t");
    track.duration = duration;
    return track;
}

// Settings with every flag of the status bar off.
AppSettings quietSettings() {
    AppSettings settings;
    settings.gapless = false;
    return settings;
}

TEST(TrackCount, ShowsHoursForLongListsAndAddsOnlyTheKnownLengths) {
    EXPECT_EQ(str(trackCountText(120, 64080.0)), "120 tracks \u00B7 17h 48m");

    const std::vector<Track> tracks{timed(60.0), timed(std::nullopt), timed(30.5),
                                    timed(std::nan("")), timed(-5.0)};
    EXPECT_DOUBLE_EQ(knownDurationSum(tracks), 90.5);
}

TEST(StatusBarWidget, ShowsCountFlagsAndPlayingTrack) {
    test::qtApp();
    StatusBar bar;
    Playlist playlist(Uuid::random(), "P", {timed(100.0)});
    playlist.tracks[0].artist = "";
    playlist.tracks[0].title = "Solo";
    AppSettings settings = quietSettings();
    settings.shuffle = true;
    bar.showState(settings, &playlist, &playlist.tracks[0]);
    EXPECT_EQ(str(bar.countText()), "1 track \u00B7 1:40");
    EXPECT_TRUE(bar.flagsVisible());
    EXPECT_EQ(str(bar.flagsText()), "SHUFFLE");
    EXPECT_EQ(str(bar.playingText()), "Playing: Solo");

    bar.showState(quietSettings(), nullptr, nullptr);
    EXPECT_EQ(str(bar.countText()), "0 tracks");
    EXPECT_FALSE(bar.flagsVisible());
    EXPECT_EQ(str(bar.playingText()), "");
}

} // namespace
} // namespace orvane
