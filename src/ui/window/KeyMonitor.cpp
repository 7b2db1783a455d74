#include "ui/window/KeyMonitor.h"

#include "controller/PlayerController.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace orvane {

KeyMonitor::KeyMonitor(PlayerController& player, QWidget& window)
    : QObject(&window), player_(player), window_(window) {
}

MonitoredKey KeyMonitor::monitoredKey(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_A:
        return MonitoredKey::a;
    case Qt::Key_Left:
        return MonitoredKey::left;
    case Qt::Key_Right:
        return MonitoredKey::right;
    case Qt::Key_Down:
        return MonitoredKey::down;
    case Qt::Key_Up:
        return MonitoredKey::up;
    default:
        return MonitoredKey::other;
    }
}

KeyModifiers KeyMonitor::modifiers(const QKeyEvent& event) {
    // The keypad flag marks the keypad's arrows; it is not a held key.
    const Qt::KeyboardModifiers held = event.modifiers();
    KeyModifiers result = 0;
    if (held & Qt::ShiftModifier)
        result |= kShiftModifier;
    if (held & Qt::ControlModifier)
        result |= kControlModifier;
    if (held & Qt::AltModifier)
        result |= kAltModifier;
    if (held & Qt::MetaModifier)
        result |= kMetaModifier;
    return result;
}

bool KeyMonitor::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* widget = qobject_cast<QWidget*>(watched);
    // A menu or a popup panel navigates with the arrows; a dialog owns its keys.
    if (widget == nullptr || widget->window() != &window_ ||
        QApplication::activePopupWidget() != nullptr ||
        QApplication::activeModalWidget() != nullptr)
        return false;
    const auto& key = *static_cast<QKeyEvent*>(event);
    return player_.handleKeyDown(monitoredKey(key), modifiers(key));
}

} // namespace orvane
