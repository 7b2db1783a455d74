#include "app/Application.h"

#include "ui/MainWindow.h"

namespace orvane {

Application::Application() : mainWindow_(std::make_unique<MainWindow>()) {}

Application::~Application() = default;

void Application::show() { mainWindow_->show(); }

} // namespace orvane
