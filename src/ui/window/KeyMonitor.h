#pragma once

#include "controller/DesktopServices.h"

#include <QObject>

class QKeyEvent;
class QWidget;

namespace orvane {

class PlayerController;

// The player's keys in its main window, seen before any view: plain arrows seek and
// change the volume, Ctrl+A selects every track (the controller decides; see
// PlayerController::handleKeyDown). Installed on the application so that it sees the
// key wherever the focus is in the window. Keys for other windows, for an open menu or
// popup and for a modal dialog pass untouched. GUI thread only.
class KeyMonitor : public QObject {
    Q_OBJECT
public:
    KeyMonitor(PlayerController& player, QWidget& window);

    // The controller's view of a Qt key press.
    static MonitoredKey monitoredKey(const QKeyEvent& event);
    static KeyModifiers modifiers(const QKeyEvent& event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    PlayerController& player_;
    QWidget& window_;
};

} // namespace orvane
