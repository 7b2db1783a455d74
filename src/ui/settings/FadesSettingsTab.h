#pragma once

#include "ui/settings/SettingsTab.h"

#include <array>
#include <cstddef>

class QLabel;

namespace orvane {

class SettingsSlider;
class ToggleSwitch;

// The four fades: a switch and a length each. The length can be set whether its fade
// is on or off.
class FadesSettingsTab : public SettingsTab {
    Q_OBJECT
public:
    enum Fade { play, pause, stop, trackChange };

    explicit FadesSettingsTab(PlayerController& player, QWidget* parent = nullptr);
    void showSettings(const AppSettings& settings) override;

    ToggleSwitch& fadeSwitch(Fade fade) { return *rows_[static_cast<std::size_t>(fade)].toggle; }
    SettingsSlider& lengthSlider(Fade fade) {
        return *rows_[static_cast<std::size_t>(fade)].slider;
    }
    QString lengthText(Fade fade) const;

private:
    struct Row {
        bool AppSettings::*on;
        double AppSettings::*ms;
        ToggleSwitch* toggle = nullptr;
        SettingsSlider* slider = nullptr;
        QLabel* length = nullptr;
    };
    std::array<Row, 4> rows_;
};

} // namespace orvane
