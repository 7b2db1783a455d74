#pragma once

#include "controller/PlayerController.h"
#include "model/AppSettings.h"

#include <utility>

#include <QWidget>

namespace orvane {

class SettingsPage;

// One tab of the settings window. Its controls write the live settings through the
// controller at once (so changes are heard and seen immediately) and save;
// showSettings() puts the controls in step with the record, however it changed, without
// writing it back. GUI thread only.
class SettingsTab : public QWidget {
    Q_OBJECT
public:
    virtual void showSettings(const AppSettings& settings) = 0;

protected:
    SettingsTab(PlayerController& player, QWidget* parent);

    // Writes settings fields, then asks for a save: for the rows that only store.
    template <typename F>
    void store(F&& change) {
        player_.settings.modify(std::forward<F>(change));
        player_.scheduleSave();
    }

    PlayerController& player_;
    SettingsPage* page_;
};

} // namespace orvane
