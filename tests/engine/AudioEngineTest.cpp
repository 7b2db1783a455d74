// The engine on a manual output: transport, fades, the tone stages, the output as a
// desktop treats it, and the meters.

#include "DSPTestSupport.h"
#include "EngineTestSupport.h"
#include "engine/host/RenderGate.h"
#include "engine/metering/SpectrumAnalyzer.h"
#include "media/MediaTestSupport.h"
#include "support/CapturedDiagnostics.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

class AudioEngineTest : public ::testing::Test {
protected:
    void load(double trimStart = 0.0, std::optional<double> trimEnd = std::nullopt,
              int fadeInMs = 0) {
        rig->load(engineFixture("full.wav"), track, trimStart, trimEnd, 1.0, fadeInMs);
    }
    EQUnit& loudUnit() { return rig->host().graph().toneChain()->loudnessEQ(); }
    // The server goes away under the playing stream and does not answer for now.
    void killServer() {
        rig.output().fail();
        rig.output().setStartFails(true);
    }

    EngineRig rig;
    Uuid track = Uuid::random();
};

// The player starts at the trimmed start frame, and the tick publishes the position of
// the frame being heard: a frame reaches the ear the limiter's look-ahead plus the
// output's latency after the player rendered it.
TEST_F(AudioEngineTest, PlaysFromTheTrimmedStartAndShowsTheFrameBeingHeard) {
    rig.output().setLatencyFrames(441); // 10 ms between output and ear
    RecordingTap played;
    rig->host().graph().setTap(TapPoint::Player, &played);
    load(1.0);
    rig.run(0.2); // the tick at 0.2 s sees 0.2 s rendered
    rig->host().graph().setTap(TapPoint::Player, nullptr);
    const auto file = decodeFile(engineFixture("full.wav")).channels[0];
    ASSERT_EQ(played.left.size(), 8820u);
    EXPECT_TRUE(std::equal(played.left.begin(), played.left.end(), file.begin() + 44100));
    EXPECT_NE(played.left, std::vector<float>(8820, 0.0f));
    ASSERT_GT(rig.lookAheadFrames(), 0);
    EXPECT_NEAR(rig->currentTime, 1.2 - 0.01 - rig.lookAheadSeconds(), 1e-9);
}

// Where seeks land is checked after every seek of the soak test. A seek while paused
// stays paused, silent, at the new place, and playing goes on from there.
TEST_F(AudioEngineTest, ASeekWhilePausedKeepsThePauseStateAndStopsStop) {
    load(1.0, 3.0);
    rig.run(0.2);
    rig->pause(0);
    rig->seek(2.5);
    EXPECT_FALSE(rig->isPlaying);
    EXPECT_DOUBLE_EQ(rig->currentTime, 2.5);
    rig.run(0.4);
    EXPECT_DOUBLE_EQ(rig->currentTime, 2.5);
    EXPECT_EQ(rig.lastLeft(), std::vector<float>(rig.lastLeft().size(), 0.0f));
    rig->resume(0);
    rig.run(0.2);
    EXPECT_NEAR(rig->currentTime, 2.7 - rig.lookAheadSeconds(), 1e-9);

    // A stop fade ends in a stop; paused, a stop is at once, and nothing plays after it.
    rig->stop(100);
    rig.run(0.08);
    EXPECT_TRUE(rig->isLoaded);
    rig.run(0.02);
    EXPECT_FALSE(rig->isLoaded);
    EXPECT_FALSE(rig->isPlaying);

    load();
    rig->pause(0);
    rig->stop(500); // paused: stops at once, no fade
    EXPECT_FALSE(rig->isLoaded);
    rig->play(0); // nothing current any more
    rig->seek(1.0);
    EXPECT_FALSE(rig->isPlaying);
    EXPECT_DOUBLE_EQ(rig->currentTime, 0.0);
}

