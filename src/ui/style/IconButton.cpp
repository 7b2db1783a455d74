#include "ui/style/IconButton.h"

#include "ui/style/Icons.h"

#include <QPainter>

namespace orvane {

IconButton::IconButton(const QString& symbol, double symbolSize, const QColor& color, QSize box,
                       QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol), symbolSize_(symbolSize), color_(color), box_(box) {
    setFixedSize(box);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(symbol);
}

void IconButton::setSymbol(const QString& symbol, const QColor& color) {
    if (symbol == symbol_ && color == color_)
        return;
    symbol_ = symbol;
    color_ = color;
    setAccessibleName(symbol);
    update();
}

void IconButton::setOpacity(double opacity) {
    opacity_ = opacity;
    update();
}

void IconButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setOpacity(opacity_ * (isEnabled() ? 1.0 : 0.4) * (isDown() ? 0.7 : 1.0));
    Icons::paintSymbol(painter, Icons::glyphRect(QRectF(rect()).center(), symbolSize_), symbol_,
                       color_);
}

} // namespace orvane
