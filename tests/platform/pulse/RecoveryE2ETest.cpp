// The sound server restarts under a playing (or paused) engine, as it does on a package
// upgrade or a crash, and hangs (SIGSTOP) while Orvane reconnects. Sound must come back
// on its own within 2 s, and the thread that runs the engine (the GUI thread in the
// application) must never wait on the server. Runs alone under tests/e2e/with-pulse.sh,
// which it restarts through $ORVANE_PULSE_START.

#include "PulseTestSupport.h"
#include "engine/AudioEngine.h"
#include "platform/PulseOutput.h"
#include "runtime/ManualMainLoop.h"
#include "support/ScratchFolder.h"
#include "support/WAVFile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// Runs the engine's main loop in real time, the way the application's event loop does,
// and keeps the longest time one turn of it took: what the GUI thread would stall for.
class RealTimeDriver {
public:
    explicit RealTimeDriver(ManualMainLoop& loop) : loop_(loop), last_(Clock::now()) {}

    // One turn: timers due by now and posted tasks, then a short rest.
    void turn() {
        const auto begin = Clock::now();
        loop_.advance(std::chrono::duration<double>(begin - last_).count());
        loop_.runPending();
        last_ = begin;
        longest_ = std::max(longest_, Clock::now() - begin);
        std::this_thread::sleep_for(2ms);
    }
    // Turns until `condition` holds: how long that took, or nothing after `limit`.
    template <class Condition>
    std::optional<Clock::duration> until(Condition condition, Clock::duration limit) {
        const auto begin = Clock::now();
        while (!condition()) {
            if (Clock::now() >= begin + limit)
                return std::nullopt;
            turn();
        }
        return Clock::now() - begin;
    }
    void runFor(Clock::duration span) {
        until([] { return false; }, span);
    }
    // Calls `action` as the GUI thread would, counting its time as a turn's.
    template <class Action>
    void call(Action action) {
        const auto begin = Clock::now();
        action();
        longest_ = std::max(longest_, Clock::now() - begin);
    }
    Clock::duration longest() const { return longest_; }
    void resetLongest() { longest_ = Clock::duration::zero(); }

private:
    ManualMainLoop& loop_;
    Clock::time_point last_;
    Clock::duration longest_{};
};

double ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

pid_t serverPid() {
    const char* runtime = std::getenv("PULSE_RUNTIME_PATH");
    std::ifstream in(std::string(runtime ? runtime : "") + "/pid");
    pid_t pid = 0;
    in >> pid;
    return pid;
}

class PulseRecoveryE2E : public ::testing::Test {
protected:
    void SetUp() override {
        if (!haveServer() || !std::getenv("ORVANE_PULSE_START"))
            GTEST_SKIP() << "restarts the server: runs alone under tests/e2e/with-pulse.sh";
        tone_ = scratch_.path("tone.wav");
        // Two minutes of a 1 kHz tone at -6 dB, at the sinks' rate.
        testaudio::writeWAV16(tone_, 48000, 2, 120 * 48000, [](std::uint32_t frame) {
            return static_cast<std::int16_t>(16000.0 *
                                             std::sin(2.0 * M_PI * 1000.0 * frame / 48000.0));
        });
        engine_ = std::make_unique<AudioEngine>(loop_, std::make_unique<PulseOutput>());
    }
    void TearDown() override {
        // A test that failed half-way may leave the server stopped or gone.
        if (const pid_t pid = serverPid(); pid > 0)
            kill(pid, SIGCONT);
        engine_.reset();
    }

    void killServer(bool waitForStandIn = true) {
        ASSERT_EQ(run("pulseaudio -k"), 0);
        // While playing, the engine notices (the stream fails about 0.4 s later) and plays
        // on silently.
        if (waitForStandIn) {
            ASSERT_TRUE(driver_.until([&] { return engine_->host().onFallback(); }, 5s));
        }
    }
    // Starts the server again and returns when it answers.
    void startServer() { ASSERT_EQ(run(std::getenv("ORVANE_PULSE_START")), 0); }

    // Time from now until the engine plays on the server again.
    std::optional<Clock::duration> timeUntilBack(Clock::duration limit) {
        return driver_.until(
            [&] { return !engine_->host().onFallback() && engine_->host().isRunning(); }, limit);
    }
    // Time from now until the tone is heard on the default sink's monitor. (The restart
    // command returns once the new null sink passes audio on, which a fresh null sink
    // does only after its first idle block of 2 s; a real sink starts at once.)
    std::optional<Clock::duration> timeUntilTone(Clock::duration limit) {
        MonitorRecorder recorder("orvane_test_a");
        return driver_.until([&] { return endsWithKilohertz(recorder); }, limit);
    }

