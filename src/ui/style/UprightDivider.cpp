#include "ui/style/UprightDivider.h"

#include "ui/style/Theme.h"

#include <QPainter>

namespace orvane {

UprightDivider::UprightDivider(int height, QWidget* parent) : QWidget(parent) {
    setFixedSize(9, height);
}

void UprightDivider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(QRectF(width() / 2.0 - 0.5, 0, 1, height()),
                     Theme::withOpacity(Theme::textDim, 0.45));
}

} // namespace orvane
