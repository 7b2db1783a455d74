#include "ui/playlist/TabsBar.h"

#include "ui/style/IconButton.h"
#include "ui/style/Theme.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QWheelEvent>

namespace orvane {

TabsBar::TabsBar(QWidget* parent)
    : QWidget(parent), scroll_(new QScrollArea), strip_(new QWidget),
      stripLayout_(new QHBoxLayout(strip_)),
      newPlaylist_(new IconButton(QStringLiteral("plus"), 12, Theme::textDim, QSize(24, 24))) {
    setObjectName(QStringLiteral("TabsBar"));
    stripLayout_->setContentsMargins(0, 0, 0, 0);
    stripLayout_->setSpacing(3);
    stripLayout_->addStretch(1);
    scroll_->setWidget(strip_);
    // The scroll area would paint its content's background; the bar shows the window's.
    strip_->setAutoFillBackground(false);
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->viewport()->setAutoFillBackground(false);
    scroll_->viewport()->installEventFilter(this);
    scroll_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    newPlaylist_->setToolTip(QStringLiteral("New playlist (Ctrl+N)"));
    connect(newPlaylist_, &QAbstractButton::clicked, this, &TabsBar::newPlaylistRequested);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 6, 8, 0);
    row->setSpacing(4);
    row->addWidget(scroll_, 1, Qt::AlignBottom);
    row->addWidget(newPlaylist_, 0, Qt::AlignVCenter);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void TabsBar::setTabs(const std::vector<PlaylistTabInfo>& tabs, const std::optional<Uuid>& activeID,
                      const std::optional<Uuid>& playingID) {
    // The tabs are updated in place rather than rebuilt: the playlists change often
    // while a scan runs, and a rebuilt tab would take a rename under way with it.
    std::vector<PlaylistTab*> existing = this->tabs();
    const auto take = [&existing](const Uuid& id) -> PlaylistTab* {
        const auto found = std::find_if(existing.begin(), existing.end(), [&id](PlaylistTab* tab) {
            return tab->playlistID() == id;
        });
        if (found == existing.end())
            return nullptr;
        PlaylistTab* tab = *found;
        existing.erase(found);
        return tab;
    };
    int height = 0;
    PlaylistTab* active = nullptr;
    for (std::size_t i = 0; i < tabs.size(); ++i) {
        const PlaylistTabInfo& info = tabs[i];
        const bool isActive = info.id == activeID;
        const bool isPlaying = info.id == playingID;
        PlaylistTab* tab = take(info.id);
        if (tab != nullptr)
            tab->setState(info, isActive, isPlaying);
        else
            tab = makeTab(info, isActive, isPlaying);
        if (stripLayout_->indexOf(tab) != static_cast<int>(i)) {
            stripLayout_->removeWidget(tab);
            stripLayout_->insertWidget(static_cast<int>(i), tab);
        }
        height = std::max(height, tab->sizeHint().height());
        if (isActive)
            active = tab;
    }
    // Closed playlists' tabs may be the sender of the signal that led here, so they go
    // later.
    for (PlaylistTab* old : existing) {
        stripLayout_->removeWidget(old);
        old->hide();
        old->setParent(nullptr);
        old->deleteLater();
    }
    if (renamingID_ && tab(*renamingID_) == nullptr)
        renamingID_.reset();
    if (height == 0)
        height = PlaylistTab(PlaylistTabInfo{}, false, false).sizeHint().height();
    scroll_->setFixedHeight(height);
    if (active != nullptr)
        scroll_->ensureWidgetVisible(active, 0, 0);
}

PlaylistTab* TabsBar::makeTab(const PlaylistTabInfo& info, bool active, bool playing) {
    auto* created = new PlaylistTab(info, active, playing, strip_);
    const Uuid id = info.id;
    connect(created, &PlaylistTab::activated, this, [this, id] { emit tabActivated(id); });
    connect(created, &PlaylistTab::renameRequested, this,
            [this, created] { startRenaming(created); });
    connect(created, &PlaylistTab::renameCommitted, this, [this, id](const QString& name) {
        renamingID_.reset();
        emit renameCommitted(id, name);
    });
    connect(created, &PlaylistTab::renameCancelled, this, [this] { renamingID_.reset(); });
    connect(created, &PlaylistTab::closeClicked, this, [this, id, created] {
        if (created->trackCount() > 0)
            emit closeConfirmationRequested(id);
        else
            emit closeRequested(id);
    });
    return created;
}

std::vector<PlaylistTab*> TabsBar::tabs() const {
    std::vector<PlaylistTab*> result;
    for (int i = 0; i < stripLayout_->count(); ++i) {
        if (auto* found = qobject_cast<PlaylistTab*>(stripLayout_->itemAt(i)->widget()))
            result.push_back(found);
    }
    return result;
}

PlaylistTab* TabsBar::tab(const Uuid& playlistID) const {
    for (PlaylistTab* candidate : tabs()) {
        if (candidate->playlistID() == playlistID)
            return candidate;
    }
    return nullptr;
}

void TabsBar::startRenaming(PlaylistTab* target) {
    renamingID_ = target->playlistID();
    target->startRenaming();
}

bool TabsBar::eventFilter(QObject* watched, QEvent* event) {
    // A vertical wheel scrolls the tab strip sideways.
    if (watched == scroll_->viewport() && event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const QPoint delta = wheel->angleDelta();
        QScrollBar* bar = scroll_->horizontalScrollBar();
        bar->setValue(bar->value() - (delta.y() != 0 ? delta.y() : delta.x()) / 2);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace orvane
