#include "ui/MainWindow.h"

namespace orvane {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Orvane"));
    setObjectName(QStringLiteral("OrvaneMainWindow"));
    resize(480, 560);
}

} // namespace orvane
