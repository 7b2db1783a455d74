#include "ui/style/RoundedCorner.h"

#include <algorithm>

namespace orvane {

QPainterPath roundedCornerPath(const QRectF& rect, double radius, RectCorners corners) {
    // A radius larger than half a side would make the arcs overlap.
    const double r = std::clamp(radius, 0.0, std::min(rect.width(), rect.height()) / 2.0);
    const auto radiusAt = [&](RectCorner corner) {
        return corners.testFlag(corner) ? r : 0.0;
    };
    const double tl = radiusAt(RectCorner::topLeft);
    const double tr = radiusAt(RectCorner::topRight);
    const double bl = radiusAt(RectCorner::bottomLeft);
    const double br = radiusAt(RectCorner::bottomRight);
    const double left = rect.left();
    const double top = rect.top();
    const double right = rect.right();
    const double bottom = rect.bottom();

    QPainterPath path;
    path.moveTo(left + tl, top);
    path.lineTo(right - tr, top);
    if (tr > 0)
        path.arcTo(QRectF(right - 2 * tr, top, 2 * tr, 2 * tr), 90, -90);
    path.lineTo(right, bottom - br);
    if (br > 0)
        path.arcTo(QRectF(right - 2 * br, bottom - 2 * br, 2 * br, 2 * br), 0, -90);
    path.lineTo(left + bl, bottom);
    if (bl > 0)
        path.arcTo(QRectF(left, bottom - 2 * bl, 2 * bl, 2 * bl), 270, -90);
    path.lineTo(left, top + tl);
    if (tl > 0)
        path.arcTo(QRectF(left, top, 2 * tl, 2 * tl), 180, -90);
    path.closeSubpath();
    return path;
}

} // namespace orvane
