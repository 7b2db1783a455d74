#pragma once

#include "model/Track.h"

#include <cstddef>
#include <vector>

namespace orvane {

// Row metrics of the track list and the index maths of reordering and file drops, in
// logical pixels. Pure.

// Height of every row for the playlist font size.
double trackRowHeight(double playlistFontSize);

// Decimal digits of `n` (1 for 0).
int decimalDigits(std::size_t n);

// Width of the number column: room for the digits of the track count (at least two)
// and the full stop, plus a margin.
double numberColumnWidth(double playlistFontSize, std::size_t trackCount);

// Insertion index (counted before the dragged row is removed, 0...count) for the row
// at `index` dragged vertically by `translationY`. Half a row counts as a step.
std::size_t dragInsertionIndex(std::size_t index, double translationY, double rowHeight,
                               std::size_t count);

// Where files dropped at `y` (from the top of the visible list) go, and where the
// insertion line is drawn.
struct DropTarget {
    std::size_t insertionIndex = 0; // 0...trackCount
    double indicatorY = 0.0;        // from the top of the visible list
    friend bool operator==(const DropTarget&, const DropTarget&) = default;
};

DropTarget dropTargetAt(double y, double scrollOffset, double rowHeight, std::size_t trackCount);

// While a search filters the list, the insertion index `shownIndex` among the `shown`
// tracks as an index in the whole playlist `all`: right after the shown track above
// the line, or before the first shown one; the playlist's end when nothing is shown.
std::size_t playlistInsertionIndex(const std::vector<Track>& shown, const std::vector<Track>& all,
                                   std::size_t shownIndex);

} // namespace orvane
