#include "app/Application.h"

#include "app/AfterFirstPaint.h"
#include "app/CommandLine.h"
#include "app/DesktopShellQt.h"
#include "controller/BackgroundStateStorage.h"
#include "controller/PlayerController.h"
#include "model/M3U8.h"
#include "platform/LogCategories.h"
#include "platform/MprisService.h"
#include "platform/PulseDevices.h"
#include "platform/PulseOutput.h"
#include "platform/QtMainLoop.h"
#include "tags/CoverArt.h"
#include "ui/settings/SettingsWindow.h"
#include "ui/style/Icons.h"
#include "ui/window/MainWindow.h"

#include <QApplication>
#include <QMessageBox>

#include <malloc.h>

namespace orvane {

Application::Application(MprisService* mpris, std::unique_ptr<BackgroundStateStorage> storage)
    : loop_(std::make_unique<QtMainLoop>()), mpris_(mpris),
      shell_(std::make_unique<DesktopShellQt>()), devices_(std::make_shared<PulseDeviceManager>()) {
    PlayerControllerServices services;
    services.output = std::make_unique<PulseOutput>();
    if (!storage)
        storage = std::make_unique<BackgroundStateStorage>(std::make_unique<FileStateStorage>());
    services.storage = std::move(storage);
    services.desktop = shell_.get();
    services.nowPlaying = mpris_;
    services.coverCacheFolder = CoverArt::defaultCacheFolder();
    // The scan waits for the window: planning it walks every track.
    services.scanMetadataAtStart = false;
    player_ = std::make_unique<PlayerController>(*loop_, std::move(services));

    mainWindow_ = std::make_unique<MainWindow>(*player_);
    shell_->attachWindow(mainWindow_.get());
    AfterFirstPaint::install(*mainWindow_, [this] {
        player_->startMetadataScan();
        // Reading a large state file leaves the allocator holding freed memory (the
        // growing track lists, the parser's pieces) that it does not give back by
        // itself.
        ::malloc_trim(0);
    });

    QObject::connect(mainWindow_.get(), &MainWindow::quitRequested, qApp, &QApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(mainWindow_.get(), &MainWindow::aboutRequested, mainWindow_.get(),
                     [this] { showAbout(); });
    QObject::connect(mainWindow_.get(), &MainWindow::settingsRequested, mainWindow_.get(),
                     [this] { showSettings(); });
    // Menu, last window closed, session end: the last change reaches the disk.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, mainWindow_.get(),
                     [this] { player_->flushPendingSave(); });

    if (mpris_ != nullptr) {
        MprisService::WindowActions actions;
        actions.raise = [this] {
            raiseMainWindow();
        };
        actions.quit = [] {
            QMetaObject::invokeMethod(qApp, &QApplication::quit, Qt::QueuedConnection);
        };
        actions.open = [this](const std::vector<std::string>& paths) {
            open(paths);
        };
        mpris_->attach(*player_, std::move(actions));
    }
}

Application::~Application() {
    if (mpris_ != nullptr)
        mpris_->detach();
    mainWindow_.reset();
    // The controller's destructor drops a pending save; quitting flushed it already,
    // and this covers an Application that ends without the event loop quitting.
    player_->flushPendingSave();
    player_.reset();
}

void Application::show() {
    mainWindow_->show();
}

void Application::open(const std::vector<std::string>& paths) {
    std::vector<std::string> files;
    std::vector<std::string> playlistFiles;
    for (const auto& path : paths)
        (isPlaylistFile(path) ? playlistFiles : files).push_back(path);
    // Each playlist file becomes a playlist of its own, which it starts only when no
    // tracks were named beside it: those came first and are what the user asked for.
    // Tracks go into the playlist that was active.
    player_->openFiles(files);
    for (const auto& path : playlistFiles) {
        auto imported = importM3U8File(path);
        if (!imported) {
            qCWarning(lcPlatform, "cannot read the playlist %s", path.c_str());
            continue;
        }
        player_->addPlaylist(imported->name);
        if (files.empty() && path == playlistFiles.front())
            player_->openFiles(imported->paths);
        else
            player_->addFiles(imported->paths);
    }
}

void Application::raiseMainWindow() {
    MainWindow& window = *mainWindow_;
    window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
    window.show();
    window.raise();
    window.activateWindow();
}

void Application::showSettings() {
    // A child of the main window, so that it goes before the controller it edits.
    if (settingsWindow_ == nullptr)
        settingsWindow_ = new SettingsWindow(*player_, devices_, mainWindow_.get());
    settingsWindow_->present();
}

void Application::showAbout() {
    QMessageBox box(mainWindow_.get());
    box.setWindowTitle(QStringLiteral("About Orvane"));
    box.setIconPixmap(Icons::appIcon(true).pixmap(96, 96));
    box.setText(QStringLiteral("<b>Orvane</b>"));
    box.setInformativeText(QStringLiteral("Version %1\nA music player for the desktop.")
                               .arg(QCoreApplication::applicationVersion()));
    box.exec();
}

} // namespace orvane
