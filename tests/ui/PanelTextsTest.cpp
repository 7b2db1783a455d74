#include "ui/PanelTexts.h"

#include "model/Track.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

std::string str(const QString& text) {
    return text.toStdString();
}

Track song(std::string artist, std::string title, std::string path = "/music/song.mp3") {
    return Track(Uuid::random(), std::move(path), std::move(artist), std::move(title));
}

TEST(TimeText, ReadsZeroWhileNothingIsLoaded) {
    EXPECT_EQ(str(timeText(false, 42.0, 180.0, false)), "0:00");
    EXPECT_EQ(str(timeText(false, 42.0, 180.0, true)), "0:00");
    EXPECT_EQ(str(lengthText(false, 42.0, 180.0)), "0:00");
}

TEST(TimeText, ShowsElapsedOrRemaining) {
    EXPECT_EQ(str(timeText(true, 65.0, 200.0, false)), "1:05");
    EXPECT_EQ(str(timeText(true, 65.0, 200.0, true)), "-2:15");
    EXPECT_EQ(str(timeText(true, 3725.0, 7200.0, false)), "1:02:05");
    EXPECT_EQ(str(lengthText(true, 65.0, 200.0)), "-2:15 / 3:20");
}

TEST(TimeText, RemainingTimeNeverGoesBelowZero) {
    EXPECT_EQ(str(timeText(true, 205.0, 200.0, true)), "-0:00");
    EXPECT_EQ(str(lengthText(true, 205.0, 200.0)), "-0:00 / 3:20");
}

TEST(MarqueeText, NamesTheProductWithoutAPlayingTrack) {
    EXPECT_EQ(str(marqueeText(nullptr, 3, 120.0)), "Orvane");
}

TEST(MarqueeText, PutsPositionNameAndLengthTogether) {
    const Track track = song("Nina", "Blue");
    EXPECT_EQ(str(marqueeText(&track, 6, 125.0)), "7. Nina - Blue (2:05)");
    EXPECT_EQ(str(marqueeText(&track, std::nullopt, 125.0)), "Nina - Blue (2:05)");
    EXPECT_EQ(str(marqueeText(&track, 0, 0.0)), "1. Nina - Blue");
}

TEST(MarqueeText, UsesTheTitleAloneWithoutAnArtist) {
    const Track track = song("", "Interlude");
    EXPECT_EQ(str(marqueeText(&track, 1, 0.0)), "2. Interlude");
    EXPECT_EQ(str(trackDisplayName(track)), "Interlude");
}

TEST(MarqueeText, FindsTheTrackInItsPlaylistByID) {
    Playlist playlist(Uuid::random(), "P", {song("a", "1"), song("b", "2"), song("c", "3")});
    EXPECT_EQ(positionOf(playlist, playlist.tracks[2].id), 2u);
    EXPECT_EQ(positionOf(playlist, Uuid::random()), std::nullopt);
}

TEST(InfoText, JoinsTheKnownFacts) {
    Track track = song("a", "b", "/music/Album.v2/song.flac");
    track.bitrateKbps = 320;
    track.sampleRateHz = 44100;
    track.bpm = 128;
    EXPECT_EQ(str(*formatInfoText(&track)), "FLAC \u00B7 320 kbps \u00B7 44.1 kHz \u00B7 128 BPM");
}

TEST(InfoText, WritesWholeKilohertzWithoutADecimal) {
    Track track = song("a", "b", "/music/song.Mp3");
    track.sampleRateHz = 48000;
    EXPECT_EQ(str(*formatInfoText(&track)), "MP3 \u00B7 48 kHz");
}

TEST(InfoText, LeavesOutUnknownAndMeaninglessValues) {
    Track track = song("a", "b", "/music/no-extension");
    track.bpm = 0;
    track.bitrateKbps = 0;
    EXPECT_EQ(formatInfoText(&track), std::nullopt);
    track.sampleRateHz = 22050;
    EXPECT_EQ(str(*formatInfoText(&track)), "22.1 kHz");
    EXPECT_EQ(formatInfoText(nullptr), std::nullopt);
}

TEST(PanText, ReadsCentreNearZero) {
    EXPECT_EQ(str(panText(0.0)), "C");
    EXPECT_EQ(str(panText(0.003)), "C");
    EXPECT_EQ(str(panText(-0.0049)), "C");
}

TEST(PanText, ShowsSideAndTruncatedPercent) {
    EXPECT_EQ(str(panText(-0.35)), "L35%");
    EXPECT_EQ(str(panText(1.0)), "R100%");
    EXPECT_EQ(str(panText(0.299)), "R29%");
    // 0.29 is 28.999... once scaled; it still reads as 29.
    EXPECT_EQ(str(panText(0.29)), "R29%");
}

TEST(VolumeText, ShowsMuteOrWholePercent) {
    EXPECT_EQ(str(volumeText(0.8, true)), "MUTE");
    EXPECT_EQ(str(volumeText(0.8, false)), "80%");
    EXPECT_EQ(str(volumeText(0.57, false)), "57%");
    EXPECT_EQ(str(volumeText(0.0, false)), "0%");
}

TEST(ModeLabel, ShowsModeThenShuffleThenMode) {
    EXPECT_EQ(str(modeLabel(PlaybackMode::normal, false)), "\u2192 Mode");
    EXPECT_EQ(str(modeLabel(PlaybackMode::stopAfter, false)), "\u25A0\u00B9 Mode");
    EXPECT_EQ(str(modeLabel(PlaybackMode::one, false)), "\U0001F502 Mode");
    EXPECT_EQ(str(modeLabel(PlaybackMode::all, true)), "\U0001F501\U0001F500 Mode");
}

TEST(ModeLabel, IsLitForAnyModeButPlainPlayThroughOrWithShuffle) {
    EXPECT_FALSE(modeActive(PlaybackMode::normal, false));
    EXPECT_TRUE(modeActive(PlaybackMode::normal, true));
    EXPECT_TRUE(modeActive(PlaybackMode::stopAfter, false));
    EXPECT_TRUE(modeActive(PlaybackMode::all, false));
}

TEST(HelpTexts, FollowTheState) {
    EXPECT_EQ(str(timeDisplayHelp(true)), "Time remaining \u2014 click to show elapsed");
    EXPECT_EQ(str(timeDisplayHelp(false)), "Elapsed time \u2014 click to show remaining");
    EXPECT_EQ(str(muteHelp(true)), "Unmute");
    EXPECT_EQ(str(playlistButtonHelp(true)), "Playlist stays visible in fullscreen");
    EXPECT_EQ(str(playlistButtonHelp(false)), "Show / hide playlist");
}

} // namespace
} // namespace orvane
