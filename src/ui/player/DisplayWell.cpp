#include "ui/player/DisplayWell.h"

#include "ui/style/Theme.h"

#include <QPainter>

namespace orvane {

DisplayWell::DisplayWell(QWidget* parent) : QWidget(parent) {
}

void DisplayWell::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::panelBlack);
    painter.drawRoundedRect(QRectF(rect()), 5, 5);
}

} // namespace orvane
