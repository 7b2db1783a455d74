// Adding a folder of 10,000 audio files to a playlist: how long until the tracks are
// listed (discovery, file-name parsing, append), how long until the background scan
// has filled every duration and finished, and the longest time any one main-thread
// callback held the main thread while the scan ran (the scan's merges must stay far
// below 50 ms each, or the window would stutter).
//
// The files are tiny generated WAVs (0.25 s, 8 kHz, mono) in a temporary folder, so
// the figures are the controller's and the readers' overheads rather than the disk's.
// The main loop is a real-time loop on the benchmark's thread; the state file is
// written as in the application, on the background writer, and its writes (which also
// fall into the scan: adding the files asks for one) are timed there on their own.

#include "controller/BackgroundStateStorage.h"
#include "controller/PlayerController.h"
#include "model/AudioFiles.h"
#include "model/Track.h"
#include "model/Uuid.h"
#include "runtime/MainLoop.h"
#include "support/WAVFile.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <time.h>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kFileCount = 10'000;
constexpr int kFilesPerFolder = 100;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// CPU time of the calling thread: unlike the wall clock, it leaves out the time the
// thread waited for a core on a busy machine.
double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// A MainLoop that runs on the calling thread in real time and notes how long each
// posted task and each timer callback took.
class TimedLoop final : public orvane::MainLoop {
public:
    struct Stats {
        double longestPosted = 0.0; // seconds, wall clock
        double longestTimer = 0.0;
        double longestPostedCpu = 0.0; // seconds of the thread's CPU time
        double longestTimerCpu = 0.0;
        std::size_t postedRun = 0;
    };

    void post(Task task) override {
        {
            std::lock_guard lock(mutex_);
            posted_.push_back(std::move(task));
        }
        wake_.notify_one();
    }
    [[nodiscard]] orvane::TimerHandle runAfter(double seconds, Task task) override {
        return schedule(seconds, 0.0, std::move(task));
    }
    [[nodiscard]] orvane::TimerHandle runEvery(double seconds, Task task) override {
        return schedule(seconds, std::max(seconds, 0.001), std::move(task));
    }
    double now() const override { return secondsSince(origin_); }

    // Runs callbacks until `done` holds (checked after each round) or `timeout` seconds
    // pass; true when it held.
    bool runUntil(const std::function<bool()>& done, double timeout) {
        const double end = now() + timeout;
        while (!done()) {
            if (now() > end)
                return false;
            runPosted();
            runDueTimers();
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, std::chrono::duration<double>(std::min(nextDue() - now(), 0.005)),
                           [this] { return !posted_.empty(); });
        }
        return true;
    }

    Stats stats;

private:
    struct Timer {
        Task task;
        double due = 0.0;
        double interval = 0.0; // 0: once
        bool active = true;
    };
    class Handle final : public orvane::TimerHandle::Impl {
    public:
        explicit Handle(std::weak_ptr<Timer> timer) : timer_(std::move(timer)) {}
        void cancel() override {
            if (auto timer = timer_.lock())
                timer->active = false;
        }
        bool isActive() const override {
            const auto timer = timer_.lock();
            return timer && timer->active;
        }

    private:
        std::weak_ptr<Timer> timer_;
    };

    orvane::TimerHandle schedule(double seconds, double interval, Task task) {
        auto timer = std::make_shared<Timer>();
        timer->task = std::move(task);
        timer->due = now() + std::max(seconds, 0.0);
        timer->interval = interval;
        timers_.push_back(timer);
        return orvane::TimerHandle(std::make_unique<Handle>(timer));
    }

    double nextDue() const {
        double due = now() + 1.0;
        for (const auto& timer : timers_)
            if (timer->active)
                due = std::min(due, timer->due);
        return due;
    }

    void runPosted() {
        std::deque<Task> batch;
        {
            std::lock_guard lock(mutex_);
            batch.swap(posted_);
        }
        for (auto& task : batch) {
            const auto start = Clock::now();
            const double cpu = threadCpuSeconds();
            task();
            stats.longestPosted = std::max(stats.longestPosted, secondsSince(start));
            stats.longestPostedCpu = std::max(stats.longestPostedCpu, threadCpuSeconds() - cpu);
            ++stats.postedRun;
        }
    }

    void runDueTimers() {
        const auto timers = timers_; // callbacks may schedule more
        for (const auto& timer : timers) {
            if (!timer->active || timer->due > now())
                continue;
            if (timer->interval > 0.0)
                timer->due += timer->interval;
            else
                timer->active = false;
            const auto start = Clock::now();
            const double cpu = threadCpuSeconds();
            timer->task();
            stats.longestTimer = std::max(stats.longestTimer, secondsSince(start));
            stats.longestTimerCpu = std::max(stats.longestTimerCpu, threadCpuSeconds() - cpu);
        }
        std::erase_if(timers_, [](const auto& timer) { return !timer->active; });
    }

    const Clock::time_point origin_ = Clock::now();
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> posted_;
    std::vector<std::shared_ptr<Timer>> timers_; // main thread only
};

