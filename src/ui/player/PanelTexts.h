#pragma once

#include "model/Enums.h"
#include "model/Playlist.h"
#include "model/Track.h"

#include <cstddef>
#include <optional>

#include <QString>

namespace orvane {

// The texts of the player panel, derived from plain values so that the panel only has
// to redraw them. All pure; call them on any thread.

// The big time display: "0:00" with nothing loaded; else the remaining time with a
// leading "-" (never below 0:00), or the elapsed time.
QString timeText(bool isLoaded, double currentTime, double duration, bool showRemainingTime);

// The text right of the seek bar: "-remaining / length" while loaded, else "0:00".
QString lengthText(bool isLoaded, double currentTime, double duration);

// "artist - title", or the title alone when the artist is empty.
QString trackDisplayName(const Track& track);

// The now-playing line. `track` is the playing track (none: the product name);
// `position` its zero-based place in the playing playlist when it is found there;
// `duration` the engine's duration, appended when positive.
QString marqueeText(const Track* track, std::optional<std::size_t> position, double duration);

// Zero-based index of the track with `trackID` in `playlist`, if any.
std::optional<std::size_t> positionOf(const Playlist& playlist, const Uuid& trackID);

// The technical line under the now-playing line ("MP3 · 320 kbps · 44.1 kHz · 128 BPM").
// None when there is no track or nothing to say about it.
std::optional<QString> formatInfoText(const Track* track);

// Balance as text: "C" near the centre, else "L35%" or "R100%" (truncated percent).
QString panText(double pan);

// The volume bubble: "MUTE" while muted, else the whole percentage ("80%").
QString volumeText(double volume, bool isMuted);

// The mode button's label: the mode's symbol, the shuffle symbol when on, then " Mode".
QString modeLabel(PlaybackMode mode, bool shuffle);
// The mode button is lit when the mode is not plain play-through or shuffle is on.
bool modeActive(PlaybackMode mode, bool shuffle);

// Help texts that change with the state.
QString timeDisplayHelp(bool showRemainingTime);
QString muteHelp(bool isMuted);
QString playlistButtonHelp(bool fullscreen);

} // namespace orvane
