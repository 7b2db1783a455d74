#pragma once

#include <cstddef>
#include <vector>

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QSizeF>

namespace orvane {

class GlowLayer;

// The bar spectrum: one rounded bar per band on the black frame, coloured by its height,
// with a soft glow, a sheen and a bright cap. Drawing is a pure function of `bars`.
struct SpectrumView {
    std::vector<float> bars; // the engine's spectrum bars, nominally 0...1

    // The colour of a bar of value `v` (0...1): green, then yellow, orange and red
    // towards the top.
    static QColor barColor(double v);
    // The rounded body of bar `index` of `count` with value `value` (held to 0...1; at
    // least 1 high) in a canvas of `size`.
    static QRectF barRect(std::size_t index, std::size_t count, double value, QSizeF size);
    // The corner radius of bars `width` wide.
    static double barRadius(double width);

    // Draws the frame and the bars into `painter`, a canvas of `size` on an image.
    void paint(QPainter& painter, QSizeF size, GlowLayer& glow) const;
};

} // namespace orvane
