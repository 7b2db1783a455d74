#pragma once

#include "model/Enums.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// Every user preference. A default-constructed record is the fresh installation's
// settings; the field order is the order the state file writes them in.
struct AppSettings {
    double volume = 0.8;
    double pan = 0.0;
    bool isMuted = false;
    PlaybackMode pbMode = PlaybackMode::normal;
    bool shuffle = false;
    bool eqOn = false;
    std::vector<double> eqGains = std::vector<double>(10, 0.0); // dB per band, lowest first
    std::string eqPreset = "flat";
    std::map<std::string, std::vector<double>> customEQPresets;
    bool showRemainingTime = false;
    double playlistFontSize = 12.5;
    bool alwaysOnTop = false;
    bool resumeOnStartup = false;
    bool quitOnClose = false;
    VisualizationMode visualization = VisualizationMode::vu;
    double ledBrightness = 0.8;
    bool showWordmarkIcon = false;
    bool showPlaylist = true;
    bool gapless = true;
    bool trimSilence = false;
    double trimThresholdDb = -60.0;
    double trimMaxSec = 5.0;
    bool fadePlayOn = false;
    double fadePlayMs = 250.0;
    bool fadePauseOn = false;
    double fadePauseMs = 250.0;
    bool fadeStopOn = false;
    double fadeStopMs = 250.0;
    bool fadeChangeOn = false;
    double fadeChangeMs = 400.0;
    bool normalize = false;
    bool compOn = false;
    double compAmount = 40.0;
    CompressorPreset compPreset = CompressorPreset::warm;
    CharacterFX charFx = CharacterFX::off;
    double charIntensity = 40.0;
    double vinylCrackle = 50.0;
    TapeType tapeType = TapeType::chrome;
    double tapeCompression = 40.0;
    double tapeWear = 0.0;
    bool mechNoise = false;
    double mechNoiseLevel = 30.0;
    bool loudness = false;
    std::optional<std::string> outputDeviceUID; // none: the system default device

    friend bool operator==(const AppSettings&, const AppSettings&) = default;
};

} // namespace orvane
