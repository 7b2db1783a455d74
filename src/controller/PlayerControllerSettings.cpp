#include "controller/PlayerController.h"
#include "engine/CharacterParams.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>

namespace orvane {

namespace {

// The equaliser unit's band count; stored gains past it are ignored.
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

// --- Taking the settings to the engine and the desktop ---

void PlayerController::applyStoredSettings() {
    applyOutputLevels();
    // A stored "maximum" does not survive a restart; the file keeps it until the next
    // save.
    if (settings.get().compPreset == CompressorPreset::maximum)
        publishSettings([](AppSettings& s) { s.compPreset = CompressorPreset::radio; });
    applyEQSettings();
    if (desktop_)
        desktop_->setWordmarkIcon(settings.get().showWordmarkIcon);
    applyProcessing();
    selectOutputDevice(settings.get().outputDeviceUID);
    if (desktop_)
        desktop_->setQuitOnClose(settings.get().quitOnClose);
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

void PlayerController::applyProcessing() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const AppSettings& s = settings.get();
    engine_->gaplessEnabled = s.gapless;
    engine_->setCompressor(s.compOn, s.compPreset);
    CharacterParams character;
    character.fx = s.charFx;
    character.intensity = s.charIntensity;
    character.vinylCrackle = s.vinylCrackle;
    character.tapeType = s.tapeType;
    character.tapeCompression = s.tapeCompression;
    character.tapeWear = s.tapeWear;
    character.mechNoise = s.mechNoise;
    character.mechNoiseLevel = s.mechNoiseLevel;
    engine_->setCharacter(character);
    engine_->setLoudness(s.loudness, s.volume);
    // Normalisation is not touched here: setNormalize() corrects the playing track,
    // and every track prepared afterwards follows the setting.
}

// --- The settings window and panel buttons ---

void PlayerController::saveSettings() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    scheduleSave();
}

void PlayerController::restoreSettings(const AppSettings& snapshot) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const bool deviceChanged = snapshot.outputDeviceUID != settings.get().outputDeviceUID;
    // Trims measured under the rules being cancelled do not hold under the old ones.
    const bool trimRulesChanged = !sameTrimRules(snapshot, settings.get());
    changeSettings([&snapshot](AppSettings& s) { copySettingsWindowFields(snapshot, s); });
    // Compressor, character, gapless and the loudness curve for the live volume.
    applyProcessing();
    applyDesktopSettings();
    if (deviceChanged)
        engine_->setOutputDevice(settings.get().outputDeviceUID);
    if (trimRulesChanged)
        clearTrimCache();
    renormalizePlaying();
}

// --- Settings the controller acts on ---

void PlayerController::setGapless(bool on) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings([on](AppSettings& s) { s.gapless = on; });
    engine_->gaplessEnabled = on;
}

void PlayerController::setTrimSilence(bool on) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings([on](AppSettings& s) { s.trimSilence = on; });
    clearTrimCache();
}

void PlayerController::setTrimThresholdDb(double db) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings([db](AppSettings& s) { s.trimThresholdDb = db; });
    clearTrimCache();
}

void PlayerController::setTrimMaxSeconds(double seconds) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings([seconds](AppSettings& s) { s.trimMaxSec = seconds; });
    clearTrimCache();
}

void PlayerController::setLoudness(bool on) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings([on](AppSettings& s) { s.loudness = on; });
    applyProcessing();
}

void PlayerController::setCompressorEnabled(bool on) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings([on](AppSettings& s) { s.compOn = on; });
    applyProcessing();
}

void PlayerController::setCompressorPreset(CompressorPreset preset) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings([preset](AppSettings& s) { s.compPreset = preset; });
    applyProcessing();
}

void PlayerController::setAlwaysOnTop(bool on) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings([on](AppSettings& s) { s.alwaysOnTop = on; });
    if (desktop_)
        desktop_->setAlwaysOnTop(on);
}

void PlayerController::setShowWordmarkIcon(bool on) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings([on](AppSettings& s) { s.showWordmarkIcon = on; });
    if (desktop_)
        desktop_->setWordmarkIcon(on);
}

void PlayerController::setQuitOnClose(bool on) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings([on](AppSettings& s) { s.quitOnClose = on; });
    // At once, not from the next start: the user closing the window right after the
    // change expects the rule just chosen.
    if (desktop_)
        desktop_->setQuitOnClose(on);
}

void PlayerController::setOutputDevice(std::optional<std::string> uid) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (uid && uid->empty())
        uid.reset();
    const bool hadDevice = settings.get().outputDeviceUID.has_value();
    changeSettings([&uid](AppSettings& s) { s.outputDeviceUID = uid; });
    if (uid) {
        // A device that has gone since the list was shown is stored all the same (it
        // is used when it comes back) and leaves the routing as it is.
        engine_->setOutputDevice(uid);
    } else if (hadDevice) {
        // The engine's "no device" follows the system default, so the output goes
        // there now rather than at the next start, as restoreSettings() does too.
        engine_->setOutputDevice(std::nullopt);
    }
}

void PlayerController::cycleVisualization() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings(
        [](AppSettings& s) { s.visualization = nextVisualizationMode(s.visualization); });
}

void PlayerController::setPlaylistShownForFullscreen(bool on) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    publishSettings([on](AppSettings& s) { s.showPlaylist = on; });
}

} // namespace orvane
