#include "ui/player/FillSlider.h"

#include "ui/player/SliderMath.h"

#include <QPainter>

namespace orvane {

FillSlider::FillSlider(QWidget* parent) : DragSlider(0.0, parent) {
}

double FillSlider::valueAt(double x, double width) const {
    return fillSliderValueAt(x, width);
}

void FillSlider::paintSlider(QPainter& painter, double width, double centreY) const {
    paintTrack(painter, width, centreY);
    const double filled = fillWidth(value(), width);
    if (filled > 0.0) {
        const QRectF fill = capsule(0.0, filled, centreY, trackHeight());
        painter.setPen(Qt::NoPen);
        painter.setBrush(fillColor(value()));
        painter.drawRoundedRect(fill, trackHeight() / 2, trackHeight() / 2);
    }
    paintThumb(painter, thumbLeft(filled, width), centreY, false);
}

} // namespace orvane
