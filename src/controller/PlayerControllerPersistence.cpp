#include "controller/PlayerController.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>

namespace orvane {

namespace {

// One write this long after the last change of a burst.
constexpr double kSaveDelay = 0.5;
// How often the playing position is noted for the next start.
constexpr double kResumeCaptureInterval = 5.0;
constexpr std::size_t kEQBands = 10;

// Copies the fields the settings window's tabs edit, and no other.
void copySettingsWindowFields(const AppSettings& from, AppSettings& to) {
    // Playback.
    to.resumeOnStartup = from.resumeOnStartup;
    to.alwaysOnTop = from.alwaysOnTop;
    to.quitOnClose = from.quitOnClose;
    to.gapless = from.gapless;
    to.trimSilence = from.trimSilence;
    to.trimThresholdDb = from.trimThresholdDb;
    to.trimMaxSec = from.trimMaxSec;
    // Fades.
    to.fadePlayOn = from.fadePlayOn;
    to.fadePlayMs = from.fadePlayMs;
    to.fadePauseOn = from.fadePauseOn;
    to.fadePauseMs = from.fadePauseMs;
    to.fadeStopOn = from.fadeStopOn;
    to.fadeStopMs = from.fadeStopMs;
    to.fadeChangeOn = from.fadeChangeOn;
    to.fadeChangeMs = from.fadeChangeMs;
    // Processing.
    to.normalize = from.normalize;
    to.loudness = from.loudness;
    to.compOn = from.compOn;
    to.compPreset = from.compPreset;
    // Output.
    to.outputDeviceUID = from.outputDeviceUID;
    // Interface.
    to.visualization = from.visualization;
    to.ledBrightness = from.ledBrightness;
    to.playlistFontSize = from.playlistFontSize;
    to.showWordmarkIcon = from.showWordmarkIcon;
}

bool sameTrimRules(const AppSettings& a, const AppSettings& b) {
    return a.trimSilence == b.trimSilence && a.trimThresholdDb == b.trimThresholdDb &&
           a.trimMaxSec == b.trimMaxSec;
}

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

void PlayerController::applyOutputLevels() {
    const AppSettings& s = settings.get();
    engine_->setVolume(s.isMuted ? 0.0f : static_cast<float>(s.volume));
    engine_->setPan(static_cast<float>(s.pan));
}

void PlayerController::applyEQSettings() {
    // Gains by band index: surplus ones are ignored, missing ones leave their band.
    const AppSettings& s = settings.get();
    const auto bands = std::min(s.eqGains.size(), kEQBands);
    for (std::size_t band = 0; band < bands; ++band)
        engine_->setEQGain(static_cast<int>(band), static_cast<float>(s.eqGains[band]));
    if (s.eqOn != engine_->eqEnabled())
        engine_->setEQEnabled(s.eqOn);
}

void PlayerController::applyDesktopSettings() {
    if (!desktop_)
        return;
    const AppSettings& s = settings.get();
    desktop_->setWordmarkIcon(s.showWordmarkIcon);
    desktop_->setAlwaysOnTop(s.alwaysOnTop);
    desktop_->setQuitOnClose(s.quitOnClose);
}

void PlayerController::selectOutputDevice(const std::optional<std::string>& uid) {
    // The output resolves the device itself, off the main thread, when it starts: a
    // stored device that is absent then leaves it on the system default until it is
    // back.
    if (uid)
        engine_->setOutputDevice(uid);
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
    scheduleSave();
}

void PlayerController::scheduleSave() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    // Replacing the handle cancels the pending save; the handle dies with the
    // controller, so a save never runs after it.
    saveWorkItem_ = loop_.runAfter(kSaveDelay, [this] { performSave(); });
}

void PlayerController::flushPendingSave() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
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

void PlayerController::restoreSettings(const AppSettings& snapshot) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    AppSettings restored = settings.get();
    copySettingsWindowFields(snapshot, restored);
    const bool deviceChanged = restored.outputDeviceUID != settings.get().outputDeviceUID;
    // Trims measured under the rules being cancelled do not hold under the old ones.
    const bool trimRulesChanged = !sameTrimRules(restored, settings.get());
    settings = restored;
    // Compressor, character, gapless and the loudness curve for the live volume.
    applyProcessing();
    applyDesktopSettings();
    if (deviceChanged)
        engine_->setOutputDevice(restored.outputDeviceUID);
    if (trimRulesChanged)
        clearTrimCache();
    renormalizePlaying();
    scheduleSave();
}

} // namespace orvane