    ScratchFolder scratch_;
    std::string tone_;
    ManualMainLoop loop_;
    RealTimeDriver driver_{loop_};
    std::unique_ptr<AudioEngine> engine_;
};

TEST_F(PulseRecoveryE2E, SoundComesBackWithin2sOfTheServerRestartingWhilePlayingOrPaused) {
    engine_->load(tone_, Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    ASSERT_TRUE(timeUntilTone(10s));
    ASSERT_FALSE(engine_->host().onFallback());

    const char* count = std::getenv("ORVANE_RESTARTS");
    const int restarts = count ? std::max(1, std::atoi(count)) : 3;
    std::vector<double> back;
    std::vector<double> heard;
    for (int i = 0; i < restarts; ++i) {
        killServer();
        const double silentFrom = engine_->currentTime;
        driver_.runFor(500ms);
        startServer();
        const auto playing = timeUntilBack(5s);
        ASSERT_TRUE(playing) << "restart " << i + 1 << ": not back within 5 s";
        back.push_back(ms(*playing));
        const auto tone = timeUntilTone(10s);
        ASSERT_TRUE(tone) << "restart " << i + 1 << ": no tone on the monitor";
        heard.push_back(ms(*playing + *tone));
        // The clock ran on through the silence: it shows where the sound is.
        EXPECT_GT(engine_->currentTime, silentFrom + 0.4);
    }
    std::sort(back.begin(), back.end());
    std::sort(heard.begin(), heard.end());
    std::printf("after %d restarts: playing on the server again after median %.0f ms, worst "
                "%.0f ms; tone on the monitor after median %.0f ms, worst %.0f ms\n",
                restarts, back[back.size() / 2], back.back(), heard[heard.size() / 2],
                heard.back());
    EXPECT_LE(back.back(), 2000.0);
    EXPECT_LE(heard.back(), 2000.0);

    // Paused when the server goes: nothing is tried while paused, and a resume brings the
    // sound back at once.
    engine_->pause(0);
    killServer(false);
    startServer();
    driver_.runFor(1s);
    EXPECT_TRUE(engine_->host().isOutputPaused());
    engine_->resume(0);
    const auto resumed = timeUntilBack(5s);
    ASSERT_TRUE(resumed);
    std::printf("playing on the server again %.0f ms after the resume\n", ms(*resumed));
    const auto toneAfterResume = timeUntilTone(10s);
    ASSERT_TRUE(toneAfterResume);
    EXPECT_LE(ms(*resumed + *toneAfterResume), 2000.0);
    std::printf("longest main-thread turn: %.1f ms\n", ms(driver_.longest()));
    EXPECT_LT(ms(driver_.longest()), 50.0);
}

TEST_F(PulseRecoveryE2E, AHungServerNeverStallsTheMainThread) {
    engine_->load(tone_, Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    ASSERT_TRUE(timeUntilTone(10s));
    killServer();
    startServer();
    const pid_t pid = serverPid();
    ASSERT_GT(pid, 0);
    driver_.resetLongest();

    // The server accepts connections and never answers: every reconnect waits for its
    // whole timeout, and a device choice with it, on the output's own thread.
    ASSERT_EQ(kill(pid, SIGSTOP), 0);
    driver_.call([&] { engine_->setOutputDevice(std::string("orvane_test_b")); });
    driver_.runFor(3s);
    driver_.call([&] { engine_->seek(20.0); });
    driver_.call([&] { engine_->pause(0); });
    driver_.call([&] { engine_->resume(0); });
    driver_.runFor(1s);
    EXPECT_TRUE(engine_->isPlaying);
    std::printf("longest main-thread turn with a hung server: %.1f ms\n", ms(driver_.longest()));
    EXPECT_LT(ms(driver_.longest()), 50.0);

    // Once it answers again, so does the sound (on the device chosen meanwhile).
    ASSERT_EQ(kill(pid, SIGCONT), 0);
    MonitorRecorder recorder("orvane_test_b");
    ASSERT_TRUE(recorder.recording());
    EXPECT_TRUE(driver_.until([&] { return endsWithKilohertz(recorder); }, 8s));
    EXPECT_LT(ms(driver_.longest()), 50.0);
}

} // namespace
} // namespace orvane::test
