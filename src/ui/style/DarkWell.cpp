#include "ui/style/DarkWell.h"

#include "ui/style/Theme.h"

#include <QPainter>
#include <QWidget>

namespace orvane {

void paintDarkWell(QWidget& widget) {
    QPainter painter(&widget);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Theme::panelBlack);
    painter.drawRoundedRect(QRectF(widget.rect()), 5, 5);
}

} // namespace orvane
