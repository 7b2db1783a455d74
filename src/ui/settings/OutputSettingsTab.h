#pragma once

#include "engine/host/AudioOutput.h"
#include "ui/settings/SettingsTab.h"

#include <memory>
#include <vector>

class QComboBox;

namespace orvane {

class DeviceListFetch;

// The output device menu: "System default" first, then the devices the system lists.
// The list is fetched in the background each time the tab is shown; an answer that
// comes after the tab was hidden again is dropped. Choosing an entry routes the output
// at once and stores the choice.
class OutputSettingsTab : public SettingsTab {
    Q_OBJECT
public:
    // `devices` may be null: then only "System default" is offered.
    OutputSettingsTab(PlayerController& player, std::shared_ptr<OutputDeviceManager> devices,
                      QWidget* parent = nullptr);
    ~OutputSettingsTab() override;
    void showSettings(const AppSettings& settings) override;

    QComboBox& deviceMenu() { return *menu_; }
    const std::vector<OutputDevice>& devices() const { return devices_; }
    DeviceListFetch& deviceFetch() { return *fetch_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void setDevices(std::vector<OutputDevice> devices);

    QComboBox* menu_;
    std::vector<OutputDevice> devices_;
    // Last: destroyed first, so no answer is under way while the rest goes.
    std::unique_ptr<DeviceListFetch> fetch_;
};

} // namespace orvane