// The state file, timing each write (the whole state, fsync included).
class TimedStorage final : public orvane::StateStorage {
public:
    explicit TimedStorage(fs::path file) : file_(std::move(file)) {}
    orvane::PersistedState load() override { return file_.load(); }
    bool save(orvane::PersistedState state) override {
        const auto start = Clock::now();
        const bool saved = file_.save(std::move(state));
        longestSave = std::max(longestSave, secondsSince(start));
        ++saves;
        return saved;
    }
    bool saveResume(const orvane::ResumePoint& point) override { return file_.saveResume(point); }
    double longestSave = 0.0;
    int saves = 0;

private:
    orvane::FileStateStorage file_;
};

// 0.25 s of a 16-bit mono square wave at 8 kHz.
void writeWAV(const fs::path& file) {
    orvane::testaudio::writeWAV16(file, 8000, 1, 2000, [](std::uint32_t i) {
        return static_cast<std::int16_t>((i / 20) % 2 != 0 ? 0x2000 : -0x2000);
    });
}

// The generated library, made once per run and removed at exit.
class Library {
public:
    Library()
        : root_(fs::temp_directory_path() /
                ("orvane-scan-bench-" + orvane::Uuid::random().toString())) {
        for (int i = 0; i < kFileCount; ++i) {
            const fs::path folder =
                root_ / "music" / ("Album " + std::to_string(i / kFilesPerFolder));
            if (i % kFilesPerFolder == 0)
                fs::create_directories(folder);
            writeWAV(folder / (std::to_string(i % kFilesPerFolder + 1) + " Artist " +
                               std::to_string(i % 37) + " - Title " + std::to_string(i) + ".wav"));
        }
    }
    ~Library() {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    fs::path music() const { return root_ / "music"; }
    fs::path stateFile() const { return root_ / "state" / "orvane-data.json"; }

private:
    fs::path root_;
};

const Library& library() {
    static const Library instance;
    return instance;
}

void BM_AddAndScanTenThousandFiles(benchmark::State& state) {
    const Library& lib = library();
    const std::string folder = lib.music().string();
    for (auto _ : state) {
        std::error_code ignored;
        fs::remove(lib.stateFile(), ignored);

        // The parts of the listing on their own (warm cache).
        auto start = Clock::now();
        const auto files = orvane::collectAudioFiles({folder});
        const double discovery = secondsSince(start);
        start = Clock::now();
        std::size_t parsed = 0;
        for (const auto& file : files)
            parsed += orvane::Track::fromPath(file).title.size();
        benchmark::DoNotOptimize(parsed);
        const double parsing = secondsSince(start);

        TimedLoop loop;
        orvane::PlayerControllerServices services;
        auto timed = std::make_unique<TimedStorage>(lib.stateFile());
        TimedStorage& saves = *timed;
        // As in the application, the writes happen on a thread of their own; the
        // main thread only hands over a copy of the state.
        services.storage = std::make_unique<orvane::BackgroundStateStorage>(std::move(timed));
        auto controller = std::make_unique<orvane::PlayerController>(loop, std::move(services));

        // Listed: addFiles returns with every track in the playlist.
        start = Clock::now();
        controller->addFiles({folder});
        const double listed = secondsSince(start);
        const std::size_t tracks = controller->activePlaylist()->tracks.size();

        // Durations come first (batches of 100), tempos after (batches of 40).
        double durationsFilled = 0.0;
        auto progress =
            controller->metadataScanProgress.subscribe([&](const orvane::MetadataScanProgress& p) {
                if (durationsFilled == 0.0 && p.done >= tracks)
                    durationsFilled = secondsSince(start);
            });
        loop.stats = {};
        const bool finished =
            loop.runUntil([&] { return !controller->metadataScanInProgress(); }, 600.0);
        const double scanned = secondsSince(start);
        const auto* list = controller->activePlaylist();
        const auto withDuration =
            std::count_if(list->tracks.begin(), list->tracks.end(),
                          [](const orvane::Track& t) { return t.duration.has_value(); });
        if (!finished || withDuration != static_cast<std::ptrdiff_t>(tracks) ||
            tracks != static_cast<std::size_t>(kFileCount)) {
            state.SkipWithError("the scan did not fill every track");
            break;
        }
        const TimedLoop::Stats during = loop.stats;
        // The save the finish step asked for: one write of the whole state.
        loop.stats = {};
        loop.runUntil([&] { return !controller->savePending(); }, 5.0);
        const double finalSave = loop.stats.longestTimer;
        controller->flushPendingSave(); // the writer's figures are complete after this

        state.counters["files"] = static_cast<double>(tracks);
        state.counters["discovery_ms"] = discovery * 1e3;
        state.counters["parse_ms"] = parsing * 1e3;
        state.counters["listed_ms"] = listed * 1e3;
        state.counters["durations_ms"] = durationsFilled * 1e3;
        state.counters["scan_done_ms"] = scanned * 1e3;
        state.counters["longest_merge_ms"] = during.longestPosted * 1e3;
        state.counters["longest_timer_ms"] = during.longestTimer * 1e3;
        state.counters["longest_merge_cpu_ms"] = during.longestPostedCpu * 1e3;
        state.counters["longest_timer_cpu_ms"] = during.longestTimerCpu * 1e3;
        state.counters["main_tasks"] = static_cast<double>(during.postedRun);
        state.counters["final_save_ms"] = finalSave * 1e3;
        state.counters["longest_save_ms"] = saves.longestSave * 1e3;
        state.counters["saves"] = saves.saves;
        progress.reset();
        controller.reset();
    }
}
BENCHMARK(BM_AddAndScanTenThousandFiles)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace
