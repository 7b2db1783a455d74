#include "ui/playlist/ToolbarButton.h"

#include "ui/style/Icons.h"
#include "ui/style/Theme.h"

#include <cmath>

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

namespace orvane {

namespace {

constexpr double symbolSize = 10.0;
constexpr double titleSize = 11.5;
constexpr double spacing = 4.0;
constexpr double padX = 10.0;
constexpr double padY = 5.0;

} // namespace

ToolbarButton::ToolbarButton(const QString& symbol, const QString& title, const QString& help,
                             QWidget* parent)
    : QAbstractButton(parent), symbol_(symbol) {
    setText(title);
    setToolTip(help);
    setFont(Theme::systemFont(titleSize));
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize ToolbarButton::sizeHint() const {
    const QFontMetricsF metrics(font());
    double width = metrics.horizontalAdvance(text()) + 2 * padX;
    if (!symbol_.isEmpty())
        width += symbolSize * Icons::glyphScale + spacing;
    return {static_cast<int>(std::ceil(width)),
            static_cast<int>(std::ceil(metrics.height() + 2 * padY))};
}

void ToolbarButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (!isEnabled())
        painter.setOpacity(0.4);
    const QRectF box = QRectF(rect());
    Theme::paintSteelButton(painter, box, 5, isDown());
    double x = padX;
    if (!symbol_.isEmpty()) {
        const double side = symbolSize * Icons::glyphScale;
        Icons::paintSymbol(painter, QRectF(x, box.center().y() - side / 2.0, side, side), symbol_,
                           Theme::text);
        x += side + spacing;
    }
    painter.setPen(Theme::text);
    painter.setFont(font());
    painter.drawText(QRectF(x, 0, box.width() - x, box.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     text());
}

} // namespace orvane
