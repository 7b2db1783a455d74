#include "ui/PlayerPanel.h"

#include "UiTestSupport.h"
#include "ui/Displays.h"
#include "ui/FloatingValueLabel.h"
#include "ui/IconButton.h"
#include "ui/PanelButton.h"
#include "ui/SeekBar.h"
#include "ui/Sliders.h"

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

TEST_F(PlayerPanelTest, WithNothingLoadedReadsZeroAndIgnoresPause) {
    EXPECT_EQ(str(panel.timeDisplay().shownText()), "0:00");
    EXPECT_EQ(str(panel.lengthText()), "0:00");
    EXPECT_FALSE(panel.seekBar().isEnabled());
    EXPECT_EQ(str(panel.nowPlaying().title()), "Orvane");
    EXPECT_FALSE(panel.nowPlaying().hasInfoLine());

    QSignalSpy pause(&panel, &PlayerPanel::pauseToggleRequested);
    QSignalSpy toggle(&panel, &PlayerPanel::togglePlayRequested);
    panel.pauseButton().click();
    panel.playButton().click();
    EXPECT_EQ(pause.count(), 0);
    EXPECT_EQ(toggle.count(), 1);
}

TEST_F(PlayerPanelTest, PlayWhilePlayingRestartsTheTrackAndWhilePausedResumes) {
    load(true);
    QSignalSpy restart(&panel, &PlayerPanel::restartRequested);
    QSignalSpy toggle(&panel, &PlayerPanel::togglePlayRequested);
    QSignalSpy pause(&panel, &PlayerPanel::pauseToggleRequested);
    panel.playButton().click();
    EXPECT_EQ(restart.count(), 1);
    EXPECT_EQ(toggle.count(), 0);
    EXPECT_TRUE(panel.playButton().isLit());
    EXPECT_FALSE(panel.pauseButton().isLit());

    load(false);
    panel.playButton().click();
    panel.pauseButton().click();
    EXPECT_EQ(restart.count(), 1);
    EXPECT_EQ(toggle.count(), 1);
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
    EXPECT_EQ(str(panel.timeDisplay().toolTip()), "Time remaining \u2014 click to show elapsed");
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
    // The bubble sits over its position, above the bar.
    const QRect bubble = panel.seekBubble().geometry();
    const QPoint barLeft = bar.mapTo(&panel, QPoint(0, 0));
    EXPECT_NEAR(bubble.center().x(), barLeft.x() + bar.width() * 0.5, 1.5);
    EXPECT_NEAR(bubble.center().y(), barLeft.y() + bar.height() / 2.0 - 14.0, 1.5);
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

TEST_F(PlayerPanelTest, KeyboardSeekFlashesTheBubbleWithTheCurrentTime) {
    panel.setBubbleHideDelay(0);
    load(true, 61.0, 200.0);
    panel.flashSeekBubble();
    EXPECT_TRUE(panel.seekBubble().isShown());
    EXPECT_EQ(str(panel.seekBubble().text()), "1:01");
    QApplication::processEvents();
    EXPECT_FALSE(panel.seekBubble().isShown());
}

TEST_F(PlayerPanelTest, MutedVolumeReadsZeroWithTheSlashedSpeaker) {
    AppSettings settings;
    settings.volume = 0.7;
    settings.isMuted = true;
    panel.setSettings(settings);
    EXPECT_EQ(panel.volumeSlider().value(), 0.0);
    EXPECT_EQ(str(panel.muteButton().symbol()), "speaker.slash.fill");
    EXPECT_EQ(str(panel.muteButton().toolTip()), "Unmute");
    EXPECT_EQ(str(panel.volumeBubble().text()), "MUTE");

    settings.isMuted = false;
    panel.setSettings(settings);
    EXPECT_DOUBLE_EQ(panel.volumeSlider().value(), 0.7);
    EXPECT_EQ(str(panel.muteButton().symbol()), "speaker.wave.2.fill");
    EXPECT_EQ(str(panel.volumeBubble().text()), "70%");

    QSignalSpy mute(&panel, &PlayerPanel::muteToggleRequested);
    panel.muteButton().click();
    EXPECT_EQ(mute.count(), 1);
}

TEST_F(PlayerPanelTest, VolumeAndBalanceEditsShowTheirBubbles) {
    panel.setBubbleHideDelay(0);
    QSignalSpy volume(&panel, &PlayerPanel::volumeEdited);
    FillSlider& slider = panel.volumeSlider();
    sendMouse(&slider, QEvent::MouseButtonPress, {slider.width() / 2.0, slider.height() / 2.0});
    EXPECT_TRUE(panel.volumeBubble().isShown());
    EXPECT_EQ(str(panel.volumeBubble().text()), "50%");
    ASSERT_EQ(volume.count(), 1);
    EXPECT_DOUBLE_EQ(volume.at(0).at(0).toDouble(), 0.5);

    // Centred over the slider, above it.
    const QPoint sliderCentre = slider.mapTo(&panel, slider.rect().center());
    EXPECT_NEAR(panel.volumeBubble().geometry().center().x(), sliderCentre.x(), 1.5);
    EXPECT_LT(panel.volumeBubble().geometry().bottom(), sliderCentre.y());

    sendMouse(&slider, QEvent::MouseButtonRelease, {slider.width() / 2.0, 5});
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
    sendMouse(&balance, QEvent::MouseButtonRelease, {balance.width() * 0.325, 5});
}

TEST_F(PlayerPanelTest, PanelButtonsLightWithTheirSettingsAndThePlaylistOneRestsInFullScreen) {
    AppSettings settings;
    settings.pbMode = PlaybackMode::all;
    settings.shuffle = true;
    settings.eqOn = true;
    settings.showPlaylist = false;
    panel.setSettings(settings);
    EXPECT_TRUE(panel.modeButton().isLit());
    EXPECT_EQ(str(panel.modeButton().text()), "\U0001F501\U0001F500 Mode");
    EXPECT_TRUE(panel.eqButton().isLit());
    EXPECT_FALSE(panel.playlistButton().isLit());

    settings.pbMode = PlaybackMode::normal;
    settings.shuffle = false;
    panel.setSettings(settings);
    EXPECT_FALSE(panel.modeButton().isLit());

    // The playlist button does nothing in full screen.
    QSignalSpy toggle(&panel, &PlayerPanel::playlistToggleRequested);
    panel.setFullscreen(true);
    EXPECT_FALSE(panel.playlistButton().isEnabled());
    EXPECT_EQ(str(panel.playlistButton().toolTip()), "Playlist stays visible in fullscreen");
    panel.playlistButton().click();
    EXPECT_EQ(toggle.count(), 0);
    panel.setFullscreen(false);
    panel.playlistButton().click();
    EXPECT_EQ(toggle.count(), 1);
    EXPECT_EQ(str(panel.playlistButton().toolTip()), "Show / hide playlist");
}

TEST_F(PlayerPanelTest, ReportsItsHeight) {
    QSignalSpy height(&panel, &PlayerPanel::heightChanged);
    panel.resize(660, panel.height() + 20);
    ASSERT_EQ(height.count(), 1);
    EXPECT_EQ(height.at(0).at(0).toInt(), panel.height());
}

} // namespace
} // namespace orvane
