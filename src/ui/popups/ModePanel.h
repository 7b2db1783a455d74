#pragma once

#include "model/Enums.h"
#include "runtime/Observable.h"
#include "ui/popups/PopupPanel.h"

#include <vector>

class QPushButton;

namespace orvane {

class PlayerController;

// The playback-mode popup: one row per mode (the chosen one lit and ticked) and the
// shuffle switch. A row applies at once and the panel stays open. GUI thread only.
class ModePanel : public PopupPanel {
    Q_OBJECT
public:
    explicit ModePanel(PlayerController& player, QWidget* parent = nullptr);

    // The rows, modes first in menu order, shuffle last.
    const std::vector<QPushButton*>& rows() const { return rows_; }

private:
    void refresh();

    PlayerController& player_;
    std::vector<QPushButton*> rows_;
    std::vector<Subscription> subscriptions_;
};

} // namespace orvane
