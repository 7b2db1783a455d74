#include "ui/window/MainWindow.h"

#include "controller/PlayerController.h"
#include "ui/player/ModeButton.h"
#include "ui/player/PanelButton.h"
#include "ui/player/PlayerPanel.h"
#include "ui/popups/EQPanel.h"
#include "ui/popups/ModePanel.h"
#include "ui/style/Icons.h"
#include "ui/style/Theme.h"
#include "ui/tags/TagEditorView.h"
#include "ui/visualization/VisualizationBox.h"
#include "ui/window/ContentView.h"
#include "ui/window/FocusResignFilter.h"
#include "ui/window/KeyMonitor.h"
#include "ui/window/MainMenus.h"
#include "ui/window/PlayerBinding.h"

#include <QApplication>
#include <QEvent>
#include <QMenuBar>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <QWindowStateChangeEvent>

namespace orvane {

MainWindow::MainWindow(PlayerController& player, QWidget* parent)
    : QMainWindow(parent), player_(player), content_(new ContentView),
      restoreWindow_(new QTimer(this)) {
    setWindowTitle(QStringLiteral("Orvane"));
    setObjectName(QStringLiteral("OrvaneMainWindow"));
    setWindowIcon(Icons::appIcon(player_.settings.get().showWordmarkIcon));
    Theme::applyDarkLookToApplication();
    setCentralWidget(content_);
    resize(WindowSizing::minimumWidth, WindowSizing::defaultHeightWithPlaylist);

    binding_ = new PlayerBinding(player_, *content_, this);
    content_->playerPanel().setVisualization(new VisualizationBox(player_));
    menus_ = new MainMenus(player_, *menuBar());
    qApp->installEventFilter(new FocusResignFilter(*this));
    qApp->installEventFilter(new KeyMonitor(player_, *this));

    connect(binding_, &PlayerBinding::playlistToggleRequested, this,
            &MainWindow::togglePlaylistVisible);
    connect(binding_, &PlayerBinding::settingsRequested, this, &MainWindow::settingsRequested);
    connect(binding_, &PlayerBinding::modePanelRequested, this, &MainWindow::showModePanel);
    connect(binding_, &PlayerBinding::equalizerPanelRequested, this, &MainWindow::showEQPanel);
    connect(binding_, &PlayerBinding::editTagsRequested, this,
            [this](Uuid trackID) { TagEditorView::present(player_, trackID, this); });
    connect(menus_, &MainMenus::addFilesRequested, binding_, &PlayerBinding::addFilesWithChooser);
    connect(menus_, &MainMenus::loadPlaylistRequested, binding_,
            &PlayerBinding::loadPlaylistWithChooser);
    connect(menus_, &MainMenus::savePlaylistRequested, binding_,
            &PlayerBinding::saveActivePlaylistWithChooser);
    connect(menus_, &MainMenus::playlistToggleRequested, this, &MainWindow::togglePlaylistVisible);
    connect(menus_, &MainMenus::fullScreenToggleRequested, this, &MainWindow::toggleFullscreen);
    connect(menus_, &MainMenus::settingsRequested, this, &MainWindow::settingsRequested);
    connect(menus_, &MainMenus::aboutRequested, this, &MainWindow::aboutRequested);
    connect(menus_, &MainMenus::quitRequested, this, &MainWindow::quitRequested);
    connect(&content_->playerPanel(), &PlayerPanel::wantedHeightChanged, this, [this] {
        if (appliedLayout_ == AppliedLayout::hidden)
            applyPlaylistVisibility();
    });
    // Window managers answer a restore from full screen with more than one event, some
    // of them late; the restored size is held against them for a moment.
    restoreWindow_->setSingleShot(true);
    restoreWindow_->setInterval(1000);
    connect(restoreWindow_, &QTimer::timeout, this, [this] { restoringSize_.reset(); });

    // A restore from the settings window may switch the playlist too.
    subscriptions_.push_back(player_.settings.subscribe([this](const AppSettings& s) {
        if (attached_ && appliedShowPlaylist_ != s.showPlaylist)
            applyPlaylistVisibility();
        updateMetersWatched();
    }));

    // The window's first size is where a hidden playlist comes back to.
    if (!player_.settings.get().showPlaylist)
        sizing_.rememberShownHeight(height());
    attached_ = true;
    applyPlaylistVisibility();
}

MainWindow::~MainWindow() {
    subscriptions_.clear();
}

ModePanel& MainWindow::modePanel() {
    if (modePanel_ == nullptr)
        modePanel_ = new ModePanel(player_, this);
    return *modePanel_;
}

EQPanel& MainWindow::eqPanel() {
    if (eqPanel_ == nullptr)
        eqPanel_ = new EQPanel(player_, this);
    return *eqPanel_;
}

void MainWindow::showModePanel() {
    modePanel().popUpBelow(&content_->playerPanel().modeButton());
}

void MainWindow::showEQPanel() {
    eqPanel().present(&content_->playerPanel().eqButton());
}

void MainWindow::togglePlaylistVisible() {
    if (fullscreenActive_)
        return;
    // The settings observer above applies the new layout.
    player_.changeSettings([](AppSettings& s) { s.showPlaylist = !s.showPlaylist; });
}

void MainWindow::applyPlaylistVisibility(const std::optional<QRect>& restore) {
    const bool show = player_.settings.get().showPlaylist;
    appliedShowPlaylist_ = show;
    content_->setPlaylistVisible(show);
    content_->playerPanel().setFullscreen(fullscreenActive_);
    const AppliedLayout before =
        std::exchange(appliedLayout_, fullscreenActive_ ? AppliedLayout::fullscreen
                                      : show            ? AppliedLayout::shown
                                                        : AppliedLayout::hidden);
    if (fullscreenActive_) {
        applyLayout(sizing_.fullscreen(size()));
        return;
    }
    WindowSizing::Layout layout;
    if (show) {
        layout = sizing_.shown(size());
        if (restore)
            layout.size = restore->size();
    } else {
        // Only a height the window had with the playlist shown is one to return to.
        if (before == AppliedLayout::shown)
            sizing_.rememberShownHeight(height());
        layout = WindowSizing::hidden(compactHeight());
        if (restore)
            layout.size.setWidth(restore->width());
    }
    applyLayout(layout);
    if (restore) {
        move(restore->topLeft() - (geometry().topLeft() - pos()));
        restoringSize_ = layout.size;
        restoreCorrectionsLeft_ = 3;
        restoreWindow_->start();
    }
}

void MainWindow::applyLayout(const WindowSizing::Layout& layout) {
    // Limits first, in an order that never leaves the minimum above the maximum.
    setMinimumSize(0, 0);
    setMaximumSize(layout.maximum);
    setMinimumSize(layout.minimum);
    if (!fullscreenActive_)
        resize(layout.size);
}

int MainWindow::menuBarHeight() const {
    // A menu bar drawn by the desktop's own top bar takes no room in the window.
    const QMenuBar* bar = menuBar();
    return bar->isNativeMenuBar() ? 0 : bar->sizeHint().height();
}

int MainWindow::compactHeight() const {
    return content_->playerPanel().sizeHint().height() + menuBarHeight();
}

void MainWindow::setAlwaysOnTop(bool on) {
    if (on == bool(windowFlags() & Qt::WindowStaysOnTopHint))
        return;
    const bool visible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, on);
    // Changing a flag hides a shown window; bring it back where it was.
    if (visible)
        show();
}

