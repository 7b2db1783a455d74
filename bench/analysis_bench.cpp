// Offline analysis and metering: the three file measurements on five minutes of music
// (FLAC and MP3), and the main thread's cost of one meter tick. Fixtures come from
// scripts/make-analysis-fixtures.sh in the build's fixture folder.
//
//   analysis_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// bench/compare-analysis.sh runs computeLevels next to ffmpeg's volumedetect on the
// same files and prints the ratio.

#include "engine/analysis/Levels.h"
#include "engine/analysis/SilenceTrim.h"
#include "engine/analysis/TempoDetection.h"
#include "engine/metering/MeterAnalyzer.h"
#include "engine/metering/MeterExchange.h"
#include "media/AudioFileReader.h"

#include <cmath>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

std::string fixture(const char* name) {
#ifdef ORVANE_FIXTURES_DIR
    const std::filesystem::path dir = ORVANE_FIXTURES_DIR;
#else
    std::error_code ec;
    const auto dir =
        std::filesystem::read_symlink("/proc/self/exe", ec).parent_path().parent_path() /
        "fixtures";
#endif
    return (dir / "analysis" / name).native();
}

// Also opens the file once, untimed: a running Orvane has FFmpeg's decoders loaded (they
// load with the first file opened, tens of milliseconds), so a measurement in a fresh
// process must not count that load as the measurement's own.
bool haveFixture(benchmark::State& state, const std::string& path) {
    if (std::filesystem::exists(path) && orvane::AudioFileReader::open(path))
        return true;
    state.SkipWithError("fixture missing: run scripts/make-analysis-fixtures.sh");
    return false;
}

// The scan's measurement (one decoder thread) and that of the track about to play (two,
// where the decoder can use them).
void BM_ComputeLevels(benchmark::State& state, const char* name, int decoderThreads) {
    const auto path = fixture(name);
    if (!haveFixture(state, path))
        return;
    for (auto _ : state) {
        const auto levels = orvane::computeLevels(path, decoderThreads);
        if (!levels) {
            state.SkipWithError("no levels");
            return;
        }
        benchmark::DoNotOptimize(levels->rms);
    }
}
BENCHMARK_CAPTURE(BM_ComputeLevels, flac, "music-5min.flac", 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_ComputeLevels, mp3, "music-5min.mp3", 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_ComputeLevels, flac_about_to_play, "music-5min.flac", 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The first 60 s are analysed.
void BM_DetectBPM(benchmark::State& state, const char* name) {
    const auto path = fixture(name);
    if (!haveFixture(state, path))
        return;
    for (auto _ : state) {
        const auto bpm = orvane::detectBPM(path);
        if (!bpm) {
            state.SkipWithError("no tempo");
            return;
        }
        benchmark::DoNotOptimize(*bpm);
    }
}
BENCHMARK_CAPTURE(BM_DetectBPM, flac, "music-5min.flac")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_DetectBPM, mp3, "music-5min.mp3")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The controller's settings: -50 dB, at most 10 s per edge. Reads the first and last
// 10 s (the files have 2 s and 3 s of silence at their edges).
void BM_ComputeTrim(benchmark::State& state, const char* name) {
    const auto path = fixture(name);
    if (!haveFixture(state, path))
        return;
    for (auto _ : state) {
        const auto trim = orvane::computeTrim(path, -50.0, 10.0);
        if (!trim) {
            state.SkipWithError("no trim");
            return;
        }
        benchmark::DoNotOptimize(trim->end);
    }
}
BENCHMARK_CAPTURE(BM_ComputeTrim, flac, "music-5min.flac")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_ComputeTrim, mp3, "music-5min.mp3")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Stereo music-like blocks at 44.1 kHz as the render graph hands them to the tap.
std::vector<float> tone(std::size_t frames, double hz, double amplitude) {
    std::vector<float> out(frames);
    for (std::size_t i = 0; i < frames; ++i)
        out[i] = static_cast<float>(
            amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / 44100.0));
    return out;
}

// The main thread's whole meter tick: copy the heard window (4096 frames, 100 ms of
// latency) out of the exchange, readings, ballistics, waveform and the 24 bars.
void BM_MeterTick(benchmark::State& state) {
    orvane::MeterExchange exchange;
    const auto left = tone(1024, 440.0, 0.5);
    const auto right = tone(1024, 660.0, 0.3);
    for (int i = 0; i < 16; ++i)
        exchange.capture(left.data(), right.data(), left.size());
    orvane::MeterAnalyzer meters;
    orvane::MeterLevels levels;
    for (auto _ : state) {
        if (!meters.tick(exchange, 4410, levels)) {
            state.SkipWithError("nothing heard");
            return;
        }
        levels = meters.levels();
        benchmark::DoNotOptimize(meters.spectrumBars().data());
    }
}
BENCHMARK(BM_MeterTick)->Unit(benchmark::kMicrosecond);

// The audio thread's share: one 1024-frame block into the exchange.
void BM_MeterCapture(benchmark::State& state) {
    orvane::MeterExchange exchange;
    const auto left = tone(1024, 440.0, 0.5);
    const auto right = tone(1024, 660.0, 0.3);
    for (auto _ : state) {
        exchange.capture(left.data(), right.data(), left.size());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MeterCapture)->Unit(benchmark::kNanosecond);

} // namespace
