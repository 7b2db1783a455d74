#include "ui/player/ModeButton.h"

#include "ui/player/PanelTexts.h"
#include "ui/style/Icons.h"
#include "ui/style/Theme.h"

#include <cmath>

#include <QFontMetricsF>
#include <QPainter>

namespace orvane {

namespace {

constexpr double modeTextSize = 12.0;
constexpr double modePadding = 10.0;

} // namespace

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
