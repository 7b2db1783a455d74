#include "ui/visualization/SpectrumView.h"

#include "ui/style/Theme.h"
#include "ui/visualization/VisualizationCanvas.h"

#include <algorithm>

#include <QLinearGradient>

namespace orvane {

namespace {

double clampedValue(float value) {
    // A NaN bar is drawn as an empty one.
    return value > 0.0f ? std::min(static_cast<double>(value), 1.0) : 0.0;
}

} // namespace

QColor SpectrumView::barColor(double v) {
    if (v > 0.82)
        return QColor::fromRgbF(0.96f, 0.28f, 0.18f);
    if (v > 0.62)
        return QColor::fromRgbF(0.96f, 0.56f, 0.18f);
    if (v > 0.42)
        return QColor::fromRgbF(0.93f, 0.9f, 0.2f);
    return Theme::green;
}

QRectF SpectrumView::barRect(std::size_t index, std::size_t count, double value, QSizeF size) {
    const double slot = size.width() / static_cast<double>(count);
    const double width = std::max(slot - 2.0, 1.0);
    const double v = value > 0.0 ? std::min(value, 1.0) : 0.0;
    const double height = std::max(size.height() * v, 1.0);
    return {slot * static_cast<double>(index) + 1.0, size.height() - height, width, height};
}

double SpectrumView::barRadius(double width) {
    return std::min(width * 0.5, 3.0);
}

void SpectrumView::paint(QPainter& painter, QSizeF size, GlowLayer& glow) const {
    fillBlackFrame(painter, size);
    const std::size_t count = bars.size();
    if (count == 0)
        return;
    painter.setPen(Qt::NoPen);

    glow.paint(painter, size, 2.0, [&](QPainter& layer) {
        for (std::size_t i = 0; i < count; ++i) {
            const double v = clampedValue(bars[i]);
            const QRectF bar = barRect(i, count, v, size);
            const double r = barRadius(bar.width());
            layer.setBrush(Theme::withOpacity(barColor(v), 0.35));
            layer.drawRoundedRect(bar, r, r);
        }
    });

    const QColor sheen = Theme::withOpacity(Qt::white, 0.22);
    const QColor cap = Theme::withOpacity(Qt::white, 0.5);
    for (std::size_t i = 0; i < count; ++i) {
        const double v = clampedValue(bars[i]);
        const QRectF bar = barRect(i, count, v, size);
        const double w = bar.width();
        const double r = barRadius(w);
        const QColor color = barColor(v);

        QLinearGradient body(bar.left(), 0, bar.right(), 0);
        body.setColorAt(0.0, Theme::withOpacity(color, 0.55));
        body.setColorAt(1.0, Theme::withOpacity(color, 0.7));
        painter.setBrush(body);
        painter.drawRoundedRect(bar, r, r);

        painter.setBrush(sheen);
        painter.drawRoundedRect(QRectF(bar.left() + w * 0.12, bar.top(), w * 0.24, bar.height()),
                                w * 0.12, w * 0.12);

        painter.setBrush(cap);
        painter.drawRoundedRect(QRectF(bar.left(), bar.top(), w, std::min(bar.height(), 3.0)), 1.5,
                                1.5);
    }
}

} // namespace orvane
