// End to end against a real PulseAudio daemon, run by tests/e2e/with-pulse.sh: two null
// sinks, orvane_test_a (the default) and orvane_test_b, both 48 kHz float32 stereo.
// Sound is checked where it arrives, on the sinks' monitors.

#include "PulseTestSupport.h"
#include "platform/PulseDevices.h"
#include "platform/PulseOutput.h"
#include "support/ScratchFolder.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <future>
#include <iostream>
#include <memory>
#include <numbers>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace orvane::test {
namespace {

using namespace std::chrono_literals;

std::optional<std::uint32_t> sinkID(const std::string& uid) {
    for (const OutputDevice& device : PulseDeviceManager().listOutputDevices())
        if (device.uid == uid)
            return device.id;
    return std::nullopt;
}

// Loads one more null sink for the length of a test.
class ExtraSink {
public:
    ExtraSink(const std::string& name, const std::string& description, int rate = 48000) {
        // The module argument needs the description quoted inside a quoted value; pactl
        // answers with the module's index.
        FILE* out = popen(("timeout 20 pactl load-module module-null-sink sink_name=" + name +
                           " \"sink_properties='device.description=\\\"" + description +
                           "\\\"'\" format=float32le channels=2 rate=" + std::to_string(rate))
                              .c_str(),
                          "r");
        char line[64] = {};
        if (out && fgets(line, sizeof line, out) &&
            std::isdigit(static_cast<unsigned char>(line[0])))
            module_ = std::to_string(std::atoi(line));
        if (out)
            pclose(out);
    }
    ~ExtraSink() { unload(); }
    void unload() {
        if (!module_.empty())
            run("pactl unload-module " + module_);
        module_.clear();
    }
    bool loaded() const { return !module_.empty(); }

private:
    std::string module_;
};

// Puts the default sink back to orvane_test_a, so that later tests in the same run
// start from the daemon as the script made it.
struct DefaultSinkRestorer {
    ~DefaultSinkRestorer() { run("pactl set-default-sink orvane_test_a"); }
};

TEST(PulseDevicesE2E, ListsSinksByDescriptionWithoutMonitorsResolvesExactNamesOnAnyThread) {
    REQUIRE_SERVER();
    const std::vector<OutputDevice> devices = PulseDeviceManager().listOutputDevices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].uid, "orvane_test_a");
    EXPECT_EQ(devices[0].name, "Orvane Test A");
    EXPECT_EQ(devices[1].uid, "orvane_test_b");
    EXPECT_EQ(devices[1].name, "Orvane Test B");
    EXPECT_NE(devices[0].id, devices[1].id);
    EXPECT_EQ(sinkID("orvane_test_b"), devices[1].id);
    EXPECT_EQ(sinkID("orvane_test_a"), devices[0].id);
    for (const char* notASink : {"orvane_test", "ORVANE_TEST_A", "orvane_test_a.monitor", ""})
        EXPECT_EQ(sinkID(notASink), std::nullopt) << notASink;

    // The settings window lists devices on a background thread while the controller may
    // resolve a uid on the main thread.
    std::vector<std::future<std::vector<OutputDevice>>> lists;
    for (int i = 0; i < 4; ++i)
        lists.push_back(std::async(std::launch::async, [] { return listPulseSinks(); }));
    for (auto& list : lists)
        EXPECT_EQ(list.get().size(), 2u);

    // Sinks with the same description are told apart by uid.
    ExtraSink twin("orvane_test_twin", "Orvane Test A");
    ASSERT_TRUE(twin.loaded());
    const std::vector<OutputDevice> three = PulseDeviceManager().listOutputDevices();
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(three[2].uid, "orvane_test_twin");
    EXPECT_EQ(three[2].name, "Orvane Test A");
    EXPECT_EQ(sinkID("orvane_test_twin"), three[2].id);
    EXPECT_NE(sinkID("orvane_test_twin"), sinkID("orvane_test_a"));
}

