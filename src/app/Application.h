#pragma once

#include "controller/BackgroundStateStorage.h"

#include <memory>
#include <string>
#include <vector>

namespace orvane {

class DesktopShellQt;
class MainWindow;
class MprisService;
class PlayerController;
class PulseDeviceManager;
class QtMainLoop;
class SettingsWindow;

// The application shell: the main loop on Qt's event loop, the sound output through
// PulseAudio, the state file written in the background, the one player controller and
// its main window, all for the life of the process. The executable's main() only
// creates the QApplication, the bus service and this object. Quitting, however it
// happens, writes a pending save first. GUI thread only.
class Application {
public:
    // `mpris`, when given, shows what plays on the session bus and takes the media keys;
    // it must outlive the Application. `storage` is where the state is read from and
    // written to: by default the state file, written in the background; main() hands
    // one in that started reading it before Qt was set up.
    explicit Application(MprisService* mpris = nullptr,
                         std::unique_ptr<BackgroundStateStorage> storage = nullptr);
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    MainWindow& mainWindow() { return *mainWindow_; }
    PlayerController& player() { return *player_; }
    void show();
    // Files, folders and .m3u8 or .m3u playlist files (absolute paths) from the command
    // line or the bus: tracks go into the active playlist, each playlist file becomes a
    // new playlist, and the first track named starts.
    void open(const std::vector<std::string>& paths);

private:
    void showAbout();
    void raiseMainWindow();
    void showSettings();

    // In order of construction; destroyed the other way round.
    std::unique_ptr<QtMainLoop> loop_;
    MprisService* mpris_;
    std::unique_ptr<DesktopShellQt> shell_;
    // Shared with device listings that may outlive a settings window.
    std::shared_ptr<PulseDeviceManager> devices_;
    std::unique_ptr<PlayerController> player_;
    std::unique_ptr<MainWindow> mainWindow_;
    SettingsWindow* settingsWindow_ = nullptr; // a child of the main window, made on first use
};

} // namespace orvane
