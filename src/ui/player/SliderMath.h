#pragma once

#include <optional>

#include <QColor>
#include <QString>

namespace orvane {

// Geometry and value mapping of Orvane's sliders and the seek bar's bubble, in logical
// pixels along the slider's width. Pure.

namespace SliderMetrics {
inline constexpr double thumbWidth = 12.0;
inline constexpr double defaultTrackHeight = 8.0;
// A balance this close to the centre snaps to exactly 0.
inline constexpr double panDetent = 0.04;
} // namespace SliderMetrics

// Volume slider: value 0...1 at x on a slider `width` wide.
double fillSliderValueAt(double x, double width);
// Balance slider: value -1...1 at x, with the centre detent.
double panSliderValueAt(double x, double width);

// Width of the volume fill for `value`.
double fillWidth(double value, double width);
// Position of the balance value on the slider (the centre is width / 2).
double panPosition(double value, double width);
// Left edge of the thumb whose centre line is at `position`, kept on the slider.
double thumbLeft(double position, double width);

// Colour of the volume fill: green at 0, through yellow, to red at 1.
QColor fillColor(double value);

// The bubble over the seek bar: what it says and where its centre sits.
struct SeekBubble {
    QString text;
    double centerX = 0.0;
};

// Horizontal centre of the seek bubble for `position` on a bar `width` wide, kept 24
// pixels inside either end (centred on bars too narrow for that).
double seekBubbleCenterX(double position, double duration, double width);

// The seek bubble while dragging (the dragged position) or after a keyboard seek (the
// current time); none otherwise or while nothing with a length is loaded.
std::optional<SeekBubble> seekBubble(bool isSeeking, double seekPosition, bool showKeySeekLabel,
                                     double currentTime, double duration, double width);

} // namespace orvane
