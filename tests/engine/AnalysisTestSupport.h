#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <stdexcept>
#include <string>
#include <system_error>
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
class WavFolder {
public:
    WavFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orvane-analysis-XXXXXX").native();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create a temporary folder");
        root_ = pattern;
    }
    WavFolder(const WavFolder&) = delete;
    WavFolder& operator=(const WavFolder&) = delete;
    ~WavFolder() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }

    // Writes a 32-bit float WAV (the samples stay exact) with one vector per channel,
    // all of the same length; returns its path.
    std::string write(const std::string& name, const std::vector<std::vector<float>>& channels,
                      std::uint32_t rate = 44100) const {
        const auto path = (root_ / name).native();
        std::ofstream out(path, std::ios::binary);
        const auto count = static_cast<std::uint16_t>(channels.size());
        const std::size_t frames = channels.empty() ? 0 : channels[0].size();
        const auto dataBytes = static_cast<std::uint32_t>(frames * count * 4);
        auto u32 = [&out](std::uint32_t v) {
            for (int i = 0; i < 4; ++i)
                out.put(static_cast<char>((v >> (8 * i)) & 0xff));
        };
        auto u16 = [&out](std::uint16_t v) {
            out.put(static_cast<char>(v & 0xff));
            out.put(static_cast<char>(v >> 8));
        };
        out.write("RIFF", 4);
        u32(36 + dataBytes);
        out.write("WAVEfmt ", 8);
        u32(16);
        u16(3); // IEEE float
        u16(count);
        u32(rate);
        u32(rate * count * 4u);
        u16(static_cast<std::uint16_t>(count * 4));
        u16(32);
        out.write("data", 4);
        u32(dataBytes);
        for (std::size_t i = 0; i < frames; ++i)
            for (const auto& channel : channels)
                out.write(reinterpret_cast<const char*>(&channel[i]), 4);
        return path;
    }

    // Writes any bytes (a file that is not audio); returns its path.
    std::string writeText(const std::string& name, const std::string& contents) const {
        const auto path = (root_ / name).native();
        std::ofstream(path, std::ios::binary) << contents;
        return path;
    }

private:
    std::filesystem::path root_;
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
