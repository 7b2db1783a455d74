#include "ui/playlist/PlaylistToolbar.h"

#include "ui/playlist/SearchBox.h"
#include "ui/playlist/ToolbarButton.h"
#include "ui/style/Theme.h"
#include "ui/style/UprightDivider.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>

namespace orvane {

PlaylistToolbar::PlaylistToolbar(QWidget* parent)
    : QWidget(parent), remove_(new ToolbarButton(QStringLiteral("minus"), QStringLiteral("Remove"),
                                                 QStringLiteral("Remove selected (Delete)"))),
      undo_(new ToolbarButton(QStringLiteral("arrow.uturn.backward"), QStringLiteral("Undo"),
                              QStringLiteral("Undo remove (Ctrl+Z)"))),
      search_(new SearchBox) {
    auto* add = new ToolbarButton(QStringLiteral("plus"), QStringLiteral("Add"),
                                  QStringLiteral("Add files or folders (Ctrl+O)"));
    auto* load = new ToolbarButton(QStringLiteral("tray.and.arrow.down"), QStringLiteral("Load"),
                                   QStringLiteral("Load .m3u8 playlist (Ctrl+L)"));
    auto* save = new ToolbarButton(QStringLiteral("tray.and.arrow.up"), QStringLiteral("Save"),
                                   QStringLiteral("Save playlist as .m3u8 (Ctrl+S)"));
    auto* clear = new ToolbarButton(QStringLiteral("xmark"), QStringLiteral("Clear"),
                                    QStringLiteral("Clear playlist"));
    auto* label = new QLabel(QStringLiteral("Playlist:"));
    label->setFont(Theme::systemFont(11));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Theme::withOpacity(Theme::textDim, 0.7));
    label->setPalette(palette);

    connect(add, &QAbstractButton::clicked, this, &PlaylistToolbar::addRequested);
    connect(remove_, &QAbstractButton::clicked, this, &PlaylistToolbar::removeRequested);
    connect(undo_, &QAbstractButton::clicked, this, &PlaylistToolbar::undoRequested);
    connect(load, &QAbstractButton::clicked, this, &PlaylistToolbar::loadRequested);
    connect(save, &QAbstractButton::clicked, this, &PlaylistToolbar::saveRequested);
    connect(clear, &QAbstractButton::clicked, this, &PlaylistToolbar::clearRequested);
    connect(search_, &SearchBox::textEdited, this, &PlaylistToolbar::searchTextEdited);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(10, 6, 10, 6);
    row->setSpacing(6);
    row->addWidget(add);
    row->addWidget(undo_);
    row->addWidget(remove_);
    row->addWidget(new UprightDivider(16));
    row->addWidget(label);
    row->addWidget(load);
    row->addWidget(save);
    row->addWidget(clear);
    row->addStretch(1);
    row->addWidget(search_);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setUndoAvailable(false);
}

void PlaylistToolbar::setUndoAvailable(bool available) {
    undo_->setVisible(available);
    remove_->setVisible(!available);
}

bool PlaylistToolbar::isUndoShown() const {
    return !undo_->isHidden();
}

void PlaylistToolbar::setSearchText(const QString& text) {
    search_->setText(text);
}

void PlaylistToolbar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Theme::withOpacity(Theme::steel, 0.6));
}

} // namespace orvane
