#pragma once

#include <QMainWindow>

namespace orvane {

// Orvane's one main window. It holds the player panel and the playlist area.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
};

} // namespace orvane
