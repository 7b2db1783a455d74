#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace orvane {

// The small enumerations that settings, engine and views share. Each is stored in
// the state file by its raw text; declaration order is the order of pickers and of
// cycling.

enum class PlaybackMode { normal, stopAfter, one, all };
enum class CompressorPreset { gentle, warm, radio, punch, maximum };
enum class VisualizationMode { spectrum, scope, vu, led, off };
enum class CharacterFX { off, vinyl, tape };
enum class TapeType { ferric, chrome, metal };

inline constexpr std::array<PlaybackMode, 4> allPlaybackModes{
    PlaybackMode::normal, PlaybackMode::stopAfter, PlaybackMode::one, PlaybackMode::all};
inline constexpr std::array<CompressorPreset, 5> allCompressorPresets{
    CompressorPreset::gentle, CompressorPreset::warm, CompressorPreset::radio,
    CompressorPreset::punch, CompressorPreset::maximum};
inline constexpr std::array<VisualizationMode, 5> allVisualizationModes{
    VisualizationMode::spectrum, VisualizationMode::scope, VisualizationMode::vu,
    VisualizationMode::led, VisualizationMode::off};
inline constexpr std::array<CharacterFX, 3> allCharacterFX{CharacterFX::off, CharacterFX::vinyl,
                                                           CharacterFX::tape};
inline constexpr std::array<TapeType, 3> allTapeTypes{TapeType::ferric, TapeType::chrome,
                                                      TapeType::metal};

std::string_view rawValue(PlaybackMode value);
std::string_view rawValue(CompressorPreset value);
std::string_view rawValue(VisualizationMode value);
std::string_view rawValue(CharacterFX value);
std::string_view rawValue(TapeType value);

// Each returns nothing for a text that is not one of the raw values.
std::optional<PlaybackMode> playbackModeFromRaw(std::string_view raw);
std::optional<CompressorPreset> compressorPresetFromRaw(std::string_view raw);
std::optional<VisualizationMode> visualizationModeFromRaw(std::string_view raw);
std::optional<CharacterFX> characterFXFromRaw(std::string_view raw);
std::optional<TapeType> tapeTypeFromRaw(std::string_view raw);

// The mode after `current` in declaration order, wrapping from `off` to `spectrum`.
VisualizationMode nextVisualizationMode(VisualizationMode current);

} // namespace orvane
