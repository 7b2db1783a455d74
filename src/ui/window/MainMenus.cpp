#include "ui/window/MainMenus.h"

#include "controller/PlayerController.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QUrl>

namespace orvane {

namespace {

template <typename F>
QAction* addItem(QMenu& menu, const QString& title, const QKeySequence& shortcut, QObject* context,
                 F&& action) {
    QAction* item = menu.addAction(title);
    if (!shortcut.isEmpty())
        item->setShortcut(shortcut);
    QObject::connect(item, &QAction::triggered, context, std::forward<F>(action));
    return item;
}

// The text field being edited, if any: Cut, Copy, Paste and Select All act on it.
QLineEdit* editedField() {
    return qobject_cast<QLineEdit*>(QApplication::focusWidget());
}

} // namespace

MainMenus::MainMenus(PlayerController& player, QMenuBar& menuBar)
    : QObject(&menuBar), player_(player) {
    buildFileMenu(menuBar);
    buildPlaybackMenu(menuBar);
    buildEditMenu(menuBar);
    buildViewMenu(menuBar);
    buildHelpMenu(menuBar);
    const auto refresh = [this](const auto&) {
        refreshTitles();
    };
    subscriptions_.push_back(player_.engine().isPlaying.subscribe(refresh));
    subscriptions_.push_back(player_.removalUndoAvailable.subscribe(refresh));
    subscriptions_.push_back(player_.settings.subscribe(refresh));
    refreshTitles();
}

void MainMenus::buildFileMenu(QMenuBar& bar) {
    QMenu* menu = bar.addMenu(QStringLiteral("&File"));
    addItem(*menu, QStringLiteral("Add Files or Folders…"), QKeySequence(Qt::CTRL | Qt::Key_O),
            this, [this] { emit addFilesRequested(); });
    menu->addSeparator();
    addItem(*menu, QStringLiteral("New Playlist"), QKeySequence(Qt::CTRL | Qt::Key_N), this,
            [this] { player_.addPlaylist(); });
    addItem(*menu, QStringLiteral("Load Playlist (.m3u8)…"), QKeySequence(Qt::CTRL | Qt::Key_L),
            this, [this] { emit loadPlaylistRequested(); });
    addItem(*menu, QStringLiteral("Save Playlist As…"), QKeySequence(Qt::CTRL | Qt::Key_S), this,
            [this] { emit savePlaylistRequested(); });
    menu->addSeparator();
    QAction* settings =
        addItem(*menu, QStringLiteral("Settings…"), QKeySequence(Qt::CTRL | Qt::Key_Comma), this,
                [this] { emit settingsRequested(); });
    settings->setMenuRole(QAction::PreferencesRole);
    menu->addSeparator();
    QAction* quit = addItem(*menu, QStringLiteral("Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), this,
                            [this] { emit quitRequested(); });
    quit->setMenuRole(QAction::QuitRole);
}

void MainMenus::buildPlaybackMenu(QMenuBar& bar) {
    QMenu* menu = bar.addMenu(QStringLiteral("&Playback"));
    // Space without a modifier: a text field being edited still takes its spaces, as
    // line edits claim the keys they type before shortcuts see them.
    playPause_ = addItem(*menu, QStringLiteral("Play"), QKeySequence(Qt::Key_Space), this,
                         [this] { player_.togglePlay(); });
    addItem(*menu, QStringLiteral("Stop"), QKeySequence(), this, [this] { player_.stop(); });
    menu->addSeparator();
    addItem(*menu, QStringLiteral("Next Track"), QKeySequence(Qt::CTRL | Qt::Key_Right), this,
            [this] { player_.nextTrack(false); });
    addItem(*menu, QStringLiteral("Previous Track"), QKeySequence(Qt::CTRL | Qt::Key_Left), this,
            [this] { player_.prevTrack(); });
}

void MainMenus::buildEditMenu(QMenuBar& bar) {
    QMenu* menu = bar.addMenu(QStringLiteral("&Edit"));
    undoRemove_ =
        addItem(*menu, QStringLiteral("Undo Remove Tracks"), QKeySequence(Qt::CTRL | Qt::Key_Z),
                this, [this] { player_.undoRemove(); });
    addItem(*menu, QStringLiteral("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X), this, [] {
        if (QLineEdit* field = editedField())
            field->cut();
    });
    addItem(*menu, QStringLiteral("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C), this, [] {
        if (QLineEdit* field = editedField())
            field->copy();
    });
    addItem(*menu, QStringLiteral("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V), this, [] {
        if (QLineEdit* field = editedField())
            field->paste();
    });
    menu->addSeparator();
    addItem(*menu, QStringLiteral("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A), this, [this] {
        if (QLineEdit* field = editedField())
            field->selectAll();
        else
            player_.selectAll();
    });
}

void MainMenus::buildViewMenu(QMenuBar& bar) {
    QMenu* menu = bar.addMenu(QStringLiteral("&View"));
    playlist_ = addItem(*menu, QStringLiteral("Hide Playlist"),
                        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P), this,
                        [this] { emit playlistToggleRequested(); });
    addItem(*menu, QStringLiteral("Next Visualization"),
            QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V), this,
            [this] { player_.cycleVisualization(); });
    menu->addSeparator();
    fullScreen_ = addItem(*menu, QStringLiteral("Full Screen"), QKeySequence(Qt::Key_F11), this,
                          [this] { emit fullScreenToggleRequested(); });
    fullScreen_->setCheckable(true);
}

void MainMenus::buildHelpMenu(QMenuBar& bar) {
    QMenu* menu = bar.addMenu(QStringLiteral("&Help"));
    addItem(*menu, QStringLiteral("Orvane Help"), QKeySequence(), this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(helpAddress))); });
    addItem(*menu, QStringLiteral("Orvane Website"), QKeySequence(), this,
            [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(websiteAddress))); });
    menu->addSeparator();
    QAction* about = addItem(*menu, QStringLiteral("About Orvane"), QKeySequence(), this,
                             [this] { emit aboutRequested(); });
    about->setMenuRole(QAction::AboutRole);
}

void MainMenus::refreshTitles() {
    playPause_->setText(player_.engine().isPlaying.get() ? QStringLiteral("Pause")
                                                         : QStringLiteral("Play"));
    undoRemove_->setEnabled(player_.removalUndoAvailable.get());
    playlist_->setText(player_.settings.get().showPlaylist ? QStringLiteral("Hide Playlist")
                                                           : QStringLiteral("Show Playlist"));
}

} // namespace orvane
