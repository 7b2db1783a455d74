#pragma once

#include "engine/host/AudioOutput.h"
#include "support/ScratchFolder.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include <sys/types.h>

namespace orvane::test {

constexpr double kRate = 48000.0;

// Whether tests/e2e/with-pulse.sh runs this program under its private server.
inline bool haveServer() {
    const char* flag = std::getenv("ORVANE_PULSE_E2E");
    return flag && *flag;
}

#define REQUIRE_SERVER()                                                                           \
    if (!::orvane::test::haveServer())                                                             \
    GTEST_SKIP() << "needs the private server of tests/e2e/with-pulse.sh"

// Polls `condition` until it holds or `limit` passes; the limit is generous, so only
// a real fault makes it run out.
template <class Condition>
bool eventually(Condition condition, std::chrono::milliseconds limit = std::chrono::seconds(15)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A 1 kHz sine on the left and a 1.5 kHz sine at half the level on the right, so that
// a recording tells the channels apart. Counts what it rendered; can stall once for a
// given time to starve the server.
class ToneSource final : public RenderSource {
public:
    static constexpr double kLeftHz = 1000.0;
    static constexpr double kRightHz = 1500.0;
    static constexpr double kLeftAmp = 0.5;
    static constexpr double kRightAmp = 0.25;

    explicit ToneSource(double rate = kRate) : rate_(rate) {}

    void render(float* left, float* right, std::size_t frames) noexcept override;

    std::uint64_t framesRendered() const { return rendered_.load(); }
    // The next render() busy-waits this long before producing audio.
    void stallOnce(std::chrono::milliseconds duration) { stallMs_.store(duration.count()); }

private:
    double rate_;
    std::uint64_t phaseFrames_ = 0;
    std::atomic<std::uint64_t> rendered_{0};
    std::atomic<std::int64_t> stallMs_{0};
};

// Records a sink's monitor with parec into a temporary file for as long as it lives.
// Start it before the stream under test: an idle null sink is slow to start a stream.
class MonitorRecorder {
public:
    explicit MonitorRecorder(const std::string& sinkName);
    ~MonitorRecorder();
    MonitorRecorder(const MonitorRecorder&) = delete;
    MonitorRecorder& operator=(const MonitorRecorder&) = delete;

    bool started() const { return pid_ > 0; }
    // Waits until parec has begun writing; false when it never does.
    bool recording() const;
    // Frames recorded so far (interleaved float32 stereo at 48 kHz).
    std::size_t frames() const;
    // The recording from frame `from` on, interleaved.
    std::vector<float> samples(std::size_t from = 0) const;

private:
    ScratchFolder folder_;
    std::string path_;
    pid_t pid_ = -1;
};

// What a stretch of one channel of an interleaved recording holds.
struct ChannelStats {
    double rms = 0;
    double frequency = 0;         // by rising zero crossings
    std::size_t longestQuiet = 0; // longest run of samples below 1e-3 in magnitude
};
ChannelStats analyse(const std::vector<float>& interleaved, int channel, std::size_t firstFrame,
                     std::size_t frames, double rate = kRate);

// True when the last `frames` frames of the recording hold the ToneSource's left tone.
bool endsWithTone(const MonitorRecorder& recorder, std::size_t frames = 4800);
// True when the last `frames` frames of the recording hold a 1 kHz tone on the left, at
// any level a player's output keeps (a file played through the engine).
bool endsWithKilohertz(const MonitorRecorder& recorder, std::size_t frames = 4800);
// True when the last `frames` frames of the recording are silent.
bool endsSilent(const MonitorRecorder& recorder, std::size_t frames = 4800);

// Waits for a stretch of `frames` recorded frames during which `output` counted no
// underflow (a loaded machine may starve the stream now and then) and returns it,
// interleaved; empty when none came within `limit`.
std::vector<float> cleanStretch(const MonitorRecorder& recorder, const AudioOutput& output,
                                std::size_t frames,
                                std::chrono::milliseconds limit = std::chrono::seconds(20));

// Runs a shell command with a time limit; its exit status.
int run(const std::string& command);

} // namespace orvane::test