void MainWindow::toggleFullscreen() {
    if (isFullScreen()) {
        showNormal();
        return;
    }
    normalGeometry_ = geometry();
    showFullScreen();
}

void MainWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange)
        return;
    updateMetersWatched(); // minimised or back
    const bool full = windowState() & Qt::WindowFullScreen;
    if (full && !fullscreenActive_)
        enteredFullscreen();
    else if (!full && fullscreenActive_)
        leftFullscreen();
    menus_->fullScreenAction().setChecked(full);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    binding_->refreshNow();
    // A window unmapped by the desktop stays "visible" to Qt and only stops being
    // exposed: its expose events tell.
    if (QWindow* handle = windowHandle(); handle && !watchingExposure_) {
        handle->installEventFilter(this);
        watchingExposure_ = true;
    }
    updateMetersWatched();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == windowHandle() && event->type() == QEvent::Expose)
        QMetaObject::invokeMethod(this, &MainWindow::updateMetersWatched, Qt::QueuedConnection);
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    updateMetersWatched();
}

void MainWindow::updateMetersWatched() {
    const QWindow* handle = windowHandle();
    player_.setMetersWatched(isVisible() && !isMinimized() && handle && handle->isExposed() &&
                             player_.settings.get().visualization != VisualizationMode::off);
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QMainWindow::moveEvent(event);
    noteNormalGeometry();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    if (restoringSize_ && !fullscreenActive_ && size() != *restoringSize_ &&
        restoreCorrectionsLeft_-- > 0) {
        resize(*restoringSize_);
        return;
    }
    noteNormalGeometry();
}

void MainWindow::noteNormalGeometry() {
    // A window manager may send the full-screen size before it says the window is in
    // full screen; a screen-filling geometry is never the one to come back to.
    if (fullscreenActive_ || restoringSize_ || !isVisible() ||
        (windowState() & (Qt::WindowFullScreen | Qt::WindowMaximized)))
        return;
    if (const QScreen* display = screen(); display && geometry() == display->geometry())
        return;
    normalGeometry_ = geometry();
}

void MainWindow::enteredFullscreen() {
    preFullscreenShowPlaylist_ = player_.settings.get().showPlaylist;
    fullscreenActive_ = true;
    // The playlist shows in full screen; this is not a choice of the user's, so
    // nothing is saved for it.
    if (!player_.settings.get().showPlaylist)
        player_.setPlaylistShownForFullscreen(true);
    applyPlaylistVisibility();
}

void MainWindow::leftFullscreen() {
    fullscreenActive_ = false;
    if (const auto before = std::exchange(preFullscreenShowPlaylist_, std::nullopt)) {
        if (player_.settings.get().showPlaylist != *before)
            player_.setPlaylistShownForFullscreen(*before);
    }
    applyPlaylistVisibility(normalGeometry_);
}

} // namespace orvane
