#include "ui/player/DragSlider.h"

#include "ui/player/SliderMath.h"
#include "ui/style/Theme.h"

#include <cmath>

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace orvane {

DragSlider::DragSlider(double initialValue, QWidget* parent)
    : QWidget(parent), value_(initialValue) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

QRectF DragSlider::capsule(double left, double width, double centreY, double height) {
    return {left, centreY - height / 2.0, width, height};
}

void DragSlider::setValue(double value) {
    if (value == value_)
        return;
    value_ = value;
    update();
}

void DragSlider::setTrackHeight(double height) {
    trackHeight_ = height;
    updateGeometry();
    update();
}

QSize DragSlider::sizeHint() const {
    // The thumb stands 4 pixels above and below the track; one more for its shadow.
    return {100, static_cast<int>(std::ceil(trackHeight_ + 10.0))};
}

void DragSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    paintSlider(painter, width(), height() / 2.0);
}

void DragSlider::paintTrack(QPainter& painter, double width, double centreY) const {
    const QRectF track = capsule(0.5, width - 1.0, centreY, trackHeight_ - 1.0);
    painter.setPen(QPen(Qt::black, 1.0));
    painter.setBrush(Theme::panelBlack);
    painter.drawRoundedRect(track, track.height() / 2, track.height() / 2);
}

void DragSlider::paintThumb(QPainter& painter, double left, double centreY, bool threeStops) const {
    const QRectF thumb(left, centreY - (trackHeight_ + 8.0) / 2.0, SliderMetrics::thumbWidth,
                       trackHeight_ + 8.0);
    // A soft one-pixel shadow.
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::withOpacity(Qt::black, 0.25));
    painter.drawRoundedRect(thumb.adjusted(-0.75, -0.25, 0.75, 1.0), 3.0, 3.0);

    QLinearGradient fill(thumb.topLeft(), thumb.bottomLeft());
    if (threeStops) {
        fill.setColorAt(0.0, Theme::withOpacity(Qt::white, 0.85));
        fill.setColorAt(0.5, Theme::withOpacity(Qt::white, 0.55));
        fill.setColorAt(1.0, Theme::withOpacity(Qt::white, 0.3));
    } else {
        fill.setColorAt(0.0, Theme::withOpacity(Qt::white, 0.9));
        fill.setColorAt(1.0, Theme::withOpacity(Qt::white, 0.35));
    }
    painter.setBrush(fill);
    painter.setPen(QPen(Theme::withOpacity(Qt::black, 0.6), 0.5));
    painter.drawRoundedRect(thumb, 2.5, 2.5);
}

void DragSlider::dragTo(double x) {
    const double next = valueAt(x, width());
    if (!dragging_) {
        dragging_ = true;
        emit editingChanged(true);
    }
    setValue(next);
    emit valueEdited(next);
}

void DragSlider::editFromOutside(double value) {
    dragging_ = false;
    setValue(value);
    emit valueEdited(value);
    emit editingChanged(true);
    emit editingChanged(false);
}

void DragSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    dragTo(event->position().x());
}

void DragSlider::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton))
        return QWidget::mouseMoveEvent(event);
    dragTo(event->position().x());
}

void DragSlider::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_)
        return QWidget::mouseReleaseEvent(event);
    dragging_ = false;
    emit editingChanged(false);
}

} // namespace orvane
