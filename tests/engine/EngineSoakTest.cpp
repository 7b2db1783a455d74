#include "EngineTestSupport.h"
#include "engine/EngineError.h"
#include "media/AudioFileReader.h"
#include "support/ScratchFolder.h"
#include "support/WAVFile.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

namespace fs = std::filesystem;

constexpr double kOutputRate = 8000.0;
constexpr std::int64_t kOutputLatency = 40;
constexpr std::size_t kMaxBlock = 2048;
// Resampling and rounding may place a region's end a frame or two off.
constexpr double kEndTolerance = 0.003;

std::size_t openDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

std::string str(double value) {
    return std::to_string(value);
}

// One file the soak plays, with what it is known to hold.
struct SoakFile {
    std::string path;
    bool opens = false;
    double rate = 0;
    int channels = 0;
    std::int64_t length = 0;     // frames, as the reader reports them
    std::int64_t dataFrames = 0; // frames that really decode
};

// A region as the engine should hold it: frames [t0, t1) of `file`.
struct Region {
    Uuid id;
    const SoakFile* file = nullptr;
    std::int64_t t0 = 0;
    std::int64_t t1 = 0;
    bool empty() const { return t1 <= t0; }
};

// The region `file` trimmed to [start, end]; empty when nothing is left or the file
// does not open.
Region trimmed(const SoakFile& file, double start, std::optional<double> end) {
    if (!file.opens)
        return {};
    Region r{Uuid::random(), &file, static_cast<std::int64_t>(std::max(start, 0.0) * file.rate),
             file.length};
    if (end)
        r.t1 = std::min(r.t1, static_cast<std::int64_t>(*end * file.rate));
    return r;
}

// ORVANE_SOAK_STEPS and ORVANE_SOAK_SEED choose a longer or another walk.
std::uint64_t fromEnvironment(const char* name, std::uint64_t fallback) {
    if (const char* text = std::getenv(name); text != nullptr && *text != '\0')
        return std::strtoull(text, nullptr, 0);
    return fallback;
}

// A seeded random walk through the engine's transport: loads of good and broken files,
// gapless queues and hand-offs, seeks, pauses, stops, output restarts at other rates,
// blocks of random sizes, and completions left in flight while the main thread acts.
// A model of what the engine should hold is checked after every step, and every
// callback is checked against it as it fires.
class EngineSoak {
public:
    EngineSoak(std::uint64_t seed, const std::vector<SoakFile>& files)
        : random_(seed), seed_(seed), files_(files), rig_(kOutputRate, kOutputLatency) {
        rig_.output().setDeviceUIDs({"seven", "eight"});
        rig_->onTrackEnded = std::bind_front(&EngineSoak::trackEnded, this);
        rig_->onGaplessPromotion = std::bind_front(&EngineSoak::promoted, this);
        rig_->onQueueDiscarded = [this] {
            if (expectedDiscards_-- == 0)
                fail("onQueueDiscarded without a seek dropping a queued region");
        };
        rig_->onNeedPreload = [this] {
            if (chance(0.6))
                preload(chance(0.9) ? pickGood() : pickAny());
        };
        loaded_ = rig_->isLoaded.subscribe([this](bool loaded) {
            if (!loaded) { // hardStop, at once or at the end of a stop fade
                current_.reset();
                queued_.reset();
                scheduled_ = false;
            }
        });
        rate_ = rig_->host().sampleRate();
    }

    // How often the walk met what it is meant to exercise.
    std::size_t handOffs = 0, ends = 0, rateChanges = 0;

