#include "ui/player/PlayerPanel.h"

#include "ui/UiTestSupport.h"
#include "ui/player/FillSlider.h"
#include "ui/player/FloatingValueLabel.h"
#include "ui/player/ModeButton.h"
#include "ui/player/NowPlayingView.h"
#include "ui/player/PanSlider.h"
#include "ui/player/PanelButton.h"
#include "ui/player/PanelTexts.h"
#include "ui/player/SeekBar.h"
#include "ui/player/TimeDisplay.h"
#include "ui/player/TransportButton.h"
#include "ui/style/IconButton.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace orvane {
namespace {

using test::sendMouse;
using test::str;

class PlayerPanelTest : public test::QtAppTest {
protected:
    PlayerPanelTest() {
        panel.resize(660, panel.sizeHint().height());
        panel.show();
        QApplication::processEvents();
    }

    void load(bool playing, double currentTime = 30.0, double duration = 200.0) {
        panel.setTransport({true, playing, currentTime, duration});
    }

    // The point of the seek bar for `seconds`.
    QPointF seekPoint(double seconds) {
        SeekBar& bar = panel.seekBar();
        const double travel = bar.width() - 2 * SeekBar::knobRadius;
        return {SeekBar::knobRadius + seconds / bar.duration() * travel, bar.height() / 2.0};
    }

