#pragma once

#include "media/AudioFileReader.h"
#include "support/ScratchFolder.h"
#include "support/WAVFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numeric>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace orvane::test {

inline std::string fixture(std::string_view name) {
    return (std::filesystem::path(ORVANE_FIXTURES_DIR) / name).native();
}

// The source the fixture script encodes: frame counts and click positions.
constexpr std::int64_t kSineFrames = 132301;
constexpr std::int64_t kMarksFrames = 882001;
constexpr std::int64_t kClickOffset = 1000;
constexpr std::int64_t kClickSpacing = 44100;

// Decoded audio, one vector per channel.
struct Audio {
    std::vector<std::vector<float>> channels;
    std::int64_t frames() const {
        return channels.empty() ? 0 : static_cast<std::int64_t>(channels[0].size());
    }
};

// Reads up to `limit` frames (all that is left by default) in blocks of `block`.
inline Audio readFrames(AudioFileReader& reader, std::int64_t limit = INT64_MAX,
                        std::int64_t block = 4096) {
    const auto channels = static_cast<std::size_t>(reader.channelCount());
    Audio out;
    out.channels.resize(channels);
    std::vector<std::vector<float>> buffers(channels,
                                            std::vector<float>(static_cast<std::size_t>(block)));
    std::vector<float*> pointers(channels);
    for (std::size_t c = 0; c < channels; ++c)
        pointers[c] = buffers[c].data();
    std::int64_t total = 0;
    while (total < limit) {
        const std::int64_t want = std::min(block, limit - total);
        const std::int64_t got = reader.read(pointers.data(), want);
        EXPECT_GE(got, 0);
        EXPECT_LE(got, want);
        if (got <= 0)
            break;
        for (std::size_t c = 0; c < channels; ++c)
            out.channels[c].insert(out.channels[c].end(), buffers[c].begin(),
                                   buffers[c].begin() + got);
        total += got;
    }
    return out;
}

inline std::unique_ptr<AudioFileReader> openOrFail(const std::string& path) {
    std::string error;
    auto reader = AudioFileReader::open(path, &error);
    EXPECT_NE(reader, nullptr) << path << ": " << error;
    return reader;
}

inline Audio decodeFile(const std::string& path) {
    auto reader = openOrFail(path);
    return reader ? readFrames(*reader) : Audio{};
}

// The 16-bit samples of a PCM WAV file, read without FFmpeg (the chunks walked by
// hand), one vector per channel, on the reader's scale (x / 32768).
inline Audio readWAV16(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                           std::istreambuf_iterator<char>());
    auto u16 = [&](std::size_t at) {
        return std::size_t{bytes[at]} | std::size_t{bytes[at + 1]} << 8;
    };
    auto u32 = [&](std::size_t at) {
        return u16(at) | u16(at + 2) << 16;
    };
    std::size_t channels = 0;
    for (std::size_t pos = 12; pos + 8 <= bytes.size();) {
        const std::string id(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                             bytes.begin() + static_cast<std::ptrdiff_t>(pos + 4));
        const std::size_t size = u32(pos + 4);
        const std::size_t body = pos + 8;
        if (id == "fmt ") {
            channels = u16(body + 2);
            if (u16(body + 14) != 16)
                throw std::runtime_error("not 16-bit: " + path);
        } else if (id == "data") {
            Audio out;
            out.channels.resize(channels);
            const std::size_t frames = std::min(size, bytes.size() - body) / (2 * channels);
            for (std::size_t i = 0; i < frames * channels; ++i)
                out.channels[i % channels].push_back(
                    static_cast<float>(static_cast<std::int16_t>(u16(body + 2 * i))) / 32768.0f);
            return out;
        }
        pos = body + size + (size & 1);
    }
    throw std::runtime_error("no data chunk: " + path);
}

using testaudio::writeWAV;

// Largest absolute difference between two stretches of a channel.
inline float maxDifference(const std::vector<float>& a, std::size_t aStart,
                           const std::vector<float>& b, std::size_t bStart, std::size_t count) {
    return std::transform_reduce(
        a.data() + aStart, a.data() + aStart + count, b.data() + bStart, 0.0f,
        [](float x, float y) { return std::max(x, y); },
        [](float x, float y) { return std::fabs(x - y); });
}

// Index of the largest absolute sample in [from, to) (the first, on a tie).
inline std::int64_t peakIndex(const std::vector<float>& x, std::int64_t from, std::int64_t to) {
    const float* begin = x.data();
    return std::max_element(begin + from, begin + to,
                            [](float a, float b) { return std::fabs(a) < std::fabs(b); }) -
           begin;
}

// The share of the energy of x[from, end) that lies at `hz` (Goertzel): about 1 for a
// pure tone of that frequency over whole periods, about 0 for noise.
inline double toneShare(const std::vector<float>& x, std::size_t from, double hz, double rate) {
    const double coefficient = 2.0 * std::cos(2.0 * M_PI * hz / rate);
    double s1 = 0.0;
    double s2 = 0.0;
    double energy = 0.0;
    for (std::size_t i = from; i < x.size(); ++i) {
        const auto sample = static_cast<double>(x[i]);
        const double s0 = sample + coefficient * s1 - s2;
        s2 = s1;
        s1 = s0;
        energy += sample * sample;
    }
    const double power = s1 * s1 + s2 * s2 - coefficient * s1 * s2;
    const auto n = static_cast<double>(x.size() - from);
    return energy > 0.0 ? 2.0 * power / (n * energy) : 0.0;
}

} // namespace orvane::test
