#include "ui/player/PlayerPanel.h"

#include "model/Formatters.h"
#include "ui/player/FillSlider.h"
#include "ui/player/FloatingValueLabel.h"
#include "ui/player/ModeButton.h"
#include "ui/player/NowPlayingView.h"
#include "ui/player/PanSlider.h"
#include "ui/player/PanelButton.h"
#include "ui/player/PanelTexts.h"
#include "ui/player/SeekBar.h"
#include "ui/player/SliderMath.h"
#include "ui/player/TimeDisplay.h"
#include "ui/player/TransportButton.h"
#include "ui/style/IconButton.h"
#include "ui/style/Theme.h"
#include "ui/style/UprightDivider.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

namespace orvane {

namespace {

constexpr int visualizationWidth = 190;
constexpr int visualizationHeight = 46;
// Bubbles float this far above the centre line of what they describe.
constexpr double sliderBubbleRise = 18.0;
constexpr double seekBubbleRise = 14.0;

// The box that holds the visualisation; empty, it is the black "off" face.
class VisualizationBox : public QWidget {
public:
    explicit VisualizationBox(QWidget* parent = nullptr) : QWidget(parent) {
        setFixedSize(visualizationWidth, visualizationHeight);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(0, 0, 0, 0);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawRoundedRect(QRectF(rect()), 5, 5);
    }
};

} // namespace

PlayerPanel::PlayerPanel(QWidget* parent)
    : QWidget(parent), time_(new TimeDisplay), nowPlaying_(new NowPlayingView),
      visualization_(new VisualizationBox),
      mute_(
          new IconButton(QStringLiteral("speaker.wave.2.fill"), 11, Theme::textDim, QSize(16, 18))),
      volume_(new FillSlider), pan_(new PanSlider), seek_(new SeekBar),
      length_(Theme::plainLabel(QStringLiteral("0:00"), Theme::monospacedFont(11), Theme::textDim)),
      previous_(new TransportButton(QStringLiteral("backward.end.fill"))),
      play_(new TransportButton(QStringLiteral("play.fill"))),
      pause_(new TransportButton(QStringLiteral("pause.fill"))),
      stop_(new TransportButton(QStringLiteral("stop.fill"))),
      next_(new TransportButton(QStringLiteral("forward.end.fill"))), mode_(new ModeButton),
      eq_(new PanelButton), playlist_(new PanelButton), settingsButton_(new PanelButton),
      volumeBubble_(new FloatingValueLabel(this)), panBubble_(new FloatingValueLabel(this)),
      seekBubble_(new FloatingValueLabel(this)) {
    setObjectName(QStringLiteral("PlayerPanel"));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(14, 12, 14, 12);
    stack->setSpacing(8);
    stack->addLayout(buildTopRow());
    stack->addLayout(buildLevelRow());
    stack->addLayout(buildSeekRow());
    stack->addLayout(buildButtonRow());

    for (QWidget* watched : {static_cast<QWidget*>(volume_), static_cast<QWidget*>(pan_),
                             static_cast<QWidget*>(seek_)})
        watched->installEventFilter(this);

    setSettings(settings_);
    setTransport(transport_);
    setNowPlaying(nullptr, std::nullopt);
}

QHBoxLayout* PlayerPanel::buildTopRow() {
    connect(time_, &QAbstractButton::clicked, this, &PlayerPanel::remainingTimeToggleRequested);
    auto* row = new QHBoxLayout;
    row->setSpacing(14);
    row->addWidget(time_, 0, Qt::AlignVCenter);
    row->addWidget(nowPlaying_, 1, Qt::AlignVCenter);
    return row;
}

QHBoxLayout* PlayerPanel::buildLevelRow() {
    volume_->setFixedSize(140, volume_->sizeHint().height());
    pan_->setFixedSize(100, pan_->sizeHint().height());
    connect(mute_, &QAbstractButton::clicked, this, &PlayerPanel::muteToggleRequested);

    connect(volume_, &FillSlider::valueEdited, this, [this](double value) {
        volumeBubble_->setText(volumeText(value, false));
        emit volumeEdited(value);
    });
    connect(volume_, &FillSlider::editingChanged, this, [this](bool editing) {
        if (editing)
            volumeBubble_->setShown(true);
        else
            hideLater(volumeBubble_);
    });
    connect(pan_, &PanSlider::valueEdited, this, [this](double value) {
        panBubble_->setText(panText(value));
        emit panEdited(value);
    });
    connect(pan_, &PanSlider::editingChanged, this, [this](bool editing) {
        if (editing)
            panBubble_->setShown(true);
        else
            hideLater(panBubble_);
    });

    const QFont letterFont = Theme::systemFont(9);
    auto* levels = new QHBoxLayout;
    levels->setSpacing(8);
    levels->addWidget(mute_);
    levels->addWidget(volume_);
    levels->addSpacing(12);
    levels->addWidget(Theme::plainLabel(QStringLiteral("L"), letterFont, Theme::textDim));
    levels->addWidget(pan_);
    levels->addWidget(Theme::plainLabel(QStringLiteral("R"), letterFont, Theme::textDim));

    auto* row = new QHBoxLayout;
    row->setSpacing(8);
    row->addStretch(1);
    row->addWidget(visualization_);
    row->addLayout(levels);
    row->addStretch(1);
    return row;
}

QHBoxLayout* PlayerPanel::buildSeekRow() {
    length_->setMinimumWidth(90);
    length_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(seek_, &SeekBar::editingChanged, this, [this](bool editing) {
        if (editing) {
            seekPosition_ = transport_.currentTime;
            isSeeking_ = true;
        } else if (isSeeking_) {
            // A bar disabled mid-drag ends the edit too; then there is nothing to seek.
            const bool commit = transport_.isLoaded;
            isSeeking_ = false;
            if (commit)
                emit seekRequested(seekPosition_);
        }
        refreshSeek();
    });
    connect(seek_, &SeekBar::positionEdited, this, [this](double seconds) {
        seekPosition_ = seconds;
        refreshSeek();
    });
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(seek_, 1);
    row->addWidget(length_);
    return row;
}

QHBoxLayout* PlayerPanel::buildButtonRow() {
    connect(previous_, &QAbstractButton::clicked, this, &PlayerPanel::previousRequested);
    connect(play_, &QAbstractButton::clicked, this, [this] {
        if (transport_.isLoaded && transport_.isPlaying)
            emit restartRequested();
        else
            emit togglePlayRequested();
    });
    connect(pause_, &QAbstractButton::clicked, this, [this] {
        if (transport_.isLoaded)
            emit pauseToggleRequested();
    });
    connect(stop_, &QAbstractButton::clicked, this, &PlayerPanel::stopRequested);
    connect(next_, &QAbstractButton::clicked, this, &PlayerPanel::nextRequested);

    eq_->setLabel(QStringLiteral("EQ"), 11, true);
    eq_->setBoxSize(36, 32);
    eq_->setToolTip(QStringLiteral("Equalizer"));
    playlist_->setLabel(QStringLiteral("PL"), 11, true);
    playlist_->setBoxSize(36, 32);
    settingsButton_->setSymbol(QStringLiteral("gearshape.fill"), 13);
    settingsButton_->setBoxSize(36, 32);
    settingsButton_->setToolTip(QStringLiteral("Settings"));
    connect(mode_, &QAbstractButton::clicked, this, &PlayerPanel::modePanelRequested);
    connect(eq_, &QAbstractButton::clicked, this, &PlayerPanel::equalizerPanelRequested);
    connect(playlist_, &QAbstractButton::clicked, this, &PlayerPanel::playlistToggleRequested);
    connect(settingsButton_, &QAbstractButton::clicked, this, &PlayerPanel::settingsRequested);

    auto* row = new QHBoxLayout;
    row->setSpacing(6);
    row->addStretch(1);
    for (QWidget* button : {previous_, play_, pause_, stop_, next_})
        row->addWidget(button);
    row->addWidget(new UprightDivider(20));
    row->addWidget(mode_);
    row->addWidget(eq_);
    row->addWidget(playlist_);
    row->addWidget(new UprightDivider(20));
    row->addWidget(settingsButton_);
    row->addStretch(1);
    return row;
}

void PlayerPanel::setTransport(const TransportState& transport) {
    transport_ = transport;
    play_->setLit(transport.isPlaying);
    pause_->setLit(transport.isLoaded && !transport.isPlaying);
    refreshTime();
    refreshSeek();
}

void PlayerPanel::setSettings(const AppSettings& settings) {
    settings_ = settings;
    mute_->setSymbol(settings.isMuted ? QStringLiteral("speaker.slash.fill")
                                      : QStringLiteral("speaker.wave.2.fill"),
                     settings.isMuted ? Theme::danger : Theme::textDim);
    mute_->setToolTip(muteHelp(settings.isMuted));
    mode_->setMode(settings.pbMode, settings.shuffle);
    eq_->setLit(settings.eqOn);
    playlist_->setLit(settings.showPlaylist);
    refreshLevelBubbles();
    refreshTime();
}

void PlayerPanel::setNowPlaying(const Track* track, std::optional<std::size_t> position) {
    track_ = track != nullptr ? std::optional<Track>(*track) : std::nullopt;
    trackPosition_ = position;
    refreshTime();
}

void PlayerPanel::setFullscreen(bool fullscreen) {
    playlist_->setEnabled(!fullscreen);
    playlist_->setToolTip(playlistButtonHelp(fullscreen));
}

void PlayerPanel::flashVolumeBubble() {
    volumeBubble_->setShown(true);
    hideLater(volumeBubble_);
}

void PlayerPanel::flashSeekBubble() {
    showKeySeekLabel_ = true;
    refreshSeek();
    QTimer::singleShot(hideDelayMs_, this, [this] {
        showKeySeekLabel_ = false;
        refreshSeek();
    });
}

void PlayerPanel::setVisualization(QWidget* view) {
    QLayout* layout = visualization_->layout();
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    if (view != nullptr)
        layout->addWidget(view);
}

QString PlayerPanel::lengthText() const {
    return length_->text();
}

void PlayerPanel::hideLater(FloatingValueLabel* bubble) {
    // Each edit's end schedules its own hide; an earlier one is not called off.
    QTimer::singleShot(hideDelayMs_, bubble, [bubble] { bubble->setShown(false); });
}

void PlayerPanel::refreshTime() {
    const auto& t = transport_;
    time_->setTime(timeText(t.isLoaded, t.currentTime, t.duration, settings_.showRemainingTime),
                   settings_.showRemainingTime);
    length_->setText(orvane::lengthText(t.isLoaded, t.currentTime, t.duration));
    const Track* track = track_ ? &*track_ : nullptr;
    nowPlaying_->setTexts(marqueeText(track, trackPosition_, t.duration), formatInfoText(track));
}

void PlayerPanel::refreshSeek() {
    seek_->setEnabled(transport_.isLoaded);
    seek_->setDuration(transport_.duration);
    seek_->setPosition(isSeeking_ ? seekPosition_ : transport_.currentTime);
    const auto bubble =
        orvane::seekBubble(isSeeking_, seekPosition_, showKeySeekLabel_, transport_.currentTime,
                           transport_.duration, seek_->width());
    if (bubble) {
        seekBubble_->setText(bubble->text);
        placeBubbles();
    }
    seekBubble_->setShown(bubble.has_value());
}

void PlayerPanel::refreshLevelBubbles() {
    volume_->setValue(settings_.isMuted ? 0.0 : settings_.volume);
    pan_->setValue(settings_.pan);
    volumeBubble_->setText(volumeText(settings_.volume, settings_.isMuted));
    panBubble_->setText(panText(settings_.pan));
}

void PlayerPanel::placeBubbles() {
    const auto above = [this](QWidget* widget, double rise) {
        const QPointF centre(widget->width() / 2.0, widget->height() / 2.0);
        return widget->mapTo(this, centre) - QPointF(0, rise);
    };
    volumeBubble_->centreAt(above(volume_, sliderBubbleRise));
    panBubble_->centreAt(above(pan_, sliderBubbleRise));
    const auto bubble =
        orvane::seekBubble(isSeeking_, seekPosition_, showKeySeekLabel_, transport_.currentTime,
                           transport_.duration, seek_->width());
    if (bubble) {
        const QPointF seekCentre = above(seek_, seekBubbleRise);
        seekBubble_->centreAt(
            QPointF(seekCentre.x() - seek_->width() / 2.0 + bubble->centerX, seekCentre.y()));
    }
}

void PlayerPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QLinearGradient fill(0, 0, 0, height());
    fill.setColorAt(0.0, Theme::withOpacity(Theme::steelLight, 0.7));
    fill.setColorAt(0.5, Theme::steel);
    fill.setColorAt(1.0, Theme::bg);
    painter.fillRect(rect(), Theme::bg);
    painter.fillRect(rect(), fill);
}

bool PlayerPanel::event(QEvent* event) {
    // The layout has answered a request by the time the panel sees it, so the size
    // hint is current here.
    const bool handled = QWidget::event(event);
    switch (event->type()) {
    case QEvent::LayoutRequest:
    case QEvent::FontChange:
    case QEvent::StyleChange:
        if (const int wanted = sizeHint().height(); wanted != lastWantedHeight_) {
            lastWantedHeight_ = wanted;
            emit wantedHeightChanged(wanted);
        }
        break;
    default:
        break;
    }
    return handled;
}

void PlayerPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeBubbles();
}

bool PlayerPanel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        placeBubbles();
    return QWidget::eventFilter(watched, event);
}

} // namespace orvane
