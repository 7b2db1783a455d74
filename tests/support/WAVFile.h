#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

// Generated audio for tests and benchmarks.
namespace orvane::testaudio {

// Writes a WAV file with the given format tag (1 PCM, 3 IEEE float) and raw, interleaved
// sample bytes.
inline void writeWAV(const std::filesystem::path& file, int formatTag, int bitsPerSample,
                     int channels, int rate, const std::vector<std::uint8_t>& data) {
    const auto size = static_cast<std::uint32_t>(data.size());
    const auto align = static_cast<std::uint32_t>(channels * bitsPerSample / 8);
    const auto rateBytes = static_cast<std::uint32_t>(rate);
    std::ofstream out(file, std::ios::binary);
    const auto put = [&out](std::uint32_t value, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out.put(static_cast<char>(value >> (8 * i)));
    };
    out << "RIFF";
    put(36 + size, 4);
    out << "WAVEfmt ";
    for (const auto& [value, bytes] : {std::pair{16u, 4},
                                       {static_cast<std::uint32_t>(formatTag), 2},
                                       {static_cast<std::uint32_t>(channels), 2},
                                       {rateBytes, 4},
                                       {rateBytes * align, 4},
                                       {align, 2},
                                       {static_cast<std::uint32_t>(bitsPerSample), 2}})
        put(value, bytes);
    out << "data";
    put(size, 4);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(size));
}

// Writes a 16-bit PCM WAV file of `frames` frames at `rate` whose every channel carries
// sample(frame).
inline void writeWAV16(const std::filesystem::path& file, std::uint32_t rate,
                       std::uint16_t channels, std::uint32_t frames,
                       const std::function<std::int16_t(std::uint32_t)>& sample) {
    std::vector<std::uint8_t> data;
    data.reserve(std::size_t{frames} * channels * 2);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const auto value = static_cast<std::uint16_t>(sample(i));
        for (std::uint16_t c = 0; c < channels; ++c)
            data.insert(data.end(), {static_cast<std::uint8_t>(value & 0xffu),
                                     static_cast<std::uint8_t>(value >> 8)});
    }
    writeWAV(file, 1, 16, channels, static_cast<int>(rate), data);
}

} // namespace orvane::testaudio