TEST(PulseOutputE2E, PlaysBothChannelsAtTheSinkRateAndRestartsWithANewSource) {
    REQUIRE_SERVER();
    MonitorRecorder recA("orvane_test_a");
    ASSERT_TRUE(recA.recording());

    ToneSource tone;
    PulseOutput output;
    ASSERT_TRUE(output.start(tone));
    EXPECT_TRUE(output.isRunning());
    // The server's default rate is 44.1 kHz; the sink's is 48 kHz.
    EXPECT_EQ(output.sampleRate(), 48000.0);
    EXPECT_EQ(output.currentSinkName(), "orvane_test_a");
    ASSERT_TRUE(eventually([&] { return endsWithTone(recA); }));

    const std::vector<float> rec = cleanStretch(recA, output, 24000);
    ASSERT_EQ(rec.size(), 2u * 24000);
    const ChannelStats left = analyse(rec, 0, 0, 24000);
    const ChannelStats right = analyse(rec, 1, 0, 24000);
    EXPECT_NEAR(left.frequency, ToneSource::kLeftHz, 5.0);
    EXPECT_NEAR(right.frequency, ToneSource::kRightHz, 5.0);
    EXPECT_NEAR(left.rms, ToneSource::kLeftAmp / std::numbers::sqrt2, 0.005);
    EXPECT_NEAR(right.rms, ToneSource::kRightAmp / std::numbers::sqrt2, 0.005);
    EXPECT_LT(left.longestQuiet, 3u);

    // Started again while running, it plays the new source alone.
    ToneSource second;
    ASSERT_TRUE(output.start(second));
    const std::uint64_t firstFrames = tone.framesRendered();
    ASSERT_TRUE(eventually([&] { return second.framesRendered() > 9600 && endsWithTone(recA); }));
    EXPECT_EQ(tone.framesRendered(), firstFrames);

    // Once stop() returns nothing renders any more and the sink falls silent.
    output.stop();
    EXPECT_FALSE(output.isRunning());
    EXPECT_EQ(output.latencyFrames(), 0);
    const std::uint64_t rendered = second.framesRendered();
    ASSERT_TRUE(eventually([&] { return endsSilent(recA, 9600); }));
    EXPECT_EQ(second.framesRendered(), rendered);
}

TEST(PulseOutputE2E, MovesToTheChosenSinkAndBackToTheDefault) {
    REQUIRE_SERVER();
    MonitorRecorder recA("orvane_test_a");
    MonitorRecorder recB("orvane_test_b");
    ASSERT_TRUE(recA.recording() && recB.recording());

    ToneSource tone;
    PulseOutput output;
    ASSERT_TRUE(output.start(tone));
    ASSERT_TRUE(eventually([&] { return endsWithTone(recA); }));
    EXPECT_TRUE(endsSilent(recB));

    // The playing stream moves over.
    ASSERT_TRUE(output.selectDevice("orvane_test_b"));
    EXPECT_EQ(output.currentSinkName(), "orvane_test_b");
    ASSERT_TRUE(eventually([&] { return endsWithTone(recB) && endsSilent(recA); }));
    EXPECT_TRUE(output.isRunning());

    // A sink that does not exist is refused and the routing stays.
    EXPECT_FALSE(output.selectDevice("orvane_no_such_sink"));
    EXPECT_EQ(output.currentSinkName(), "orvane_test_b");

    // "System default": back to the default sink at once...
    ASSERT_TRUE(output.selectDevice(std::nullopt));
    EXPECT_EQ(output.currentSinkName(), "orvane_test_a");
    ASSERT_TRUE(eventually([&] { return endsWithTone(recA) && endsSilent(recB); }));

    // ...and along with it when the default changes later. (recA follows the default
    // monitor too, having been started on it, so only recB tells here.)
    DefaultSinkRestorer restore;
    ASSERT_EQ(run("pactl set-default-sink orvane_test_b"), 0);
    ASSERT_TRUE(eventually([&] { return endsWithTone(recB); }));
    EXPECT_EQ(output.currentSinkName(), "orvane_test_b");
}

