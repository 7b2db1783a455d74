// The engine's real-time figures:
//   - BM_RenderCpuPerAudioSecond: CPU time the audio thread spends rendering one
//     second of audio (player, gain stages, tone chain, meter tap, fade, pan, volume),
//     measured through the manual output with the ring kept full; counter
//     "cpu_ms_per_audio_s". Second argument 0: the tone chain as it starts (equalisers
//     and compressor bypassed, the limiter alone); 1: all of it in circuit (equaliser
//     on and not flat, compressor "radio", loudness on).
//   - BM_UnderrunsWhileDecodingFlatOut: plays gapless MP3/M4A/FLAC regions in real time
//     through the null output with the decoder on its own thread, while other threads
//     decode files as fast as they can; counters "underruns" (blocks in which the
//     player found the ring empty inside a region), "output_slips" (the null output
//     falling behind its pace) and "latency_ms" (the output's latency).
// Fixtures come from <build>/fixtures/engine (scripts/make-engine-fixtures.sh).
//
//   engine_render_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//   engine_render_bench --benchmark_filter=Underruns --seconds=60   (the long run)

#include "engine/AudioEngine.h"
#include "engine/host/ManualOutput.h"
#include "engine/host/NullOutput.h"
#include "media/AudioFileReader.h"
#include "runtime/ManualMainLoop.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

using namespace orvane;

double gUnderrunSeconds = 3.0;

std::filesystem::path fixturesDir() {
    if (const char* dir = std::getenv("ORVANE_FIXTURES_DIR"))
        return dir;
    // The program lives in <build>/bench; the fixtures in <build>/fixtures.
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return exe.parent_path().parent_path() / "fixtures";
}

std::string fixture(const std::string& name) {
    return (fixturesDir() / "engine" / name).native();
}

bool haveFixtures(benchmark::State& state, const std::vector<std::string>& names) {
    for (const auto& name : names) {
        if (!std::filesystem::exists(fixture(name))) {
            state.SkipWithError("fixtures missing: run scripts/make-engine-fixtures.sh");
            return false;
        }
    }
    return true;
}

