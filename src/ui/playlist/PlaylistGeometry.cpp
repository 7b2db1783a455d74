#include "ui/playlist/PlaylistGeometry.h"

#include <algorithm>
#include <cmath>

namespace orvane {

namespace {

// Rounds half away from zero and clamps to 0...hi, treating NaN as 0. Doubles beyond
// the size range are clamped before they are converted.
std::size_t roundedIndex(double value, std::size_t hi) {
    if (std::isnan(value) || value <= 0.0)
        return 0;
    const double rounded = std::round(value);
    if (rounded >= static_cast<double>(hi))
        return hi;
    return static_cast<std::size_t>(rounded);
}

} // namespace

double trackRowHeight(double playlistFontSize) {
    return playlistFontSize + 13.0;
}

int decimalDigits(std::size_t n) {
    int digits = 1;
    while (n >= 10) {
        n /= 10;
        ++digits;
    }
    return digits;
}

double numberColumnWidth(double playlistFontSize, std::size_t trackCount) {
    const int digits = std::max(decimalDigits(trackCount), 2);
    return playlistFontSize * (digits + 1) * 0.62 + 10.0;
}

std::size_t dragInsertionIndex(std::size_t index, double translationY, double rowHeight,
                               std::size_t count) {
    if (!(rowHeight > 0.0) || std::isnan(translationY))
        return std::min(index, count);
    const double steps = std::round(translationY / rowHeight);
    // A downward move counts positions before the row is taken out, hence the extra one.
    const double target = static_cast<double>(index) + steps + (steps >= 1.0 ? 1.0 : 0.0);
    return roundedIndex(target, count);
}

DropTarget dropTargetAt(double y, double scrollOffset, double rowHeight, std::size_t trackCount) {
    if (!(rowHeight > 0.0))
        return DropTarget{0, -scrollOffset};
    const std::size_t index = roundedIndex((y + scrollOffset) / rowHeight, trackCount);
    return DropTarget{index, rowHeight * static_cast<double>(index) - scrollOffset};
}

std::size_t playlistInsertionIndex(const std::vector<Track>& shown, const std::vector<Track>& all,
                                   std::size_t shownIndex) {
    const auto indexOf = [&all](const Uuid& id) {
        const auto found =
            std::find_if(all.begin(), all.end(), [&id](const Track& t) { return t.id == id; });
        return static_cast<std::size_t>(found - all.begin());
    };
    if (shown.empty())
        return all.size();
    if (shownIndex == 0)
        return indexOf(shown.front().id);
    const std::size_t above = indexOf(shown[std::min(shownIndex, shown.size()) - 1].id);
    return std::min(above + 1, all.size());
}

} // namespace orvane
