#include "ControllerTestSupport.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <set>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

// Answers for some paths, the files themselves for the rest; counts every read. The
// answers are given before the scan starts; the reads come from the scan's thread.
class ScriptedSource final : public MetadataSource {
public:
    struct Answer {
        TrackMetadata metadata;
        std::optional<std::uintmax_t> size;
        std::optional<double> bpm;
    };
    std::map<std::string, Answer> answers;
    int reads(const std::string& path) { return count("read " + path); }
    int tempoReads(const std::string& path) { return count("tempo " + path); }

    TrackMetadata read(const std::string& path) override {
        count("read " + path, 1);
        const auto* a = find(path);
        return a ? a->metadata : files_.read(path);
    }
    std::optional<std::uintmax_t> fileSize(const std::string& path) override {
        const auto* a = find(path);
        return a ? a->size : files_.fileSize(path);
    }
    std::optional<double> detectBPM(const std::string& path) override {
        count("tempo " + path, 1);
        const auto* a = find(path);
        return a ? a->bpm : files_.detectBPM(path);
    }

private:
    const Answer* find(const std::string& path) const {
        const auto it = answers.find(path);
        return it == answers.end() ? nullptr : &it->second;
    }
    int count(const std::string& key, int add = 0) {
        std::lock_guard lock(mutex_);
        return counts_[key] += add;
    }
    std::mutex mutex_;
    std::map<std::string, int> counts_;
    FileMetadataSource files_;
};

// The totals of the scans started, in order, from the progress the scan publishes.
struct ScanLog {
    explicit ScanLog(PlayerController& controller)
        : subscription(
              controller.metadataScanProgress.subscribe([this](const MetadataScanProgress& p) {
                  if (p.done == 0 && p.total > 0)
                      scans.push_back(p.total);
              })) {}
    std::vector<std::size_t> scans;
    Subscription subscription;
};

class MetadataScanTest : public ::testing::Test {
protected:
    // A controller reading through `source`, which must have its answers by now: the
    // scan may start at once.
    ControllerRig rigWith(std::vector<Track> tracks, bool scanAtStart = true) {
        ControllerRig::Options options;
        options.scanAtStart = scanAtStart;
        options.metadata = std::move(ownSource);
        return ControllerRig(stateWith(std::move(tracks)), std::move(options));
    }
    static ScriptedSource::Answer lasting(double seconds) {
        ScriptedSource::Answer answer;
        answer.metadata.duration = seconds;
        answer.metadata.sampleRateHz = 44100;
        answer.metadata.bitrateKbps = 128;
        answer.bpm = 120.0;
        return answer;
    }
    TempFolder files;
    std::unique_ptr<ScriptedSource> ownSource = std::make_unique<ScriptedSource>();
    ScriptedSource* source = ownSource.get(); // owned by the controller once there is one
};

TEST_F(MetadataScanTest, TagEditorValuesSurviveAScanButTheAlbumFollowsTheFile) {
    Track edited = makeTrack(files.dc("edited.mp3", 0.1), "Parsed title");
    edited.genre = "Edited genre";
    edited.album = "Edited album";
    edited.trackNumber = 7;
    Track other = makeTrack(files.dc("other.mp3", 0.1), "Parsed title");
    other.album = "Stored album";

    ScriptedSource::Answer fromFile;
    fromFile.metadata.title = "";
    fromFile.metadata.genre = "Rock";
    fromFile.metadata.album = "File album";
    fromFile.metadata.year = "1999";
    fromFile.metadata.trackNumber = 3;
    fromFile.metadata.duration = 200.0;
    fromFile.metadata.sampleRateHz = 44100;
    fromFile.size = 4'000'000; // no bit rate in the file: 160 kbit/s from the size
    fromFile.bpm = 127.5;
    source->answers[edited.path] = fromFile;
    ScriptedSource::Answer shortFile;
    shortFile.metadata.title = "File title";
    shortFile.metadata.artist = "";
    shortFile.metadata.duration = 0.8; // too short for an estimate
    shortFile.size = 4'000'000;
    source->answers[other.path] = shortFile;

    ControllerRig rig = rigWith({edited, other}, false);
    rig->addFiles({files.dc("new.wav", 0.1)}); // any addition scans every playlist
    rig.settle();
    Track a = edited;
    a.album = "File album";
    a.year = "1999";
    a.duration = 200.0;
    a.bitrateKbps = 160;
    a.sampleRateHz = 44100;
    a.bpm = 128;
    EXPECT_EQ(rig.track(0), a);
    const Track& b = rig.track(1);
    EXPECT_EQ(b.title, "File title");
    EXPECT_EQ(b.artist, "Artist");
    EXPECT_FALSE(b.album);
    EXPECT_FALSE(b.bitrateKbps);
}

