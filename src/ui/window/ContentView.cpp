#include "ui/window/ContentView.h"

#include "ui/playlist/DroppedFiles.h"
#include "ui/player/PlayerPanel.h"
#include "ui/playlist/PlaylistToolbar.h"
#include "ui/playlist/StatusBar.h"
#include "ui/playlist/TabsBar.h"
#include "ui/style/Theme.h"
#include "ui/playlist/TrackListView.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QPainter>
#include <QVBoxLayout>

namespace orvane {

ContentView::ContentView(QWidget* parent)
    : QWidget(parent), panel_(new PlayerPanel), playlistArea_(new QWidget), tabs_(new TabsBar),
      toolbar_(new PlaylistToolbar), list_(new TrackListView), status_(new StatusBar) {
    setObjectName(QStringLiteral("ContentView"));
    setPalette(Theme::darkPalette());
    auto* area = new QVBoxLayout(playlistArea_);
    area->setContentsMargins(0, 0, 0, 0);
    area->setSpacing(0);
    area->addWidget(tabs_);
    area->addWidget(toolbar_);
    area->addWidget(list_, 1);
    area->addWidget(status_);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);
    stack->addWidget(panel_);
    stack->addWidget(playlistArea_, 1);
    setPlaylistVisible(true);
}

void ContentView::setPlaylistVisible(bool visible) {
    playlistArea_->setVisible(visible);
    setAcceptDrops(!visible);
    setMinimumSize(minimumWidth, visible ? minimumHeightWithPlaylist : 0);
}

bool ContentView::isPlaylistVisible() const {
    return !playlistArea_->isHidden();
}

void ContentView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::bg);
}

void ContentView::dragEnterEvent(QDragEnterEvent* event) {
    if (isPlaylistVisible() || droppedFileUrls(event->mimeData()).isEmpty())
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void ContentView::dragMoveEvent(QDragMoveEvent* event) {
    if (isPlaylistVisible() || droppedFileUrls(event->mimeData()).isEmpty())
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void ContentView::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = droppedFileUrls(event->mimeData());
    if (isPlaylistVisible() || urls.isEmpty())
        return event->ignore();
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit filesDropped(urls);
}

} // namespace orvane
