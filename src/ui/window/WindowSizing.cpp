#include "ui/window/WindowSizing.h"

namespace orvane {

WindowSizing::Layout WindowSizing::shown(QSize current) const {
    return {QSize(minimumWidth, minimumHeightWithPlaylist), QSize(maximumExtent, maximumExtent),
            QSize(current.width(), shownHeight_.value_or(defaultHeightWithPlaylist))};
}

WindowSizing::Layout WindowSizing::hidden(int compactHeight) {
    return {QSize(minimumWidth, compactHeight), QSize(maximumExtent, compactHeight),
            QSize(minimumWidth, compactHeight)};
}

WindowSizing::Layout WindowSizing::fullscreen(QSize current) const {
    Layout layout = shown(current);
    layout.size = current;
    return layout;
}

} // namespace orvane
