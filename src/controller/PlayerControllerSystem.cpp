#include "controller/PlayerController.h"
#include "controller/TrackLookup.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>

namespace orvane {

namespace {

// The start-up resume jumps to the stored position this long after the track started.
constexpr double kResumeSeekDelay = 0.2;
// Stored positions up to this are not worth a jump: the track simply starts.
constexpr double kResumeSeekMinimum = 0.5;
// One press of a seek arrow, and of a volume arrow.
constexpr double kSeekKeyStep = 5.0;
constexpr double kVolumeKeyStep = 0.05;

} // namespace

bool PlayerController::isEditingText() const {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    return desktop_ != nullptr && desktop_->isEditingText();
}

bool PlayerController::handleKeyDown(MonitoredKey key, KeyModifiers modifiers) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (key == MonitoredKey::a) {
        // Ctrl+A alone; a text field being edited selects its own text.
        if (modifiers != kControlModifier || isEditingText())
            return false;
        selectAll();
        return true;
    }
    // Arrows with a modifier belong to the menus (Ctrl+Left/Right: previous and next)
    // and to the views; a text field moves its cursor with them.
    if (key == MonitoredKey::other || modifiers != 0 || isEditingText())
        return false;

    switch (key) {
    case MonitoredKey::left:
    case MonitoredKey::right: {
        if (!engine_->isLoaded.get())
            return false; // the playlist may use the key
        const double now = engine_->currentTime.get();
        const double target = key == MonitoredKey::left
                                  ? std::max(now - kSeekKeyStep, 0.0)
                                  : std::min(now + kSeekKeyStep, engine_->duration.get());
        seek(target);
        seekKeyNudge = seekKeyNudge.get() + 1;
        return true;
    }
    case MonitoredKey::down:
    case MonitoredKey::up: {
        const double volume = settings.get().volume;
        setVolume(key == MonitoredKey::down ? std::max(volume - kVolumeKeyStep, 0.0)
                                            : std::min(volume + kVolumeKeyStep, 1.0));
        volumeKeyNudge = volumeKeyNudge.get() + 1;
        return true;
    }
    default:
        return false;
    }
}

void PlayerController::resumeAtStartup() {
    if (!resumePlaylistID_ || !resumeTrackID_)
        return;
    const Uuid playlistID = *resumePlaylistID_;
    const Uuid trackID = *resumeTrackID_;
    const auto pi = playlistIndex(playlistID);
    if (!pi || !containsTrack(playlists.get()[*pi].tracks, trackID))
        return;
    // Taken before the start resets the resume fields.
    const double position = resumePosition_.value_or(0.0);
    activePlaylistID = playlistID;
    play(trackID, playlistID);

    // When the stored track could not be started another one plays: the stored
    // position means nothing for it.
    if (!(position > kResumeSeekMinimum) || playingTrackID.get() != trackID ||
        playingPlaylistID.get() != playlistID)
        return;
    resumeSeek_ = loop_.runAfter(kResumeSeekDelay, [this, trackID, position] {
        if (playingTrackID.get() != trackID)
            return; // the user chose another track meanwhile
        // As a user seek: the resume point stays where playback is.
        seek(position);
    });
}

void PlayerController::setMetersWatched(bool watched) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    engine_->setMetersWatched(watched);
}

} // namespace orvane
