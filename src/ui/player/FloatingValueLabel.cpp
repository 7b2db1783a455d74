#include "ui/player/FloatingValueLabel.h"

#include "ui/style/Theme.h"

#include <cmath>

#include <QFontMetrics>
#include <QPainter>
#include <QPropertyAnimation>

namespace orvane {

FloatingValueLabel::FloatingValueLabel(QWidget* parent)
    : QWidget(parent), fade_(new QPropertyAnimation(this, "opacity", this)) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFont(Theme::systemFont(10));
    fade_->setDuration(200);
    fade_->setEasingCurve(QEasingCurve::InOutQuad);
    resize(sizeHint());
    hide();
}

void FloatingValueLabel::setText(const QString& text) {
    if (text == text_)
        return;
    const QPoint centre = geometry().center();
    text_ = text;
    resize(sizeHint());
    centreAt(centre);
    update();
}

void FloatingValueLabel::setShown(bool shown) {
    if (shown == shown_)
        return;
    shown_ = shown;
    fade_->stop();
    fade_->setStartValue(opacity_);
    fade_->setEndValue(shown ? 1.0 : 0.0);
    if (shown) {
        raise();
        show();
    }
    fade_->start();
}

void FloatingValueLabel::setOpacity(double opacity) {
    opacity_ = opacity;
    setVisible(opacity_ > 0.0);
    update();
}

QSize FloatingValueLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    // Padding 5 left and right, 1 top and bottom, and the one-pixel outline.
    return {metrics.horizontalAdvance(text_) + 12, metrics.height() + 4};
}

void FloatingValueLabel::centreAt(QPointF centre) {
    move(static_cast<int>(std::lround(centre.x() - width() / 2.0)),
         static_cast<int>(std::lround(centre.y() - height() / 2.0)));
}

void FloatingValueLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(opacity_);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(Theme::greenDim, 1.0));
    painter.setBrush(Theme::withOpacity(Theme::panelBlack, 0.9));
    painter.drawRoundedRect(box, 3, 3);
    painter.setPen(Theme::lcd);
    painter.drawText(rect(), Qt::AlignCenter, text_);
}

} // namespace orvane
