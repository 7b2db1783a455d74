#pragma once

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

namespace orvane {

// A pair of analogue VU needles, left then right, each over its own meter face (see
// VUFace.h). The needle geometry lives in face units, the imgW x imgH system the face
// artwork is laid out in: the needle turns about a pivot below the face, from a0 degrees
// at displayMin to a1 at displayMax (angles grow clockwise with y pointing down, so
// 270 points straight up). Drawing is a pure function of the two levels.
struct VUMeterView {
    double leftDb = -30.0; // needle levels, dB
    double rightDb = -30.0;

    static constexpr double displayMin = -20.0; // level at the left end of the scale
    static constexpr double displayMax = 3.0;   // level at the right end
    static constexpr double imgW = 206.0;       // face width in face units
    static constexpr double imgH = 100.0;       // face height in face units
    static constexpr double a0 = 212.0;         // needle angle at displayMin, degrees
    static constexpr double a1 = 328.0;         // needle angle at displayMax, degrees
    static constexpr double gaugeSpacing = 4.0; // between the two gauges, pixels

    // The pivot and the needle's length, in face units.
    static QPointF pivot();
    static double needleLength();
    // The needle's angle in degrees for `db`, resting at a0 below displayMin and at a1
    // above displayMax.
    static double needleAngle(double db);
    // The point `radius` face units from the pivot at `degrees`, in face units.
    static QPointF facePoint(double degrees, double radius);
    // Dark up to 0 dB, red above.
    static QColor needleColor(double db);
    // The rectangle of the left (`right` false) or right gauge in a box of `size`.
    static QRectF gaugeRect(bool right, QSizeF size);

    // Draws both gauges into `painter`, a canvas of `size`; `face` is the meter face
    // rendered at the gauge size (renderVUFace).
    void paint(QPainter& painter, QSizeF size, const QImage& face) const;
};

} // namespace orvane
