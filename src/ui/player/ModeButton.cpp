#include "ui/player/ModeButton.h"

#include "ui/player/ModeMarks.h"
#include "ui/player/PanelTexts.h"
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
    double width = modeMarkWidth(modeMark(mode_), font());
    if (shuffle_)
        width += modeMarkWidth(ModeMark::shuffle, font());
    return width + QFontMetricsF(font()).horizontalAdvance(QStringLiteral(" Mode"));
}

QSize ModeButton::sizeHint() const {
    return {static_cast<int>(std::ceil(contentWidth() + 2 * modePadding)), 32};
}

void ModeButton::paintContent(QPainter& painter, const QRectF& box, const QColor& color) const {
    QPointF at(box.center().x() - contentWidth() / 2.0, box.center().y());
    at.rx() += paintModeMark(painter, modeMark(mode_), at, font(), color);
    if (shuffle_)
        at.rx() += paintModeMark(painter, ModeMark::shuffle, at, font(), color);
    painter.setPen(color);
    painter.setFont(font());
    painter.drawText(QRectF(at.x(), box.top(), box.right() - at.x(), box.height()),
                     Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral(" Mode"));
}

} // namespace orvane
