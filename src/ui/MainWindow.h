#pragma once

#include <QMainWindow>

namespace orvane {

class ContentView;

// Orvane's one main window. It holds the player panel and the playlist area.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);

    ContentView& content() { return *content_; }

private:
    // What a fresh installation shows until the player is attached: nothing loaded and
    // one empty "Playlist 1".
    void showFreshState();

    ContentView* content_;
};

} // namespace orvane
