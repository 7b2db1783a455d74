#pragma once

#include "controller/PlayerController.h"
#include "model/AppSettings.h"

#include <QWidget>

namespace orvane {

class SettingsPage;

// One tab of the settings window. Its controls change the live settings through the
// controller at once (so changes are heard and seen immediately), which saves them;
// showSettings() puts the controls in step with the record, however it changed, without
// writing it back. GUI thread only.
class SettingsTab : public QWidget {
    Q_OBJECT
public:
    virtual void showSettings(const AppSettings& settings) = 0;

protected:
    SettingsTab(PlayerController& player, QWidget* parent);

    PlayerController& player_;
    SettingsPage* page_;
};

} // namespace orvane