// A choice made before start applies at start. It is kept by sink name: a sink that goes
// away (unplugged) and comes back under a new index gets the stream again at the next
// start.
TEST(PulseOutputE2E, AChoiceAppliesAtStartAndOutlivesItsSinkGoingAway) {
    REQUIRE_SERVER();
    auto usb = std::make_unique<ExtraSink>("orvane_test_usb", "Orvane Test USB", 44100);
    ASSERT_TRUE(usb->loaded());
    const auto firstID = sinkID("orvane_test_usb");
    ASSERT_TRUE(firstID);
    MonitorRecorder recA("orvane_test_a");
    ASSERT_TRUE(recA.recording());

    // The stream takes the chosen sink's rate.
    ToneSource tone(44100);
    PulseOutput output;
    ASSERT_TRUE(output.selectDevice("orvane_test_usb"));
    ASSERT_TRUE(output.start(tone));
    EXPECT_EQ(output.currentSinkName(), "orvane_test_usb");
    EXPECT_EQ(output.sampleRate(), 44100.0);

    // The server rescues the stream onto the default sink; playback goes on.
    usb->unload();
    ASSERT_TRUE(eventually([&] { return endsWithTone(recA); }));
    EXPECT_TRUE(output.isRunning());
    output.stop();
    ASSERT_TRUE(output.start(tone));
    EXPECT_EQ(output.currentSinkName(), "orvane_test_a");
    EXPECT_EQ(output.sampleRate(), 48000.0);
    output.stop();

    usb = std::make_unique<ExtraSink>("orvane_test_usb", "Orvane Test USB", 44100);
    ASSERT_TRUE(usb->loaded());
    EXPECT_NE(sinkID("orvane_test_usb"), firstID);
    ASSERT_TRUE(output.start(tone));
    EXPECT_EQ(output.currentSinkName(), "orvane_test_usb");
}

// Plays for ten seconds and reports the latency and underflows the user would get; then
// starves the server once.
TEST(PulseOutputE2E, SteadyPlaybackIsGaplessWithBoundedLatencyAndRecoversFromAnUnderflow) {
    REQUIRE_SERVER();
    MonitorRecorder recA("orvane_test_a");
    ASSERT_TRUE(recA.recording());
    ToneSource tone;
    PulseOutput output;
    ASSERT_TRUE(output.start(tone));
    ASSERT_TRUE(eventually([&] { return endsWithTone(recA); }));
    const std::size_t firstFrame = recA.frames();
    const std::uint64_t underflowsBefore = output.underflowCount();

    std::vector<std::int64_t> latencies;
    const std::uint64_t target = tone.framesRendered() + 10 * 48000;
    ASSERT_TRUE(eventually(
        [&] {
            latencies.push_back(output.latencyFrames());
            return tone.framesRendered() >= target;
        },
        30s));
    const std::uint64_t underflows = output.underflowCount() - underflowsBefore;
    const std::size_t lastFrame = recA.frames();

    std::sort(latencies.begin(), latencies.end());
    const auto ms = [](std::int64_t frames) {
        return static_cast<double>(frames) / 48.0;
    };
    std::cout << "[ latency  ] median " << ms(latencies[latencies.size() / 2]) << " ms, max "
              << ms(latencies.back()) << " ms; " << underflows << " underflows in 10 s\n";

    const std::int64_t median = latencies[latencies.size() / 2];
    EXPECT_GT(median, 0);
    EXPECT_LT(ms(median), 150.0);
    // Nothing but a loaded machine should starve a 100 ms buffer; a broken refill
    // would underflow many times a second.
    EXPECT_LE(underflows, 10u);

    // Every dropout in the recording of those ten seconds was counted.
    const std::vector<float> rec = recA.samples(firstFrame);
    const std::size_t frames = std::min(rec.size() / 2, lastFrame - firstFrame);
    ASSERT_GT(frames, 5u * 48000);
    const ChannelStats left = analyse(rec, 0, 0, frames);
    if (underflows == 0) {
        EXPECT_NEAR(left.frequency, ToneSource::kLeftHz, 5.0);
        EXPECT_LT(left.longestQuiet, 3u);
    }

    // A render that takes four times the buffer starves the server: the underflow is
    // counted and the tone comes back.
    const std::uint64_t before = output.underflowCount();
    tone.stallOnce(400ms);
    ASSERT_TRUE(eventually([&] { return output.underflowCount() > before; }));
    EXPECT_TRUE(output.isRunning());
    const std::size_t mark = recA.frames();
    ASSERT_TRUE(eventually([&] { return recA.frames() > mark + 9600 && endsWithTone(recA); }));
}

