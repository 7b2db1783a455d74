#include "ui/playlist/TrackListView.h"

#include "ui/playlist/DroppedFiles.h"
#include "ui/playlist/PlaylistTexts.h"
#include "ui/playlist/TrackListModel.h"
#include "ui/playlist/TrackRowDelegate.h"
#include "ui/style/Theme.h"

#include <algorithm>
#include <cmath>

#include <QApplication>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPropertyAnimation>
#include <QScrollBar>

namespace orvane {

namespace {

// A press becomes a reorder drag once the pointer has moved this far.
constexpr double dragStartDistance = 6.0;

} // namespace

TrackListView::TrackListView(QWidget* parent)
    : QListView(parent), model_(new TrackListModel(this)), delegate_(new TrackRowDelegate(this)),
      scrollAnimation_(new QPropertyAnimation(verticalScrollBar(), "value", this)) {
    setObjectName(QStringLiteral("TrackList"));
    setModel(model_);
    setItemDelegate(delegate_);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setSpacing(0);
    setMouseTracking(false);
    // Rows are reordered by hand (no QDrag); only files from outside are dropped here.
    setDragEnabled(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Base, Theme::listBlack);
    palette.setColor(QPalette::Window, Theme::listBlack);
    setPalette(palette);
    viewport()->setAutoFillBackground(true);
    // A slim dark scroll bar, so the list reads as one dark well.
    verticalScrollBar()->setStyleSheet(
        QStringLiteral("QScrollBar:vertical { background: %1; width: 10px; margin: 0; }"
                       "QScrollBar::handle:vertical { background: %2; border-radius: 4px;"
                       " min-height: 28px; margin: 1px 2px; }"
                       "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical"
                       " { height: 0; }"
                       "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical"
                       " { background: none; }")
            .arg(Theme::listBlack.name(), Theme::steelLight.name()));
    scrollAnimation_->setDuration(250);
    scrollAnimation_->setEasingCurve(QEasingCurve::InOutQuad);
    verticalScrollBar()->setSingleStep(static_cast<int>(rowHeight()));
}

TrackListView::~TrackListView() = default;

void TrackListView::setFontSize(double playlistFontSize) {
    // The settings arrive whole on every change (each step of the volume too), and
    // laying out a playlist of 100,000 rows again takes about 10 ms: only a new size does.
    if (appliedFontSize_ == playlistFontSize)
        return;
    appliedFontSize_ = playlistFontSize;
    delegate_->setFontSize(playlistFontSize);
    verticalScrollBar()->setSingleStep(static_cast<int>(rowHeight()));
    // Laid out when next needed: for the window being built, once, when it is shown.
    scheduleDelayedItemsLayout();
    viewport()->update();
}

double TrackListView::rowHeight() const {
    return delegate_->rowHeight();
}

void TrackListView::scrollToTrack(const Uuid& trackID, bool animated) {
    const std::optional<int> row = model_->rowOf(trackID);
    if (!row)
        return;
    const double h = rowHeight();
    const double top = *row * h;
    QScrollBar* bar = verticalScrollBar();
    const int current = bar->value();
    const int pageHeight = viewport()->height();
    int target = current;
    if (top < current)
        target = static_cast<int>(std::floor(top));
    else if (top + h > current + pageHeight)
        target = static_cast<int>(std::ceil(top + h - pageHeight));
    target = std::clamp(target, bar->minimum(), bar->maximum());
    if (target == current)
        return;
    scrollAnimation_->stop();
    if (!animated) {
        bar->setValue(target);
        return;
    }
    scrollAnimation_->setStartValue(current);
    scrollAnimation_->setEndValue(target);
    scrollAnimation_->start();
}

std::optional<Uuid> TrackListView::trackIDAt(int row) const {
    const Track* track = model_->trackAt(row);
    return track != nullptr ? std::optional<Uuid>(track->id) : std::nullopt;
}

std::unique_ptr<QMenu> TrackListView::contextMenuForRow(int row) {
    const std::optional<Uuid> id = trackIDAt(row);
    if (!id)
        return nullptr;
    auto menu = std::make_unique<QMenu>(this);
    const Uuid trackID = *id;
    menu->addAction(QStringLiteral("Play"), this, [this, trackID] { emit playRequested(trackID); });
    menu->addAction(QStringLiteral("Show in File Manager"), this,
                    [this, trackID] { emit revealRequested(trackID); });
    menu->addAction(QStringLiteral("Edit Tags\u2026"), this,
                    [this, trackID] { emit editTagsRequested(trackID); });
    menu->addAction(QStringLiteral("Recompute BPM"), this,
                    [this, trackID] { emit recomputeBPMRequested(trackID); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("Remove from playlist"), this,
                    [this, trackID] { emit removeFromMenuRequested(trackID); });
    return menu;
}

void TrackListView::paintEvent(QPaintEvent* event) {
    QListView::paintEvent(event);
    QPainter painter(viewport());
    if (model_->rowCount() == 0) {
        painter.setFont(Theme::systemFont(12));
        painter.setPen(Theme::withOpacity(Theme::greenDim, 0.6));
        painter.drawText(viewport()->rect(), Qt::AlignCenter, emptyPlaylistText());
        return;
    }
    if (dragInsertion_) {
        const int count = model_->rowCount();
        const auto index = static_cast<int>(*dragInsertion_);
        // The line runs along the top of the row it goes before, or under the last row.
        const QRect rowRect = visualRect(model_->index(std::min(index, count - 1)));
        paintInsertionLine(painter, index < count ? rowRect.top() : rowRect.bottom() + 1);
    }
    if (dropTarget_)
        paintInsertionLine(painter, dropTarget_->indicatorY);
}

void TrackListView::paintInsertionLine(QPainter& painter, double y) const {
    const double w = viewport()->width();
    // The glow: wider, fainter bands under the 2-pixel line.
    for (int band = 3; band >= 1; --band) {
        painter.fillRect(QRectF(0, y - 1.0 - band, w, 2.0 + 2.0 * band),
                         Theme::withOpacity(Theme::lcd, 0.7 * 0.22 / band));
    }
    painter.fillRect(QRectF(0, y - 1.0, w, 2.0), Theme::lcd);
}

void TrackListView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->accept();
        return;
    }
    setFocus(Qt::MouseFocusReason);
    const int row = indexAt(event->position().toPoint()).row();
    pressRow_ = row >= 0 ? std::optional<int>(row) : std::nullopt;
    pressPos_ = event->position();
    endRowDrag();
    event->accept();
}

