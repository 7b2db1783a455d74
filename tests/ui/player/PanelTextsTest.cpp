#include "ui/player/PanelTexts.h"

#include "ui/UiTestSupport.h"
#include "model/Track.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::str;

Track song(std::string artist, std::string title, std::string path = "/music/song.mp3") {
    return Track(Uuid::random(), std::move(path), std::move(artist), std::move(title));
}

// The usual cases show in PlayerPanelTest; these are the edges.
TEST(PanelTexts, HoursOverrunUnknownFactsAndRoundingEdges) {
    EXPECT_EQ(str(timeText(true, 3725.0, 7200.0, false)), "1:02:05");
    // Past the end (the last tick may overshoot) the remaining time never goes below zero.
    EXPECT_EQ(str(lengthText(true, 205.0, 200.0)), "-0:00 / 3:20");

    const Track untitledArtist = song("", "Interlude");
    EXPECT_EQ(str(marqueeText(&untitledArtist, 1, 0.0)), "2. Interlude");

    Track track = song("a", "b", "/music/Album.v2/song.flac");
    track.bitrateKbps = 320;
    track.sampleRateHz = 44100;
    track.bpm = 128;
    EXPECT_EQ(str(*formatInfoText(&track)), "FLAC \u00B7 320 kbps \u00B7 44.1 kHz \u00B7 128 BPM");
    // A zero rate is a reader's "unknown"; with nothing known there is no info line.
    track.path = "/music/no-extension";
    track.bitrateKbps = 0;
    track.sampleRateHz.reset();
    track.bpm = 0;
    EXPECT_EQ(formatInfoText(&track), std::nullopt);

    EXPECT_EQ(str(panText(-0.0049)), "C");
    // 0.29 is 28.999... once scaled; it still reads as 29.
    EXPECT_EQ(str(panText(0.29)), "R29%");
}

} // namespace
} // namespace orvane
