#include "ControllerTestSupport.h"

#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include <gtest/gtest.h>

namespace orvane::test {
namespace {

// Answers for some paths, the files themselves for the rest; counts every read.
class ScriptedSource final : public MetadataSource {
public:
    struct Answer {
        TrackMetadata metadata;
        std::optional<std::uintmax_t> size;
        std::optional<double> bpm;
    };

    void answer(const std::string& path, Answer answer) {
        std::lock_guard lock(mutex_);
        answers_[path] = std::move(answer);
    }
    int reads(const std::string& path) {
        std::lock_guard lock(mutex_);
        return reads_[path];
    }
    int tempoReads(const std::string& path) {
        std::lock_guard lock(mutex_);
        return tempoReads_[path];
    }

    TrackMetadata read(const std::string& path) override {
        std::lock_guard lock(mutex_);
        ++reads_[path];
        const auto it = answers_.find(path);
        return it != answers_.end() ? it->second.metadata : files_.read(path);
    }
    std::optional<std::uintmax_t> fileSize(const std::string& path) override {
        std::lock_guard lock(mutex_);
        const auto it = answers_.find(path);
        return it != answers_.end() ? it->second.size : files_.fileSize(path);
    }
    std::optional<double> detectBPM(const std::string& path) override {
        std::lock_guard lock(mutex_);
        ++tempoReads_[path];
        const auto it = answers_.find(path);
        return it != answers_.end() ? it->second.bpm : files_.detectBPM(path);
    }

private:
    std::mutex mutex_;
    std::map<std::string, Answer> answers_;
    std::map<std::string, int> reads_;
    std::map<std::string, int> tempoReads_;
    FileMetadataSource files_;
};

// Every value the scan publishes, with how many tracks had a duration and a tempo then.
struct ProgressLog {
    struct Entry {
        MetadataScanProgress progress;
        std::size_t withDuration = 0;
        std::size_t withTempo = 0;
    };
    explicit ProgressLog(PlayerController& controller)
        : subscription(controller.metadataScanProgress.subscribe(
              [this, &controller](const MetadataScanProgress& progress) {
                  Entry entry{progress};
                  for (const auto& list : controller.playlists.get())
                      for (const auto& track : list.tracks) {
                          entry.withDuration += track.duration ? 1u : 0u;
                          entry.withTempo += track.bpm ? 1u : 0u;
                      }
                  entries.push_back(entry);
              })) {}
    // The totals of the scans started, in order.
    std::vector<std::size_t> scans() const {
        std::vector<std::size_t> totals;
        for (const auto& entry : entries)
            if (entry.progress.done == 0 && entry.progress.total > 0)
                totals.push_back(entry.progress.total);
        return totals;
    }
    std::vector<Entry> entries;
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

TEST_F(MetadataScanTest, TwoHundredFiftyFilesMergeInBatchesOf100ThenTempoIn40) {
    std::filesystem::create_directories(files.path("album"));
    for (int i = 0; i < 250; ++i)
        files.dc("album/" + std::to_string(i) + " - Track.wav", 0.1);
    ControllerRig rig = rigWith({}, false);
    ProgressLog log(*rig);
    rig->addFiles({files.path("album")});
    ASSERT_EQ(rig.list().tracks.size(), 250u);
    EXPECT_TRUE(rig->metadataScanInProgress());
    rig.settle();

    std::vector<std::size_t> done, durations, tempos;
    for (const auto& entry : log.entries) {
        done.push_back(entry.progress.done);
        durations.push_back(entry.withDuration);
        tempos.push_back(entry.withTempo);
        if (entry.progress.total != 0) {
            EXPECT_EQ(entry.progress.total, 500u);
        }
    }
    EXPECT_EQ(done,
              (std::vector<std::size_t>{0, 100, 200, 250, 290, 330, 370, 410, 450, 490, 500, 0}));
    EXPECT_EQ(durations,
              (std::vector<std::size_t>{0, 100, 200, 250, 250, 250, 250, 250, 250, 250, 250, 250}));
    EXPECT_EQ(tempos, (std::vector<std::size_t>{0, 0, 0, 0, 40, 80, 120, 160, 200, 240, 250, 250}));
    EXPECT_EQ(log.entries.back().progress, MetadataScanProgress{});

    for (const auto& track : rig.list().tracks) {
        ASSERT_TRUE(track.duration);
        EXPECT_NEAR(*track.duration, 0.1, 1e-9);
        EXPECT_EQ(track.sampleRateHz, 8000);
        EXPECT_EQ(track.bpm, 0); // too short for a tempo: 0, which counts as known
        EXPECT_EQ(track.title, "Track");
    }
    EXPECT_FALSE(rig->metadataScanInProgress());
    EXPECT_TRUE(rig->savePending());
}

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
    source->answer(edited.path, fromFile);
    ScriptedSource::Answer shortFile;
    shortFile.metadata.title = "File title";
    shortFile.metadata.artist = "";
    shortFile.metadata.duration = 0.8; // too short for an estimate
    shortFile.size = 4'000'000;
    source->answer(other.path, shortFile);

