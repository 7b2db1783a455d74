#pragma once

#include "media/MediaTestSupport.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orvane::test {

// A file made by scripts/make-analysis-fixtures.sh.
inline std::string analysisFixture(const std::string& name) {
    const auto path = std::filesystem::path(ORVANE_FIXTURES_DIR) / "analysis" / name;
    EXPECT_TRUE(std::filesystem::exists(path))
        << path << " is missing: run scripts/make-analysis-fixtures.sh " << ORVANE_FIXTURES_DIR;
    return path.native();
}

// A temporary folder for WAV files a test writes, removed with its contents.
class WAVFolder : public ScratchDir {
public:
    // Writes a 32-bit float WAV (the samples stay exact) with one vector per channel,
    // all of the same length; returns its path.
    std::string write(const std::string& name, const std::vector<std::vector<float>>& channels,
                      int rate = 44100) const {
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < (channels.empty() ? 0 : channels[0].size()); ++i)
            for (const auto& channel : channels) {
                const auto word = std::bit_cast<std::uint32_t>(channel[i]);
                for (int b = 0; b < 4; ++b)
                    bytes.push_back(static_cast<std::uint8_t>(word >> (8 * b)));
            }
        writeWAV(path(name), 3, 32, static_cast<int>(channels.size()), rate, bytes);
        return path(name);
    }

    // Writes any bytes (a file that is not audio); returns its path.
    std::string writeText(const std::string& name, const std::string& contents) const {
        std::ofstream(path(name), std::ios::binary) << contents;
        return path(name);
    }
};

// `frames` samples of a cosine of `amplitude` with a period of `period` samples.
inline std::vector<float> cosine(std::size_t frames, double amplitude, double period,
                                 double phase = 0.0) {
    std::vector<float> out(frames);
    for (std::size_t i = 0; i < frames; ++i)
        out[i] = static_cast<float>(
            amplitude * std::cos(2.0 * std::numbers::pi * static_cast<double>(i) / period + phase));
    return out;
}

} // namespace orvane::test
