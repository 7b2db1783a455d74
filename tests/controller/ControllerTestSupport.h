#pragma once

#include "controller/PlayerController.h"
#include "engine/host/ManualOutput.h"
#include "runtime/ManualMainLoop.h"
#include "support/ScratchFolder.h"
#include "support/WAVFile.h"

#include <algorithm>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orvane::test {

// The rate of the generated files and of the manual output, unless a test says
// otherwise: low, so that seconds of playback render quickly.
constexpr std::uint32_t kRate = 8000;

// A temporary folder for generated audio and state files, removed with its contents.
class TempFolder : public ScratchFolder {
public:
    // Writes a 16-bit PCM WAV whose every channel carries sample(frame), quantised to
    // 1/32768; returns its path.
    std::string wav(const std::string& name, double seconds,
                    const std::function<double(std::int64_t)>& sample, std::uint32_t rate = kRate,
                    std::uint16_t channels = 1) const {
        const auto file = path(name);
        testaudio::writeWAV16(file, rate, channels,
                              static_cast<std::uint32_t>(std::llround(seconds * rate)),
                              [&sample](std::uint32_t i) {
                                  const double v = std::clamp(sample(i), -1.0, 32767.0 / 32768.0);
                                  return static_cast<std::int16_t>(std::lround(v * 32768.0));
                              });
        return file;
    }

    // A constant level: easy to measure exactly (peak = RMS = level).
    std::string dc(const std::string& name, double seconds, double level = 0.25,
                   std::uint32_t rate = kRate) const {
        return wav(
            name, seconds, [level](std::int64_t) { return level; }, rate);
    }

    // `count` tracks "t0", "t1", ... of constant level, `seconds` long each.
    std::vector<Track> tracks(int count, double seconds = 6.0) const {
        std::vector<Track> list;
        for (int i = 0; i < count; ++i) {
            const auto name = "t" + std::to_string(i);
            list.emplace_back(Uuid::random(), dc(name + ".wav", seconds), "Artist", name);
        }
        return list;
    }

    // A folder holding short audio files of these names; returns its path.
    std::string folder(const std::string& name, const std::vector<std::string>& fileNames) const {
        std::filesystem::create_directories(path(name));
        for (const auto& file : fileNames)
            dc(name + "/" + file, 0.2);
        return path(name);
    }

    // A file that no decoder accepts.
    std::string broken(const std::string& name) const {
        const auto file = path(name);
        std::ofstream(file, std::ios::binary) << "this is not audio";
        return file;
    }
};

// The manual loop, plus a way to wait for what background threads post: the metadata
// scan hands each batch to the main thread and waits until it has been merged, so a
// test that waited for the background queue to go idle would wait for itself.
class DrivenLoop final : public MainLoop {
public:
    void post(Task task) override {
        {
            std::lock_guard lock(mutex_);
            inner_.post([this, task = std::move(task)] {
                {
                    std::lock_guard inner(mutex_);
                    --waiting_;
                    ++delivered_;
                }
                task();
            });
            ++waiting_;
        }
        changed_.notify_all();
    }
    [[nodiscard]] TimerHandle runAfter(double seconds, Task task) override {
        return inner_.runAfter(seconds, std::move(task));
    }
    [[nodiscard]] TimerHandle runEvery(double seconds, Task task) override {
        return inner_.runEvery(seconds, std::move(task));
    }
    double now() const override { return inner_.now(); }
    void advance(double seconds) { inner_.advance(seconds); }
    void runPending() { inner_.runPending(); }
    std::size_t pendingTimerCount() const { return inner_.pendingTimerCount(); }

