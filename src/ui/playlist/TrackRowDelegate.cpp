#include "ui/playlist/TrackRowDelegate.h"

#include "model/Formatters.h"
#include "ui/style/Icons.h"
#include "ui/player/PanelTexts.h"
#include "ui/playlist/PlaylistGeometry.h"
#include "ui/style/Theme.h"
#include "ui/playlist/TrackListModel.h"

#include <cmath>

#include <QFontMetricsF>
#include <QPainter>

namespace orvane {

namespace {

constexpr double rowPadding = 8.0;
constexpr double columnSpacing = 8.0;
constexpr double playMarkSize = 8.0;
constexpr double playMarkGap = 5.0;

} // namespace

TrackRowDelegate::TrackRowDelegate(QObject* parent) : QStyledItemDelegate(parent) {
    setFontSize(fontSize_);
}

void TrackRowDelegate::setFontSize(double playlistFontSize) {
    fontSize_ = playlistFontSize;
    regular_ = Theme::systemFont(fontSize_);
    semibold_ = Theme::systemFont(fontSize_, QFont::DemiBold);
    mono_ = Theme::monospacedFont(fontSize_);
    monoSemibold_ = Theme::monospacedFont(fontSize_, QFont::DemiBold);
    emit sizeHintChanged(QModelIndex());
}

int TrackRowDelegate::rowHeight() const {
    return static_cast<int>(std::lround(trackRowHeight(fontSize_)));
}

QSize TrackRowDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const {
    return {100, rowHeight()};
}

void TrackRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const auto* model = qobject_cast<const TrackListModel*>(index.model());
    const Track* track = model != nullptr ? model->trackAt(index.row()) : nullptr;
    if (track == nullptr)
        return;
    const int row = index.row();
    const bool playing = model->isPlaying(row);
    const QRectF box = QRectF(option.rect);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::TextAntialiasing);
    if (draggedRow_ && *draggedRow_ == row)
        painter->setOpacity(0.3);

    if (model->isSelected(row))
        painter->fillRect(box, Theme::withOpacity(Theme::selection, Theme::selectionOpacity));
    else if (playing)
        painter->fillRect(box, Theme::withOpacity(Theme::green, 0.15));

    const QColor accent = playing ? QColor(Qt::white) : Theme::greenDim;
    const QColor labelColor = playing ? QColor(Qt::white) : Theme::green;
    const QFont& font = playing ? semibold_ : regular_;
    const QFont& mono = playing ? monoSemibold_ : mono_;
    const int align = Qt::AlignVCenter | Qt::TextSingleLine;

    double left = box.left() + rowPadding;
    double right = box.right() + 1.0 - rowPadding;

    const double numberWidth = numberColumnWidth(fontSize_, model->trackCount());
    painter->setFont(font);
    painter->setPen(accent);
    painter->drawText(QRectF(left, box.top(), numberWidth, box.height()), align | Qt::AlignRight,
                      QString::number(row + 1) + QLatin1Char('.'));
    left += numberWidth + columnSpacing;

    const QString duration = QString::fromStdString(formatTime(track->duration));
    const double durationWidth = QFontMetricsF(mono).horizontalAdvance(duration);
    painter->setFont(mono);
    painter->drawText(QRectF(right - durationWidth, box.top(), durationWidth + 1.0, box.height()),
                      align | Qt::AlignRight, duration);
    right -= durationWidth + columnSpacing;

    if (playing) {
        const QRectF mark = Icons::glyphRect(
            QPointF(left + playMarkSize * Icons::glyphScale / 2.0, box.center().y()), playMarkSize);
        Icons::paintSymbol(*painter, mark, QStringLiteral("play.fill"), Qt::white);
        left += mark.width() + playMarkGap;
    }

    if (right > left) {
        const QString label =
            QFontMetricsF(font).elidedText(trackDisplayName(*track), Qt::ElideRight, right - left);
        painter->setFont(font);
        painter->setPen(labelColor);
        painter->drawText(QRectF(left, box.top(), right - left, box.height()),
                          align | Qt::AlignLeft, label);
    }
    painter->restore();
}

} // namespace orvane