// Render cost per block size and tone chain; the decoder runs inline between blocks,
// untimed.
void BM_RenderCpuPerAudioSecond(benchmark::State& state) {
    if (!haveFixtures(state, {"full.wav"}))
        return;
    ManualMainLoop loop;
    auto output = std::make_unique<ManualOutput>(48000.0);
    auto* manual = output.get();
    EngineOptions options;
    options.host.decoderThread = false;
    AudioEngine engine(loop, std::move(output), options);
    // Every gain stage active, so that none is skipped as unity.
    engine.load(fixture("full.wav"), Uuid::random(), 0.0, std::nullopt, 0.7, 0);
    engine.setVolume(0.8f);
    engine.setPan(0.2f);
    engine.onTrackEnded = [&] {
        engine.seek(0.0);
    };
    if (state.range(1) != 0) {
        for (int band = 0; band < 10; ++band)
            engine.setEQGain(band, static_cast<float>(band % 4) * 2.0f - 3.0f);
        engine.setEQEnabled(true);
        engine.setCompressor(true, CompressorPreset::radio);
        engine.setLoudness(true, 0.5);
    }
    loop.advance(0.3); // every ramp has reached its target

    const auto block = static_cast<std::size_t>(state.range(0));
    std::vector<float> left(block);
    std::vector<float> right(block);
    std::size_t frames = 0;
    std::size_t sinceFill = 0;
    engine.host().pump();
    for (auto _ : state) {
        manual->pull(left.data(), right.data(), block);
        benchmark::DoNotOptimize(left.data());
        frames += block;
        sinceFill += block;
        if (sinceFill >= 16384) {
            state.PauseTiming();
            engine.host().pump();
            loop.runPending();
            engine.host().pump();
            sinceFill = 0;
            state.ResumeTiming();
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(frames));
    // A rate, inverted: CPU time per unit of the value. The value counts thousandths of
    // audio seconds, so the result is CPU milliseconds per second of audio.
    state.counters["cpu_ms_per_audio_s"] =
        benchmark::Counter(static_cast<double>(frames) / 48000.0 / 1000.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    state.counters["underruns"] = static_cast<double>(engine.host().underrunCount());
}
BENCHMARK(BM_RenderCpuPerAudioSecond)
    ->ArgNames({"block", "tone"})
    ->ArgsProduct({{128, 480, 1024, 4096}, {0, 1}});

// Decodes `files` over and over as fast as it can until told to stop.
void decodeFlatOut(const std::vector<std::string>& files, const std::atomic<bool>& stop,
                   std::atomic<std::int64_t>& decoded) {
    std::vector<float> left(4096);
    std::vector<float> right(4096);
    float* channels[2] = {left.data(), right.data()};
    while (!stop.load()) {
        for (const auto& path : files) {
            auto reader = AudioFileReader::open(path);
            if (!reader)
                return;
            std::int64_t got = 0;
            while (!stop.load() && (got = reader->read(channels, 4096)) > 0)
                decoded.fetch_add(got);
        }
    }
}

void BM_UnderrunsWhileDecodingFlatOut(benchmark::State& state) {
    const std::vector<std::string> names = {"full.mp3", "full.m4a", "cut_a.flac", "cut_b.flac"};
    if (!haveFixtures(state, names))
        return;
    std::vector<std::string> paths;
    for (const auto& name : names)
        paths.push_back(fixture(name));

    for (auto _ : state) {
        ManualMainLoop loop;
        auto output = std::make_unique<NullOutput>(48000.0, 480);
        auto* null = output.get();
        // A small ring (0.17 s) makes the decoder's deadline tight on purpose.
        EngineOptions options;
        options.host.ringFrames = std::size_t{1} << 13;
        AudioEngine engine(loop, std::move(output), options);

        std::size_t next = 1;
        auto queueNext = [&] {
            engine.preloadNext(paths[next++ % paths.size()], Uuid::random(), 0.0, std::nullopt,
                               1.0);
        };
        engine.onNeedPreload = queueNext;
        engine.onTrackEnded = [&] { // a refused queue (e.g. rates differ): start afresh
            engine.load(paths[next++ % paths.size()], Uuid::random(), 0.0, std::nullopt, 1.0, 0);
        };
        engine.load(paths[0], Uuid::random(), 0.0, std::nullopt, 1.0, 0);

        std::atomic<bool> stop{false};
        std::atomic<std::int64_t> decoded{0};
        std::vector<std::thread> hogs;
        for (int i = 0; i < 2; ++i)
            hogs.emplace_back([&] { decodeFlatOut(paths, stop, decoded); });

        // The main thread: the loop's virtual time follows the real clock.
        const auto start = std::chrono::steady_clock::now();
        auto due = start;
        int handOffs = 0;
        engine.onGaplessPromotion = [&](const Uuid&) {
            ++handOffs;
        };
        while (std::chrono::steady_clock::now() - start <
               std::chrono::duration<double>(gUnderrunSeconds)) {
            due += std::chrono::milliseconds(10);
            std::this_thread::sleep_until(due);
            loop.advance(0.01);
        }
        stop = true;
        for (auto& hog : hogs)
            hog.join();

        state.counters["underruns"] = static_cast<double>(engine.host().underrunCount());
        state.counters["output_slips"] = static_cast<double>(null->underflowCount());
        state.counters["latency_ms"] = static_cast<double>(null->latencyFrames()) / 48.0;
        state.counters["hand_offs"] = handOffs;
        state.counters["seconds"] = gUnderrunSeconds;
        state.counters["hog_decode_x_realtime"] =
            static_cast<double>(decoded.load()) / 44100.0 / gUnderrunSeconds;
    }
}
BENCHMARK(BM_UnderrunsWhileDecodingFlatOut)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    // --seconds=N: length of the underrun run (default 3 s for the smoke run; the notes use 60).
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strncmp(argv[i], "--seconds=", 10) == 0)
            gUnderrunSeconds = std::atof(argv[i] + 10);
        else
            rest.push_back(argv[i]);
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
