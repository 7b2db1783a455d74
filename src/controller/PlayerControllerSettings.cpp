#include "controller/PlayerController.h"
#include "runtime/ThreadCheck.h"

namespace orvane {

void PlayerController::setAlwaysOnTop(bool on) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    updateSettings([on](AppSettings& s) { s.alwaysOnTop = on; });
    if (desktop_)
        desktop_->setAlwaysOnTop(on);
    scheduleSave();
}

void PlayerController::setShowWordmarkIcon(bool on) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    updateSettings([on](AppSettings& s) { s.showWordmarkIcon = on; });
    if (desktop_)
        desktop_->setWordmarkIcon(on);
    scheduleSave();
}

void PlayerController::setQuitOnClose(bool on) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    updateSettings([on](AppSettings& s) { s.quitOnClose = on; });
    // At once, not from the next start: the user closing the window right after the
    // change expects the rule just chosen.
    if (desktop_)
        desktop_->setQuitOnClose(on);
    scheduleSave();
}

void PlayerController::setOutputDevice(std::optional<std::string> uid) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (uid && uid->empty())
        uid.reset();
    const bool hadDevice = settings.get().outputDeviceUID.has_value();
    updateSettings([&uid](AppSettings& s) { s.outputDeviceUID = uid; });
    if (uid) {
        // A device that has gone since the list was shown is stored all the same (it
        // is used when it comes back) and leaves the routing as it is.
        engine_->setOutputDevice(uid);
    } else if (hadDevice) {
        // The engine's "no device" follows the system default, so the output goes
        // there now rather than at the next start, as restoreSettings() does too.
        engine_->setOutputDevice(std::nullopt);
    }
    scheduleSave();
}

} // namespace orvane
