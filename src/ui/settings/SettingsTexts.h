#pragma once

#include <QString>

namespace orvane {

// The value texts of the settings window's sliders. Pure functions.

// The whole-number part of `value` (truncated toward zero, so -60.4 gives -60)
// followed by `suffix`: "-60 dB", "5 s", "250 ms". A value that is not finite shows 0.
QString wholeNumberText(double value, const QString& suffix);

// A slider row's value text: the whole number followed by the unit when the unit is
// "px" or "%", otherwise the value as a percentage rounded to a whole number ("80%"
// for 0.8).
QString sliderRowText(double value, const QString& unit);

} // namespace orvane
