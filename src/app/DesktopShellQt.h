#pragma once

#include "controller/DesktopServices.h"

#include <QPointer>

namespace orvane {

class MainWindow;

// The desktop operations the controller asks for, on Qt: the application and window
// icon, the window's always-on-top flag, whether closing the window quits, and whether
// a text field has the keyboard. The controller calls them before the window exists;
// they are kept and applied when it is attached. GUI thread only.
class DesktopShellQt final : public DesktopShell {
public:
    void attachWindow(MainWindow* window);

    void setWordmarkIcon(bool on) override;
    void setAlwaysOnTop(bool on) override;
    void setQuitOnClose(bool on) override;
    bool isEditingText() const override;

    bool quitOnClose() const { return quitOnClose_; }

private:
    QPointer<MainWindow> window_;
    bool wordmarkIcon_ = false;
    bool alwaysOnTop_ = false;
    bool quitOnClose_ = false;
};

} // namespace orvane
