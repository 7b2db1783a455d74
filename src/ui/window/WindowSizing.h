#pragma once

#include <optional>

#include <QSize>

namespace orvane {

// The main window's size rules for the two layouts. With the playlist shown the window
// is freely resizable above 660 x 480; with it hidden it becomes the compact player,
// 660 wide to start with and exactly as high as the player panel wants to be (its
// width may still change). Sizes are the window's content area: the window manager
// draws the title bar outside it, and the top edge stays where it is because Qt keeps a
// window's top-left corner when only its size changes. GUI thread only.
class WindowSizing {
public:
    static constexpr int minimumWidth = 660;
    static constexpr int maximumExtent = 100000;
    static constexpr int minimumHeightWithPlaylist = 480;
    static constexpr int defaultHeightWithPlaylist = 620;

    struct Layout {
        QSize minimum;
        QSize maximum;
        QSize size;
    };

    // The height to go back to when the playlist is shown again. Only heights the
    // window had with the playlist shown belong here: the window's first size when it
    // starts compact, and its height when the playlist is hidden.
    void rememberShownHeight(int height) { shownHeight_ = height; }
    std::optional<int> shownHeight() const { return shownHeight_; }

    // The layout with the playlist shown, for a window now `current` wide.
    Layout shown(QSize current) const;
    // The compact layout for a player panel (and menu bar) `compactHeight` high.
    static Layout hidden(int compactHeight);
    // A window in full screen with the playlist hidden still shows it, so the compact
    // height limit must not hold: the limits of the shown layout, the size untouched.
    Layout fullscreen(QSize current) const;

private:
    std::optional<int> shownHeight_;
};

} // namespace orvane
