#include "controller/PlayerController.h"
#include "runtime/ThreadCheck.h"

namespace orvane {

namespace {

// One write this long after the last change of a burst.
constexpr double kSaveDelay = 0.5;
// How often the playing position is noted for the next start.
constexpr double kResumeCaptureInterval = 5.0;

} // namespace

void PlayerController::loadStoredState() {
    PersistedState state = storage_ ? storage_->load() : PersistedState::fresh();
    if (state.playlists.empty())
        state = PersistedState::fresh();
    if (!state.activePlaylistID)
        state.activePlaylistID = state.playlists.front().id;
    playlists = std::move(state.playlists);
    activePlaylistID = state.activePlaylistID;
    settings = std::move(state.settings);
    resumePlaylistID_ = state.resumePlaylistID;
    resumeTrackID_ = state.resumeTrackID;
    resumePosition_ = state.resumePosition;
}

void PlayerController::startResumeCapture() {
    resumeTimer_ = loop_.runEvery(kResumeCaptureInterval, [this] { captureResumePosition(); });
}

void PlayerController::captureResumePosition() {
    if (!engine_->isPlaying.get() || !playingPlaylistID.get() || !playingTrackID.get())
        return;
    resumePlaylistID_ = playingPlaylistID.get();
    resumeTrackID_ = playingTrackID.get();
    resumePosition_ = engine_->currentTime.get();
    saveResumePoint();
}

void PlayerController::saveResumePoint() {
    // The small resume file, not the whole state: with a large library a state save
    // every few seconds would write megabytes a minute for one changed number.
    if (storage_)
        storage_->saveResume({resumePlaylistID_, resumeTrackID_, resumePosition_});
}

void PlayerController::scheduleSave() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    // Replacing the handle cancels the pending save; the handle dies with the
    // controller, so a save never runs after it.
    saveWorkItem_ = loop_.runAfter(kSaveDelay, [this] { performSave(); });
}

void PlayerController::flushPendingSave() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    // Where playback stands now, not at the last capture.
    captureResumePosition();
    if (saveWorkItem_.isActive()) {
        saveWorkItem_.cancel();
        performSave();
    }
    // A save handed to a background writer is on disk only once that writer is done.
    if (storage_)
        storage_->flush();
}

void PlayerController::performSave() {
    if (!storage_)
        return;
    PersistedState state;
    state.playlists = playlists.get();
    state.activePlaylistID = activePlaylistID.get();
    state.settings = settings.get();
    state.resumePlaylistID = resumePlaylistID_;
    state.resumeTrackID = resumeTrackID_;
    state.resumePosition = resumePosition_;
    storage_->save(std::move(state)); // a failed save is dropped; the next one tries again
}

} // namespace orvane
