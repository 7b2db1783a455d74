#include "ui/StatusTexts.h"

#include "UiTestSupport.h"
#include "ui/StatusBar.h"

#include <cmath>
#include <utility>

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

TEST(TrackCount, UsesThePluralExceptForOneAndAddsTheKnownLength) {
    EXPECT_EQ(str(trackCountText(0, 0.0)), "0 tracks");
    EXPECT_EQ(str(trackCountText(1, 0.0)), "1 track");
    EXPECT_EQ(str(trackCountText(3, 754.0)), "3 tracks \u00B7 12:34");
    EXPECT_EQ(str(trackCountText(120, 64080.0)), "120 tracks \u00B7 17h 48m");

    const std::vector<Track> tracks{timed(60.0), timed(std::nullopt), timed(30.5),
                                    timed(std::nan("")), timed(-5.0)};
    EXPECT_DOUBLE_EQ(knownDurationSum(tracks), 90.5);
}

TEST(StatusFlags, ListsActiveFlagsInOrderAndEachConditionMapsToItsFlag) {
    EXPECT_TRUE(statusFlags(quietSettings()).isEmpty());
    AppSettings s = quietSettings();
    s.gapless = true;
    s.trimSilence = true;
    s.fadeChangeOn = true;
    s.normalize = true;
    s.compOn = true;
    s.charFx = CharacterFX::tape;
    s.loudness = true;
    s.pbMode = PlaybackMode::all;
    s.shuffle = true;
    EXPECT_EQ(str(statusFlagsText(s)), "GAPLESS \u00B7 TRIM \u00B7 FADE \u00B7 NORM \u00B7 COMP "
                                       "\u00B7 TAPE \u00B7 LOUD \u00B7 REPEAT \u00B7 SHUFFLE");

    const std::pair<void (*)(AppSettings&), const char*> cases[] = {
        {[](AppSettings& x) { x.fadePlayOn = true; }, "FADE"},
        {[](AppSettings& x) { x.fadePauseOn = true; }, "FADE"},
        {[](AppSettings& x) { x.fadeStopOn = true; }, "FADE"},
        {[](AppSettings& x) { x.charFx = CharacterFX::vinyl; }, "VINYL"},
        {[](AppSettings& x) { x.pbMode = PlaybackMode::one; }, "REPEAT-1"},
        {[](AppSettings& x) { x.pbMode = PlaybackMode::stopAfter; }, "AUTO-STOP"},
        {[](AppSettings& x) { x.eqOn = true; }, ""}};
    for (const auto& [change, flag] : cases) {
        SCOPED_TRACE(flag);
        AppSettings only = quietSettings();
        change(only);
        EXPECT_EQ(str(statusFlagsText(only)), flag);
    }
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
