#pragma once

#include "model/AppSettings.h"
#include "model/Track.h"

#include <cstddef>
#include <optional>

#include <QWidget>

class QLabel;
class QHBoxLayout;

namespace orvane {

class FillSlider;
class FloatingValueLabel;
class ModeButton;
class NowPlayingView;
class PanSlider;
class IconButton;
class PanelButton;
class SeekBar;
class TimeDisplay;
class TransportButton;

// What the engine publishes about the transport.
struct TransportState {
    bool isLoaded = false;
    bool isPlaying = false;
    double currentTime = 0.0; // seconds
    double duration = 0.0;    // seconds
};

// The fixed upper block of the main window: time and now-playing displays, the
// visualisation box, volume and balance, the seek bar, the transport row and the panel
// buttons. It shows what it is given through the setters and reports the user's
// intentions as signals named after what the controller should do; it owns only its
// own view state (seeking, bubbles). GUI thread only.
class PlayerPanel : public QWidget {
    Q_OBJECT
public:
    explicit PlayerPanel(QWidget* parent = nullptr);

    void setTransport(const TransportState& transport);
    // Volume, mute, balance, mode and shuffle, EQ and playlist switches, time mode.
    void setSettings(const AppSettings& settings);
    // The playing track (none: nothing) and its zero-based place in the playing
    // playlist when it is found there. The track is copied.
    void setNowPlaying(const Track* track, std::optional<std::size_t> position);
    // In full screen the playlist button is disabled.
    void setFullscreen(bool fullscreen);
    // A keyboard volume or seek nudge: show the bubble, then hide it after the delay.
    void flashVolumeBubble();
    void flashSeekBubble();
    // Puts `view` into the 190 x 46 visualisation box; the panel takes ownership.
    void setVisualization(QWidget* view);
    // How long a bubble stays after its edit ends (900 ms).
    void setBubbleHideDelay(int milliseconds) { hideDelayMs_ = milliseconds; }

    // View state, for the wiring and for tests.
    bool isSeeking() const { return isSeeking_; }
    double seekPosition() const { return seekPosition_; }
    const FloatingValueLabel& volumeBubble() const { return *volumeBubble_; }
    const FloatingValueLabel& panBubble() const { return *panBubble_; }
    const FloatingValueLabel& seekBubble() const { return *seekBubble_; }
    TimeDisplay& timeDisplay() { return *time_; }
    NowPlayingView& nowPlaying() { return *nowPlaying_; }
    FillSlider& volumeSlider() { return *volume_; }
    PanSlider& panSlider() { return *pan_; }
    SeekBar& seekBar() { return *seek_; }
    QString lengthText() const;
    TransportButton& playButton() { return *play_; }
    TransportButton& pauseButton() { return *pause_; }
    ModeButton& modeButton() { return *mode_; }
    PanelButton& eqButton() { return *eq_; }
    PanelButton& playlistButton() { return *playlist_; }
    IconButton& muteButton() { return *mute_; }

signals:
    void previousRequested();
    void togglePlayRequested();
    // Play pressed while playing: back to the start of the track.
    void restartRequested();
    void pauseToggleRequested();
    void stopRequested();
    void nextRequested();
    void modePanelRequested();
    void equalizerPanelRequested();
    void playlistToggleRequested();
    void settingsRequested();
    void remainingTimeToggleRequested();
    void muteToggleRequested();
    void volumeEdited(double volume);
    void panEdited(double pan);
    // The user let go of the seek bar at `seconds`.
    void seekRequested(double seconds);
    // The height the panel asks for changed: the info line came or went, or the fonts
    // changed. The compact window follows it.
    void wantedHeightChanged(int height);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHBoxLayout* buildTopRow();
    QHBoxLayout* buildLevelRow();
    QHBoxLayout* buildSeekRow();
    QHBoxLayout* buildButtonRow();
    void hideLater(FloatingValueLabel* bubble);
    void refreshTime();
    void refreshSeek();
    void refreshLevelBubbles();
    void placeBubbles();

    TransportState transport_;
    AppSettings settings_;
    std::optional<Track> track_;
    std::optional<std::size_t> trackPosition_;
    bool isSeeking_ = false;
    double seekPosition_ = 0.0;
    bool showKeySeekLabel_ = false;
    int hideDelayMs_ = 900;
    int lastWantedHeight_ = -1;

    TimeDisplay* time_;
    NowPlayingView* nowPlaying_;
    QWidget* visualization_;
    IconButton* mute_;
    FillSlider* volume_;
    PanSlider* pan_;
    SeekBar* seek_;
    QLabel* length_;
    TransportButton* previous_;
    TransportButton* play_;
    TransportButton* pause_;
    TransportButton* stop_;
    TransportButton* next_;
    ModeButton* mode_;
    PanelButton* eq_;
    PanelButton* playlist_;
    PanelButton* settingsButton_;
    FloatingValueLabel* volumeBubble_;
    FloatingValueLabel* panBubble_;
    FloatingValueLabel* seekBubble_;
};

} // namespace orvane