// Kills the daemon under a playing stream; runs as its own test with its own daemon.
TEST(PulseServerDeathE2E, ADeadServerStopsTheOutputWithoutHanging) {
    if (!haveServer() || !std::getenv("ORVANE_PULSE_E2E_KILL"))
        GTEST_SKIP() << "kills the server: runs alone under tests/e2e/with-pulse.sh";
    ToneSource tone;
    PulseOutput output;
    ASSERT_TRUE(output.start(tone));
    ASSERT_TRUE(eventually([&] { return tone.framesRendered() > 9600; }));

    ASSERT_EQ(run("pulseaudio -k"), 0);
    ASSERT_TRUE(eventually([&] { return !output.isRunning(); }));
    EXPECT_EQ(output.latencyFrames(), 0);

    const auto begin = std::chrono::steady_clock::now();
    output.stop();
    EXPECT_FALSE(output.start(tone));
    EXPECT_TRUE(PulseDeviceManager().listOutputDevices().empty());
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 8s);
}

// A Unix socket that accepts connections into its backlog and never says a word.
class MuteServer {
public:
    MuteServer() : fd_(socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, path_.c_str(), sizeof addr.sun_path - 1);
        ok_ =
            bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 && listen(fd_, 8) == 0;
    }
    ~MuteServer() { close(fd_); }
    bool ok() const { return ok_; }
    PulseOptions options() const {
        PulseOptions o;
        o.server = "unix:" + path_;
        o.timeout = 500ms;
        return o;
    }

private:
    ScratchFolder folder_;
    std::string path_ = folder_.path("native");
    int fd_;
    bool ok_ = false;
};

// Runs with PULSE_SERVER=unix:/nonexistent and no daemon at all. Neither that nor a
// server that accepts the connection and then never answers may cost more than the
// timeout: Orvane must fall back to silent playback instead of hanging.
TEST(PulseNoServerE2E, NoServerOrAMuteOneFailsQuicklyAndListsNothing) {
    if (haveServer())
        GTEST_SKIP() << "runs without a server";
    MuteServer mute;
    ASSERT_TRUE(mute.ok());
    for (const PulseOptions& options : {PulseOptions{}, mute.options()}) {
        SCOPED_TRACE(options.server);
        const auto begin = std::chrono::steady_clock::now();
        ToneSource tone;
        PulseOutput output(options);
        EXPECT_FALSE(output.start(tone));
        EXPECT_FALSE(output.isRunning());
        EXPECT_EQ(output.latencyFrames(), 0);
        EXPECT_GT(output.sampleRate(), 0.0);
        // Kept for when a server answers.
        EXPECT_TRUE(output.selectDevice("orvane_test_a"));
        EXPECT_TRUE(output.selectDevice(std::nullopt));
        output.stop();
        EXPECT_TRUE(listPulseSinks(options).empty());
        EXPECT_LT(std::chrono::steady_clock::now() - begin, 5s);
        EXPECT_EQ(tone.framesRendered(), 0u);
    }
}

} // namespace
} // namespace orvane::test
