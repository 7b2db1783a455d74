#pragma once

#include "model/Uuid.h"
#include "ui/playlist/PlaylistGeometry.h"

#include <memory>
#include <optional>

#include <QList>
#include <QListView>
#include <QPoint>
#include <QUrl>

class QMenu;
class QPropertyAnimation;

namespace orvane {

class TrackListModel;
class TrackRowDelegate;

// The track list of the active playlist. It keeps no selection of its own: it reports
// clicks, double clicks, reorder drags, file drops, the Delete key and context-menu
// choices as signals, and shows whatever selection and playing track the model says.
// Rows are uniform, so lists of any length lay out and scroll at once. GUI thread only.
class TrackListView : public QListView {
    Q_OBJECT
public:
    explicit TrackListView(QWidget* parent = nullptr);
    ~TrackListView() override;

    TrackListModel& trackModel() { return *model_; }
    const TrackListModel& trackModel() const { return *model_; }
    TrackRowDelegate& rowDelegate() { return *delegate_; }

    void setFontSize(double playlistFontSize);
    double rowHeight() const;
    // Reordering is off while a search filters the list.
    void setReorderEnabled(bool enabled) { reorderEnabled_ = enabled; }
    bool isReorderEnabled() const { return reorderEnabled_; }
    // Brings the track's row into view, gliding there unless `animated` is false.
    void scrollToTrack(const Uuid& trackID, bool animated = true);

    // The reorder under way, and the file drop hovering over the list.
    std::optional<std::size_t> dragInsertionIndex() const { return dragInsertion_; }
    std::optional<DropTarget> externalDropTarget() const { return dropTarget_; }

    // The row's context menu; its actions emit the signals below.
    std::unique_ptr<QMenu> contextMenuForRow(int row);

signals:
    void trackClicked(orvane::Uuid trackID, bool shift, bool ctrl);
    void playRequested(orvane::Uuid trackID);
    // Move the track at `fromIndex` before `insertionIndex` (counted with it still there).
    void moveRequested(int fromIndex, int insertionIndex);
    void filesDropped(const QList<QUrl>& urls, int insertionIndex);
    void removeSelectedRequested();
    void revealRequested(orvane::Uuid trackID);
    void editTagsRequested(orvane::Uuid trackID);
    void recomputeBPMRequested(orvane::Uuid trackID);
    // "Remove from playlist" on a row (which may lie outside the selection).
    void removeFromMenuRequested(orvane::Uuid trackID);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    std::optional<Uuid> trackIDAt(int row) const;
    void clickRow(int row, const QMouseEvent& event);
    DropTarget dropTargetAt(double y) const;
    void setDropTarget(std::optional<DropTarget> target);
    void endRowDrag();
    void paintInsertionLine(QPainter& painter, double y) const;

    TrackListModel* model_;
    TrackRowDelegate* delegate_;
    QPropertyAnimation* scrollAnimation_;
    bool reorderEnabled_ = true;
    std::optional<double> appliedFontSize_; // the size the rows were last laid out for

    // The press that may become a click or a reorder drag.
    std::optional<int> pressRow_;
    QPointF pressPos_;
    std::optional<std::size_t> dragInsertion_;
    // The previous click, for telling a double click: its track and time stamp (ms).
    std::optional<Uuid> lastClickID_;
    quint64 lastClickAt_ = 0;
    std::optional<DropTarget> dropTarget_;
};

} // namespace orvane
