#pragma once

#include <QImage>
#include <QPainter>
#include <QSizeF>

namespace orvane {

// Orvane's VU meter face ("VUFace"): a warm backlit card with the dB scale on an arc
// about the needle pivot, so that it matches VUMeterView's needle geometry exactly.

// Paints the face into `painter` in face units (VUMeterView::imgW x imgH).
void paintVUFace(QPainter& painter);

// The face stretched to `size` logical pixels, as an image for a screen of
// `devicePixelRatio`; the views keep it and redraw it only when the size changes.
QImage renderVUFace(QSizeF size, double devicePixelRatio);

} // namespace orvane
