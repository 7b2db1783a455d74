#include "ui/settings/OutputSettingsTab.h"

#include "ui/settings/DeviceListFetch.h"
#include "ui/settings/SettingsControls.h"

#include <utility>

#include <QComboBox>

namespace orvane {

OutputSettingsTab::OutputSettingsTab(PlayerController& player,
                                     std::shared_ptr<OutputDeviceManager> devices, QWidget* parent)
    : SettingsTab(player, parent), menu_(settingsMenu({})),
      fetch_(std::make_unique<DeviceListFetch>(
          std::move(devices),
          [this](std::vector<OutputDevice> list) { setDevices(std::move(list)); })) {
    menu_->setMinimumWidth(220);
    SettingsSection* section = page_->addSection();
    section->addRow(labelledRow(QStringLiteral("Output device"), menu_));

    connect(menu_, &QComboBox::activated, this, [this](int entry) {
        const QString uid = menu_->itemData(entry).toString();
        // The empty identifier is the system default's.
        player_.setOutputDevice(uid.isEmpty() ? std::nullopt
                                              : std::optional<std::string>(uid.toStdString()));
    });

    setDevices({});
}

OutputSettingsTab::~OutputSettingsTab() = default;

void OutputSettingsTab::showEvent(QShowEvent* event) {
    SettingsTab::showEvent(event);
    fetch_->start();
}

void OutputSettingsTab::hideEvent(QHideEvent* event) {
    SettingsTab::hideEvent(event);
    fetch_->stop();
}

void OutputSettingsTab::setDevices(std::vector<OutputDevice> devices) {
    devices_ = std::move(devices);
    menu_->clear();
    menu_->addItem(QStringLiteral("System default"), QString());
    for (const OutputDevice& device : devices_)
        menu_->addItem(QString::fromStdString(device.name), QString::fromStdString(device.uid));
    showSettings(player_.settings.get());
}

void OutputSettingsTab::showSettings(const AppSettings& s) {
    // A stored device that is not listed (unplugged, or the list is still coming)
    // selects no entry rather than pretending to be the default.
    const QString uid = s.outputDeviceUID ? QString::fromStdString(*s.outputDeviceUID) : QString();
    menu_->setCurrentIndex(menu_->findData(uid));
}

} // namespace orvane
