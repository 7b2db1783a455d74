#include "ui/visualization/ScopeView.h"

#include "ui/style/Theme.h"
#include "ui/visualization/VisualizationCanvas.h"

#include <algorithm>
#include <cmath>

#include <QPen>
#include <QPolygonF>

namespace orvane {

namespace {

constexpr double maxGain = 4.0;

} // namespace

double ScopeView::gain(const std::vector<float>& samples) {
    double peak = 0.0;
    for (const float sample : samples)
        peak = std::max(peak, std::fabs(static_cast<double>(sample)));
    return peak >= 0.05 ? std::min(0.85 / peak, maxGain) : maxGain;
}

QPointF ScopeView::point(std::size_t index, std::size_t count, double sample, double g,
                         QSizeF size) {
    const double mid = size.height() * 0.5;
    const double dx = size.width() / static_cast<double>(count - 1);
    // A NaN sample sits on the centre line.
    const double scaled = std::isnan(sample) ? 0.0 : std::clamp(g * sample, -1.0, 1.0);
    return {dx * static_cast<double>(index), mid + mid * scaled * -0.92};
}

void ScopeView::paint(QPainter& painter, QSizeF size) const {
    fillBlackFrame(painter, size);
    const std::size_t count = samples.size();
    if (count < 2)
        return;
    const double g = gain(samples);
    QPolygonF trace;
    trace.reserve(static_cast<qsizetype>(count));
    for (std::size_t i = 0; i < count; ++i)
        trace.append(point(i, count, static_cast<double>(samples[i]), g, size));
    QPen pen(Theme::green, 1.3);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(trace);
}

} // namespace orvane
