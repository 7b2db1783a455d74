#include "model/Enums.h"

namespace orvane {

namespace {

template <typename Enum, std::size_t N>
std::optional<Enum> fromRaw(const std::array<Enum, N>& all, std::string_view raw) {
    for (Enum value : all)
        if (rawValue(value) == raw)
            return value;
    return std::nullopt;
}

} // namespace

std::string_view rawValue(PlaybackMode value) {
    switch (value) {
    case PlaybackMode::normal:
        return "normal";
    case PlaybackMode::stopAfter:
        return "stopAfter";
    case PlaybackMode::one:
        return "one";
    case PlaybackMode::all:
        return "all";
    }
    return "normal";
}

std::string_view rawValue(CompressorPreset value) {
    switch (value) {
    case CompressorPreset::gentle:
        return "gentle";
    case CompressorPreset::warm:
        return "warm";
    case CompressorPreset::radio:
        return "radio";
    case CompressorPreset::punch:
        return "punch";
    case CompressorPreset::maximum:
        return "maximum";
    }
    return "warm";
}

std::string_view rawValue(VisualizationMode value) {
    switch (value) {
    case VisualizationMode::spectrum:
        return "spectrum";
    case VisualizationMode::scope:
        return "scope";
    case VisualizationMode::vu:
        return "vu";
    case VisualizationMode::led:
        return "led";
    case VisualizationMode::off:
        return "off";
    }
    return "vu";
}

std::string_view rawValue(CharacterFX value) {
    switch (value) {
    case CharacterFX::off:
        return "off";
    case CharacterFX::vinyl:
        return "vinyl";
    case CharacterFX::tape:
        return "tape";
    }
    return "off";
}

std::string_view rawValue(TapeType value) {
    switch (value) {
    case TapeType::ferric:
        return "ferric";
    case TapeType::chrome:
        return "chrome";
    case TapeType::metal:
        return "metal";
    }
    return "chrome";
}

std::optional<PlaybackMode> playbackModeFromRaw(std::string_view raw) {
    return fromRaw(allPlaybackModes, raw);
}
std::optional<CompressorPreset> compressorPresetFromRaw(std::string_view raw) {
    return fromRaw(allCompressorPresets, raw);
}
std::optional<VisualizationMode> visualizationModeFromRaw(std::string_view raw) {
    return fromRaw(allVisualizationModes, raw);
}
std::optional<CharacterFX> characterFXFromRaw(std::string_view raw) {
    return fromRaw(allCharacterFX, raw);
}
std::optional<TapeType> tapeTypeFromRaw(std::string_view raw) { return fromRaw(allTapeTypes, raw); }

VisualizationMode nextVisualizationMode(VisualizationMode current) {
    for (std::size_t i = 0; i < allVisualizationModes.size(); ++i)
        if (allVisualizationModes[i] == current)
            return allVisualizationModes[(i + 1) % allVisualizationModes.size()];
    return allVisualizationModes.front();
}

} // namespace orvane