    PlayerPanel panel;
};

// Unloaded, play toggles and pause does nothing; playing, play restarts the track;
// paused, play toggles and pause too.
TEST_F(PlayerPanelTest, PlayAndPauseActByTheTransportState) {
    EXPECT_EQ(str(panel.timeDisplay().shownText()), "0:00");
    EXPECT_FALSE(panel.seekBar().isEnabled());
    EXPECT_EQ(str(panel.nowPlaying().title()), "Orvane");
    QSignalSpy restart(&panel, &PlayerPanel::restartRequested);
    QSignalSpy toggle(&panel, &PlayerPanel::togglePlayRequested);
    QSignalSpy pause(&panel, &PlayerPanel::pauseToggleRequested);
    panel.pauseButton().click();
    panel.playButton().click();
    EXPECT_EQ(pause.count(), 0);
    EXPECT_EQ(toggle.count(), 1);

    load(true);
    panel.playButton().click();
    EXPECT_EQ(restart.count(), 1);
    EXPECT_EQ(toggle.count(), 1);
    EXPECT_TRUE(panel.playButton().isLit());
    EXPECT_FALSE(panel.pauseButton().isLit());

    load(false);
    panel.playButton().click();
    panel.pauseButton().click();
    EXPECT_EQ(restart.count(), 1);
    EXPECT_EQ(toggle.count(), 2);
    EXPECT_EQ(pause.count(), 1);
    EXPECT_FALSE(panel.playButton().isLit());
    EXPECT_TRUE(panel.pauseButton().isLit());
}

TEST_F(PlayerPanelTest, TheDisplaysShowTimeInItsModeAndTheTrackPlaying) {
    AppSettings settings;
    settings.showRemainingTime = true;
    panel.setSettings(settings);
    load(true, 50.0, 200.0);
    EXPECT_EQ(str(panel.timeDisplay().shownText()), "-2:30");
    EXPECT_EQ(str(panel.lengthText()), "-2:30 / 3:20");

    QSignalSpy toggle(&panel, &PlayerPanel::remainingTimeToggleRequested);
    panel.timeDisplay().click();
    EXPECT_EQ(toggle.count(), 1);

    // Now playing: position, name, length and the file's facts.
    Track track(Uuid::random(), "/m/a.mp3", "Nina", "Blue");
    track.bitrateKbps = 256;
    panel.setNowPlaying(&track, 6);
    load(true, 0.0, 125.0);
    EXPECT_EQ(str(panel.nowPlaying().title()), "7. Nina - Blue (2:05)");
    ASSERT_TRUE(panel.nowPlaying().hasInfoLine());
    EXPECT_EQ(str(panel.nowPlaying().infoText()), "MP3 \u00B7 256 kbps");
}

TEST_F(PlayerPanelTest, SeekingShowsTheDraggedPositionAndSeeksOnRelease) {
    load(true, 30.0, 200.0);
    QSignalSpy seek(&panel, &PlayerPanel::seekRequested);
    SeekBar& bar = panel.seekBar();

    sendMouse(&bar, QEvent::MouseButtonPress, seekPoint(100.0));
    EXPECT_TRUE(panel.isSeeking());
    EXPECT_NEAR(panel.seekPosition(), 100.0, 1e-9);
    sendMouse(&bar, QEvent::MouseMove, seekPoint(150.0));
    // The engine's ticks do not move the bar while it is held.
    load(true, 31.0, 200.0);
    EXPECT_NEAR(bar.position(), 150.0, 1e-9);
    EXPECT_TRUE(panel.seekBubble().isShown());
    EXPECT_EQ(str(panel.seekBubble().text()), "2:30");
    EXPECT_EQ(seek.count(), 0);

    sendMouse(&bar, QEvent::MouseButtonRelease, seekPoint(150.0));
    ASSERT_EQ(seek.count(), 1);
    EXPECT_NEAR(seek.at(0).at(0).toDouble(), 150.0, 1e-9);
    EXPECT_FALSE(panel.isSeeking());
    EXPECT_FALSE(panel.seekBubble().isShown());

    // A seek cut short by unloading seeks nothing.
    sendMouse(&bar, QEvent::MouseButtonPress, seekPoint(100.0));
    panel.setTransport({});
    EXPECT_FALSE(panel.isSeeking());
    EXPECT_EQ(seek.count(), 1);
}

TEST_F(PlayerPanelTest, VolumeAndBalanceShowTheirValuesAndEditsShowTheirBubbles) {
    AppSettings settings;
    settings.volume = 0.7;
    settings.isMuted = true; // muted reads zero
    panel.setSettings(settings);
    EXPECT_EQ(panel.volumeSlider().value(), 0.0);
    EXPECT_EQ(str(panel.volumeBubble().text()), "MUTE");
    settings.isMuted = false;
    panel.setSettings(settings);
    EXPECT_DOUBLE_EQ(panel.volumeSlider().value(), 0.7);
    EXPECT_EQ(str(panel.volumeBubble().text()), "70%");
    QSignalSpy mute(&panel, &PlayerPanel::muteToggleRequested);
    panel.muteButton().click();
    EXPECT_EQ(mute.count(), 1);

    panel.setBubbleHideDelay(0);
    QSignalSpy volume(&panel, &PlayerPanel::volumeEdited);
    FillSlider& slider = panel.volumeSlider();
    sendMouse(&slider, QEvent::MouseButtonPress, {slider.width() / 2.0, slider.height() / 2.0});
    EXPECT_TRUE(panel.volumeBubble().isShown());
    EXPECT_EQ(str(panel.volumeBubble().text()), "50%");
    ASSERT_EQ(volume.count(), 1);
    EXPECT_DOUBLE_EQ(volume.at(0).at(0).toDouble(), 0.5);

    // Dragged past the end: full volume, never more.
    sendMouse(&slider, QEvent::MouseMove, {slider.width() * 3.0, 5});
    EXPECT_DOUBLE_EQ(volume.last().at(0).toDouble(), 1.0);
    sendMouse(&slider, QEvent::MouseButtonRelease, {slider.width() * 3.0, 5});
    EXPECT_TRUE(panel.volumeBubble().isShown());
    QApplication::processEvents();
    EXPECT_FALSE(panel.volumeBubble().isShown());

    QSignalSpy pan(&panel, &PlayerPanel::panEdited);
    PanSlider& balance = panel.panSlider();
    sendMouse(&balance, QEvent::MouseButtonPress,
              {balance.width() * 0.325, balance.height() / 2.0});
    EXPECT_EQ(str(panel.panBubble().text()), "L35%");
    ASSERT_EQ(pan.count(), 1);
    EXPECT_NEAR(pan.at(0).at(0).toDouble(), -0.35, 1e-9);
    // Near the middle it snaps to the centre.
    sendMouse(&balance, QEvent::MouseMove, {balance.width() * 0.515, 5});
    EXPECT_EQ(pan.last().at(0).toDouble(), 0.0);
    sendMouse(&balance, QEvent::MouseButtonRelease, {balance.width() * 0.515, 5});

    // A double click recentres (Qt delivers press, release, double click, release).
    const QPointF right(balance.width() * 0.9, 5);
    sendMouse(&balance, QEvent::MouseButtonPress, right);
    sendMouse(&balance, QEvent::MouseButtonRelease, right);
    EXPECT_GT(pan.last().at(0).toDouble(), 0.5);
    sendMouse(&balance, QEvent::MouseButtonDblClick, right);
    sendMouse(&balance, QEvent::MouseButtonRelease, right);
    EXPECT_EQ(pan.last().at(0).toDouble(), 0.0);
    EXPECT_EQ(str(panel.panBubble().text()), "C");
}

TEST_F(PlayerPanelTest, PanelButtonsLightWithTheirSettingsAndThePlaylistOneRestsInFullScreen) {
    AppSettings settings;
    settings.pbMode = PlaybackMode::all;
    settings.shuffle = true;
    settings.showPlaylist = false;
    panel.setSettings(settings);
    EXPECT_TRUE(panel.modeButton().isLit());
    EXPECT_FALSE(panel.playlistButton().isLit());

    settings.pbMode = PlaybackMode::normal;
    settings.shuffle = false;
    panel.setSettings(settings);
    EXPECT_FALSE(panel.modeButton().isLit());

    // The playlist button does nothing in full screen.
    QSignalSpy toggle(&panel, &PlayerPanel::playlistToggleRequested);
    panel.setFullscreen(true);
    EXPECT_FALSE(panel.playlistButton().isEnabled());
    panel.playlistButton().click();
    EXPECT_EQ(toggle.count(), 0);
    panel.setFullscreen(false);
    panel.playlistButton().click();
    EXPECT_EQ(toggle.count(), 1);
}

// The usual cases show in the panel tests above; these are the edges.
TEST(PanelTexts, OverrunUnknownFactsAndRoundingEdges) {
    // Past the end (the last tick may overshoot) the remaining time never goes below zero.
    EXPECT_EQ(str(lengthText(true, 205.0, 200.0)), "-0:00 / 3:20");

    const Track untitledArtist(Uuid::random(), "/music/song.mp3", "", "Interlude");
    EXPECT_EQ(str(marqueeText(&untitledArtist, 1, 0.0)), "2. Interlude");

    Track track(Uuid::random(), "/music/Album.v2/song.flac", "a", "b");
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
