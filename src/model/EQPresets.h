#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace orvane {

// Centre frequencies of the ten equaliser bands, lowest first.
inline constexpr std::array<double, 10> eqFrequencies{31,   62,   125,  250,  500,
                                                      1000, 2000, 4000, 8000, 16000};

struct EQPreset {
    std::string_view name;
    std::array<double, 10> gains; // dB per band
};

// The built-in presets, in the order menus list them.
inline constexpr std::array<EQPreset, 6> eqPresets{{
    {"flat", {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {"rock", {5, 4, 3, 1, -1, -1, 1, 3, 4, 5}},
    {"pop", {-1, 1, 3, 4, 3, 1, 0, -1, -1, -2}},
    {"jazz", {3, 2, 1, 2, -1, -1, 0, 1, 2, 3}},
    {"vocal", {-2, -1, 0, 2, 4, 4, 3, 1, 0, -1}},
    {"bass", {7, 6, 5, 3, 1, 0, 0, 0, 0, 0}},
}};

// The gains of the built-in preset `name`, or nothing when no built-in has that name.
std::optional<std::vector<double>> builtInEQPreset(std::string_view name);

} // namespace orvane