    // Blocks until a task has been posted and not yet run.
    void waitForPosted() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return waiting_ > 0; });
    }

    // Lets `queue` run dry while delivering whatever it posts, then runs what is due;
    // again while that delivered anything (a delivery may queue more work), but not
    // for ever: work that keeps queueing itself is a failure.
    void drain(SerialQueue& queue) {
        for (int round = 0;; ++round) {
            if (round == 100) {
                ADD_FAILURE() << "the background work never ends";
                return;
            }
            const auto before = delivered();
            auto idle = std::make_shared<bool>(false);
            queue.async([this, idle] {
                {
                    std::lock_guard lock(mutex_);
                    *idle = true;
                }
                changed_.notify_all();
            });
            for (;;) {
                {
                    std::unique_lock lock(mutex_);
                    changed_.wait(lock, [&] { return waiting_ > 0 || *idle; });
                    if (waiting_ == 0 && *idle)
                        break;
                }
                inner_.runPending();
            }
            inner_.runPending();
            if (delivered() == before)
                return;
        }
    }

private:
    std::uint64_t delivered() {
        std::lock_guard lock(mutex_);
        return delivered_;
    }

    ManualMainLoop inner_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::size_t waiting_ = 0;     // posted, not yet run
    std::uint64_t delivered_ = 0; // posted tasks run so far
};

inline Track makeTrack(const std::string& path, const std::string& title) {
    return Track(Uuid::random(), path, "Artist", title);
}

// Settings for the playback order tests.
inline AppSettings playback(PlaybackMode mode, bool shuffle = false, bool gapless = true) {
    AppSettings settings;
    settings.pbMode = mode;
    settings.shuffle = shuffle;
    settings.gapless = gapless;
    return settings;
}

// The stored state a controller starts from: one playlist with `tracks`.
inline PersistedState stateWith(std::vector<Track> tracks, AppSettings settings = {}) {
    PersistedState state;
    state.playlists.emplace_back(Uuid::random(), "Playlist 1", std::move(tracks));
    state.activePlaylistID = state.playlists.front().id;
    state.settings = std::move(settings);
    return state;
}

// Storage that hands out a given state and keeps every saved one.
class FakeStorage final : public StateStorage {
public:
    explicit FakeStorage(PersistedState initial) : initial_(std::move(initial)) {}
    PersistedState load() override { return initial_; }
    bool save(PersistedState state) override {
        saves.push_back(std::move(state));
        return true;
    }
    bool saveResume(const ResumePoint& point) override {
        resumeSaves.push_back(point);
        return true;
    }
    std::vector<PersistedState> saves;
    std::vector<ResumePoint> resumeSaves;

private:
    PersistedState initial_;
};

class FakeDesktop final : public DesktopShell {
public:
    void setWordmarkIcon(bool on) override { calls.push_back(on ? "icon:wordmark" : "icon:plain"); }
    void setAlwaysOnTop(bool on) override { calls.push_back(on ? "top:on" : "top:off"); }
    void setQuitOnClose(bool on) override { calls.push_back(on ? "quit:on" : "quit:off"); }
    bool isEditingText() const override { return editingText; }
    std::vector<std::string> calls;
    bool editingText = false;
};

class FakeNowPlaying final : public NowPlayingSink {
public:
    void nowPlayingChanged(const NowPlayingInfo& info) override { updates.push_back(info); }
    void seeked(double seconds) override { seeks.push_back(seconds); }
    std::vector<NowPlayingInfo> updates;
    std::vector<double> seeks;
};

// A controller on a manual loop and a manual output, with the engine's decoder run
// inline: the test decides when audio is rendered and when time passes.
class ControllerRig {
public:
    struct Options {
        double rate = kRate;
        std::uint64_t seed = 20240611;
        std::unique_ptr<StateStorage> storage;    // instead of a FakeStorage
        std::vector<std::string> devices;         // device uids the output accepts
        bool scanAtStart = false;                 // the metadata scan at construction
        std::unique_ptr<MetadataSource> metadata; // none: the files themselves
        std::filesystem::path coverCache;         // empty: no covers looked up
    };

