// Real-time factor of Orvane's tone and dynamics chain on one core.
//
// The source (a 44.1 kHz stereo file) is decoded into memory first; what is timed is
// the work of playback after the decoder: conversion to 48 kHz with the engine's
// FormatConverter (libswresample's soxr engine, precision 28) and the chain
//   10-band equaliser (on, a non-flat preset) -> compressor (radio) ->
//   loudness equaliser (on, volume 0.5) -> peak limiter
// in 1024-frame blocks, as the render graph calls it. The "realtime" counter is seconds
// of audio rendered per second of CPU time on the one core it runs on: the real-time
// factor.
//
// The source is ORVANE_DSP_BENCH_FILE when set (for comparisons on a long file), else
// the 30-second fixture long.mp3.

#include "engine/dsp/EQLayouts.h"
#include "engine/dsp/LoudnessCurve.h"
#include "engine/dsp/ToneChain.h"
#include "engine/host/FormatConverter.h"
#include "media/AudioFileReader.h"

#include <array>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

namespace {

using namespace orvane;

constexpr int kOutputRate = 48000;
constexpr std::size_t kRenderBlock = 1024;
constexpr std::size_t kDecodeBlock = 4096;

struct Source {
    int rate = 0;
    int channels = 0;
    std::vector<std::vector<float>> planes;
    std::size_t frames() const { return planes.empty() ? 0 : planes.front().size(); }
    double seconds() const { return static_cast<double>(frames()) / rate; }
};

const Source& source() {
    static const Source decoded = [] {
        const char* chosen = std::getenv("ORVANE_DSP_BENCH_FILE");
        const std::string path = chosen && *chosen ? std::string(chosen)
                                                   : std::string(ORVANE_FIXTURES_DIR) + "/long.mp3";
        std::string error;
        auto reader = AudioFileReader::open(path, &error);
        if (!reader)
            throw std::runtime_error("cannot open " + path + ": " + error);
        Source s;
        s.rate = static_cast<int>(reader->sampleRate());
        s.channels = reader->channelCount();
        s.planes.resize(static_cast<std::size_t>(s.channels));
        std::vector<std::vector<float>> block(s.planes.size(), std::vector<float>(kDecodeBlock));
        std::vector<float*> pointers;
        for (auto& plane : block)
            pointers.push_back(plane.data());
        while (const auto got = reader->read(pointers.data(), kDecodeBlock)) {
            for (std::size_t c = 0; c < block.size(); ++c)
                s.planes[c].insert(s.planes[c].end(), block[c].begin(),
                                   block[c].begin() + static_cast<std::ptrdiff_t>(got));
        }
        return s;
    }();
    return decoded;
}

// The chain as Orvane runs it with everything switched on.
void configure(ToneChain& chain) {
    constexpr std::array<float, kGraphicEQBands> preset{5.0f,  4.0f, 2.5f, 0.5f, -1.5f,
                                                        -1.0f, 0.5f, 2.5f, 3.5f, 4.5f};
    chain.eq().setBypass(false);
    for (std::size_t band = 0; band < preset.size(); ++band)
        chain.eq().setBandGain(band, preset[band]);
    chain.setCompressor(true, CompressorPreset::radio);
    const auto loudness = loudnessCurveDb(0.5);
    chain.loudnessEQ().setBypass(false);
    chain.loudnessEQ().setBandGain(0, loudness.lowShelfDb);
    chain.loudnessEQ().setBandGain(1, loudness.highShelfDb);
    chain.reset();
}

// Calls process(left, right, frames) on `frames` in render-graph blocks.
template <typename Process>
void inRenderBlocks(StereoFrames& frames, Process process) {
    for (std::size_t offset = 0; offset < frames.size(); offset += kRenderBlock) {
        const auto n = std::min(kRenderBlock, frames.size() - offset);
        process(frames.left.data() + offset, frames.right.data() + offset, n);
    }
}

void renderInBlocks(ToneChain& chain, StereoFrames& frames) {
    inRenderBlocks(frames, [&](float* l, float* r, std::size_t n) { chain.process(l, r, n); });
}

std::vector<const float*> planePointers(const Source& s) {
    std::vector<const float*> planes;
    for (const auto& plane : s.planes)
        planes.push_back(plane.data());
    return planes;
}

// Converts the whole source to the output rate in decoder-sized blocks, as playback
// does, handing each converted block (and the drained tail) to `onBlock`.
template <typename OnBlock>
void resampleInBlocks(const Source& s, OnBlock onBlock) {
    const auto planes = planePointers(s);
    FormatConverter converter(s.rate, s.channels, kOutputRate);
    StereoFrames out;
    std::vector<const float*> at(planes.size());
    for (std::size_t offset = 0; offset < s.frames(); offset += kDecodeBlock) {
        const auto n = std::min(kDecodeBlock, s.frames() - offset);
        for (std::size_t c = 0; c < planes.size(); ++c)
            at[c] = planes[c] + offset;
        out.clear();
        converter.convert(at.data(), n, out);
        onBlock(out);
    }
    out.clear();
    converter.drain(out);
    onBlock(out);
}

void setRealtimeCounter(benchmark::State& state, double audioSeconds) {
    state.counters["realtime"] =
        benchmark::Counter(audioSeconds, benchmark::Counter::kIsIterationInvariantRate);
}

// Resampling and the whole chain, as playback does it.
void BM_ResampleAndChain(benchmark::State& state) {
    const Source& s = source();
    for (auto _ : state) {
        ToneChain chain(kOutputRate);
        configure(chain);
        resampleInBlocks(s, [&](StereoFrames& out) {
            renderInBlocks(chain, out);
            benchmark::DoNotOptimize(out.left.data());
        });
        benchmark::ClobberMemory();
    }
    setRealtimeCounter(state, s.seconds());
}
BENCHMARK(BM_ResampleAndChain)->Unit(benchmark::kMillisecond);

// The parts on their own, to see where the time goes.
const StereoFrames& resampled() {
    static const StereoFrames frames = [] {
        const Source& s = source();
        FormatConverter converter(s.rate, s.channels, kOutputRate);
        const auto planes = planePointers(s);
        StereoFrames out;
        converter.convert(planes.data(), s.frames(), out);
        converter.drain(out);
        return out;
    }();
    return frames;
}

void BM_ResampleOnly(benchmark::State& state) {
    const Source& s = source();
    for (auto _ : state)
        resampleInBlocks(s, [](StereoFrames& out) { benchmark::DoNotOptimize(out.left.data()); });
    setRealtimeCounter(state, s.seconds());
}
BENCHMARK(BM_ResampleOnly)->Unit(benchmark::kMillisecond);

// range(0): 0 whole chain, 1 equaliser, 2 compressor, 3 loudness equaliser, 4 limiter.
void BM_ChainAt48k(benchmark::State& state) {
    const StereoFrames& input = resampled();
    StereoFrames work = input;
    ToneChain chain(kOutputRate);
    configure(chain);
    const auto part = state.range(0);
    for (auto _ : state) {
        state.PauseTiming();
        work.left = input.left;
        work.right = input.right;
        state.ResumeTiming();
        inRenderBlocks(work, [&](float* l, float* r, std::size_t n) {
            switch (part) {
            case 1:
                chain.eq().process(l, r, n);
                break;
            case 2:
                chain.compressor().process(l, r, n);
                break;
            case 3:
                chain.loudnessEQ().process(l, r, n);
                break;
            case 4:
                chain.limiter().process(l, r, n);
                break;
            default:
                chain.process(l, r, n);
            }
        });
        benchmark::DoNotOptimize(work.left.data());
    }
    setRealtimeCounter(state, static_cast<double>(input.size()) / kOutputRate);
    static const char* const names[] = {"chain", "eq", "compressor", "loudness", "limiter"};
    state.SetLabel(names[part]);
}
BENCHMARK(BM_ChainAt48k)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

} // namespace
