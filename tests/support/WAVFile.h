#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>

// Generated audio for tests and benchmarks.
namespace orvane::testaudio {

// Writes a 16-bit PCM WAV file of `frames` frames at `rate` whose every channel carries
// sample(frame).
inline void writeWAV16(const std::filesystem::path& file, std::uint32_t rate,
                       std::uint16_t channels, std::uint32_t frames,
                       const std::function<std::int16_t(std::uint32_t)>& sample) {
    std::ofstream out(file, std::ios::binary);
    const auto u32 = [&out](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.put(static_cast<char>((v >> (8 * i)) & 0xffu));
    };
    const auto u16 = [&out](std::uint32_t v) {
        out.put(static_cast<char>(v & 0xffu));
        out.put(static_cast<char>((v >> 8) & 0xffu));
    };
    const std::uint32_t dataBytes = frames * channels * 2u;
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1); // PCM
    u16(channels);
    u32(rate);
    u32(rate * channels * 2u);
    u16(channels * 2u);
    u16(16);
    out.write("data", 4);
    u32(dataBytes);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto value = static_cast<std::uint16_t>(sample(i));
        for (std::uint16_t c = 0; c < channels; ++c)
            u16(value);
    }
}

} // namespace orvane::testaudio
