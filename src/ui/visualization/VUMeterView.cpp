#include "ui/visualization/VUMeterView.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include <QPen>

namespace orvane {

QPointF VUMeterView::pivot() {
    return {imgW * 0.5, imgH * 1.35};
}

double VUMeterView::needleLength() {
    return imgH * 1.15;
}

double VUMeterView::needleAngle(double db) {
    // A NaN level rests the needle at the left end.
    const double f =
        std::isnan(db) ? 0.0 : std::clamp((db - displayMin) / (displayMax - displayMin), 0.0, 1.0);
    return a0 + (a1 - a0) * f;
}

QPointF VUMeterView::facePoint(double degrees, double radius) {
    const double theta = degrees * std::numbers::pi / 180.0;
    return pivot() + QPointF(radius * std::cos(theta), radius * std::sin(theta));
}

QColor VUMeterView::needleColor(double db) {
    return db > 0.0 ? QColor::fromRgbF(0.75f, 0.16f, 0.1f) : QColor::fromRgbF(0.12f, 0.11f, 0.09f);
}

QRectF VUMeterView::gaugeRect(bool right, QSizeF size) {
    const double width = (size.width() - gaugeSpacing) / 2.0;
    return {right ? width + gaugeSpacing : 0.0, 0.0, width, size.height()};
}

void VUMeterView::paint(QPainter& painter, QSizeF size, const QImage& face) const {
    for (const bool right : {false, true}) {
        const double db = right ? rightDb : leftDb;
        const QRectF gauge = gaugeRect(right, size);
        const double sx = gauge.width() / imgW;
        const double sy = gauge.height() / imgH;
        const auto toGauge = [&](QPointF p) {
            return gauge.topLeft() + QPointF(p.x() * sx, p.y() * sy);
        };
        painter.save();
        // The pivot lies below the face: keep the needle's root off the other gauge.
        painter.setClipRect(gauge);
        painter.drawImage(gauge, face);
        QPen pen(needleColor(db), 1.6);
        pen.setCapStyle(Qt::RoundCap);
        painter.setPen(pen);
        painter.drawLine(toGauge(pivot()), toGauge(facePoint(needleAngle(db), needleLength())));
        painter.restore();
    }
}

} // namespace orvane
