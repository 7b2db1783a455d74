#pragma once

#include "model/AppSettings.h"
#include "model/Track.h"

#include <cstddef>
#include <vector>

#include <QString>
#include <QStringList>

namespace orvane {

// The status bar's texts, derived from plain values. Pure.

// Sum of the durations that are known (finite and not negative).
double knownDurationSum(const std::vector<Track>& tracks);

// "12 tracks · 48:10": the count with its plural and, when positive, the total length.
QString trackCountText(std::size_t count, double knownDuration);

// The processing and mode flags that are active, in display order ("GAPLESS", "TRIM", ...).
QStringList statusFlags(const AppSettings& settings);

// The flags joined for display; empty when none is active.
QString statusFlagsText(const AppSettings& settings);

// "Playing: artist - title" for the playing track; empty without one.
QString playingText(const Track* track);

// The background scan's progress, "Scanning 340 of 10,000"; empty while none runs
// (`total` 0).
QString scanProgressText(std::size_t done, std::size_t total);

} // namespace orvane
