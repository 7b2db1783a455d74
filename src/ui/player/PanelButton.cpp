#include "ui/player/PanelButton.h"

#include "ui/style/Icons.h"
#include "ui/style/Theme.h"

#include <QGraphicsDropShadowEffect>
#include <QLinearGradient>
#include <QPainter>

namespace orvane {

PanelButton::PanelButton(QWidget* parent) : QAbstractButton(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
}

void PanelButton::setSymbol(const QString& symbol, double pixelSize) {
    symbol_ = symbol;
    symbolSize_ = pixelSize;
    setAccessibleName(symbol);
    update();
}

void PanelButton::setLabel(const QString& text, double pixelSize, bool bold) {
    symbol_.clear();
    setFont(Theme::systemFont(pixelSize, bold ? QFont::Bold : QFont::Normal));
    setText(text);
    setAccessibleName(text);
    update();
}

void PanelButton::setBoxSize(int width, int height) {
    box_ = QSize(width, height);
    setFixedSize(sizeHint());
}

void PanelButton::setLit(bool lit) {
    if (lit == lit_)
        return;
    lit_ = lit;
    updateGlow();
    update();
}

void PanelButton::setGlowsWhenLit(bool glows) {
    glowsWhenLit_ = glows;
    updateGlow();
}

void PanelButton::updateGlow() {
    const bool wanted = glowsWhenLit_ && lit_;
    if (wanted && glow_ == nullptr) {
        glow_ = new QGraphicsDropShadowEffect(this);
        glow_->setColor(Theme::withOpacity(Theme::lcd, 0.4));
        glow_->setOffset(0, 0);
        glow_->setBlurRadius(10);
        setGraphicsEffect(glow_);
    } else if (!wanted && glow_ != nullptr) {
        setGraphicsEffect(nullptr); // deletes the effect
        glow_ = nullptr;
    }
}

QSize PanelButton::sizeHint() const {
    return box_;
}

QColor PanelButton::contentColor() const {
    return lit_ ? Theme::lcd : Theme::text;
}

void PanelButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    if (!isEnabled())
        painter.setOpacity(0.4);
    const QRectF box = QRectF(rect());
    Theme::paintSteelButton(painter, box, 6, isDown());
    paintContent(painter, box, contentColor());
}

void PanelButton::paintContent(QPainter& painter, const QRectF& box, const QColor& color) const {
    if (!symbol_.isEmpty()) {
        Icons::paintSymbol(painter, Icons::glyphRect(box.center(), symbolSize_), symbol_, color);
        return;
    }
    painter.setPen(color);
    painter.setFont(font());
    painter.drawText(box, Qt::AlignCenter, text());
}

} // namespace orvane
