#pragma once

#include "model/Uuid.h"
#include "runtime/Observable.h"
#include "ui/window/WindowSizing.h"

#include <optional>
#include <vector>

#include <QMainWindow>
#include <QRect>

class QTimer;

namespace orvane {

class ContentView;
class EQPanel;
class ModePanel;
class MainMenus;
class PlayerBinding;
class PlayerController;

// Orvane's one main window: the player panel and, while shown, the playlist area, with
// the menu bar. It follows the setting `showPlaylist`: hidden, the window becomes the
// compact player, whose height is held by its size limits (so a window manager's own
// title-bar actions cannot stretch it); in full screen the playlist is always shown.
// The window lives as long as the application; closing it hides it unless closing
// quits. GUI thread only; the controller must outlive the window.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(PlayerController& player, QWidget* parent = nullptr);
    ~MainWindow() override;

    ContentView& content() { return *content_; }
    PlayerBinding& binding() { return *binding_; }
    MainMenus& menus() { return *menus_; }
    const WindowSizing& sizing() const { return sizing_; }

    // The "PL" button and the View menu: shows or hides the playlist, and saves. Does
    // nothing in full screen.
    void togglePlaylistVisible();
    void setAlwaysOnTop(bool on);
    // The compact window's height: the height the player panel asks for, with the menu
    // bar.
    int compactHeight() const;
    bool isFullscreenActive() const { return fullscreenActive_; }
    void toggleFullscreen();
    // The popups of the transport row, made on first use.
    ModePanel& modePanel();
    EQPanel& eqPanel();
    void showModePanel();
    void showEQPanel();

signals:
    void settingsRequested();
    void aboutRequested();
    void quitRequested();

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class AppliedLayout { none, shown, hidden, fullscreen };

    // Applies the layout the settings and the full-screen state call for. `restore` is
    // the geometry to come back to after full screen.
    void applyPlaylistVisibility(const std::optional<QRect>& restore = std::nullopt);
    void applyLayout(const WindowSizing::Layout& layout);
    int menuBarHeight() const;
    void enteredFullscreen();
    void leftFullscreen();
    void noteNormalGeometry();
    // Tells the player whether anyone sees the meters, so that a hidden window costs
    // no metering.
    void updateMetersWatched();

    PlayerController& player_;
    ContentView* content_;
    PlayerBinding* binding_;
    MainMenus* menus_;
    ModePanel* modePanel_ = nullptr;
    EQPanel* eqPanel_ = nullptr;
    WindowSizing sizing_;
    AppliedLayout appliedLayout_ = AppliedLayout::none;
    bool attached_ = false;
    bool fullscreenActive_ = false;
    bool watchingExposure_ = false;
    std::optional<bool> preFullscreenShowPlaylist_;
    std::optional<bool> appliedShowPlaylist_;
    // The window's geometry outside full screen, and after leaving it the size to hold
    // against the window manager's late events (for a few corrections, for a moment).
    std::optional<QRect> normalGeometry_;
    std::optional<QSize> restoringSize_;
    int restoreCorrectionsLeft_ = 0;
    QTimer* restoreWindow_;
    std::vector<Subscription> subscriptions_;
};

} // namespace orvane
