#pragma once

#include "model/Enums.h"

#include <QColor>
#include <QFont>
#include <QPointF>

class QPainter;

namespace orvane {

// The marks that stand for the playback modes and shuffle, shared by the Mode button
// and the mode panel. Arrows and the stop square are text every font has; the repeat
// and shuffle marks are Orvane's own symbols, since no emoji font can be relied on and
// emoji ignore the pen's colour.
enum class ModeMark { normal, stopAfter, repeatOne, repeatAll, shuffle };

ModeMark modeMark(PlaybackMode mode);

// How wide the mark is in `font`.
double modeMarkWidth(ModeMark mark, const QFont& font);

// Paints the mark in `font` and `color` with its left edge at `leftCentre.x()`, centred
// on `leftCentre.y()`; returns its width.
double paintModeMark(QPainter& painter, ModeMark mark, QPointF leftCentre, const QFont& font,
                     const QColor& color);

} // namespace orvane
