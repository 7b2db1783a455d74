#include "ui/player/Sliders.h"

#include "ui/player/SliderMath.h"
#include "ui/style/Theme.h"

#include <cmath>

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>

namespace orvane {

namespace {

QRectF capsule(double left, double width, double centreY, double height) {
    return {left, centreY - height / 2.0, width, height};
}

} // namespace

DragSlider::DragSlider(double initialValue, QWidget* parent)
    : QWidget(parent), value_(initialValue) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
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

FillSlider::FillSlider(QWidget* parent) : DragSlider(0.0, parent) {
}

double FillSlider::valueAt(double x, double width) const {
    return fillSliderValueAt(x, width);
}

void FillSlider::paintSlider(QPainter& painter, double width, double centreY) const {
    paintTrack(painter, width, centreY);
    const double filled = fillWidth(value(), width);
    if (filled > 0.0) {
        const QRectF fill = capsule(0.0, filled, centreY, trackHeight());
        painter.setPen(Qt::NoPen);
        painter.setBrush(fillColor(value()));
        painter.drawRoundedRect(fill, trackHeight() / 2, trackHeight() / 2);
    }
    paintThumb(painter, thumbLeft(filled, width), centreY, false);
}

PanSlider::PanSlider(QWidget* parent) : DragSlider(0.0, parent) {
}

double PanSlider::valueAt(double x, double width) const {
    return panSliderValueAt(x, width);
}

void PanSlider::paintSlider(QPainter& painter, double width, double centreY) const {
    paintTrack(painter, width, centreY);
    const double centre = width / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::withOpacity(Theme::lcd, 0.6));
    painter.drawRect(
        QRectF(centre - 1.0, centreY - (trackHeight() + 6.0) / 2.0, 2.0, trackHeight() + 6.0));
    const double position = panPosition(value(), width);
    const double extent = std::abs(position - centre);
    if (extent > 0.0) {
        painter.setBrush(Theme::greenDim);
        painter.drawRoundedRect(capsule(std::min(position, centre), extent, centreY, trackHeight()),
                                trackHeight() / 2, trackHeight() / 2);
    }
    paintThumb(painter, thumbLeft(position, width), centreY, true);
}

void PanSlider::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return DragSlider::mouseDoubleClickEvent(event);
    // The first click of the pair already ran a short edit; this one recentres.
    editFromOutside(0.0);
}

} // namespace orvane
