// The output as a desktop treats it: the sound server dies and comes back, and playback
// is paused for hours. Playback must go on silently, come back on its own and never
// render while paused. (A server that hangs is the end-to-end tests' part.)

#include "EngineTestSupport.h"
#include "engine/host/RenderGate.h"
#include "media/MediaTestSupport.h"
#include "support/CapturedDiagnostics.h"

#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

class OutputRecoveryTest : public ::testing::Test {
protected:
    void load() { rig->load(engineFixture("full.wav"), Uuid::random(), 0.0, std::nullopt, 1.0, 0); }
    // The server goes away under the playing stream and does not answer for now.
    void killServer() {
        rig.output().fail();
        rig.output().setStartFails(true);
    }

    EngineRig rig;
};

TEST_F(OutputRecoveryTest, AServerThatDiesAndComesBackIsRetriedOnScheduleOrAtASeek) {
    CapturedDiagnostics diagnostics;
    RecordingTap played;
    rig->host().graph().setTap(TapPoint::Player, &played);
    load();
    rig.run(0.5);

    killServer();
    rig.run(0.2); // the tick notices
    ASSERT_TRUE(rig->host().onFallback());
    const int attempts = rig.output().startCount();
    const double silentFrom = rig->currentTime;
    rig.run(2.0);
    // The clock runs on silently, and the server is asked again about twice a second.
    EXPECT_TRUE(rig->isPlaying);
    EXPECT_NEAR(rig->currentTime, silentFrom + 2.0, 0.01);
    EXPECT_GE(rig.output().startCount() - attempts, 3);
    EXPECT_LE(rig.output().startCount() - attempts, 4);
    EXPECT_EQ(diagnostics.lines(DiagnosticArea::engine).size(), 1u); // not one per retry

    // Back within a retry interval and a tick, at another rate this time.
    rig.output().setStartFails(false);
    rig.output().setRateOnNextStart(48000.0);
    const double backFrom = rig->currentTime; // as of the tick 0.1 s ago
    rig.run(0.7);
    ASSERT_FALSE(rig->host().onFallback());
    EXPECT_TRUE(rig.output().isRunning());
    EXPECT_EQ(rig->host().sampleRate(), 48000.0);
    const auto lines = diagnostics.lines(DiagnosticArea::engine);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("sound output lost"), std::string::npos);
    EXPECT_NE(lines[1].find("sound output back after"), std::string::npos);
    // The clock goes on from where it was (less the refill of a new rate's pipeline).
    EXPECT_NEAR(rig->currentTime, backFrom + 0.8, 0.06);
    rig->host().graph().setTap(TapPoint::Player, nullptr);

    // Up to the change of rate, the player played the file's frames in order: nothing
    // lost, nothing twice, whichever output pulled them.
    const auto file = decodeFile(engineFixture("full.wav")).channels[0];
    const auto upToRecovery = static_cast<std::ptrdiff_t>((backFrom + 0.2) * 44100.0);
    ASSERT_GT(std::ssize(played.left), upToRecovery);
    EXPECT_TRUE(std::equal(file.begin(), file.begin() + upToRecovery, played.left.begin()));

    // A seek (as play and resume do) asks again at once, not on schedule.
    killServer();
    rig.run(0.2);
    ASSERT_TRUE(rig->host().onFallback());
    rig.output().setStartFails(false);
    rig->seek(1.0);
    EXPECT_FALSE(rig->host().onFallback());
}

TEST_F(OutputRecoveryTest, NothingRendersWhilePausedOrStoppedAndNothingRetries) {
    load();
    rig.run(0.3);
    // A faded pause corks once the fade has been rendered, not before.
    rig->pause(400);
    rig.run(0.2);
    EXPECT_FALSE(rig.output().isPaused());
    rig.run(0.3);
    EXPECT_TRUE(rig.output().isPaused());
    const auto rendered = rig.output().framesRendered();
    const double position = rig->currentTime;

    // The server dies while paused: nobody asks it again until the user resumes.
    killServer();
    const int attempts = rig.output().startCount();
    rig.run(3.0);
    EXPECT_EQ(rig.output().framesRendered(), rendered);
    EXPECT_EQ(rig->currentTime, position);
    EXPECT_EQ(rig.output().startCount(), attempts);

    rig.output().setStartFails(false);
    rig->resume(0);
    EXPECT_EQ(rig.output().startCount(), attempts + 1);
    EXPECT_FALSE(rig.output().isPaused());
    rig.run(0.2);
    EXPECT_GT(rig.output().framesRendered(), rendered);
    EXPECT_GT(rig->currentTime, position);

    rig->stop(0);
    EXPECT_TRUE(rig.output().isPaused());
    load();
    EXPECT_FALSE(rig.output().isPaused());
    // A track that ends with nothing after it leaves the output corked as well.
    rig->seek(3.9);
    rig.run(0.3);
    ASSERT_FALSE(rig->isPlaying);
    EXPECT_TRUE(rig.output().isPaused());
}

// The outgoing and the incoming output overlap; the graph must never be rendered by
// both at once, however the hand-overs fall.
TEST(OutputSupervisorTest, TheGateNeverLetsTwoOutputsRenderAtOnce) {
    class ExclusiveSource final : public RenderSource {
    public:
        void render(float*, float*, std::size_t) noexcept override {
            if (inside_.fetch_add(1) != 0)
                overlaps_.fetch_add(1);
            std::this_thread::yield(); // widen the window a second renderer would hit
            inside_.fetch_sub(1);
            renders_.fetch_add(1);
        }
        int overlaps() const { return overlaps_.load(); }
        int renders() const { return renders_.load(); }

    private:
        std::atomic<int> inside_{0};
        std::atomic<int> overlaps_{0};
        std::atomic<int> renders_{0};
    };
    ExclusiveSource graph;
    RenderGate gate(graph);
    std::atomic<bool> done{false};
    auto pull = [&](RenderGate::Lane lane) {
        std::vector<float> left(64);
        std::vector<float> right(64);
        while (!done.load()) {
            gate.render(lane, left.data(), right.data(), 64);
            std::this_thread::yield(); // an audio thread waits for its device between blocks
        }
    };
    std::thread real(pull, RenderGate::kReal);
    std::thread standIn(pull, RenderGate::kStandIn);
    // Hand over until both have rendered plenty, however slowly the threads get going.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (int i = 0; graph.renders() < 5000 && std::chrono::steady_clock::now() < until; ++i)
        gate.select(i % 2 == 0 ? RenderGate::kReal : RenderGate::kStandIn);
    done = true;
    real.join();
    standIn.join();
    EXPECT_GT(graph.renders(), 100); // the hand-overs really raced with renders
    EXPECT_EQ(graph.overlaps(), 0);
}

} // namespace
} // namespace orvane::test
