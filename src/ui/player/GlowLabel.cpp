#include "ui/player/GlowLabel.h"

#include "ui/style/Theme.h"

#include <QFontMetrics>
#include <QGraphicsDropShadowEffect>
#include <QPainter>

namespace orvane {

GlowLabel::GlowLabel(QWidget* parent) : QWidget(parent), color_(Theme::text) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void GlowLabel::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    updateGeometry();
    update();
}

void GlowLabel::setColor(const QColor& color) {
    color_ = color;
    update();
}

void GlowLabel::setGlow(const QColor& color, double opacity, double radius) {
    auto* effect = new QGraphicsDropShadowEffect(this);
    effect->setColor(Theme::withOpacity(color, opacity));
    effect->setOffset(0, 0);
    // The effect's radius spans the whole blur; a glow radius is closer to its half.
    effect->setBlurRadius(radius * 2.0);
    setGraphicsEffect(effect);
}

void GlowLabel::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

QString GlowLabel::shownText() const {
    return QFontMetrics(font()).elidedText(text_, Qt::ElideRight, width());
}

QSize GlowLabel::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text_), metrics.height()};
}

QSize GlowLabel::minimumSizeHint() const {
    return {0, QFontMetrics(font()).height()};
}

void GlowLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setPen(color_);
    painter.setFont(font());
    painter.drawText(rect(), static_cast<int>(alignment_) | Qt::TextSingleLine, shownText());
}

} // namespace orvane
