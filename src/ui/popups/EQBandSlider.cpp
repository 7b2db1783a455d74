#include "ui/popups/EQBandSlider.h"

#include "ui/style/Theme.h"

#include <algorithm>

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace orvane {

namespace {

constexpr double thumbHeight = 10.0;
// The thumb's centre travels between these insets, so that at +12 and -12 dB the
// whole thumb stays inside the column.
constexpr double travelInset = thumbHeight / 2 + 0.5;

} // namespace

EQBandSlider::EQBandSlider(QWidget* parent) : QWidget(parent) {
    setFixedSize(18, 88);
    setCursor(Qt::PointingHandCursor);
}

double EQBandSlider::valueAt(double y, double height) {
    const double half = height * 0.5;
    const double travel = std::max(half - travelInset, 1.0);
    return std::clamp((half - y) / travel * maxDb, -maxDb, maxDb);
}

double EQBandSlider::thumbCentre(double db, double height) {
    const double half = height * 0.5;
    return half - (half - travelInset) * std::clamp(db / maxDb, -1.0, 1.0);
}

void EQBandSlider::setValue(double db) {
    const double clamped = std::clamp(db, -maxDb, maxDb);
    if (clamped == value_)
        return;
    value_ = clamped;
    update();
}

void EQBandSlider::edit(double db) {
    setValue(db);
    emit valueEdited(value_);
}

void EQBandSlider::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        edit(valueAt(event->position().y(), height()));
}

void EQBandSlider::mouseMoveEvent(QMouseEvent* event) {
    if (event->buttons() & Qt::LeftButton)
        edit(valueAt(event->position().y(), height()));
}

void EQBandSlider::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        edit(0.0);
}

void EQBandSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const double w = width();
    const double h = height();

    QPainterPath track;
    track.addRoundedRect(QRectF((w - 6) / 2, 0.5, 6, h - 1), 3, 3);
    painter.fillPath(track, Theme::panelBlack);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawPath(track);
    painter.fillRect(QRectF((w - 10) / 2, h / 2 - 0.75, 10, 1.5), Theme::lcd);

    const double centre = thumbCentre(value_, h);
    const QRectF thumb(0.25, centre - thumbHeight / 2, w - 0.5, thumbHeight);
    QLinearGradient fill(thumb.topLeft(), thumb.bottomLeft());
    fill.setColorAt(0.0, Theme::withOpacity(Qt::white, 0.9));
    fill.setColorAt(0.5, Theme::gold);
    fill.setColorAt(1.0, Theme::withOpacity(Qt::white, 0.35));
    QPainterPath thumbShape;
    thumbShape.addRoundedRect(thumb, 2, 2);
    painter.fillPath(thumbShape, fill);
    painter.setPen(QPen(Theme::withOpacity(Qt::black, 0.6), 0.5));
    painter.drawPath(thumbShape);
}

} // namespace orvane
