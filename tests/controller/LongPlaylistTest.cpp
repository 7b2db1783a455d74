#include "ControllerTestSupport.h"
#include "engine/host/RenderGraph.h"

#include <chrono>
#include <cmath>
#include <iostream>
#include <set>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

constexpr int kTracks = 1000;
constexpr int kPasses = 3;
constexpr double kTrackSeconds = 0.3;
constexpr std::int64_t kTrackFrames = 2400; // 0.3 s at 8 kHz

// Track i is a constant level of (i + 1) * 16 / 32768: every track sounds different,
// exactly, so the player's output tells which track was heard and for how long.
double levelOf(int index) {
    return (index + 1) * 16.0 / 32768.0;
}
int indexOf(float level) {
    return static_cast<int>(std::lround(static_cast<double>(level) * 32768.0 / 16.0)) - 1;
}

// Records the player's output as runs of equal samples, without allocating on the
// render path.
class RunTap final : public RenderTap {
public:
    struct Run {
        float level;
        std::int64_t frames;
    };
    explicit RunTap(std::size_t capacity) { runs.reserve(capacity); }
    void onRender(const float* left, const float* right, std::size_t frames) noexcept override {
        for (std::size_t i = 0; i < frames; ++i) {
            if (left[i] != right[i])
                mismatch = true;
            if (!runs.empty() && runs.back().level == left[i]) {
                ++runs.back().frames;
            } else if (runs.size() < runs.capacity()) {
                runs.push_back({left[i], 1});
            } else {
                overflow = true;
            }
        }
    }
    std::vector<Run> runs;
    bool overflow = false;
    bool mismatch = false;
};

// A thousand short tracks, gapless, mode all with shuffle, for three passes: every
// track is heard exactly once per pass, whole and back to back, in the order the
// controller chose, and the engine never reports a track end or a dropped queue.
TEST(LongPlaylistTest, AThousandTracksPlayGaplessInShuffleForThreePasses) {
    const auto wallStart = std::chrono::steady_clock::now();
    TempFolder files;
    std::vector<Track> tracks;
    tracks.reserve(kTracks);
    for (int i = 0; i < kTracks; ++i) {
        const auto name = "track" + std::to_string(i);
        tracks.push_back(makeTrack(files.dc(name + ".wav", kTrackSeconds, levelOf(i)), name));
    }
    ControllerRig rig(stateWith(tracks, playback(PlaybackMode::all, true)));
    auto& engine = rig.engine();

    // Counts the engine's calls of a hook, which still reach the controller.
    const auto counting = [](auto& hook, int& count) {
        hook = [&count, inner = hook](const auto&... args) {
            ++count;
            inner(args...);
        };
    };
    int ended = 0, discarded = 0, promoted = 0;
    counting(engine.onTrackEnded, ended);
    counting(engine.onQueueDiscarded, discarded);
    counting(engine.onGaplessPromotion, promoted);
    RunTap tap(kTracks * kPasses + 16);
    engine.host().graph().setTap(TapPoint::Player, &tap);
    StartLog log(*rig);

    rig->togglePlay();
    const auto wanted = static_cast<std::size_t>(kTracks * kPasses + 1);
    const bool done = rig.runUntil([&] { return log.started.size() >= wanted; },
                                   kTracks * kPasses * kTrackSeconds + 5.0);
    engine.host().graph().setTap(TapPoint::Player, nullptr);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    std::cout << "[ timing   ] " << kTracks * kPasses << " tracks ("
              << kTracks * kPasses * kTrackSeconds << " s of audio) in " << wall << " s\n";
    RecordProperty("wall_seconds", std::to_string(wall));

    ASSERT_TRUE(done) << log.started.size() << " tracks started";
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(discarded, 0);
    EXPECT_EQ(promoted, static_cast<int>(wanted) - 1); // every change was a hand-over

    // What the controller started: each pass a permutation, no repeat at the seams.
    std::map<Uuid, int> indexByID;
    for (int i = 0; i < kTracks; ++i)
        indexByID[tracks[static_cast<std::size_t>(i)].id] = i;
    for (int pass = 0; pass < kPasses; ++pass) {
        const auto begin = log.started.begin() + pass * kTracks;
        EXPECT_EQ(std::set<Uuid>(begin, begin + kTracks).size(), static_cast<std::size_t>(kTracks))
            << "pass " << pass;
    }
    for (std::size_t i = 1; i < log.started.size(); ++i)
        ASSERT_NE(log.started[i], log.started[i - 1]);

    // What was heard: the same tracks in the same order, each whole, with no gap.
    EXPECT_FALSE(tap.overflow);
    EXPECT_FALSE(tap.mismatch);
    ASSERT_GE(tap.runs.size(), static_cast<std::size_t>(kTracks * kPasses));
    for (std::size_t k = 0; k < static_cast<std::size_t>(kTracks * kPasses); ++k) {
        const auto& run = tap.runs[k];
        ASSERT_EQ(run.frames, kTrackFrames) << "run " << k;
        ASSERT_EQ(indexOf(run.level), indexByID.at(log.started[k])) << "run " << k;
    }
}

} // namespace
} // namespace orvane::test
