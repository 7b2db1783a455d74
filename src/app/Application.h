#pragma once

#include <memory>

namespace orvane {

class MainWindow;

// The application shell: owns the main window for the life of the process. The
// executable's main() only creates the QApplication and this object.
class Application {
public:
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    MainWindow& mainWindow() { return *mainWindow_; }
    void show();

private:
    std::unique_ptr<MainWindow> mainWindow_;
};

} // namespace orvane
