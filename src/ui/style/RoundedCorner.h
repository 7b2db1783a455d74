#pragma once

#include <QFlags>
#include <QPainterPath>
#include <QRectF>

namespace orvane {

// Corners of a rectangle, as bits.
enum class RectCorner { topLeft = 1, topRight = 2, bottomLeft = 4, bottomRight = 8 };
Q_DECLARE_FLAGS(RectCorners, RectCorner)
Q_DECLARE_OPERATORS_FOR_FLAGS(RectCorners)

// The outline of `rect` with the listed corners rounded by `radius` and the others
// square (a tab is rounded at the top only). It starts on the top edge and runs
// clockwise. Pure.
QPainterPath roundedCornerPath(const QRectF& rect, double radius, RectCorners corners);

} // namespace orvane
