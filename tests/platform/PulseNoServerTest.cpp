// The PulseAudio output and device list when the server refuses, or accepts a
// connection and then never answers: each must give up within its timeout so that
// Orvane falls back to silent playback instead of hanging. (No server at all is
// covered end to end, with PULSE_SERVER pointing nowhere.)

#include "platform/PulseDevices.h"
#include "platform/PulseOutput.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace orvane {
namespace {

using namespace std::chrono_literals;

class SilentSource final : public RenderSource {
public:
    void render(float* left, float* right, std::size_t frames) noexcept override {
        calls += frames > 0 ? 1 : 0;
        std::fill(left, left + frames, 0.0f);
        std::fill(right, right + frames, 0.0f);
    }
    int calls = 0;
};

// A Unix socket that either refuses connections (bound, not listening) or accepts
// them into its backlog and never says a word.
class FakeServer {
public:
    explicit FakeServer(bool listening) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orvane-fake-pulse.XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            return;
        dir_ = pattern;
        path_ = dir_ + "/native";
        fd_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path_.c_str(), sizeof addr.sun_path - 1);
        if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            (listening && listen(fd_, 8) != 0)) {
            path_.clear();
        }
    }
    ~FakeServer() {
        if (fd_ >= 0)
            close(fd_);
        if (!dir_.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(dir_, ignored);
        }
    }
    bool ok() const { return !path_.empty(); }
    PulseOptions options() const {
        PulseOptions o;
        o.server = "unix:" + path_;
        o.timeout = 500ms;
        return o;
    }

private:
    std::string dir_;
    std::string path_;
    int fd_ = -1;
};

// Generous against scheduling, far below a hang.
constexpr auto kBound = 5s;

void expectGivesUpQuickly(const PulseOptions& options) {
    const auto begin = std::chrono::steady_clock::now();
    SilentSource source;
    {
        PulseOutput output(options);
        EXPECT_FALSE(output.start(source));
        EXPECT_FALSE(output.isRunning());
        EXPECT_EQ(output.latencyFrames(), 0);
        EXPECT_EQ(output.sampleRate(), 48000.0);
        EXPECT_EQ(output.currentSinkName(), "");
        EXPECT_FALSE(output.selectDevice(0u));
        EXPECT_TRUE(output.selectDevice(std::nullopt));
        output.stop();
    }
    EXPECT_TRUE(listPulseSinks(options).empty());
    EXPECT_EQ(PulseDeviceManager(options).deviceID("anything"), std::nullopt);
    EXPECT_EQ(source.calls, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, kBound);
}

TEST(PulseNoServer, RefusedConnectionFailsAtOnce) {
    FakeServer refusing(false);
    ASSERT_TRUE(refusing.ok());
    expectGivesUpQuickly(refusing.options());
}

TEST(PulseNoServer, ServerThatNeverAnswersCostsOnlyTheTimeout) {
    FakeServer mute(true);
    ASSERT_TRUE(mute.ok());
    expectGivesUpQuickly(mute.options());
}

} // namespace
} // namespace orvane