    ControllerRig rig = rigWith({edited, other}, false);
    rig->addFiles({files.dc("new.wav", 0.1)}); // any addition scans every playlist
    rig.settle();
    const Track& a = rig.track(0);
    EXPECT_EQ(a.title, "Parsed title");
    EXPECT_EQ(a.artist, "Artist");
    EXPECT_EQ(a.genre, "Edited genre");
    EXPECT_EQ(a.trackNumber, 7);
    EXPECT_EQ(a.album, "File album");
    EXPECT_EQ(a.year, "1999");
    EXPECT_EQ(a.duration, 200.0);
    EXPECT_EQ(a.bitrateKbps, 160);
    EXPECT_EQ(a.sampleRateHz, 44100);
    EXPECT_EQ(a.bpm, 128);
    const Track& b = rig.track(1);
    EXPECT_EQ(b.title, "File title");
    EXPECT_EQ(b.artist, "Artist");
    EXPECT_FALSE(b.album);
    EXPECT_FALSE(b.bitrateKbps);
    EXPECT_EQ(b.bpm, 0);
}

TEST_F(MetadataScanTest, ARequestDuringAScanIsTakenUpByOneFollowUpScan) {
    ControllerRig rig =
        rigWith({makeTrack(files.dc("a.wav", 0.1), "a"), makeTrack(files.dc("b.wav", 0.1), "b")});
    ProgressLog log(*rig);
    EXPECT_TRUE(rig->metadataScanInProgress());
    const auto x = files.dc("x.wav", 0.1);
    const auto y = files.dc("y.wav", 0.1);
    rig->addFiles({x});
    rig->addFiles({y});
    rig.settle();

    // One follow-up (the first scan began before the log): x and y, 2 items each.
    EXPECT_EQ(log.scans(), (std::vector<std::size_t>{4}));
    for (const auto& path : {files.path("a.wav"), files.path("b.wav"), x, y}) {
        EXPECT_EQ(source->reads(path), 1) << path;
        EXPECT_EQ(source->tempoReads(path), 1) << path;
    }
    for (const auto& track : rig.list().tracks)
        EXPECT_TRUE(track.duration && track.bpm) << track.title;
    EXPECT_FALSE(rig->metadataScanInProgress());
}

TEST_F(MetadataScanTest, FilesThatNeverYieldTheirDataAreScannedOnce) {
    const auto broken = files.broken("broken.mp3");
    const auto tiny = files.dc("tiny.mp3", 0.1);
    ScriptedSource::Answer noBitrate;
    noBitrate.metadata.duration = 0.5;
    noBitrate.metadata.sampleRateHz = 8000;
    source->answer(tiny, noBitrate);
    ControllerRig rig = rigWith({makeTrack(broken, "broken"), makeTrack(tiny, "tiny")});
    ProgressLog log(*rig);

    // Without a bound the finish step would start the same scan again and again.
    while (rig->metadataScanInProgress() && log.scans().size() < 3) {
        rig.loop.waitForPosted();
        rig.loop.runPending();
    }
    EXPECT_FALSE(rig->metadataScanInProgress());
    EXPECT_TRUE(log.scans().empty()); // only the scan begun at construction (before the log)
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

TEST_F(MetadataScanTest, BatchesFindTheirTracksByIdAfterTheListChanged) {
    std::vector<Track> list;
    for (int i = 0; i < 150; ++i)
        list.push_back(makeTrack(files.path("f" + std::to_string(i) + ".wav"), std::to_string(i)));
    for (int i = 0; i < 150; ++i)
        source->answer(list[static_cast<std::size_t>(i)].path, lasting(1000.0 + i));
    ControllerRig rig = rigWith(list);

    // The first batch waits for the main thread while the list is edited.
    rig.loop.waitForPosted();
    std::set<Uuid> firstTen;
    for (std::size_t i = 0; i < 10; ++i)
        firstTen.insert(list[i].id);
    rig->selection = firstTen;
    rig->removeSelected();
    rig->moveTrack(80, 0);
    rig->moveTrack(3, 120);
    rig.settle();

    ASSERT_EQ(rig.list().tracks.size(), 140u);
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

// The hand-over's ways out for a waiting job besides the task running (which the scan
// tests above rely on): a close, and a loop that drops the task unrun (at shutdown).
TEST(HandOverTest, ACloseOrALoopThatDropsTheTaskReleasesTheJobAndTheTaskNeverRuns) {
    for (const bool dropByLoop : {false, true}) {
        SCOPED_TRACE(dropByLoop ? "loop dropped" : "closed");
        auto loop = std::make_unique<DrivenLoop>();
        MainThreadHandOver handOver(*loop);
        bool ran = false;
        std::optional<bool> result;
        std::thread job([&] { result = handOver.run([&] { ran = true; }); });
        loop->waitForPosted();
        if (dropByLoop) {
            loop.reset(); // its queue goes with it, unrun
        } else {
            handOver.close();
            EXPECT_FALSE(handOver.run([&] { ran = true; })); // at once, nothing posted
        }
        job.join();
        EXPECT_EQ(result, false);
        if (loop)
            loop->runPending();
        EXPECT_FALSE(ran);
    }
}

} // namespace
} // namespace orvane::test