    // Runs `steps` steps; stops at the first broken expectation.
    void run(std::size_t steps, std::size_t descriptorBound) {
        for (step_ = 0; step_ < steps && !::testing::Test::HasFailure(); ++step_) {
            oneStep();
            syncRate();
            checkState();
            if (openDescriptors() > descriptorBound)
                fail("open files pile up: " + std::to_string(openDescriptors()));
        }
    }

private:
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }
    double uniform(double a, double b) {
        return std::uniform_real_distribution<double>(a, b)(random_);
    }
    std::size_t below(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
    }
    const SoakFile& pickAny() { return files_[below(files_.size())]; }
    const SoakFile& pickGood() {
        for (;;) {
            const SoakFile& file = pickAny();
            if (file.opens && file.dataFrames == file.length)
                return file;
        }
    }

    void note(const std::string& action) {
        recent_.push_back("step " + std::to_string(step_) + ": " + action);
        if (recent_.size() > 12)
            recent_.pop_front();
    }
    void fail(const std::string& what) {
        std::ostringstream text;
        text << what << "\nseed " << seed_ << ", step " << step_ << "; recent actions:\n";
        for (const auto& line : recent_)
            text << "  " << line << "\n";
        ADD_FAILURE() << text.str();
    }

    // Seconds of the region still to play from where its schedule began: at least
    // (what really decodes) and at most (what the region spans).
    double leastRemaining(const Region& r) const {
        if (approximate_)
            return 0.0;
        return static_cast<double>(std::min(r.t1, r.file->dataFrames) - from_) / r.file->rate;
    }
    double mostRemaining(const Region& r) const {
        return static_cast<double>(r.t1 - (approximate_ ? r.t0 : from_)) / r.file->rate;
    }

    // --- Callbacks, checked as they fire ---

    // A completion is due only once the current region has played what really decodes.
    bool staleCompletion(const char* what) {
        if (played_ >= leastRemaining(*current_) - kEndTolerance)
            return false;
        fail(std::string(what) + " after " + str(played_) + " s of a region with " +
             str(leastRemaining(*current_)) + " s to play: a stale completion");
        return true;
    }

    void trackEnded() {
        ++ends;
        note("  -> track ended");
        if (!current_ || !scheduled_ || queued_)
            return fail("onTrackEnded without a region playing to its end");
        if (staleCompletion("onTrackEnded"))
            return;
        if (rig_->isPlaying || rig_->currentTime.get() != rig_->duration.get())
            fail("at the end the engine must stop at its duration");
        scheduled_ = false;
    }

    void promoted(const Uuid& id) {
        ++handOffs;
        note("  -> hand-off");
        if (!queued_ || queued_->id != id || !current_ || !scheduled_)
            return fail("onGaplessPromotion for a region that is not the queued one");
        if (staleCompletion("hand-off"))
            return;
        const auto& old = *current_;
        if (approximate_)
            played_ = 0; // how much of it was the new region's is unknown
        else
            played_ = std::max(played_ - static_cast<double>(std::max<std::int64_t>(
                                             std::min(old.t1, old.file->dataFrames) - from_, 0)) /
                                             old.file->rate,
                               0.0);
        current_ = queued_;
        queued_.reset();
        from_ = current_->t0;
    }

    // --- Actions ---

    void load(const SoakFile& file) {
        const double start = chance(0.5) ? 0.0 : uniform(-0.2, 0.6);
        std::optional<double> end;
        if (chance(0.4))
            end = uniform(start - 0.1, 1.5);
        const int fade = chance(0.3) ? 30 : 0;
        const Region region = trimmed(file, start, end);
        note("load " + fs::path(file.path).filename().native() + " from " + str(start) +
             (end ? " to " + str(*end) : ""));
        std::optional<EngineError::Code> error;
        try {
            rig_->load(file.path, region.id, start, end, 1.0, fade);
        } catch (const EngineError& e) {
            error = e.code();
        }
        if (region.empty()) {
            const auto code =
                file.opens ? EngineError::Code::emptyRegion : EngineError::Code::unreadableFile;
            if (error != code)
                return fail("load of " + file.path + " should fail with " +
                            std::to_string(static_cast<int>(code)));
            // Stopped, keeping its segment: nothing plays and no completion is due.
            scheduled_ = false;
            if (rig_->isPlaying)
                fail("a failed load leaves the engine playing");
            return;
        }
        if (error)
            return fail("load of " + file.path + " failed with " +
                        std::to_string(static_cast<int>(*error)));
        current_ = region;
        queued_.reset();
        restartClock(region.t0);
        if (!rig_->isPlaying ||
            rig_->currentTime.get() != static_cast<double>(region.t0) / file.rate)
            fail("after a load the engine plays from the trimmed start");
    }

    void preload(const SoakFile& file) {
        const double start = chance(0.7) ? 0.0 : uniform(-0.1, 0.5);
        std::optional<double> end;
        if (chance(0.3))
            end = uniform(start - 0.1, 1.5);
        const Region region = trimmed(file, start, end);
        // Only behind a region that is still playing out, and not empty; of any format.
        const bool fits = current_ && !queued_ && scheduled_ && !region.empty();
        note("preload " + fs::path(file.path).filename().native());
        const bool accepted = rig_->preloadNext(file.path, region.id, start, end, 1.0);
        if (accepted != fits)
            return fail(std::string("preloadNext ") + (accepted ? "accepted " : "refused ") +
                        file.path);
        if (accepted) {
            note("  -> queued");
            queued_ = region;
        }
    }

    void seek() {
        const double target = uniform(-0.3, rig_->duration.get() + 0.3);
        note("seek " + str(target));
        if (!current_ || !(rig_->duration.get() > 0.0)) {
            rig_->seek(target);
            return;
        }
        const double rate = current_->file->rate;
        const double start = static_cast<double>(current_->t0) / rate;
        const double landed = std::max(start, std::min(target, rig_->duration.get() - 0.05));
        if (queued_)
            ++expectedDiscards_;
        queued_.reset();
        rig_->seek(target);
        if (expectedDiscards_ != 0)
            fail("a seek dropped the queued region without onQueueDiscarded");
        restartClock(
            std::clamp(static_cast<std::int64_t>(landed * rate), current_->t0, current_->t1));
        if (rig_->currentTime.get() != landed)
            fail("a seek to " + str(target) + " must land at " + str(landed));
    }

    void restartClock(std::int64_t frame) {
        from_ = frame;
        played_ = 0;
        approximate_ = false;
        scheduled_ = current_ && current_->t1 - frame >= 1;
    }

    void moveOutput() {
        rig_.output().fail(); // the device goes away
        std::string text = "output lost";
        if (chance(0.5)) {
            const double rate = std::vector<double>{8000.0, 16000.0, 11025.0}[below(3)];
            rig_.output().setRateOnNextStart(rate);
            text += ", next start at " + str(rate) + " Hz";
        }
        if (chance(0.6)) {
            const auto device =
                std::vector<std::optional<std::string>>{std::nullopt, "seven", "eight"}[below(3)];
            note(text + ", moved to " + device.value_or("default"));
            rig_->setOutputDevice(device);
        } else {
            note(text + ", the tick restarts it");
        }
    }

    // Regions are decoded afresh for a new output rate, from about where the player is.
    void syncRate() {
        const double rate = rig_->host().sampleRate();
        if (rate == rate_)
            return;
        rate_ = rate;
        ++rateChanges;
        if (scheduled_) {
            played_ = 0;
            approximate_ = true;
        }
    }

    void render(std::size_t frames, bool deliver) {
        // Counted before the completions the block produces are delivered.
        if (rig_->host().isPlaying() && rig_->host().isRunning())
            played_ += static_cast<double>(frames) / rate_;
        if (deliver)
            rig_.render(frames);
        else
            rig_.renderInFlight(frames);
    }

    void transportAction() {
        const double pick = uniform(0, 1);
        const int fade = chance(0.5) ? 0 : 40;
        if (pick < 0.2) {
            note("pause");
            rig_->pause(fade);
        } else if (pick < 0.4) {
            note("resume");
            rig_->resume(fade);
        } else if (pick < 0.5) {
            note("play");
            rig_->play(fade);
        } else if (pick < 0.56) {
            note("stop");
            rig_->stop(fade);
        } else if (pick < 0.6) {
            note("hard stop");
            rig_->hardStop();
        } else if (pick < 0.66) {
            rig_->gaplessEnabled = chance(0.8);
            note(std::string("gapless ") + (rig_->gaplessEnabled ? "on" : "off"));
        } else {
            seek();
        }
    }

    void mainThreadAction() {
        const double pick = uniform(0, 1);
        if (pick < 0.25)
            load(chance(0.75) ? pickGood() : pickAny());
        else if (pick < 0.45)
            preload(chance(0.5) ? pickGood() : pickAny());
        else if (pick < 0.9)
            transportAction();
        else
            moveOutput();
    }

    void oneStep() {
        const double pick = uniform(0, 1);
        const auto frames = 1 + below(kMaxBlock);
        if (pick < 0.45) {
            note("render " + std::to_string(frames));
            render(frames, true);
            rig_.loop.advance(static_cast<double>(frames) / rate_);
        } else if (pick < 0.55) {
            // A completion on its way to the main thread while the main thread acts.
            note("render " + std::to_string(frames) + ", completions in flight");
            render(frames, false);
            mainThreadAction();
            syncRate();
            rig_.loop.runPending();
        } else if (pick < 0.6) {
            const double seconds = uniform(0, 0.3);
            note("time passes without output: " + str(seconds));
            rig_.loop.advance(seconds);
        } else {
            mainThreadAction();
        }
    }

    // --- What must hold between steps ---

    void checkState() {
        const double time = rig_->currentTime.get();
        const double duration = rig_->duration.get();
        if (rig_->isLoaded.get() != current_.has_value())
            return fail("isLoaded does not match");
        if (rig_->hasQueued() != queued_.has_value())
            return fail("the queued region does not match");
        if (!current_) {
            if (time != 0.0 || duration != 0.0)
                fail("an unloaded engine shows a position");
            return;
        }
        const double rate = current_->file->rate;
        if (rig_->currentSegment()->trackID != current_->id)
            return fail("the current region is not the one the model expects");
        if (std::abs(duration - static_cast<double>(current_->t1) / rate) > 1e-9)
            return fail("duration is not the current region's end");
        const double start = static_cast<double>(current_->t0) / rate;
        if (time < start - 1e-9 || time > duration + 1e-9)
            return fail("currentTime " + str(time) + " outside the loaded region [" + str(start) +
                        ", " + str(duration) + "]");
        // A region that has played out must have reported it by now.
        const double slack = static_cast<double>(rig_->host().latencyFrames()) / rate_ +
                             static_cast<double>(kMaxBlock) / rate_ + 0.05;
        if (scheduled_ && played_ > mostRemaining(*current_) + slack)
            fail("no completion after " + str(played_) + " s of a region with at most " +
                 str(mostRemaining(*current_)) + " s to play");
    }

    std::mt19937_64 random_;
    std::uint64_t seed_;
    const std::vector<SoakFile>& files_;
    EngineRig rig_;
    Subscription loaded_;
    std::size_t step_ = 0;
    std::deque<std::string> recent_;

    std::optional<Region> current_;
    std::optional<Region> queued_;
    bool scheduled_ = false;   // a completion of the current region is still to come
    std::int64_t from_ = 0;    // the frame the current schedule started at
    double played_ = 0;        // seconds the player rendered since
    bool approximate_ = false; // the schedule restarted where the model cannot tell exactly
    int expectedDiscards_ = 0;
    double rate_ = 0;
};

