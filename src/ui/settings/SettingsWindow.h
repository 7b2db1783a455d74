#pragma once

#include "engine/host/AudioOutput.h"
#include "model/AppSettings.h"
#include "runtime/Observable.h"

#include <memory>
#include <optional>

#include <QDialog>

class QPushButton;
class QStackedWidget;
class QTabBar;

namespace orvane {

class FadesSettingsTab;
class InterfaceSettingsTab;
class OutputSettingsTab;
class PlaybackSettingsTab;
class PlayerController;
class ProcessingSettingsTab;

// The settings window: five tabs (Playback, Fades, Processing, Output, Interface) whose
// controls change the live settings at once, and "Cancel" and "Save" below them.
// Opening the window notes the settings record; "Cancel" puts back what the tabs edit
// (engine, window and system included) and leaves what changed elsewhere meanwhile,
// "Save" keeps the changes. Closing the window any other way (its close box, Escape)
// keeps them too: each control has saved its change already.
//
// One instance is made and shown again with present(). It follows the settings while
// open, so changes made elsewhere (menus, panels, a cancel) show at once.
//
// Threading: GUI thread only; the device list is fetched in the background while the
// Output tab shows (see DeviceListFetch). The window must go before the controller;
// `devices` may be null.
class SettingsWindow : public QDialog {
    Q_OBJECT
public:
    SettingsWindow(PlayerController& player, std::shared_ptr<OutputDeviceManager> devices,
                   QWidget* parent = nullptr);
    ~SettingsWindow() override;

    // Shows the window and brings it to the front. Opening it notes the settings as
    // they are now for "Cancel"; presenting an open window only raises it.
    void present();
    // The two buttons.
    void save();
    void cancel();

    // The settings "Cancel" goes back to; none while the window is closed.
    const std::optional<AppSettings>& snapshot() const { return snapshot_; }

    enum Tab {
        playbackTabIndex,
        fadesTabIndex,
        processingTabIndex,
        outputTabIndex,
        interfaceTabIndex
    };
    // Brings a tab to the front, as a click on its title does.
    void showTab(Tab tab);
    QTabBar& tabBar() { return *tabBar_; }
    QWidget* currentTab() const;
    PlaybackSettingsTab& playbackTab() { return *playback_; }
    FadesSettingsTab& fadesTab() { return *fades_; }
    ProcessingSettingsTab& processingTab() { return *processing_; }
    OutputSettingsTab& outputTab() { return *output_; }
    InterfaceSettingsTab& interfaceTab() { return *interface_; }
    QPushButton& saveButton() { return *save_; }
    QPushButton& cancelButton() { return *cancel_; }

public slots:
    // Escape and the close box: the window goes, the live settings stay.
    void reject() override;

private:
    void showSettings(const AppSettings& settings);

    PlayerController& player_;
    std::optional<AppSettings> snapshot_;
    QTabBar* tabBar_;
    QStackedWidget* pages_;
    PlaybackSettingsTab* playback_;
    FadesSettingsTab* fades_;
    ProcessingSettingsTab* processing_;
    OutputSettingsTab* output_;
    InterfaceSettingsTab* interface_;
    QPushButton* cancel_;
    QPushButton* save_;
    Subscription settingsChanged_;
};

} // namespace orvane