// The end is reported once the last frame has been heard: after the region's 44100
// frames, the limiter's look-ahead and the output's latency; the position then equals
// the duration, and the segment stays.
TEST_F(AudioEngineTest, TheEndWaitsUntilTheLastFrameHasBeenHeard) {
    rig.output().setLatencyFrames(4410);
    load(0.0, 1.0);
    int ended = 0;
    rig->onTrackEnded = [&] {
        ++ended;
        EXPECT_EQ(rig->currentTime.get(), rig->duration.get());
        EXPECT_FALSE(rig->isPlaying);
    };
    rig.run(1.09);
    const auto heardAt = 44100 + 4410 + rig.lookAheadFrames();
    rig.runFrames(static_cast<std::size_t>(heardAt - 109 * 441 - 1));
    EXPECT_EQ(ended, 0);
    EXPECT_LE(rig->currentTime, rig->duration);
    rig.runFrames(1);
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(rig->isLoaded);
    rig.run(0.5);
    EXPECT_EQ(ended, 1);
}

// The region's frames, what it holds and its gain follow the queue sample-exactly;
// that the queued region becomes the current one is checked at every hand-off of the
// soak test.
// A mode change drops the track queued behind this one: what the output and the
// look-ahead already hold must not play again.
TEST_F(AudioEngineTest, DroppingTheQueuedRegionPlaysNothingTwice) {
    rig.output().setLatencyFrames(441);
    RecordingTap played;
    rig->host().graph().setTap(TapPoint::Player, &played);
    load();
    rig.run(0.3);
    ASSERT_TRUE(
        rig->preloadNext(engineFixture("short.wav"), Uuid::random(), 0.0, std::nullopt, 1.0));
    const double shown = rig->currentTime;
    rig->discardQueued();
    EXPECT_FALSE(rig->hasQueued());
    EXPECT_EQ(rig->currentTime, shown);
    rig.run(0.3);
    rig->host().graph().setTap(TapPoint::Player, nullptr);
    const auto file = decodeFile(engineFixture("full.wav")).channels[0];
    ASSERT_LT(played.left.size(), file.size());
    EXPECT_TRUE(std::equal(played.left.begin(), played.left.end(), file.begin()));
}

TEST_F(AudioEngineTest, HandOffContinuesFromTheQueuedRegionsTrimmedStart) {
    std::vector<Uuid> promoted;
    int ended = 0;
    rig->onGaplessPromotion = [&](const Uuid& id) {
        promoted.push_back(id);
    };
    rig->onTrackEnded = [&] {
        ++ended;
    };
    rig->load(engineFixture("short.wav"), Uuid::random(), 0.0, std::nullopt, 1.0, 0); // 0.5 s
    ASSERT_TRUE(rig->preloadNext(engineFixture("full.wav"), track, 1.0, 2.5, 0.5));
    rig.run(0.5);
    EXPECT_TRUE(rig->normBypassed());
    // The hand-off is reported once the first region's last frame has been heard, after
    // the limiter's look-ahead.
    EXPECT_TRUE(promoted.empty());
    rig.run(0.02);
    EXPECT_EQ(promoted, std::vector<Uuid>{track});
    EXPECT_TRUE(rig->isPlaying);
    EXPECT_FLOAT_EQ(rig->normGain(), 0.5f);
    EXPECT_FALSE(rig->normBypassed()); // the normalisation stage ramps to the new gain

    rig.run(0.1); // the tick at 0.6 s: 0.1 s rendered into the new region
    EXPECT_NEAR(rig->currentTime, 1.1 - rig.lookAheadSeconds(), 1e-9);
    rig.run(1.4); // 2.0 s: both regions rendered and heard
    EXPECT_NEAR(rig->normUnitGainDb(), 20.0 * std::log10(0.5), 1e-4);
    EXPECT_EQ(ended, 1);
    EXPECT_DOUBLE_EQ(rig->currentTime, 2.5);
}