class EngineSoakTest : public ::testing::Test {
protected:
    // Short files so that ends and hand-offs come often, of two channel counts and two
    // rates, plus files that fail in each way the engine meets.
    std::vector<SoakFile> makeFiles() {
        std::vector<SoakFile> files;
        const auto wav = [&](const std::string& name, std::uint32_t rate, std::uint16_t channels,
                             double seconds) {
            const auto path = scratch_.path(name);
            testaudio::writeWAV16(path, rate, channels, static_cast<std::uint32_t>(seconds * rate),
                                  [](std::uint32_t i) {
                                      return static_cast<std::int16_t>(
                                          8000.0 * std::sin(0.05 * static_cast<double>(i)));
                                  });
            files.emplace_back().path = path;
        };
        wav("a.wav", 8000, 1, 0.25);
        wav("b.wav", 8000, 1, 0.6);
        wav("c.wav", 8000, 1, 1.3);
        wav("d.wav", 8000, 2, 0.5);
        wav("e.wav", 8000, 2, 0.9);
        wav("f.wav", 11025, 1, 0.7);
        // Claims a second, holds 0.4 s.
        wav("cut.wav", 8000, 1, 1.0);
        fs::resize_file(files.back().path, 44 + 3200 * 2);
        for (const char* fixture : {"corrupt.mp3", "truncated.mp3", "not-audio.mp3", "empty.wav"})
            files.emplace_back().path = fixtureFile(fixture);

        for (auto& file : files) {
            try {
                const auto reader = openSegmentFile(file.path);
                file.opens = true;
                file.rate = reader->sampleRate();
                file.channels = reader->channelCount();
                file.length = reader->lengthFrames();
            } catch (const EngineError&) {
                file.opens = false;
            }
        }
        // What really decodes: all of the generated files but the cut one.
        for (std::size_t i = 0; i < 6; ++i)
            files[i].dataFrames = files[i].length;
        files[6].dataFrames = std::min<std::int64_t>(files[6].length, 3200);
        return files;
    }

