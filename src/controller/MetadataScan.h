#pragma once

#include "controller/MainThreadHandOver.h"
#include "controller/MetadataSource.h"
#include "model/Track.h"
#include "model/Uuid.h"
#include "runtime/MainLoop.h"
#include "tags/TrackMetadata.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace orvane {

// The background metadata scan: it reads what the files of the playlists say about
// themselves in batches and hands each batch to the main thread, which merges it into
// the playlists by id and gives it the next batch. The scan never holds more than a
// batch of paths: a library of 100,000 tracks that was never measured would otherwise
// keep a copy of every path for as long as the scan runs.

// How far the scan has come, for the status bar. Items are counted per list: a track
// that lacks both its technical data and its tempo counts twice.
struct MetadataScanProgress {
    std::size_t done = 0;  // items whose results have been merged
    std::size_t total = 0; // items of the scan; 0 while no scan runs

    friend bool operator==(const MetadataScanProgress&, const MetadataScanProgress&) = default;
};

// One file to read. The index is where the track was when its batch was made: the
// merge looks there first and otherwise searches by id, so edits made meanwhile are
// safe.
struct ScanItem {
    Uuid playlistID;
    Uuid trackID;
    std::string path;
    std::size_t indexHint = 0;
};

// The three passes of a scan, in the order they run.
enum class ScanKind {
    metadata, // tracks lacking duration, bit rate or sample rate
    levels,   // tracks lacking a measured level
    tempo,    // tracks lacking a tempo
};

// How many tracks of each kind a scan finds at its start.
struct MetadataScanPlan {
    std::size_t metadata = 0;
    std::size_t levels = 0;
    std::size_t tempo = 0;

    bool empty() const { return metadata == 0 && levels == 0 && tempo == 0; }
    // The items the progress counts: the levels are measured on the side, as they are
    // for the tracks about to play.
    std::size_t size() const { return metadata + tempo; }
};

struct MetadataScanResult {
    Uuid playlistID;
    Uuid trackID;
    std::size_t indexHint = 0;
    TrackMetadata metadata;
};

struct LevelScanResult {
    Uuid playlistID;
    Uuid trackID;
    std::size_t indexHint = 0;
    std::optional<AudioLevels> levels; // none: the file could not be measured
};

struct TempoScanResult {
    Uuid playlistID;
    Uuid trackID;
    std::size_t indexHint = 0;
    int bpm = 0; // 0: no tempo found
};

// Where a scan takes its work from and delivers. `next` and the merges run on the main
// thread through the hand-over, one batch at a time; `finish` is posted to the main loop
// when every batch is merged.
struct MetadataScanSink {
    // At most `count` further tracks of a kind, in playlist order from where the last
    // batch of that kind ended; none when that pass is done.
    std::function<std::vector<ScanItem>(ScanKind kind, std::size_t count)> next;
    std::function<void(std::vector<MetadataScanResult>)> mergeMetadata;
    std::function<void(std::vector<LevelScanResult>)> mergeLevels;
    std::function<void(std::vector<TempoScanResult>)> mergeTempo;
    std::function<void()> finish;
};

inline constexpr std::size_t kMetadataBatchSize = 100;
inline constexpr std::size_t kLevelBatchSize = 20;
inline constexpr std::size_t kTempoBatchSize = 40;

// Runs a whole scan from the calling (background) thread: the metadata items in batches
// of kMetadataBatchSize, then the levels in batches of kLevelBatchSize, then the tempo
// items in batches of kTempoBatchSize, each batch merged synchronously together with the
// request for the next; then posts the finish. The files of a level or tempo batch are
// measured on `workers` threads at once (see parallelFor). Once the hand-over is closed
// it stops before the next file and never finishes.
void runMetadataScan(MetadataSource& source, MainThreadHandOver& handOver, MainLoop& loop,
                     const MetadataScanSink& sink, std::size_t workers = 1);

// The bit rate a file of `sizeBytes` bytes and `durationSeconds` seconds averages, in
// kbit/s rounded half away from zero; none for 1 s or less, or an empty file.
std::optional<int> estimatedBitrateKbps(std::uintmax_t sizeBytes, double durationSeconds);

// A detected tempo as stored: rounded half away from zero, 0 when none was found.
int storedTempo(std::optional<double> bpm);

// Merges what a file said into its track. Duration, album, bit rate and sample rate
// follow the file, also to no value; title and artist only when the file has a
// non-empty one (else the names parsed from the file name stay); every other tag only
// fills a field without value, so that edits made in the tag editor are kept.
void mergeScannedMetadata(Track& track, TrackMetadata metadata);

} // namespace orvane
