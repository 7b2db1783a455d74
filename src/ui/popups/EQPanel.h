#pragma once

#include "model/AppSettings.h"
#include "runtime/Observable.h"
#include "ui/popups/PopupPanel.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace orvane {

class EQBandSlider;
class IconButton;
class PlayerController;

// The ten-band equaliser popup: the switch, the preset menu with save and delete, the
// band sliders (live), Reset, and Save or Cancel, where Cancel puts back the
// equaliser as it was when the panel opened. The save prompt opens inside the panel.
// GUI thread only.
class EQPanel : public PopupPanel {
    Q_OBJECT
public:
    static constexpr int bands = 10;

    explicit EQPanel(PlayerController& player, QWidget* parent = nullptr);

    // Takes the snapshot Cancel returns to, then pops up under `anchor`.
    void present(QWidget* anchor);

    // Band `band`'s gain as shown over its slider: rounded half away from zero, "+"
    // from 1 dB up; "0" for an unknown band.
    static QString gainText(const AppSettings& settings, int band);
    // The preset menu: built-ins capitalised in their order, then (when there are
    // any) an empty entry standing for the divider and the user presets sorted.
    struct MenuEntry {
        QString label;
        std::string name; // empty: the divider
    };
    static std::vector<MenuEntry> presetMenu(const AppSettings& settings);

    void cancel();
    void save();

    // Parts, for the wiring and tests.
    QCheckBox& onSwitch() { return *onSwitch_; }
    QComboBox& presetBox() { return *presetBox_; }
    QWidget& deleteButton();
    EQBandSlider& slider(int band) { return *sliders_[static_cast<std::size_t>(band)]; }
    QWidget& savePrompt() { return *prompt_; }
    QLineEdit& presetNameField() { return *presetName_; }
    void openSavePrompt();
    void confirmSavePrompt();

private:
    QWidget* buildHeader();
    QWidget* buildBands();
    QWidget* buildPrompt();
    QWidget* buildFooter();
    void refresh();

    PlayerController& player_;
    std::optional<AppSettings> snapshot_; // what Cancel puts the equaliser back to
    QCheckBox* onSwitch_ = nullptr;
    QComboBox* presetBox_ = nullptr;
    IconButton* save_ = nullptr;
    IconButton* delete_ = nullptr;
    std::array<QLabel*, bands> gainLabels_{};
    std::array<EQBandSlider*, bands> sliders_{};
    QWidget* prompt_ = nullptr;
    QLineEdit* presetName_ = nullptr;
    bool refreshing_ = false;
    std::vector<std::string> menuNames_; // what the preset menu holds now
    std::vector<Subscription> subscriptions_;
};

} // namespace orvane
