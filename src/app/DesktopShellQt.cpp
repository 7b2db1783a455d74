#include "app/DesktopShellQt.h"

#include "ui/style/Icons.h"
#include "ui/window/MainWindow.h"
#include "ui/window/TextFields.h"

#include <QApplication>

namespace orvane {

void DesktopShellQt::attachWindow(MainWindow* window) {
    window_ = window;
    setWordmarkIcon(wordmarkIcon_);
    setAlwaysOnTop(alwaysOnTop_);
    setQuitOnClose(quitOnClose_);
}

void DesktopShellQt::setWordmarkIcon(bool on) {
    wordmarkIcon_ = on;
    const QIcon icon = Icons::appIcon(on);
    QApplication::setWindowIcon(icon);
    if (window_)
        window_->setWindowIcon(icon);
}

void DesktopShellQt::setAlwaysOnTop(bool on) {
    alwaysOnTop_ = on;
    if (window_)
        window_->setAlwaysOnTop(on);
}

void DesktopShellQt::setQuitOnClose(bool on) {
    quitOnClose_ = on;
    // Otherwise the player keeps playing with its window closed; starting Orvane again
    // brings the window back.
    QApplication::setQuitOnLastWindowClosed(on);
}

bool DesktopShellQt::isEditingText() const {
    return orvane::isEditingText();
}

} // namespace orvane
