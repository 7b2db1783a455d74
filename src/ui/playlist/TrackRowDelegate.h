#pragma once

#include <cstddef>
#include <optional>

#include <QFont>
#include <QStyledItemDelegate>

namespace orvane {

// Paints one track row: number, a play mark on the playing track, "artist - title" and
// the duration, over the selection or playing highlight. Every row has the same height
// (the playlist font size + 13), so the view can lay out any number of rows at once.
// Painting reads the track straight from TrackListModel. GUI thread only.
class TrackRowDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit TrackRowDelegate(QObject* parent = nullptr);

    double fontSize() const { return fontSize_; }
    void setFontSize(double playlistFontSize);
    int rowHeight() const;
    // The row being dragged is drawn faded.
    void setDraggedRow(std::optional<int> row) { draggedRow_ = row; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    double fontSize_ = 12.5;
    QFont regular_;
    QFont semibold_;
    QFont mono_;
    QFont monoSemibold_;
    std::optional<int> draggedRow_;
};

} // namespace orvane
