#include "ui/PanelTexts.h"

#include "UiTestSupport.h"
#include "model/Track.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::str;

Track song(std::string artist, std::string title, std::string path = "/music/song.mp3") {
    return Track(Uuid::random(), std::move(path), std::move(artist), std::move(title));
}

TEST(TimeText, ShowsElapsedOrRemainingNeverBelowZeroAndZeroWhileUnloaded) {
    EXPECT_EQ(str(timeText(false, 42.0, 180.0, true)), "0:00");
    EXPECT_EQ(str(lengthText(false, 42.0, 180.0)), "0:00");
    EXPECT_EQ(str(timeText(true, 65.0, 200.0, false)), "1:05");
    EXPECT_EQ(str(timeText(true, 65.0, 200.0, true)), "-2:15");
    EXPECT_EQ(str(timeText(true, 3725.0, 7200.0, false)), "1:02:05");
    EXPECT_EQ(str(lengthText(true, 65.0, 200.0)), "-2:15 / 3:20");
    EXPECT_EQ(str(timeText(true, 205.0, 200.0, true)), "-0:00");
    EXPECT_EQ(str(lengthText(true, 205.0, 200.0)), "-0:00 / 3:20");
}

TEST(MarqueeText, PutsPositionNameAndLengthTogether) {
    EXPECT_EQ(str(marqueeText(nullptr, 3, 120.0)), "Orvane");
    const Track track = song("Nina", "Blue");
    EXPECT_EQ(str(marqueeText(&track, 6, 125.0)), "7. Nina - Blue (2:05)");
    EXPECT_EQ(str(marqueeText(&track, std::nullopt, 125.0)), "Nina - Blue (2:05)");
    EXPECT_EQ(str(marqueeText(&track, 0, 0.0)), "1. Nina - Blue");
    const Track untitledArtist = song("", "Interlude");
    EXPECT_EQ(str(marqueeText(&untitledArtist, 1, 0.0)), "2. Interlude");

    Playlist playlist(Uuid::random(), "P", {song("a", "1"), song("b", "2"), song("c", "3")});
    EXPECT_EQ(positionOf(playlist, playlist.tracks[2].id), 2u);
    EXPECT_EQ(positionOf(playlist, Uuid::random()), std::nullopt);
}

TEST(InfoText, JoinsTheKnownFactsAndLeavesOutUnknownOnes) {
    Track track = song("a", "b", "/music/Album.v2/song.flac");
    track.bitrateKbps = 320;
    track.sampleRateHz = 44100;
    track.bpm = 128;
    EXPECT_EQ(str(*formatInfoText(&track)), "FLAC \u00B7 320 kbps \u00B7 44.1 kHz \u00B7 128 BPM");
    track.path = "/music/song.Mp3";
    track.sampleRateHz = 48000; // whole kilohertz without a decimal
    track.bpm = 0;
    EXPECT_EQ(str(*formatInfoText(&track)), "MP3 \u00B7 320 kbps \u00B7 48 kHz");

    // A zero rate is a reader's "unknown".
    track.path = "/music/no-extension";
    track.bitrateKbps = 0;
    track.sampleRateHz.reset();
    EXPECT_EQ(formatInfoText(&track), std::nullopt);
    track.sampleRateHz = 22050;
    EXPECT_EQ(str(*formatInfoText(&track)), "22.1 kHz");
    EXPECT_EQ(formatInfoText(nullptr), std::nullopt);
}

TEST(PanAndVolumeText, ShowCentreSideAndTruncatedPercent) {
    EXPECT_EQ(str(panText(0.0)), "C");
    EXPECT_EQ(str(panText(0.003)), "C");
    EXPECT_EQ(str(panText(-0.0049)), "C");
    EXPECT_EQ(str(panText(-0.35)), "L35%");
    EXPECT_EQ(str(panText(1.0)), "R100%");
    EXPECT_EQ(str(panText(0.299)), "R29%");
    // 0.29 is 28.999... once scaled; it still reads as 29.
    EXPECT_EQ(str(panText(0.29)), "R29%");
    EXPECT_EQ(str(volumeText(0.8, true)), "MUTE");
    EXPECT_EQ(str(volumeText(0.57, false)), "57%");
    EXPECT_EQ(str(volumeText(0.0, false)), "0%");
}

TEST(ModeLabel, IsLitForAnyModeButPlainPlayThroughOrWithShuffle) {
    EXPECT_FALSE(modeActive(PlaybackMode::normal, false));
    EXPECT_TRUE(modeActive(PlaybackMode::normal, true));
    EXPECT_TRUE(modeActive(PlaybackMode::stopAfter, false));
}

} // namespace
} // namespace orvane
