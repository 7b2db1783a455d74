// Audio file reader: the cost of opening files for their length (what a metadata
// scan does to every file) and the decoding throughput of the compressed formats.
// Fixtures come from the build's fixture folder (the orvane_fixtures target).
//
//   audio_reader_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true

#include "media/AudioFileReader.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

std::filesystem::path fixturesDir() {
#ifdef ORVANE_FIXTURES_DIR
    return ORVANE_FIXTURES_DIR;
#else
    // The program lives in <build>/bench; the fixtures in <build>/fixtures.
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return exe.parent_path().parent_path() / "fixtures";
#endif
}

std::string fixture(const char* name) {
    return (fixturesDir() / name).native();
}

bool haveFixtures(benchmark::State& state, const std::vector<const char*>& names) {
    for (const char* name : names) {
        if (!std::filesystem::exists(fixture(name))) {
            state.SkipWithError("fixtures missing: build the orvane_fixtures target");
            return false;
        }
    }
    return true;
}

constexpr std::array<const char*, 10> kMixed = {
    "long.mp3", "long.m4a", "marks.flac", "marks.wav", "sine.aiff",
    "sine.caf", "sine.mp3", "sine.m4a",   "marks.mp3", "sine-notag.mp3"};

// Open 100 files of mixed formats and ask each for its rate, channels and length.
void BM_OpenAndLength100Files(benchmark::State& state) {
    if (!haveFixtures(state, std::vector<const char*>(kMixed.begin(), kMixed.end())))
        return;
    std::vector<std::string> paths;
    for (int i = 0; i < 100; ++i)
        paths.push_back(fixture(kMixed[static_cast<std::size_t>(i) % kMixed.size()]));
    for (auto _ : state) {
        std::int64_t total = 0;
        for (const auto& path : paths) {
            auto reader = orvane::AudioFileReader::open(path);
            if (!reader) {
                state.SkipWithError("a fixture did not open");
                return;
            }
            total += reader->lengthFrames() + reader->channelCount() +
                     static_cast<std::int64_t>(reader->sampleRate());
        }
        benchmark::DoNotOptimize(total);
    }
    state.counters["files_per_s"] =
        benchmark::Counter(100.0, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_OpenAndLength100Files)->Unit(benchmark::kMillisecond)->UseRealTime();

// Decode a whole file in blocks of 4096 frames. The counter is seconds of audio
// decoded per second.
void decodeWhole(benchmark::State& state, const char* name) {
    if (!haveFixtures(state, {name}))
        return;
    const std::string path = fixture(name);
    double audioSeconds = 0.0;
    std::vector<float> left(4096), right(4096);
    float* channels[] = {left.data(), right.data()};
    for (auto _ : state) {
        auto reader = orvane::AudioFileReader::open(path);
        if (!reader || reader->channelCount() != 2) {
            state.SkipWithError("cannot open the fixture");
            return;
        }
        std::int64_t frames = 0;
        while (const std::int64_t n = reader->read(channels, 4096))
            frames += n;
        audioSeconds = static_cast<double>(frames) / reader->sampleRate();
        benchmark::DoNotOptimize(left.data());
    }
    state.counters["audio_s_per_s"] =
        benchmark::Counter(audioSeconds, benchmark::Counter::kIsIterationInvariantRate);
}
void BM_DecodeMP3(benchmark::State& state) {
    decodeWhole(state, "long.mp3");
}
void BM_DecodeM4a(benchmark::State& state) {
    decodeWhole(state, "long.m4a");
}
BENCHMARK(BM_DecodeMP3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DecodeM4a)->Unit(benchmark::kMillisecond)->UseRealTime();

// A seek to a random spot and one block read: what scrubbing costs.
void BM_SeekAndRead(benchmark::State& state, const char* name) {
    if (!haveFixtures(state, {name}))
        return;
    auto reader = orvane::AudioFileReader::open(fixture(name));
    if (!reader) {
        state.SkipWithError("cannot open the fixture");
        return;
    }
    std::vector<float> left(1024), right(1024);
    float* channels[] = {left.data(), right.data()};
    std::uint64_t lcg = 12345;
    for (auto _ : state) {
        lcg = lcg * 6364136223846793005u + 1442695040888963407u;
        const auto target = static_cast<std::int64_t>(
            (lcg >> 33) % static_cast<std::uint64_t>(reader->lengthFrames() - 1024));
        reader->seek(target);
        benchmark::DoNotOptimize(reader->read(channels, 1024));
    }
}
BENCHMARK_CAPTURE(BM_SeekAndRead, mp3, "long.mp3")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SeekAndRead, m4a, "long.m4a")->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_SeekAndRead, flac, "marks.flac")->Unit(benchmark::kMicrosecond);

} // namespace
