#include "ui/visualization/LEDMeterView.h"

#include "ui/style/Theme.h"
#include "ui/visualization/VisualizationCanvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

#include <QLinearGradient>
#include <QPainterPath>
#include <QPen>

namespace orvane {

namespace {

constexpr double range = LEDMeterView::ledMax - LEDMeterView::ledMin;
constexpr double ledRadius = 2.0;

// A level in LED steps above the bottom of the scale, rounded half away from zero.
long stepsAbove(double level) {
    const double steps = (level - LEDMeterView::ledMin) / range * LEDMeterView::segments;
    // Held to a range that converts safely; NaN counts as the bottom.
    return std::lround(std::isnan(steps) ? 0.0 : std::clamp(steps, -1.0e6, 1.0e6));
}

struct LitLED {
    QRectF rect;
    QColor color;
};

void paintUnlit(QPainter& painter, const QRectF& rect, const QColor& color) {
    QPainterPath path;
    path.addRoundedRect(rect, ledRadius, ledRadius);
    QLinearGradient fill(rect.topLeft(), rect.bottomLeft());
    fill.setColorAt(0.0, Theme::withOpacity(color, 0.05));
    fill.setColorAt(0.5, Theme::withOpacity(color, 0.14));
    fill.setColorAt(1.0, Theme::withOpacity(color, 0.07));
    painter.fillPath(path, fill);
    painter.strokePath(path, QPen(Theme::withOpacity(Qt::black, 0.6), 0.6));
}

void paintLit(QPainter& painter, const LitLED& led, double b) {
    const QRectF& r = led.rect;
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0.0, Theme::withOpacity(led.color, b * 0.72));
    fill.setColorAt(0.35, Theme::withOpacity(led.color, b));
    fill.setColorAt(1.0, Theme::withOpacity(led.color, b * 0.62));
    painter.setBrush(fill);
    painter.drawRoundedRect(r, ledRadius, ledRadius);
    painter.setBrush(Theme::withOpacity(Qt::white, b * 0.32));
    painter.drawRoundedRect(QRectF(r.x() + r.width() * 0.2, r.y() + r.height() * 0.12,
                                   r.width() * 0.6, r.height() * 0.28),
                            r.height() * 0.5, r.height() * 0.5);
}

} // namespace

int LEDMeterView::litCount(double level) {
    return static_cast<int>(std::clamp(stepsAbove(level), 0L, static_cast<long>(segments)));
}

std::optional<int> LEDMeterView::holdIndex(double hold) {
    if (!(hold > ledMin + 0.5))
        return std::nullopt;
    const long hi = std::min(stepsAbove(hold) - 1, static_cast<long>(segments - 1));
    return static_cast<int>(std::max(hi, 0L));
}

QColor LEDMeterView::segmentColor(int index) {
    const double level = ledMin + range * (index + 0.5) / segments;
    if (level >= -2.0)
        return QColor::fromRgbF(0.95f, 0.22f, 0.15f);
    if (level >= -5.0)
        return QColor::fromRgbF(0.95f, 0.55f, 0.15f);
    if (level >= -10.0)
        return QColor::fromRgbF(0.92f, 0.88f, 0.18f);
    return QColor::fromRgbF(0.15f, 0.9f, 0.35f);
}

QRectF LEDMeterView::ledRect(int index, int row, QSizeF size) {
    const double rowHeight = (size.height() - 6.0 - 2.0) * 0.5;
    const double pitch = (size.width() - 8.0) / segments;
    const double y = row == 0 ? 3.0 : 3.0 + rowHeight + 2.0;
    return {pitch * index + 4.5, y, pitch - 1.5, rowHeight};
}

void LEDMeterView::paint(QPainter& painter, QSizeF size, GlowLayer& glow) const {
    fillBlackFrame(painter, size);

    // Lit LEDs, hold LEDs included, in drawing order; at most two rows' worth plus holds.
    std::array<LitLED, 2 * (segments + 1)> lit{};
    std::size_t litTotal = 0;
    for (const int row : {0, 1}) {
        const int count = litCount(row == 0 ? leftDb : rightDb);
        for (int i = 0; i < segments; ++i) {
            const QRectF rect = ledRect(i, row, size);
            if (i < count)
                lit[litTotal++] = {rect, segmentColor(i)};
            else
                paintUnlit(painter, rect, segmentColor(i));
        }
        if (const auto hold = holdIndex(row == 0 ? holdL : holdR))
            lit[litTotal++] = {ledRect(*hold, row, size), segmentColor(*hold)};
    }

    const double b = std::clamp(brightness, 0.0, 1.0);
    painter.setPen(Qt::NoPen);
    if (litTotal > 0 && b > 0.0) {
        glow.paint(painter, size, 1.6, [&](QPainter& layer) {
            for (std::size_t i = 0; i < litTotal; ++i) {
                layer.setBrush(Theme::withOpacity(lit[i].color, b * 0.35));
                layer.drawRoundedRect(lit[i].rect.adjusted(-0.8, -0.8, 0.8, 0.8), 2.5, 2.5);
            }
        });
    }
    for (std::size_t i = 0; i < litTotal; ++i)
        paintLit(painter, lit[i], b);

    // The frame's outline.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1.0));
    painter.drawRoundedRect(QRectF(QPointF(0.5, 0.5), size - QSizeF(1, 1)),
                            visualizationCornerRadius, visualizationCornerRadius);
}

} // namespace orvane
