#include "ui/player/PanSlider.h"

#include "ui/player/SliderMath.h"
#include "ui/style/Theme.h"

#include <algorithm>
#include <cmath>

#include <QMouseEvent>
#include <QPainter>

namespace orvane {

PanSlider::PanSlider(QWidget* parent) : DragSlider(0.0, parent) {
}

double PanSlider::valueAt(double x, double width) const {
    return panSliderValueAt(x, width);
}

void PanSlider::paintSlider(QPainter& painter, double width, double centreY) const {
    paintTrack(painter, width, centreY);
    const double centre = width / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::withOpacity(Theme::lcd, 0.6));
    painter.drawRect(
        QRectF(centre - 1.0, centreY - (trackHeight() + 6.0) / 2.0, 2.0, trackHeight() + 6.0));
    const double position = panPosition(value(), width);
    const double extent = std::abs(position - centre);
    if (extent > 0.0) {
        painter.setBrush(Theme::greenDim);
        painter.drawRoundedRect(capsule(std::min(position, centre), extent, centreY, trackHeight()),
                                trackHeight() / 2, trackHeight() / 2);
    }
    paintThumb(painter, thumbLeft(position, width), centreY, true);
}

void PanSlider::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return DragSlider::mouseDoubleClickEvent(event);
    // The first click of the pair already ran a short edit; this one recentres.
    editFromOutside(0.0);
}

} // namespace orvane
