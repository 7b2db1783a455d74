#include "ui/window/WindowSizing.h"

namespace orvane {

WindowSizing::Layout WindowSizing::shown(QSize current) const {
    return {QSize(minimumWidth, minimumHeightWithPlaylist), QSize(maximumExtent, maximumExtent),
            QSize(current.width(), savedHeight_.value_or(defaultHeightWithPlaylist))};
}

WindowSizing::Layout WindowSizing::hidden(QSize current, int panelHeight) {
    if (current.height() > panelHeight + saveMargin)
        savedHeight_ = current.height();
    return {QSize(minimumWidth, panelHeight), QSize(maximumExtent, panelHeight),
            QSize(minimumWidth, panelHeight)};
}

WindowSizing::Layout WindowSizing::fullscreen(QSize current) const {
    Layout layout = shown(current);
    layout.size = current;
    return layout;
}

} // namespace orvane
