#include "ui/player/PanelButton.h"

#include "ui/style/Icons.h"
#include "ui/player/PanelTexts.h"
#include "ui/style/Theme.h"

#include <cmath>

#include <QFontMetricsF>
#include <QGraphicsDropShadowEffect>
#include <QLinearGradient>
#include <QPainter>

namespace orvane {

namespace {

constexpr double modeTextSize = 12.0;
constexpr double modePadding = 10.0;

} // namespace

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

TransportButton::TransportButton(const QString& symbol, QWidget* parent) : PanelButton(parent) {
    setSymbol(symbol, 14);
    setBoxSize(40, 32);
    setGlowsWhenLit(true);
}

ModeButton::ModeButton(QWidget* parent) : PanelButton(parent) {
    setFont(Theme::systemFont(modeTextSize));
    setToolTip(QStringLiteral("Playback mode"));
    setMode(PlaybackMode::normal, false);
}

void ModeButton::setMode(PlaybackMode mode, bool shuffle) {
    mode_ = mode;
    shuffle_ = shuffle;
    setText(modeLabel(mode, shuffle));
    setAccessibleName(text());
    setLit(modeActive(mode, shuffle));
    setFixedSize(sizeHint());
    update();
}

double ModeButton::contentWidth() const {
    const QFontMetricsF metrics(font());
    const double mark = modeTextSize * Icons::glyphScale;
    double width = 0.0;
    switch (mode_) {
    case PlaybackMode::normal:
        width += metrics.horizontalAdvance(QStringLiteral("\u2192"));
        break;
    case PlaybackMode::stopAfter:
        width += metrics.horizontalAdvance(QStringLiteral("\u25A0\u00B9"));
        break;
    case PlaybackMode::one:
    case PlaybackMode::all:
        width += mark;
        break;
    }
    if (shuffle_)
        width += mark;
    return width + metrics.horizontalAdvance(QStringLiteral(" Mode"));
}

QSize ModeButton::sizeHint() const {
    return {static_cast<int>(std::ceil(contentWidth() + 2 * modePadding)), 32};
}

void ModeButton::paintContent(QPainter& painter, const QRectF& box, const QColor& color) const {
    const QFontMetricsF metrics(font());
    const double mark = modeTextSize * Icons::glyphScale;
    double x = box.center().x() - contentWidth() / 2.0;
    const double centreY = box.center().y();
    painter.setPen(color);
    painter.setFont(font());
    const auto drawText = [&](const QString& text) {
        const double w = metrics.horizontalAdvance(text);
        painter.drawText(QRectF(x, box.top(), w + 1.0, box.height()),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
        x += w;
    };
    const auto drawMark = [&](const QString& symbol) {
        Icons::paintSymbol(painter, QRectF(x, centreY - mark / 2.0, mark, mark), symbol, color);
        x += mark;
    };
    switch (mode_) {
    case PlaybackMode::normal:
        drawText(QStringLiteral("\u2192"));
        break;
    case PlaybackMode::stopAfter:
        drawText(QStringLiteral("\u25A0\u00B9"));
        break;
    case PlaybackMode::one:
        drawMark(QStringLiteral("repeat.1"));
        break;
    case PlaybackMode::all:
        drawMark(QStringLiteral("repeat"));
        break;
    }
    if (shuffle_)
        drawMark(QStringLiteral("shuffle"));
    drawText(QStringLiteral(" Mode"));
}

} // namespace orvane