    explicit ControllerRig(PersistedState state) : ControllerRig(std::move(state), Options{}) {}
    ControllerRig(PersistedState state, Options options) {
        auto output = std::make_unique<ManualOutput>(options.rate, 0);
        output_ = output.get();
        output->setDeviceUIDs(options.devices);
        PlayerControllerServices services;
        services.output = std::move(output);
        services.engine.host.decoderThread = false;
        services.engine.host.output.controlThread = false;
        if (options.storage) {
            services.storage = std::move(options.storage);
        } else {
            auto storage = std::make_unique<FakeStorage>(std::move(state));
            storage_ = storage.get();
            services.storage = std::move(storage);
        }
        services.desktop = &desktop;
        services.nowPlaying = &nowPlaying;
        services.shuffleSeed = options.seed;
        services.scanMetadataAtStart = options.scanAtStart;
        services.metadata = std::move(options.metadata);
        services.coverCacheFolder = std::move(options.coverCache);
        controller = std::make_unique<PlayerController>(loop, std::move(services));
    }

    PlayerController* operator->() { return controller.get(); }
    PlayerController& operator*() { return *controller; }
    AudioEngine& engine() { return controller->engine(); }
    ManualOutput& output() { return *output_; }
    // Saves made so far (FakeStorage only).
    const std::vector<PersistedState>& saves() const { return storage_->saves; }
    const std::vector<ResumePoint>& resumeSaves() const { return storage_->resumeSaves; }

    // The "audio thread" renders `frames` frames; completions are delivered.
    void render(std::size_t frames) {
        buffer_.resize(frames);
        right_.resize(frames);
        engine().host().pump();
        output_->pull(buffer_.data(), right_.data(), frames);
        engine().host().pump();
        loop.runPending();
    }
    // Plays for `seconds`: 10 ms blocks, each followed by 10 ms of loop time.
    void run(double seconds) {
        const auto steps = static_cast<int>(std::llround(seconds * 100.0));
        const auto block = static_cast<std::size_t>(std::llround(output_->sampleRate() / 100.0));
        for (int i = 0; i < steps; ++i) {
            render(block);
            loop.advance(0.01);
        }
    }
    // Runs until `done` holds or `seconds` of playback have passed; true if it held.
    bool runUntil(const std::function<bool()>& done, double seconds) {
        const auto steps = static_cast<int>(std::llround(seconds * 100.0));
        for (int i = 0; i < steps && !done(); ++i)
            run(0.01);
        return done();
    }
    // Background work (measurements, metadata scans, and the scans that a finished
    // scan starts) done and its results delivered.
    void settle() {
        // Twice: the results of one queue may put work on the other.
        for (int round = 0; round < 2; ++round) {
            loop.drain(controller->priorityWorkQueue());
            loop.drain(controller->fileWorkQueue());
        }
    }

    const Playlist& list(std::size_t i = 0) { return controller->playlists.get()[i]; }
    const Track& track(std::size_t i, std::size_t playlist = 0) {
        return controller->playlists.get()[playlist].tracks[i];
    }
    Uuid id(std::size_t i, std::size_t playlist = 0) { return track(i, playlist).id; }
    std::vector<Uuid> ids(std::size_t playlist = 0) {
        std::vector<Uuid> result;
        for (const auto& t : list(playlist).tracks)
            result.push_back(t.id);
        return result;
    }
    std::vector<std::string> titles(std::size_t playlist = 0) {
        std::vector<std::string> result;
        for (const auto& t : list(playlist).tracks)
            result.push_back(t.title);
        return result;
    }
    // Selects exactly these tracks and removes them.
    void remove(std::set<Uuid> tracks) {
        controller->selection = std::move(tracks);
        controller->removeSelected();
    }
    std::optional<Uuid> playing() { return controller->playingTrackID.get(); }

    DrivenLoop loop;
    FakeDesktop desktop;
    FakeNowPlaying nowPlaying;
    std::unique_ptr<PlayerController> controller;

private:
    ManualOutput* output_ = nullptr;
    FakeStorage* storage_ = nullptr;
    std::vector<float> buffer_;
    std::vector<float> right_;
};

// Records every track that starts playing (each write of playingTrackID with a value).
class StartLog {
public:
    explicit StartLog(PlayerController& controller)
        : subscription_(controller.playingTrackID.subscribe([this](const std::optional<Uuid>& id) {
              if (id)
                  started.push_back(*id);
          })) {}
    std::vector<Uuid> started;

private:
    Subscription subscription_;
};

} // namespace orvane::test
