#pragma once

#include <optional>

#include <QColor>
#include <QPainter>
#include <QRectF>
#include <QSizeF>

namespace orvane {

class GlowLayer;

// Two rows of LED bar meters (left level on top, right below) with a peak-hold LED per
// row, on the black frame. Lit LEDs shine at `brightness`; unlit ones keep a faint fixed
// look. Drawing is a pure function of the fields.
struct LEDMeterView {
    double leftDb = -30.0; // peak levels, dB
    double rightDb = -30.0;
    double holdL = -30.0; // peak holds, dB
    double holdR = -30.0;
    double brightness = 0.8; // 0...1

    static constexpr double ledMin = -30.0; // level of the bottom of the scale
    static constexpr double ledMax = 0.0;   // level of the top
    static constexpr int segments = 24;

    // How many LEDs a level lights from the left, 0...segments (nearest, halves away
    // from zero).
    static int litCount(double level);
    // The index of the peak-hold LED for a hold level, or none when the hold is not
    // above ledMin + 0.5 dB.
    static std::optional<int> holdIndex(double hold);
    // The colour of LED `index`: by the level at its centre, red from -2 dB, orange
    // from -5, yellow from -10, else green.
    static QColor segmentColor(int index);
    // LED `index` of row 0 (left) or 1 (right) in a canvas of `size`.
    static QRectF ledRect(int index, int row, QSizeF size);

    // Draws the frame and both rows into `painter`, a canvas of `size` on an image.
    void paint(QPainter& painter, QSizeF size, GlowLayer& glow) const;
};

} // namespace orvane