// A track within 12 s of its end asks for its successor on every tick, unless one is
// queued, it is paused, or gapless playback is off.
TEST_F(AudioEngineTest, PreloadRequestsComeOnEveryTickNearTheEndUnlessNotWanted) {
    int requests = 0;
    rig->onNeedPreload = [&] {
        ++requests;
    };
    rig->load(engineFixture("short.wav"), Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    rig.run(0.2);
    EXPECT_EQ(requests, 1);
    ASSERT_TRUE(rig->preloadNext(engineFixture("full.wav"), track, 0.0, std::nullopt, 1.0));
    rig.run(0.2);
    EXPECT_EQ(requests, 1);
    rig.run(0.4); // promoted: the new track asks on each tick
    EXPECT_EQ(requests, 3);
    rig->gaplessEnabled = false;
    rig.run(0.4);
    rig->pause(0);
    rig->gaplessEnabled = true;
    rig.run(0.4);
    EXPECT_EQ(requests, 3);
}

// A pause fades out, then pauses and silences; a resume during the fade-out rises
// again from where it got to and never pauses.
TEST_F(AudioEngineTest, PauseFadesOutThenPausesUnlessInterrupted) {
    load();
    rig.run(0.2);
    rig->pause(100);
    rig.run(0.08);
    EXPECT_TRUE(rig->isPlaying);
    EXPECT_NEAR(rig->fadeLevel(), 0.2f, 1e-6f);
    rig.run(0.02);
    EXPECT_FALSE(rig->isPlaying);
    EXPECT_EQ(rig->fadeLevel(), 0.0f);
    rig.run(0.1);
    EXPECT_EQ(rig.lastLeft(), std::vector<float>(rig.lastLeft().size(), 0.0f));

    rig->resume(0);
    rig->pause(200); // 10 steps
    rig.run(0.06);   // 3 steps: level 0.7
    ASSERT_NEAR(rig->fadeLevel(), 0.7f, 1e-6f);
    rig->resume(100); // 5 steps from 0.7 to 1
    rig.run(0.02);
    EXPECT_NEAR(rig->fadeLevel(), 0.76f, 1e-6f);
    rig.run(1.0);
    EXPECT_TRUE(rig->isPlaying);
    EXPECT_EQ(rig->fadeLevel(), 1.0f);
    EXPECT_NE(rig.lastLeft(), std::vector<float>(rig.lastLeft().size(), 0.0f));

    // hardStop: the fade and its completion are gone before the next load.
    rig->pause(100);
    rig->hardStop();
    EXPECT_EQ(rig->fadeLevel(), 1.0f);
    load();
    rig.run(0.3);
    EXPECT_TRUE(rig->isPlaying);
}

TEST_F(AudioEngineTest, FadeInShapesTheRenderedSignal) {
    load(0.0, std::nullopt, 100);
    EngineRig reference;
    reference->load(engineFixture("full.wav"), Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    // The fade starts from silence: the first block is silent, not a ramp down from
    // full level. It is long enough for the signal to come through the look-ahead.
    const auto first = 441 + static_cast<std::size_t>(rig.lookAheadFrames());
    rig.render(first);
    reference.render(first);
    EXPECT_NE(reference.lastLeft(), std::vector<float>(first, 0.0f));
    EXPECT_EQ(rig.lastLeft(), std::vector<float>(first, 0.0f));
    rig.loop.advance(0.01);
    reference.loop.advance(0.01);
    // Then it rises step by step; once the last step is in, the signal is the unfaded one.
    rig.run(0.06);
    reference.run(0.06);
    EXPECT_NEAR(rig.lastLeft()[0] / reference.lastLeft()[0], 0.4f, 1e-3f);
    rig.run(0.05);
    reference.run(0.05);
    EXPECT_EQ(rig.lastLeft(), reference.lastLeft());
}

TEST_F(AudioEngineTest, LoudnessRampsToItsCurveAndBypassesOnceFlatAtFullVolume) {
    rig->setLoudness(false, 0.3); // off while bypassed: nothing starts
    EXPECT_EQ(rig.loop.pendingTimerCount(), kEngineTimers);
    rig->setLoudness(true, 0.5);
    EXPECT_FALSE(loudUnit().bypassed());
    rig.loop.advance(0.2);
    EXPECT_FLOAT_EQ(loudUnit().bandGain(0), 6.0f);
    EXPECT_FLOAT_EQ(loudUnit().bandGain(1), 2.5f);

    rig->setLoudness(true, 1.0);
    rig.loop.advance(0.18);
    EXPECT_FALSE(rig->loudBypassed());
    EXPECT_NEAR(loudUnit().bandGain(0), 0.6f, 1e-5f);
    rig.loop.advance(0.02);
    EXPECT_TRUE(rig->loudBypassed());
    EXPECT_TRUE(loudUnit().bypassed());
    EXPECT_EQ(loudUnit().bandGain(1), 0.0f);
    EXPECT_EQ(rig.loop.pendingTimerCount(), kEngineTimers);

    // Flat from the start: the unit never comes into circuit.
    rig->setLoudness(true, 1.0);
    EXPECT_TRUE(loudUnit().bypassed());
    rig.loop.advance(0.2);
    EXPECT_TRUE(rig->loudBypassed());
}

TEST_F(AudioEngineTest, RampsWhilePlayingNeverClick) {
    // The gains stay below the limiter's threshold throughout, so that only the ramps
    // shape the sine (sine.wav: 3 s of 1 kHz, -3 dB left and half that right).
    for (int band = 0; band < 10; ++band)
        rig->setEQGain(band, band == 5 ? 4.0f : -2.0f); // band 5 is 1 kHz
    rig->load(fixtureFile("sine.wav"), Uuid::random(), 0.0, std::nullopt, 1.0, 0);

    // The output pulls blocks of uneven sizes while the ramps' timers fire in between.
    std::vector<float> left;
    std::vector<float> right;
    std::size_t turn = 0;
    auto play = [&](double seconds) {
        static constexpr std::size_t kBlocks[] = {441, 64, 1000, 17, 2048, 300};
        for (double t = 0.0; t < seconds;) {
            const std::size_t frames = kBlocks[turn++ % std::size(kBlocks)];
            rig.runFrames(frames);
            left.insert(left.end(), rig.lastLeft().begin(), rig.lastLeft().end());
            right.insert(right.end(), rig.lastRight().begin(), rig.lastRight().end());
            t += static_cast<double>(frames) / 44100.0;
        }
    };
    play(0.1);
    rig->setEQEnabled(true);      // 120 ms up to +4 dB at 1 kHz
    rig->setNormGain(0.5, false); // 200 ms down to -6 dB, from bypass
    play(0.3);
    rig->setLoudness(true, 0.6);
    rig->setNormGain(0.8, false);
    play(0.3);
    rig->setEQEnabled(false); // back to flat, then bypassed
    rig->setNormGain(1.0, false);
    rig->setLoudness(false, 0.2);
    play(0.4);
    ASSERT_TRUE(rig->eqBypassed());
    ASSERT_TRUE(rig->normBypassed());
    ASSERT_TRUE(rig->loudBypassed());
    ASSERT_TRUE(rig->isPlaying);

    // Measured from just after the sine's own onset out of silence: never a step larger
    // than the sine's own, and close to a pure sine throughout (a gain jump of 0.5 dB
    // anywhere would depart from it by about 0.4 of the sine's step).
    const auto from = static_cast<std::size_t>(rig.lookAheadFrames()) + 441;
    for (const auto* channel : {&left, &right}) {
        const float peak = dsptest::peakAbs(*channel, from);
        const double ownStep = static_cast<double>(dsptest::toneStep(peak, 1000.0, 44100.0));
        EXPECT_GT(peak, 0.3f);
        EXPECT_LT(peak, 0.9f); // the limiter never acted
        EXPECT_LE(dsptest::largestStep(*channel, from, channel->size()), ownStep * 1.02);
        EXPECT_LE(
            dsptest::largestDeviationFromTone(*channel, from, channel->size(), 1000.0, 44100.0),
            ownStep * 0.05);
    }
}

// The output as a desktop treats it: the sound server dies and comes back, and playback
// is paused for hours. Playback must go on silently, come back on its own and never
// render while paused. (A server that hangs is the end-to-end tests' part.)
using OutputRecoveryTest = AudioEngineTest;

TEST_F(OutputRecoveryTest, AServerThatDiesAndComesBackIsRetriedOnScheduleOrAtASeek) {
    RecordingTap played;
    rig->host().graph().setTap(TapPoint::Player, &played);
    // No server at the first load: playback runs on silently. A device choice (as a
    // seek, play or resume) asks the server again at once.
    rig.output().setDeviceUIDs({"seven"});
    rig.output().setStartFails(true);
    load();
    EXPECT_TRUE(rig->isPlaying && rig->host().onFallback() && rig->host().isRunning());
    rig.output().setStartFails(false);
    rig->setOutputDevice("seven");
    EXPECT_FALSE(rig->host().onFallback());
    EXPECT_EQ(rig.output().selectedDevice(), "seven");
    EXPECT_TRUE(rig.output().isRunning());
    rig.run(0.5);

    CapturedDiagnostics diagnostics;
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

    // A seek asks again at once, not on schedule.
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
    rig.run(0.05); // what was rendered last is heard first
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

// The production arrangement: the decoder on its own thread, completions handed over
// through MainLoop::post. The test only waits for outcomes that must come (it yields
// rather than sleeps, and the deadline is far beyond any real need).
TEST(ThreadedHostTest, PlaysQueuedRegionsThroughWithCompletionsOnTheMainThread) {
    ManualMainLoop loop;
    auto output = std::make_unique<ManualOutput>(48000.0);
    auto* manual = output.get();
    AudioEngine engine(loop, std::move(output)); // decoder thread on
    const auto mainThread = std::this_thread::get_id();
    int promoted = 0;
    int ended = 0;
    engine.onGaplessPromotion = [&](const Uuid&) {
        EXPECT_EQ(std::this_thread::get_id(), mainThread);
        ++promoted;
    };
    engine.onTrackEnded = [&] {
        EXPECT_EQ(std::this_thread::get_id(), mainThread);
        ++ended;
    };
    engine.load(engineFixture("short.wav"), Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    ASSERT_TRUE(
        engine.preloadNext(engineFixture("full.wav"), Uuid::random(), 3.5, std::nullopt, 1.0));

    std::vector<float> left(480);
    std::vector<float> right(480);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (ended == 0 && std::chrono::steady_clock::now() < deadline) {
        manual->pull(left.data(), right.data(), left.size());
        loop.runPending();
        std::this_thread::yield();
    }
    EXPECT_EQ(promoted, 1);
    EXPECT_EQ(ended, 1);
    EXPECT_DOUBLE_EQ(engine.currentTime, 4.0);
}

constexpr std::int64_t kOutputLatency = 4410; // 100 ms at 44.1 kHz
// tone-at-1.5s.wav: silence, then from this frame a 440 Hz tone at half scale starting at
// its crest, until frame 132300.
constexpr std::int64_t kToneStart = 66150;
// The tone's peak after the limiter's -0.8 dB pre-gain, in dB.
const double kTonePeakDb = 20.0 * std::log10(0.5) - 0.8;

std::string toneFixture() {
    return fixtureFile("analysis/tone-at-1.5s.wav");
}

MeterLevels levels(AudioEngine& e) {
    return {e.vuLeftDb,    e.vuRightDb,      e.peakLeftDb,
            e.peakRightDb, e.peakHoldLeftDb, e.peakHoldRightDb};
}

// Lets loop time run up to the next meter tick, so that exactly one meter tick runs. The
// engine was made at time 0; ManualMainLoop fires it every 1/15 s in whole nanoseconds.
void toNextMeterTick(ManualMainLoop& loop) {
    const std::int64_t interval = std::llround(1e9 / 15.0);
    const std::int64_t now = std::llround(loop.now() * 1e9);
    const std::int64_t next = (now / interval + 1) * interval;
    loop.advance(static_cast<double>(next - now) / 1e9);
}

MeterLevels floorLevels() {
    return {kVUFloorDb, kVUFloorDb, kVUFloorDb, kVUFloorDb, kVUFloorDb, kVUFloorDb};
}

TEST(AudioEngineMeters, TheMetersShowTheBlockBeingHeardNotTheBlockJustRendered) {
    EngineRig rig(44100.0, kOutputLatency);
    EXPECT_EQ(levels(*rig), floorLevels());
    EXPECT_EQ(rig->waveform.get(), std::vector<float>(kWaveformPoints, 0.0f));
    EXPECT_EQ(rig->spectrumBars.get(), std::vector<float>(kSpectrumBands, 0.0f));
    int published = 0;
    auto subscription = rig->peakLeftDb.subscribe([&](double) { ++published; });

    rig->load(toneFixture(), Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    rig.run(1.4); // silence, watched by 20 meter ticks
    EXPECT_EQ(levels(*rig), floorLevels());
    EXPECT_GE(published, 19); // every tick that had something heard to show

    // The tone reaches the meter tap the limiter's look-ahead after the player rendered
    // it, and the ear the output's latency later. Rendered up to that moment, the
    // meters still read the floor: what they show has not been heard yet.
    const auto heardAt = kToneStart + rig.lookAheadFrames() + kOutputLatency;
    const std::int64_t rendered = 140 * 441;
    rig.render(static_cast<std::size_t>(heardAt - rendered));
    toNextMeterTick(rig.loop);
    EXPECT_EQ(rig->peakLeftDb, kVUFloorDb);
    EXPECT_EQ(rig->vuLeftDb, kVUFloorDb);
    EXPECT_EQ(rig->peakHoldLeftDb, kVUFloorDb);

    // 64 frames of tone heard: the peak jumps to it.
    rig.render(64);
    toNextMeterTick(rig.loop);
    EXPECT_NEAR(rig->peakLeftDb, kTonePeakDb, 0.05);
    EXPECT_NEAR(rig->peakHoldLeftDb, kTonePeakDb, 0.05);

    // A window of tone alone: its RMS + 12 dB is above 0, where the VU stops; the
    // waveform and the spectrum show the tone.
    rig.render(8192);
    toNextMeterTick(rig.loop);
    EXPECT_EQ(rig->vuLeftDb, 0.0);
    EXPECT_EQ(rig->vuRightDb, 0.0);
    EXPECT_NEAR(rig->peakHoldRightDb, kTonePeakDb, 0.05);
    const auto& points = rig->waveform.get();
    ASSERT_EQ(points.size(), kWaveformPoints);
    const float largest = std::abs(*std::max_element(
        points.begin(), points.end(), [](float a, float b) { return std::abs(a) < std::abs(b); }));
    EXPECT_NEAR(largest, 0.5f * std::pow(10.0f, -0.8f / 20.0f), 0.03f);
    const auto& bars = rig->spectrumBars.get();
    ASSERT_EQ(bars.size(), kSpectrumBands);
    const auto loudest =
        static_cast<std::size_t>(std::max_element(bars.begin(), bars.end()) - bars.begin());
    const auto bins = SpectrumAnalyzer::barBins(loudest, kSpectrumBands, kSpectrumSize / 2);
    const std::size_t toneBin = 10; // 440 Hz / (44100 Hz / 1024)
    EXPECT_LE(bins.lo, toneBin);
    EXPECT_GT(bins.hi, toneBin);
}

TEST(AudioEngineMeters, WhenNotPlayingTheMetersFallPerTickAndARestartShowsNothingOld) {
    EngineRig rig;
    rig->load(toneFixture(), Uuid::random(), 1.6, std::nullopt, 1.0, 0);
    rig.run(0.35);
    rig->pause(0);
    const MeterLevels before = levels(*rig);
    const auto waveform = rig->waveform.get();
    const auto bars = rig->spectrumBars.get();
    ASSERT_GT(before.vuLeftDb, -3.0);
    ASSERT_NEAR(before.peakHoldLeftDb, kTonePeakDb, 0.05);

    rig.loop.advance(0.2); // one tick at 0.4 s
    EXPECT_EQ(levels(*rig),
              (MeterLevels{before.vuLeftDb - 3.0, before.vuRightDb - 3.0, before.peakLeftDb - 3.0,
                           before.peakRightDb - 3.0, before.peakHoldLeftDb - 0.9,
                           before.peakHoldRightDb - 0.9}));

    rig.loop.advance(6.0); // down to the floor
    EXPECT_EQ(levels(*rig), floorLevels());
    EXPECT_EQ(rig.loop.pendingTimerCount(), 0u) << "nothing wakes a paused engine at rest";
    // The trace and the bars stay as they were.
    EXPECT_EQ(rig->waveform.get(), waveform);
    EXPECT_EQ(rig->spectrumBars.get(), bars);

    // The device goes away; the next one has 100 ms of latency.
    rig.output().fail();
    rig.output().setLatencyFrames(kOutputLatency);
    rig->resume(0);
    ASSERT_TRUE(rig.output().isRunning());
    rig.render(1000);
    toNextMeterTick(rig.loop);
    // Nothing of the new run has been heard yet; the tone of the old run was heard
    // before the pause and must not come back on a restarted output.
    EXPECT_EQ(levels(*rig), floorLevels());

    rig.render(static_cast<std::size_t>(kOutputLatency));
    toNextMeterTick(rig.loop);
    EXPECT_NEAR(rig->peakLeftDb, kTonePeakDb, 0.05);

    // With nobody watching (a hidden window) the meter tick stops.
    const std::size_t watched = rig.loop.pendingTimerCount();
    rig->setMetersWatched(false);
    EXPECT_EQ(rig.loop.pendingTimerCount(), watched - 1);
}

} // namespace
} // namespace orvane::test