    ScratchFolder scratch_;
};

TEST_F(EngineSoakTest, ARandomWalkThroughTheTransportKeepsEveryPromise) {
    const auto files = makeFiles();
    for (std::size_t i = 0; i < 7; ++i)
        ASSERT_TRUE(files[i].opens) << files[i].path;
    ASSERT_FALSE(files[9].opens) << "not-audio.mp3 opened";

    const std::size_t steps = fromEnvironment("ORVANE_SOAK_STEPS", 15000);
    const std::uint64_t seed = fromEnvironment("ORVANE_SOAK_SEED", 0x50a4);
    const auto descriptors = openDescriptors();
    {
        EngineSoak soak(seed, files);
        soak.run(steps, descriptors + 12);
        // The walk really went everywhere.
        EXPECT_GT(soak.handOffs, steps / 100);
        EXPECT_GT(soak.ends, steps / 200);
        EXPECT_GT(soak.rateChanges, 0u);
    }
    EXPECT_EQ(openDescriptors(), descriptors) << "the engine left files open";
}

// The player's clock counts frames at the rate the output ran at when they were
// played: an output that comes back at another rate must go on from where the player
// was, not from that count read at the new rate.
TEST_F(EngineSoakTest, AnOutputBackAtAnotherRateGoesOnFromWhereThePlayerWas) {
    const auto path = scratch_.path("long.wav");
    testaudio::writeWAV16(path, 8000, 1, 3 * 8000,
                          [](std::uint32_t) { return std::int16_t{1000}; });
    EngineRig rig(kOutputRate);
    rig->load(path, Uuid::random(), 0.0, std::nullopt, 1.0, 0);
    rig.run(1.0);
    const double before = rig->currentTime;
    rig.output().fail();
    rig.output().setRateOnNextStart(16000.0);
    rig->setOutputDevice(std::nullopt); // restarts at once, at the new rate
    ASSERT_EQ(rig->host().sampleRate(), 16000.0);
    rig.run(0.4); // two ticks
    EXPECT_NEAR(rig->currentTime, before + 0.4 - rig.lookAheadSeconds(), 0.001);
}

} // namespace
} // namespace orvane::test
