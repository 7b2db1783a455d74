#pragma once

#include "model/Uuid.h"

#include <optional>
#include <string>

namespace orvane {

// The few window and system operations the player controller needs from the desktop
// around it. The desktop layer implements them; tests give fakes. Every member is
// called on the main thread.
class DesktopShell {
public:
    virtual ~DesktopShell() = default;
    // The application and window icon: with the wordmark, or the plain icon.
    virtual void setWordmarkIcon(bool on) = 0;
    // Keeps the main window above other windows, or back to a normal window. Nothing
    // happens while there is no window yet.
    virtual void setAlwaysOnTop(bool on) = 0;
    // Whether closing the last window ends the application.
    virtual void setQuitOnClose(bool on) = 0;
    // Whether keyboard input belongs to a text field now (the search box, a tab being
    // renamed, a tag editor field): such a field keeps its arrows and select-all.
    virtual bool isEditingText() const = 0;
};

// The keys the player watches in its windows; any other key is `other`.
enum class MonitoredKey { a, left, right, down, up, other };

// Modifier keys held with a key press, as bits. `control` is the command modifier of
// Orvane's shortcuts (Ctrl+A, Ctrl+Left); `meta` is the logo key.
enum KeyModifier : unsigned {
    kShiftModifier = 1u,
    kControlModifier = 2u,
    kAltModifier = 4u,
    kMetaModifier = 8u
};
using KeyModifiers = unsigned;

// What the system's now-playing display shows.
struct NowPlayingInfo {
    struct Item {
        Uuid trackID;
        std::string title;
        std::string artist;
        std::optional<std::string> album;
        double duration = 0.0; // seconds, the trimmed end
        double elapsed = 0.0;  // seconds from the file start
        double rate = 0.0;     // 1 while playing, 0 otherwise
        // An image file of the track's cover; absent while none is known (it is looked
        // up in the background once the track starts, and shown when found).
        std::optional<std::string> artPath;

        friend bool operator==(const Item&, const Item&) = default;
    };
    std::optional<Item> item; // absent: nothing loaded
    bool playing = false;     // the playback state; paused also when nothing is loaded

    friend bool operator==(const NowPlayingInfo&, const NowPlayingInfo&) = default;
};

// The system's now-playing display (MPRIS on the desktop). It is refreshed only when
// the controller says so: at a track start, a hand-off, pause, resume, stop and seeks,
// and when the engine's transport changed on its own (a pause fade has ended, a track
// ran out); the system extrapolates the position from the rate in between. Main
// thread only.
class NowPlayingSink {
public:
    virtual ~NowPlayingSink() = default;
    virtual void nowPlayingChanged(const NowPlayingInfo& info) = 0;
    // The position jumped to `seconds` (a user seek), after the matching
    // nowPlayingChanged: clients that extrapolate the position must start again there.
    virtual void seeked(double seconds) = 0;
};

} // namespace orvane
