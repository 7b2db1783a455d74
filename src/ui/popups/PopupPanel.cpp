#include "ui/popups/PopupPanel.h"

#include "ui/style/Theme.h"

#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace orvane {

PopupPanel::PopupPanel(QWidget* parent) : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint) {
    setAttribute(Qt::WA_TranslucentBackground);
    // A click on the button that opened the panel only closes it, as a toggle should,
    // instead of closing and reopening it.
    setAttribute(Qt::WA_NoMouseReplay);
}

void PopupPanel::popUpBelow(QWidget* anchor) {
    adjustSize();
    QPoint at = anchor->mapToGlobal(QPoint((anchor->width() - width()) / 2, anchor->height() + 6));
    if (const QScreen* screen = anchor->screen()) {
        const QRect area = screen->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - width())));
        if (at.y() + height() > area.bottom())
            at.setY(anchor->mapToGlobal(QPoint(0, 0)).y() - height() - 6);
    }
    move(at);
    show();
}

void PopupPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    painter.fillPath(card, Theme::steel);
    painter.setPen(QPen(Theme::withOpacity(Qt::black, 0.6), 1));
    painter.drawPath(card);
}

void PopupPanel::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    emit closed();
}

} // namespace orvane
