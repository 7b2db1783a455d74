#include "model/EQPresets.h"

namespace orvane {

std::optional<std::vector<double>> builtInEQPreset(std::string_view name) {
    for (const auto& preset : eqPresets)
        if (preset.name == name)
            return std::vector<double>(preset.gains.begin(), preset.gains.end());
    return std::nullopt;
}

} // namespace orvane
