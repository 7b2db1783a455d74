#pragma once

#include <optional>

#include <QSize>

namespace orvane {

// The main window's size rules for the two layouts. With the playlist shown the window
// is freely resizable above 660 x 480; with it hidden it becomes the compact player,
// 660 wide to start with and exactly as high as the player panel (its width may still
// change). The height to go back to is remembered when the playlist is hidden. Sizes
// are the window's content area: the window manager draws the title bar outside it,
// and the top edge stays where it is because Qt keeps a window's top-left corner when
// only its size changes. GUI thread only.
class WindowSizing {
public:
    static constexpr int minimumWidth = 660;
    static constexpr int maximumExtent = 100000;
    static constexpr int minimumHeightWithPlaylist = 480;
    static constexpr int defaultHeightWithPlaylist = 620;
    // The height is remembered on collapse only when the window is taller than the
    // compact one by more than this.
    static constexpr int saveMargin = 4;

    struct Layout {
        QSize minimum;
        QSize maximum;
        QSize size;
    };

    // The window's first size, noted when it starts with the playlist hidden: showing
    // the playlist goes back to it.
    void rememberStartHeight(int height) { savedHeight_ = height; }
    // The layout with the playlist shown, for a window now `current` big.
    Layout shown(QSize current) const;
    // The layout with the playlist hidden and a panel `panelHeight` high; remembers
    // the current height to return to.
    Layout hidden(QSize current, int panelHeight);
    // A window in full screen with the playlist hidden still shows it, so the compact
    // height limit must not hold: the limits of the shown layout, the size untouched.
    Layout fullscreen(QSize current) const;

    std::optional<int> savedHeight() const { return savedHeight_; }

private:
    std::optional<int> savedHeight_;
};

} // namespace orvane
