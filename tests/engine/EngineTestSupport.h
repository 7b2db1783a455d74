#pragma once

#include "engine/AudioEngine.h"
#include "engine/host/ManualOutput.h"
#include "engine/host/RenderGraph.h"
#include "runtime/ManualMainLoop.h"
#include "support/RecordingTap.h"

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orvane::test {

// The timers an idle engine runs once its meters rest: none.
constexpr std::size_t kEngineTimers = 0;

// A file under the fixtures folder (made by the scripts/make-*fixtures.sh scripts).
inline std::string fixtureFile(const std::string& relative) {
    const auto path = std::filesystem::path(ORVANE_FIXTURES_DIR) / relative;
    EXPECT_TRUE(std::filesystem::exists(path)) << path << " is missing: build orvane_fixtures";
    return path.string();
}
inline std::string engineFixture(const std::string& name) {
    return fixtureFile("engine/" + name);
}

// An engine on a manual loop and a manual output with the decoder run inline: the
// test decides exactly when audio is rendered and when time passes.
class EngineRig {
public:
    explicit EngineRig(double sampleRate = 44100.0, std::int64_t latencyFrames = 0) {
        auto output = std::make_unique<ManualOutput>(sampleRate, latencyFrames);
        output_ = output.get();
        EngineOptions options;
        options.host.decoderThread = false;
        options.host.output.controlThread = false;
        // The stand-in for a failed output is pulled by hand too, never in real time.
        options.host.output.makeStandIn = [this](double rate) {
            auto standIn = std::make_unique<ManualOutput>(rate, 0);
            standIn_ = standIn.get();
            return standIn;
        };
        engine = std::make_unique<AudioEngine>(loop, std::move(output), options);
    }

    AudioEngine& operator*() { return *engine; }
    AudioEngine* operator->() { return engine.get(); }
    ManualOutput& output() { return *output_; }
    // The stand-in that plays while the output cannot; only while host().onFallback().
    ManualOutput& standIn() { return *standIn_; }

    // The "audio thread runs" for `frames` frames: decode ahead, render, forward
    // completions and deliver them. Time does not move.
    void render(std::size_t frames) {
        renderInFlight(frames);
        loop.runPending();
    }
    // As render(), but the completions it produces stay posted on the loop, not yet
    // delivered: they are "in flight" to the main thread.
    void renderInFlight(std::size_t frames) {
        left_.resize(frames);
        right_.resize(frames);
        engine->host().pump();
        ManualOutput& playing = engine->host().onFallback() ? *standIn_ : *output_;
        playing.pull(left_.data(), right_.data(), frames);
        engine->host().pump();
    }
    const std::vector<float>& lastLeft() const { return left_; }
    const std::vector<float>& lastRight() const { return right_; }

    // Frames and seconds by which the tone chain (the limiter's look-ahead) delays what
    // the player renders on its way to the listener.
    std::int64_t lookAheadFrames() { return engine->host().graph().processingLatencyFrames(); }
    double lookAheadSeconds() {
        return static_cast<double>(lookAheadFrames()) / output_->sampleRate();
    }

    // Plays `frames` frames as one block, then lets the same time pass on the loop.
    void runFrames(std::size_t frames) {
        render(frames);
        loop.advance(static_cast<double>(frames) / output_->sampleRate());
    }

    // Plays for `seconds` in 10 ms steps: one 10 ms block, then 10 ms of loop time.
    void run(double seconds) {
        const auto steps = static_cast<int>(std::llround(seconds * 100.0));
        const auto block = static_cast<std::size_t>(std::llround(output_->sampleRate() / 100.0));
        for (int i = 0; i < steps; ++i) {
            render(block);
            loop.advance(0.01);
        }
    }

    ManualMainLoop loop;
    std::unique_ptr<AudioEngine> engine;

private:
    ManualOutput* output_ = nullptr;
    ManualOutput* standIn_ = nullptr;
    std::vector<float> left_;
    std::vector<float> right_;
};

} // namespace orvane::test
