#include "ui/visualization/VisualizationBox.h"

#include "controller/PlayerController.h"
#include "ui/visualization/VUFace.h"

#include <cmath>

#include <QMouseEvent>
#include <QPainter>

namespace orvane {

QString visualizationToolTip(VisualizationMode mode) {
    const auto raw = rawValue(mode);
    QString name = QString::fromUtf8(raw.data(), static_cast<qsizetype>(raw.size())).toLower();
    if (!name.isEmpty())
        name[0] = name[0].toUpper();
    return QStringLiteral("Visualization: ") + name + QStringLiteral(" \u2014 click to change");
}

VisualizationBox::VisualizationBox(PlayerController& player, QWidget* parent)
    : QWidget(parent), player_(player), mode_(player.settings.get().visualization),
      ledBrightness_(player.settings.get().ledBrightness) {
    setFixedSize(boxWidth, boxHeight);
    setToolTip(visualizationToolTip(mode_));
    led_.brightness = ledBrightness_;
    settingsSubscription_ = player_.settings.subscribe(
        [this](const AppSettings& settings) { settingsChanged(settings); });
}

VisualizationBox::~VisualizationBox() = default;

void VisualizationBox::settingsChanged(const AppSettings& settings) {
    if (settings.ledBrightness != ledBrightness_) {
        ledBrightness_ = settings.ledBrightness;
        led_.brightness = ledBrightness_;
        if (mode_ != VisualizationMode::off)
            refresh();
    }
    if (settings.visualization != mode_) {
        mode_ = settings.visualization;
        setToolTip(visualizationToolTip(mode_));
        if (listening_) {
            stopListening();
            startListening();
        }
        refresh();
    }
}

bool VisualizationBox::isOnScreen() const {
    const QWidget* top = window();
    return isVisible() && top->isVisible() && !top->isMinimized();
}

void VisualizationBox::followVisibility() {
    const bool onScreen = isOnScreen();
    if (onScreen && !listening_) {
        startListening();
        update();
    } else if (!onScreen && listening_) {
        stopListening();
    }
}

void VisualizationBox::startListening() {
    listening_ = true;
    AudioEngine& engine = player_.engine();
    // Take the current values first: nothing was followed while off screen.
    const auto follow = [this](Published<double>& source, double& field) {
        field = source.get();
        engineSubscriptions_.push_back(
            source.subscribe([this, &field](const double& value) { assign(field, value); }));
    };
    switch (mode_) {
    case VisualizationMode::spectrum:
        spectrum_.bars = engine.spectrumBars.get();
        engineSubscriptions_.push_back(engine.spectrumBars.subscribe(
            [this](const std::vector<float>& bars) { assign(spectrum_.bars, bars); }));
        break;
    case VisualizationMode::scope:
        scope_.samples = engine.waveform.get();
        engineSubscriptions_.push_back(engine.waveform.subscribe(
            [this](const std::vector<float>& samples) { assign(scope_.samples, samples); }));
        break;
    case VisualizationMode::vu:
        follow(engine.vuLeftDb, vu_.leftDb);
        follow(engine.vuRightDb, vu_.rightDb);
        break;
    case VisualizationMode::led:
        follow(engine.peakLeftDb, led_.leftDb);
        follow(engine.peakRightDb, led_.rightDb);
        follow(engine.peakHoldLeftDb, led_.holdL);
        follow(engine.peakHoldRightDb, led_.holdR);
        break;
    case VisualizationMode::off:
        break;
    }
}

void VisualizationBox::stopListening() {
    listening_ = false;
    engineSubscriptions_.clear();
}

void VisualizationBox::refresh() {
    if (isOnScreen())
        update();
}

void VisualizationBox::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    followVisibility();
}

void VisualizationBox::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    followVisibility();
}

void VisualizationBox::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        player_.cycleVisualization();
        event->accept();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void VisualizationBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (mode_ == VisualizationMode::off) {
        fillBlackFrame(painter, size());
        return;
    }
    const double ratio = devicePixelRatioF();
    const QSize pixels(static_cast<int>(std::ceil(width() * ratio)),
                       static_cast<int>(std::ceil(height() * ratio)));
    if (canvas_.size() != pixels)
        canvas_ = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
    canvas_.setDevicePixelRatio(ratio);
    canvas_.fill(Qt::transparent);
    {
        QPainter canvas(&canvas_);
        canvas.setRenderHint(QPainter::Antialiasing);
        paintCanvas(canvas);
    }
    // The LED meters shine at the brightness themselves; the others are darkened.
    if (mode_ != VisualizationMode::led)
        applyBrightness(canvas_, brightnessAdjustment(ledBrightness_));
    painter.drawImage(QPointF(0, 0), canvas_);
}

void VisualizationBox::paintCanvas(QPainter& painter) {
    const QSizeF box = size();
    switch (mode_) {
    case VisualizationMode::spectrum:
        spectrum_.paint(painter, box, glow_);
        clipToFrame(painter, box);
        break;
    case VisualizationMode::scope:
        scope_.paint(painter, box);
        clipToFrame(painter, box);
        break;
    case VisualizationMode::vu: {
        const QRectF gauge = VUMeterView::gaugeRect(false, box);
        const QSize facePixels(
            static_cast<int>(std::ceil(gauge.width() * canvas_.devicePixelRatio())),
            static_cast<int>(std::ceil(gauge.height() * canvas_.devicePixelRatio())));
        if (face_.size() != facePixels)
            face_ = renderVUFace(gauge.size(), canvas_.devicePixelRatio());
        vu_.paint(painter, box, face_);
        break;
    }
    case VisualizationMode::led:
        led_.paint(painter, box, glow_);
        clipToFrame(painter, box);
        break;
    case VisualizationMode::off:
        break;
    }
}

} // namespace orvane
