#include "controller/PlayerController.h"
#include "model/EQPresets.h"
#include "model/TextUtil.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include <unicode/uchar.h>

namespace orvane {

namespace {

// The equaliser unit's band count; gains past it are ignored.
constexpr std::size_t kEQBands = 10;

// `text` without white space (line breaks included) at either end.
std::string trimWhiteSpace(std::string_view text) {
    std::size_t begin = text.size();
    std::size_t end = 0;
    for (std::size_t offset = 0; offset < text.size();) {
        const DecodedChar d = decodeUtf8At(text, offset);
        if (d.codePoint < 0 || !u_isUWhiteSpace(d.codePoint)) {
            begin = std::min(begin, offset);
            end = offset + d.length;
        }
        offset += d.length;
    }
    return begin < end ? std::string(text.substr(begin, end - begin)) : std::string();
}

} // namespace

void PlayerController::setEQEnabled(bool on) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings([on](AppSettings& s) { s.eqOn = on; });
    // The engine ramps the bands in (after removing the bypass) or out (bypassing at
    // the end), and ignores a switch to the state it is in.
    engine_->setEQEnabled(on);
}

void PlayerController::setEQGain(int band, double db) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    // A non-finite gain would make every later state file unwritable.
    if (band < 0 || static_cast<std::size_t>(band) >= settings.get().eqGains.size() ||
        !std::isfinite(db))
        return;
    publishSettings([band, db](AppSettings& s) { s.eqGains[static_cast<std::size_t>(band)] = db; });
    engine_->setEQGain(band, static_cast<float>(db));
}

void PlayerController::applyEQPreset(const std::string& name) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    std::vector<double> gains;
    if (auto builtIn = builtInEQPreset(name)) {
        gains = std::move(*builtIn);
    } else {
        const auto& custom = settings.get().customEQPresets;
        const auto it = custom.find(name);
        if (it == custom.end())
            return;
        gains = it->second;
    }
    changeSettings([&](AppSettings& s) {
        s.eqPreset = name;
        s.eqGains = gains;
    });
    // Stored in the engine, and heard at once (no ramp) while the equaliser is on.
    // Bands without a gain keep theirs.
    const auto bands = std::min(gains.size(), kEQBands);
    for (std::size_t band = 0; band < bands; ++band)
        engine_->setEQGain(static_cast<int>(band), static_cast<float>(gains[band]));
}

void PlayerController::saveCustomEQPreset(const std::string& name) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    std::string trimmed = trimWhiteSpace(name);
    // Built-in names are refused so that a name never means two presets (the panel
    // tells the user why).
    if (trimmed.empty() || builtInEQPreset(trimmed))
        return;
    changeSettings([&](AppSettings& s) {
        s.customEQPresets[trimmed] = s.eqGains;
        s.eqPreset = trimmed;
    });
}

void PlayerController::deleteCustomEQPreset(const std::string& name) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings([&](AppSettings& s) { s.customEQPresets.erase(name); });
    if (settings.get().eqPreset == name)
        applyEQPreset("flat");
}

void PlayerController::resetEQ() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    applyEQPreset("flat");
    changeSettings([](AppSettings& s) { s.eqOn = false; });
    engine_->setEQEnabled(false);
}

void PlayerController::restoreEQ(const AppSettings& snapshot) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    publishSettings([&snapshot](AppSettings& s) {
        s.eqOn = snapshot.eqOn;
        s.eqGains = snapshot.eqGains;
        s.eqPreset = snapshot.eqPreset;
    });
    // Each gain is stored and heard at once while the equaliser is on; a switch after
    // them ramps in or out.
    applyEQSettings();
}

bool PlayerController::isCurrentEQPresetCustom() const {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const AppSettings& s = settings.get();
    return s.customEQPresets.count(s.eqPreset) != 0;
}

} // namespace orvane
