#include "AnalysisTestSupport.h"
#include "engine/analysis/MeterAnalyzer.h"
#include "engine/analysis/MeterBallistics.h"
#include "engine/analysis/MeterExchange.h"
#include "engine/analysis/SpectrumAnalyzer.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <random>
#include <thread>
#include <vector>

namespace orvane {
namespace {

using test::cosine;

// Feeds the exchange a ramp: frame f carries f on the left and -f on the right, so a
// copy shows exactly which frames it holds.
class RampFeeder {
public:
    explicit RampFeeder(MeterExchange& exchange) : exchange_(exchange) {}
    void feed(std::size_t frames) {
        left_.resize(frames);
        right_.resize(frames);
        for (std::size_t i = 0; i < frames; ++i) {
            left_[i] = static_cast<float>(next_ + static_cast<std::int64_t>(i));
            right_[i] = -left_[i];
        }
        exchange_.capture(left_.data(), right_.data(), frames);
        next_ += static_cast<std::int64_t>(frames);
    }
    void feedBlocks(std::size_t total, std::size_t block) {
        for (std::size_t done = 0; done < total; done += block)
            feed(std::min(block, total - done));
    }

private:
    MeterExchange& exchange_;
    std::int64_t next_ = 0;
    std::vector<float> left_, right_;
};

struct Copy {
    MeterSnapshot snapshot;
    std::vector<float> left = std::vector<float>(8192, -1e9f);
    std::vector<float> right = std::vector<float>(8192, -1e9f);
};

Copy copyHeard(MeterExchange& exchange, std::int64_t latency) {
    Copy copy;
    copy.snapshot = exchange.copyHeard(latency, copy.left.data(), copy.right.data(), 4096);
    return copy;
}

// Every frame of the copy follows the one before, on both sides.
void expectUnbroken(const Copy& copy) {
    for (std::size_t i = 0; i < copy.snapshot.frames; ++i) {
        ASSERT_EQ(copy.left[i], copy.left[0] + static_cast<float>(i)) << "frame " << i;
        ASSERT_EQ(copy.right[i], -copy.left[i]) << "frame " << i;
    }
}

// The window heard behind `latency` is `frames` unbroken frames of the ramp from `first`.
void expectHeard(MeterExchange& exchange, std::int64_t latency, std::size_t frames,
                 std::int64_t first) {
    SCOPED_TRACE(::testing::Message() << "latency " << latency);
    const Copy copy = copyHeard(exchange, latency);
    ASSERT_EQ(copy.snapshot.frames, frames);
    if (frames > 0) {
        EXPECT_EQ(copy.left[0], static_cast<float>(first));
        expectUnbroken(copy);
    }
}

TEST(MeterExchange, TheWindowEndsWhereTheListenerIsAndNothingShowsBeforeTheFirstFrame) {
    MeterExchange exchange;
    expectHeard(exchange, 0, 0, 0);
    RampFeeder feeder(exchange);
    feeder.feed(1000);
    expectHeard(exchange, 1000, 0, 0); // all still on its way
    feeder.feed(2000);
    expectHeard(exchange, 1000, 2000, 0);
    feeder.feedBlocks(7000, 1024);
    // 100 ms at 44.1 kHz: the newest 4410 frames are still on their way.
    expectHeard(exchange, 4410, 4096, 10000 - 4410 - 4096);
    expectHeard(exchange, 0, 4096, 10000 - 4096);
    EXPECT_EQ(copyHeard(exchange, 0).snapshot.channels, 2);

    exchange.clear(); // forgets what was captured
    expectHeard(exchange, 0, 0, 0);
    feeder.feed(500);
    expectHeard(exchange, 0, 500, 10000);
}

TEST(MeterExchange, TheRingWrapsAndBoundsWhatItKeeps) {
    MeterExchange exchange(8192);
    ASSERT_EQ(exchange.ringFrames(), 8192u);
    RampFeeder feeder(exchange);
    feeder.feedBlocks(20000, 777);
    for (std::int64_t latency : {0, 1000, 3000})
        expectHeard(exchange, latency, 4096, 20000 - latency - 4096);
    // A latency the ring cannot follow shows the oldest full window it still has.
    expectHeard(exchange, 100000, 4096, 20000 - 8192);
    // A block longer than the ring leaves its newest frames.
    feeder.feed(10000);
    expectHeard(exchange, 0, 4096, 30000 - 4096);
}

// The audio thread never waits: a block that meets a busy lock is dropped and the
// frame count still moves on. A window never spans the latest hole: it keeps the
// side the listener is on.
TEST(MeterExchange, ABusyLockSkipsTheBlockAndNoWindowSpansIt) {
    MeterExchange exchange;
    RampFeeder feeder(exchange);
    feeder.feed(5000);
    {
        const auto busy = exchange.holdLockForTesting();
        feeder.feed(1000); // frames 5000..5999
    }
    EXPECT_EQ(exchange.skippedBlocks(), 1u);
    EXPECT_EQ(exchange.framesCaptured(), 6000);
    feeder.feed(1500);
    EXPECT_EQ(exchange.framesCaptured(), 7500);
    expectHeard(exchange, 0, 1500, 6000);           // after the hole
    expectHeard(exchange, 2000, 4096, 5000 - 4096); // the listener is inside the hole
}

// Holes older than the latest end the window too: a copy never shows a hole's
// silence, nor stale frames from a ring ago, wherever the listener is.
TEST(MeterExchange, OlderHolesEndTheWindowToo) {
    MeterExchange exchange(8192);
    RampFeeder feeder(exchange);
    feeder.feedBlocks(20000, 1000);
    auto skip = [&] {
        const auto busy = exchange.holdLockForTesting();
        feeder.feed(100);
    };
    skip();                                          // 20000..20099
    feeder.feed(1000);                               // 20100..21099
    skip();                                          // 21100..21199
    feeder.feed(1000);                               // 21200..22199
    expectHeard(exchange, 1100, 1000, 20100);        // ends at 21100, before the latest hole
    expectHeard(exchange, 2150, 4096, 20000 - 4096); // the listener is inside the older hole
}

// A real audio thread against the main thread's copies. Whatever the interleaving,
// each copy must be one unbroken run of the ramp (never half of an old block and half
// of a new one), and every frame is counted, captured or skipped.
TEST(MeterExchange, ConcurrentCopiesAreNeverTorn) {
    MeterExchange exchange(16384);
    constexpr std::int64_t kBlocks = 4000;
    constexpr std::size_t kBlock = 256;
    constexpr std::int64_t kTotal = kBlocks * static_cast<std::int64_t>(kBlock);
    std::thread audio([&exchange] {
        RampFeeder feeder(exchange);
        for (std::int64_t i = 0; i < kBlocks; ++i)
            feeder.feed(kBlock);
    });
    for (int copies = 0; copies < 500 || exchange.framesCaptured() < kTotal / 2; ++copies) {
        const Copy copy = copyHeard(exchange, 512);
        if (copy.snapshot.frames > 0)
            expectUnbroken(copy);
        if (::testing::Test::HasFatalFailure() || exchange.framesCaptured() == kTotal)
            break;
    }
    audio.join();
    EXPECT_EQ(exchange.framesCaptured(), kTotal);
}

MeterLevels levelsAt(double db) {
    return {db, db, db, db, db, db};
}

TEST(MeterTick, PeakAndVuReadTheSignalWithTheVuCalibratedAndCapped) {
    // Whole periods, so the RMS is exactly amplitude / sqrt(2).
    const auto left = cosine(4000, 0.1, 40.0);
    const auto right = cosine(4000, 0.01, 40.0);
    const MeterTargets t = meterTargets(left.data(), right.data(), left.size());
    EXPECT_NEAR(t.vuLeftDb, 20 * std::log10(0.1 / std::sqrt(2.0)) + 12, 1e-4);
    EXPECT_NEAR(t.peakLeftDb, -20.0, 1e-5);
    // -40 dB peak and -31 dB VU are below the floor.
    EXPECT_EQ(t.vuRightDb, kVuFloorDb);
    EXPECT_EQ(t.peakRightDb, kVuFloorDb);

    MeterAnalyzer meters;
    const auto sine = cosine(4096, 1.0, 40.0); // hits +1 and -1 exactly
    ASSERT_TRUE(meters.tick(sine.data(), sine.data(), sine.size(), MeterLevels{}));
    EXPECT_DOUBLE_EQ(meters.levels().peakLeftDb, 0.0);
    EXPECT_DOUBLE_EQ(meters.levels().peakHoldLeftDb, 0.0);
    EXPECT_DOUBLE_EQ(meters.levels().vuLeftDb, 0.0); // RMS -3 dB + 12 would read +9

    // A mono window reads alike on both sides; nothing heard yet behind 100 ms of
    // latency changes nothing.
    MeterExchange exchange;
    exchange.capture(left.data(), nullptr, 2000);
    EXPECT_FALSE(meters.tick(exchange, 4410, levelsAt(-7.0)));
    EXPECT_DOUBLE_EQ(meters.levels().vuLeftDb, 0.0);
    ASSERT_TRUE(meters.tick(exchange, 0, levelsAt(-30.0)));
    const MeterLevels mono = meters.levels();
    EXPECT_NEAR(mono.peakLeftDb, -20.0, 1e-5);
    EXPECT_EQ(mono.peakRightDb, mono.peakLeftDb);
    EXPECT_EQ(mono.vuRightDb, mono.vuLeftDb);
    EXPECT_EQ(mono.peakHoldRightDb, mono.peakHoldLeftDb);
}

// Each meter tick: readings rise at once and fall slowly, holds only rise. The slow
// tick drops the holds always and the readings only when stopped (the engine's meter
// test follows that fall tick by tick), never below the floor.
TEST(MeterTick, BallisticsRiseAtOnceFallSlowlyAndTheSlowTickDropsTheHolds) {
    MeterTargets targets{-10.0, -20.0, -5.0, -25.0};
    EXPECT_EQ(applyMeterBallistics(levelsAt(-12.0), targets),
              (MeterLevels{-10.0, -13.5, -5.0, -14.5, -5.0, -12.0}));

    const MeterLevels playing = fallMeters(levelsAt(-10.0), true);
    EXPECT_EQ(playing.vuLeftDb, -10.0);
    EXPECT_EQ(playing.peakRightDb, -10.0);
    EXPECT_DOUBLE_EQ(playing.peakHoldLeftDb, -10.9);
    EXPECT_DOUBLE_EQ(playing.peakHoldRightDb, -10.9);
    EXPECT_EQ(fallMeters(levelsAt(-29.5), false), levelsAt(kVuFloorDb));
}

TEST(MeterTick, TheWaveformSamplesTheLeftChannelEvenly) {
    std::vector<float> ramp(4096);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<float>(i);
    std::array<float, kWaveformPoints> wave{};
    makeWaveform(ramp.data(), 4096, wave);
    EXPECT_EQ(wave[255], 255.0f * 16);
    makeWaveform(ramp.data(), 100, wave); // short: the last sample repeats
    EXPECT_EQ(wave[99], 99.0f);
    EXPECT_EQ(wave[255], 99.0f);
}

// The spectrum sees the newest 1024 samples of the window: a tone that ended before
// them leaves no trace, and a tone inside them shows. Fewer than 1024 samples leave the
// bars as they were.
TEST(MeterTick, TheSpectrumLooksAtTheNewest1024Samples) {
    MeterAnalyzer meters;
    auto loudThenSilent = cosine(4096, 0.9, 16.0);
    std::fill(loudThenSilent.end() - 1024, loudThenSilent.end(), 0.0f);
    ASSERT_TRUE(meters.tick(loudThenSilent.data(), loudThenSilent.data(), 4096, MeterLevels{}));
    EXPECT_TRUE(meters.spectrumUpdated());
    for (const float bar : meters.spectrumBars())
        EXPECT_EQ(bar, 0.0f);

    auto silentThenLoud = cosine(4096, 0.9, 16.0);
    std::fill(silentThenLoud.begin(), silentThenLoud.end() - 1024, 0.0f);
    ASSERT_TRUE(meters.tick(silentThenLoud.data(), silentThenLoud.data(), 4096, MeterLevels{}));
    const auto before = meters.spectrumBars();
    EXPECT_GT(*std::max_element(before.begin(), before.end()), 0.9f);

    const std::vector<float> shortSilence(1023, 0.0f);
    ASSERT_TRUE(meters.tick(shortSilence.data(), shortSilence.data(), 1023, meters.levels()));
    EXPECT_FALSE(meters.spectrumUpdated());
    EXPECT_EQ(meters.spectrumBars(), before);
    EXPECT_EQ(meters.waveform()[0], 0.0f);
}

constexpr std::size_t kSize = 1024;
constexpr std::size_t kBins = kSize / 2;
constexpr std::size_t kBands = 24;

TEST(MeterSpectrum, BarsSpreadQuadraticallyOverTheBinsAndSkipDc) {
    EXPECT_EQ(SpectrumAnalyzer::barBins(0, kBands, kBins).lo, 1u);
    EXPECT_EQ(SpectrumAnalyzer::barBins(kBands - 1, kBands, kBins).hi, kBins);
    // (12/24)^2 x 512 is 128 exactly: no rounding loses the edge.
    EXPECT_EQ(SpectrumAnalyzer::barBins(12, kBands, kBins).lo, 128u);
    for (std::size_t b = 0; b < kBands; ++b) {
        const auto range = SpectrumAnalyzer::barBins(b, kBands, kBins);
        EXPECT_GE(range.lo, 1u);
        EXPECT_LT(range.lo, range.hi);
        EXPECT_LE(range.hi, kBins);
    }
}

TEST(MeterSpectrum, TheWrongNumberOfSamplesGivesZeros) {
    SpectrumAnalyzer analyzer(kSize);
    const std::vector<float> loud = cosine(1000, 1.0, 8.0);
    EXPECT_EQ(analyzer.magnitudes(loud, kBands), std::vector<float>(kBands, 0.0f));
    EXPECT_EQ(analyzer.magnitudes(cosine(kSize, 1.0, 8.0), 0), std::vector<float>{});
}

// The whole chain against a direct evaluation of the definition: the plain DFT of the
// windowed block, |X|^2 x 4 / N^2 per bin, the largest per bar, dB, tilt and range.
TEST(MeterSpectrum, BarsMatchADirectDft) {
    std::mt19937 random(11);
    std::vector<float> samples(kSize);
    for (std::size_t n = 0; n < kSize; ++n) {
        const double t = static_cast<double>(n);
        const double noise = static_cast<double>(random() % 2001) / 1000.0 - 1.0;
        samples[n] = static_cast<float>(0.4 * std::sin(0.05 * t) + 0.2 * std::sin(1.3 * t) +
                                        0.05 * std::sin(2.9 * t) + 0.01 * noise);
    }
    SpectrumAnalyzer analyzer(kSize);
    const auto bars = analyzer.magnitudes(samples, kBands);

    std::vector<double> power(kBins);
    for (std::size_t k = 0; k < kBins; ++k) {
        std::complex<double> sum;
        for (std::size_t n = 0; n < kSize; ++n) {
            const double angle = -2.0 * std::numbers::pi * static_cast<double>(k * n) / kSize;
            sum += static_cast<double>(samples[n] * analyzer.window()[n]) * std::polar(1.0, angle);
        }
        power[k] = std::norm(sum) * 4.0 / (double(kSize) * kSize);
    }
    for (std::size_t b = 0; b < kBands; ++b) {
        const auto range = SpectrumAnalyzer::barBins(b, kBands, kBins);
        double peak = 0.0;
        for (std::size_t k = range.lo; k < range.hi; ++k)
            peak = std::max(peak, power[k]);
        const double db = 10.0 * std::log10(peak);
        const double expected = std::clamp((db + 12.0 * double(b) / 23.0 + 62.0) / 55.0, 0.0, 1.0);
        EXPECT_NEAR(bars[b], expected, 2e-4) << "bar " << b;
    }
}

} // namespace
} // namespace orvane
