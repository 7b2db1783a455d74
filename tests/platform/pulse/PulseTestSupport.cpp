#include "PulseTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <optional>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace orvane::test {

void ToneSource::render(float* left, float* right, std::size_t frames) noexcept {
    if (const std::int64_t stall = stallMs_.exchange(0); stall > 0) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(stall);
        while (std::chrono::steady_clock::now() < until) {
        }
    }
    constexpr double twoPi = 2.0 * std::numbers::pi;
    for (std::size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(phaseFrames_ + i) / rate_;
        left[i] = static_cast<float>(kLeftAmp * std::sin(twoPi * kLeftHz * t));
        right[i] = static_cast<float>(kRightAmp * std::sin(twoPi * kRightHz * t));
    }
    phaseFrames_ += frames;
    rendered_.fetch_add(frames);
}

MonitorRecorder::MonitorRecorder(const std::string& sinkName) : path_(folder_.path("monitor.raw")) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, path_.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::string device = "--device=" + sinkName + ".monitor";
    std::vector<std::string> args = {"parec",        device,         "--format=float32le",
                                     "--channels=2", "--rate=48000", "--latency-msec=20",
                                     "--raw"};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (posix_spawnp(&pid, "parec", &actions, nullptr, argv.data(), environ) == 0)
        pid_ = pid;
    posix_spawn_file_actions_destroy(&actions);
}

MonitorRecorder::~MonitorRecorder() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

bool MonitorRecorder::recording() const {
    return started() && eventually([this] { return frames() > 0; });
}

std::size_t MonitorRecorder::frames() const {
    struct stat st {};
    if (stat(path_.c_str(), &st) != 0)
        return 0;
    return static_cast<std::size_t>(st.st_size) / (2 * sizeof(float));
}

std::vector<float> MonitorRecorder::samples(std::size_t from) const {
    const std::size_t total = frames();
    if (from >= total)
        return {};
    std::vector<float> out((total - from) * 2);
    std::ifstream in(path_, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from * 2 * sizeof(float)));
    in.read(reinterpret_cast<char*>(out.data()),
            static_cast<std::streamsize>(out.size() * sizeof(float)));
    out.resize(static_cast<std::size_t>(in.gcount()) / sizeof(float) / 2 * 2);
    return out;
}

ChannelStats analyse(const std::vector<float>& interleaved, int channel, std::size_t firstFrame,
                     std::size_t frames, double rate) {
    ChannelStats stats;
    const std::size_t available = interleaved.size() / 2;
    if (firstFrame >= available)
        return stats;
    frames = std::min(frames, available - firstFrame);
    if (frames < 2)
        return stats;
    double sum = 0;
    std::size_t rising = 0;
    std::size_t quiet = 0;
    const auto at = [&](std::size_t i) {
        return interleaved[2 * (firstFrame + i) + static_cast<std::size_t>(channel)];
    };
    for (std::size_t i = 0; i < frames; ++i) {
        const float x = at(i);
        sum += static_cast<double>(x) * static_cast<double>(x);
        if (i > 0 && at(i - 1) < 0.0f && x >= 0.0f)
            ++rising;
        quiet = std::fabs(x) < 1e-3f ? quiet + 1 : 0;
        stats.longestQuiet = std::max(stats.longestQuiet, quiet);
    }
    stats.rms = std::sqrt(sum / static_cast<double>(frames));
    stats.frequency = static_cast<double>(rising) * rate / static_cast<double>(frames);
    return stats;
}

namespace {

// One channel over the last `frames` frames of the recording; nothing while it is shorter.
std::optional<ChannelStats> tail(const MonitorRecorder& recorder, std::size_t frames,
                                 int channel = 0) {
    const std::size_t total = recorder.frames();
    if (total < frames)
        return std::nullopt;
    return analyse(recorder.samples(total - frames), channel, 0, frames);
}

} // namespace

bool endsWithTone(const MonitorRecorder& recorder, std::size_t frames) {
    const auto left = tail(recorder, frames);
    const double expectedRMS = ToneSource::kLeftAmp / std::numbers::sqrt2;
    return left && std::fabs(left->rms - expectedRMS) < 0.1 * expectedRMS &&
           std::fabs(left->frequency - ToneSource::kLeftHz) < 0.03 * ToneSource::kLeftHz;
}

bool endsWithKilohertz(const MonitorRecorder& recorder, std::size_t frames) {
    const auto left = tail(recorder, frames);
    return left && left->rms > 0.1 && std::fabs(left->frequency - 1000.0) < 30.0;
}

bool endsSilent(const MonitorRecorder& recorder, std::size_t frames) {
    const auto left = tail(recorder, frames);
    const auto right = tail(recorder, frames, 1);
    return left && right && left->rms < 1e-4 && right->rms < 1e-4;
}

std::vector<float> cleanStretch(const MonitorRecorder& recorder, const AudioOutput& output,
                                std::size_t frames, std::chrono::milliseconds limit) {
    // The recording lags the underflow report, so an underflow heard inside the
    // stretch is counted after the margin before it and before the margin after it.
    constexpr std::size_t kMargin = 4800;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    const auto left = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
    };
    while (left().count() > 0) {
        const std::uint64_t underflows = output.underflowCount();
        const std::size_t before = recorder.frames();
        if (!eventually([&] { return recorder.frames() >= before + kMargin; }, left()))
            break;
        const std::size_t mark = recorder.frames();
        if (!eventually([&] { return recorder.frames() >= mark + frames + kMargin; }, left()))
            break;
        if (output.underflowCount() == underflows) {
            std::vector<float> stretch = recorder.samples(mark);
            stretch.resize(2 * frames);
            return stretch;
        }
    }
    return {};
}

int run(const std::string& command) {
    const int status = std::system(("timeout 20 " + command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace orvane::test
