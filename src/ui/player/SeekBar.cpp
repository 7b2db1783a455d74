#include "ui/player/SeekBar.h"

#include "ui/style/Theme.h"

#include <algorithm>
#include <cmath>

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>

namespace orvane {

SeekBar::SeekBar(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setEnabled(false);
}

void SeekBar::setDuration(double duration) {
    if (duration == duration_)
        return;
    duration_ = duration;
    update();
}

void SeekBar::setPosition(double seconds) {
    if (seconds == position_)
        return;
    position_ = seconds;
    update();
}

double SeekBar::maximum() const {
    return std::isfinite(duration_) ? std::max(duration_, 0.01) : 0.01;
}

double SeekBar::positionAt(double x) const {
    const double travel = width() - 2 * knobRadius;
    if (!(travel > 0.0))
        return 0.0;
    return std::clamp((x - knobRadius) / travel, 0.0, 1.0) * maximum();
}

QSize SeekBar::sizeHint() const {
    return {200, 20};
}
QSize SeekBar::minimumSizeHint() const {
    return {60, 20};
}

void SeekBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double centreY = height() / 2.0;
    const double travel = std::max(width() - 2 * knobRadius, 0.0);
    const double fraction =
        std::isfinite(position_) ? std::clamp(position_ / maximum(), 0.0, 1.0) : 0.0;
    const double knobX = knobRadius + fraction * travel;
    const QRectF track(1.0, centreY - 2.0, width() - 2.0, 4.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::withOpacity(Theme::steelLight, isEnabled() ? 1.0 : 0.6));
    painter.drawRoundedRect(track, 2, 2);
    if (!isEnabled())
        return;
    painter.setBrush(Theme::gold);
    painter.drawRoundedRect(QRectF(track.left(), track.top(), knobX - track.left(), track.height()),
                            2, 2);
    const QRectF knob(knobX - knobRadius + 1.0, centreY - knobRadius + 1.0, 2 * knobRadius - 2.0,
                      2 * knobRadius - 2.0);
    painter.setBrush(Theme::withOpacity(Qt::black, 0.3));
    painter.drawEllipse(knob.translated(0, 0.75));
    painter.setBrush(Theme::text);
    painter.setPen(QPen(Theme::withOpacity(Qt::black, 0.45), 0.5));
    painter.drawEllipse(knob);
}

void SeekBar::dragTo(double x) {
    if (!dragging_) {
        dragging_ = true;
        emit editingChanged(true);
    }
    const double seconds = positionAt(x);
    setPosition(seconds);
    emit positionEdited(seconds);
}

void SeekBar::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(event);
    dragTo(event->position().x());
}

void SeekBar::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_)
        return QWidget::mouseMoveEvent(event);
    dragTo(event->position().x());
}

void SeekBar::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !dragging_)
        return QWidget::mouseReleaseEvent(event);
    dragging_ = false;
    emit editingChanged(false);
}

void SeekBar::changeEvent(QEvent* event) {
    // A bar disabled mid-drag (the track was unloaded) ends the edit it started, so the
    // panel is never left believing a seek is under way.
    if (event->type() == QEvent::EnabledChange && !isEnabled() && dragging_) {
        dragging_ = false;
        emit editingChanged(false);
    }
    QWidget::changeEvent(event);
}

} // namespace orvane