TEST_F(MetadataScanTest, FilesThatNeverYieldTheirDataAreScannedOnce) {
    const auto broken = files.broken("broken.mp3");
    const auto tiny = files.dc("tiny.mp3", 0.1);
    ScriptedSource::Answer noBitrate;
    noBitrate.metadata.duration = 0.5;
    noBitrate.metadata.sampleRateHz = 8000;
    source->answers[tiny] = noBitrate;
    ControllerRig rig = rigWith({makeTrack(broken, "broken"), makeTrack(tiny, "tiny")});
    ScanLog log(*rig);

    // Without a bound the finish step would start the same scan again and again.
    while (rig->metadataScanInProgress() && log.scans.size() < 3) {
        rig.loop.waitForPosted();
        rig.loop.runPending();
    }
    EXPECT_FALSE(rig->metadataScanInProgress());
    EXPECT_TRUE(log.scans.empty()); // only the scan begun at construction (before the log)
    EXPECT_FALSE(rig.track(0).duration);
    EXPECT_EQ(rig.track(0).bpm, 0);
    EXPECT_FALSE(rig.track(1).bitrateKbps);

    // A later scan reads the new file only.
    const auto fresh = files.dc("fresh.wav", 0.1);
    rig->addFiles({fresh});
    rig.settle();
    EXPECT_EQ(source->reads(broken), 1);
    EXPECT_EQ(source->reads(tiny), 1);
    EXPECT_EQ(source->tempoReads(broken), 1);
    EXPECT_EQ(source->reads(fresh), 1);
    EXPECT_TRUE(rig.track(2).duration);
}

// Level batches that measure nothing (files gone, say) change no track and so never
// rewrite the playlists: with a large library every rewrite redraws the whole list.
TEST_F(MetadataScanTest, LevelBatchesThatMeasureNothingLeaveThePlaylistsAlone) {
    std::vector<Track> tracks;
    for (std::size_t i = 0; i < 3 * kLevelBatchSize; ++i) {
        Track track = makeTrack(files.path("gone" + std::to_string(i) + ".mp3"), "gone");
        track.duration = 60.0;
        track.sampleRateHz = 44100;
        track.bitrateKbps = 128;
        track.bpm = 120;
        tracks.push_back(std::move(track));
    }
    ControllerRig rig = rigWith(std::move(tracks));
    int writes = 0;
    const Subscription counting = rig->playlists.subscribe([&](const auto&) { ++writes; });
    rig.settle();
    EXPECT_FALSE(rig->metadataScanInProgress());
    EXPECT_EQ(writes, 0);
}

TEST_F(MetadataScanTest, BatchesFindTheirTracksByIdAfterTheListChanged) {
    std::vector<Track> list;
    for (int i = 0; i < 150; ++i) {
        list.push_back(makeTrack(files.path("f" + std::to_string(i) + ".wav"), std::to_string(i)));
        source->answers[list.back().path] = lasting(1000.0 + i);
    }
    ControllerRig rig = rigWith(list);

    // The first batch waits for the main thread while the list is edited.
    rig.loop.waitForPosted();
    rig.remove({list[0].id, list[1].id, list[4].id, list[9].id});
    rig->moveTrack(80, 0);
    rig->moveTrack(3, 120);
    rig.settle();

    ASSERT_EQ(rig.list().tracks.size(), 146u);
    for (const auto& track : rig.list().tracks)
        EXPECT_EQ(track.duration, 1000.0 + std::stoi(track.title)) << track.title;
    rig->undoRemove(); // put back unscanned, as they were taken
    EXPECT_FALSE(rig.track(0).duration);
}

TEST_F(MetadataScanTest, TheControllerMayGoWhileTheScanWaitsForAMerge) {
    ControllerRig rig = rigWith({makeTrack(files.dc("a.wav", 0.1), "a")});
    rig.loop.waitForPosted(); // the first batch is waiting for the main thread
    rig.controller.reset();   // must not wait for ever
    rig.loop.advance(1.0);    // the merge finds nobody to merge into
    EXPECT_EQ(rig.loop.pendingTimerCount(), 0u);
}

} // namespace
} // namespace orvane::test
