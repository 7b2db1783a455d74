#include "ui/MainWindow.h"

#include "model/AppSettings.h"
#include "model/Track.h"
#include "ui/ContentView.h"
#include "ui/Icons.h"
#include "ui/PlayerPanel.h"
#include "ui/StatusBar.h"
#include "ui/TabsBar.h"
#include "ui/Theme.h"

namespace orvane {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), content_(new ContentView) {
    setWindowTitle(QStringLiteral("Orvane"));
    setObjectName(QStringLiteral("OrvaneMainWindow"));
    setWindowIcon(Icons::appIcon());
    setPalette(Theme::darkPalette());
    setCentralWidget(content_);
    resize(ContentView::minimumWidth, 620);
    showFreshState();
}

void MainWindow::showFreshState() {
    const AppSettings settings;
    const Playlist playlist(Uuid::random(), "Playlist 1");
    content_->playerPanel().setSettings(settings);
    content_->tabsBar().setTabs({PlaylistTabInfo{playlist.id, QStringLiteral("Playlist 1"), 0}},
                                playlist.id, std::nullopt);
    content_->statusBar().showState(settings, &playlist, nullptr);
}

} // namespace orvane