void TrackListView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click; the release decides what it means.
    mousePressEvent(event);
}

void TrackListView::mouseMoveEvent(QMouseEvent* event) {
    if (!pressRow_ || !(event->buttons() & Qt::LeftButton))
        return;
    const QPointF moved = event->position() - pressPos_;
    if (!dragInsertion_) {
        if (!reorderEnabled_ || std::hypot(moved.x(), moved.y()) < dragStartDistance)
            return;
        delegate_->setDraggedRow(pressRow_);
    }
    dragInsertion_ = orvane::dragInsertionIndex(static_cast<std::size_t>(*pressRow_), moved.y(),
                                                rowHeight(), model_->trackCount());
    viewport()->update();
}

void TrackListView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !pressRow_)
        return;
    const int row = *pressRow_;
    pressRow_.reset();
    if (dragInsertion_) {
        const auto insertion = static_cast<int>(*dragInsertion_);
        endRowDrag();
        emit moveRequested(row, insertion);
        return;
    }
    if (indexAt(event->position().toPoint()).row() == row)
        clickRow(row, *event);
}

void TrackListView::clickRow(int row, const QMouseEvent& event) {
    const std::optional<Uuid> id = trackIDAt(row);
    if (!id)
        return;
    const quint64 now = event.timestamp();
    const auto interval = static_cast<quint64>(QApplication::doubleClickInterval());
    if (lastClickID_ == id && now >= lastClickAt_ && now - lastClickAt_ < interval) {
        lastClickID_.reset();
        emit playRequested(*id);
        return;
    }
    lastClickID_ = id;
    lastClickAt_ = now;
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    emit trackClicked(*id, modifiers.testFlag(Qt::ShiftModifier),
                      modifiers.testFlag(Qt::ControlModifier));
}

void TrackListView::endRowDrag() {
    if (!dragInsertion_)
        return;
    dragInsertion_.reset();
    delegate_->setDraggedRow(std::nullopt);
    viewport()->update();
}

void TrackListView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) {
        emit removeSelectedRequested();
        event->accept();
        return;
    }
    QListView::keyPressEvent(event);
}

void TrackListView::contextMenuEvent(QContextMenuEvent* event) {
    const int row = indexAt(event->pos()).row();
    if (std::unique_ptr<QMenu> menu = contextMenuForRow(row))
        menu->exec(event->globalPos());
}

DropTarget TrackListView::dropTargetAt(double y) const {
    return orvane::dropTargetAt(y, verticalScrollBar()->value(), rowHeight(), model_->trackCount());
}

void TrackListView::setDropTarget(std::optional<DropTarget> target) {
    dropTarget_ = target;
    viewport()->update();
}

void TrackListView::dragEnterEvent(QDragEnterEvent* event) {
    // An entering drag is a move event too: the same files, the same drop line.
    dragMoveEvent(event);
}

void TrackListView::dragMoveEvent(QDragMoveEvent* event) {
    if (droppedFileUrls(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setDropTarget(dropTargetAt(event->position().y()));
}

void TrackListView::dragLeaveEvent(QDragLeaveEvent* event) {
    setDropTarget(std::nullopt);
    event->accept();
}

void TrackListView::dropEvent(QDropEvent* event) {
    const DropTarget target = dropTargetAt(event->position().y());
    setDropTarget(std::nullopt);
    const QList<QUrl> urls = droppedFileUrls(event->mimeData());
    if (urls.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit filesDropped(urls, static_cast<int>(target.insertionIndex));
}

} // namespace orvane
