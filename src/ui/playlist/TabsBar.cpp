#include "ui/playlist/TabsBar.h"

#include "ui/style/IconButton.h"
#include "ui/style/Theme.h"

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
    // Old tabs may be the sender of the signal that led here, so they go later.
    for (PlaylistTab* old : this->tabs()) {
        stripLayout_->removeWidget(old);
        old->hide();
        old->setParent(nullptr);
        old->deleteLater();
    }
    int height = 0;
    PlaylistTab* active = nullptr;
    for (const PlaylistTabInfo& info : tabs) {
        auto* created = new PlaylistTab(info, info.id == activeID, info.id == playingID, strip_);
        const Uuid id = info.id;
        connect(created, &PlaylistTab::activated, this, [this, id] { emit tabActivated(id); });
        connect(created, &PlaylistTab::renameRequested, this,
                [this, created] { startRenaming(created); });
        connect(created, &PlaylistTab::renameCommitted, this, [this, id](const QString& name) {
            renamingID_.reset();
            emit renameCommitted(id, name);
        });
        const std::size_t count = info.trackCount;
        connect(created, &PlaylistTab::closeClicked, this, [this, id, count] {
            if (count > 0)
                emit closeConfirmationRequested(id);
            else
                emit closeRequested(id);
        });
        stripLayout_->insertWidget(stripLayout_->count() - 1, created);
        height = std::max(height, created->sizeHint().height());
        if (info.id == activeID)
            active = created;
        if (renamingID_ && *renamingID_ == info.id)
            created->startRenaming();
    }
    if (renamingID_ && tab(*renamingID_) == nullptr)
        renamingID_.reset();
    if (height == 0)
        height = PlaylistTab(PlaylistTabInfo{}, false, false).sizeHint().height();
    scroll_->setFixedHeight(height);
    if (active != nullptr)
        scroll_->ensureWidgetVisible(active, 0, 0);
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
