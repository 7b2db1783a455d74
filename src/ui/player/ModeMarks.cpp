#include "ui/player/ModeMarks.h"

#include "ui/style/Icons.h"

#include <QFontMetricsF>
#include <QPainter>

namespace orvane {

namespace {

const QString& markText(ModeMark mark) {
    static const QString arrow = QStringLiteral("\u2192");
    static const QString stopOnce = QStringLiteral("\u25A0\u00B9");
    return mark == ModeMark::normal ? arrow : stopOnce;
}

QString markSymbol(ModeMark mark) {
    switch (mark) {
    case ModeMark::repeatOne:
        return QStringLiteral("repeat.1");
    case ModeMark::repeatAll:
        return QStringLiteral("repeat");
    case ModeMark::shuffle:
        return QStringLiteral("shuffle");
    case ModeMark::normal:
    case ModeMark::stopAfter:
        break;
    }
    return {};
}

double symbolSize(const QFont& font) {
    const double size = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF();
    return size * Icons::glyphScale;
}

} // namespace

ModeMark modeMark(PlaybackMode mode) {
    switch (mode) {
    case PlaybackMode::normal:
        return ModeMark::normal;
    case PlaybackMode::stopAfter:
        return ModeMark::stopAfter;
    case PlaybackMode::one:
        return ModeMark::repeatOne;
    case PlaybackMode::all:
        return ModeMark::repeatAll;
    }
    return ModeMark::normal;
}

double modeMarkWidth(ModeMark mark, const QFont& font) {
    if (const QString symbol = markSymbol(mark); !symbol.isEmpty())
        return symbolSize(font);
    return QFontMetricsF(font).horizontalAdvance(markText(mark));
}

double paintModeMark(QPainter& painter, ModeMark mark, QPointF leftCentre, const QFont& font,
                     const QColor& color) {
    const double width = modeMarkWidth(mark, font);
    if (const QString symbol = markSymbol(mark); !symbol.isEmpty()) {
        Icons::paintSymbol(painter,
                           QRectF(leftCentre.x(), leftCentre.y() - width / 2.0, width, width),
                           symbol, color);
        return width;
    }
    const double height = QFontMetricsF(font).height();
    painter.save();
    painter.setPen(color);
    painter.setFont(font);
    painter.drawText(QRectF(leftCentre.x(), leftCentre.y() - height / 2.0, width + 1.0, height),
                     Qt::AlignLeft | Qt::AlignVCenter, markText(mark));
    painter.restore();
    return width;
}

} // namespace orvane
