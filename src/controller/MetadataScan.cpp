#include "controller/MetadataScan.h"

#include "runtime/ParallelFor.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace orvane {

namespace {

template <typename T>
void fillIfAbsent(std::optional<T>& field, std::optional<T>& value) {
    if (!field && value)
        field = std::move(value);
}

template <typename T>
void replaceIfNonEmpty(std::string& field, std::optional<T>& value) {
    if (value && !value->empty())
        field = std::move(*value);
}

// Measures `items` in batches of `batchSize`, each batch on `workers` threads at once,
// and merges each batch on the main thread. False once the hand-over is closed.
template <typename Result, typename Measure>
bool measureInBatches(const std::vector<ScanItem>& items, std::size_t batchSize,
                      std::size_t workers, MainThreadHandOver& handOver,
                      const std::function<void(std::vector<Result>)>& merge, Measure measure) {
    for (std::size_t begin = 0; begin < items.size(); begin += batchSize) {
        const auto end = std::min(begin + batchSize, items.size());
        std::vector<Result> results(end - begin);
        parallelFor(end - begin, workers, "orvane-analysis", [&](std::size_t k) {
            if (handOver.isClosed())
                return;
            const ScanItem& item = items[begin + k];
            results[k] = {item.playlistID, item.trackID, item.indexHint, measure(item.path)};
        });
        if (handOver.isClosed())
            return false;
        auto task = [merge, results = std::move(results)]() mutable {
            merge(std::move(results));
        };
        if (!handOver.run(std::move(task)))
            return false;
    }
    return true;
}

} // namespace

std::optional<int> estimatedBitrateKbps(std::uintmax_t sizeBytes, double durationSeconds) {
    if (!(durationSeconds > 1.0) || !std::isfinite(durationSeconds) || sizeBytes < 1)
        return std::nullopt;
    const double kbps = static_cast<double>(sizeBytes) * 8.0 / durationSeconds / 1000.0;
    // Only a corrupt duration gets near this; the estimate is then worthless.
    if (!(kbps < 1.0e9))
        return std::nullopt;
    return static_cast<int>(std::lround(kbps));
}

int storedTempo(std::optional<double> bpm) {
    if (!bpm || !std::isfinite(*bpm))
        return 0;
    return static_cast<int>(std::lround(std::clamp(*bpm, -1.0e6, 1.0e6)));
}

void mergeScannedMetadata(Track& track, TrackMetadata metadata) {
    track.duration = metadata.duration;
    replaceIfNonEmpty(track.title, metadata.title);
    replaceIfNonEmpty(track.artist, metadata.artist);
    track.album = std::move(metadata.album);
    track.bitrateKbps = metadata.bitrateKbps;
    track.sampleRateHz = metadata.sampleRateHz;
    fillIfAbsent(track.albumArtist, metadata.albumArtist);
    fillIfAbsent(track.genre, metadata.genre);
    fillIfAbsent(track.year, metadata.year);
    fillIfAbsent(track.trackNumber, metadata.trackNumber);
    fillIfAbsent(track.trackTotal, metadata.trackTotal);
    fillIfAbsent(track.discNumber, metadata.discNumber);
    fillIfAbsent(track.discTotal, metadata.discTotal);
    fillIfAbsent(track.composer, metadata.composer);
    fillIfAbsent(track.comment, metadata.comment);
}

void runMetadataScan(const MetadataScanPlan& plan, MetadataSource& source,
                     MainThreadHandOver& handOver, MainLoop& loop, const MetadataScanSink& sink,
                     std::size_t workers) {
    // The closed check comes before every file rather than every batch: a batch of
    // tempo detections on long files takes seconds, and the owner waits for this job
    // when it goes away.
    const auto& items = plan.metadata;
    for (std::size_t begin = 0; begin < items.size(); begin += kMetadataBatchSize) {
        const auto end = std::min(begin + kMetadataBatchSize, items.size());
        std::vector<MetadataScanResult> results;
        results.reserve(end - begin);
        for (std::size_t i = begin; i < end; ++i) {
            if (handOver.isClosed())
                return;
            const ScanItem& item = items[i];
            TrackMetadata metadata = source.read(item.path);
            if (!metadata.bitrateKbps && metadata.duration && *metadata.duration > 1.0) {
                if (const auto size = source.fileSize(item.path))
                    metadata.bitrateKbps = estimatedBitrateKbps(*size, *metadata.duration);
            }
            results.push_back({item.playlistID, item.trackID, item.indexHint, std::move(metadata)});
        }
        auto merge = [merge = sink.mergeMetadata, results = std::move(results)]() mutable {
            merge(std::move(results));
        };
        if (!handOver.run(std::move(merge)))
            return;
    }

    const bool measured =
        measureInBatches<LevelScanResult>(
            plan.levels, kLevelBatchSize, workers, handOver, sink.mergeLevels,
            [&source](const std::string& path) { return source.measureLevels(path); }) &&
        measureInBatches<TempoScanResult>(
            plan.tempo, kTempoBatchSize, workers, handOver, sink.mergeTempo,
            [&source](const std::string& path) { return storedTempo(source.detectBPM(path)); });
    if (!measured)
        return;

    if (!handOver.isClosed())
        loop.post(sink.finish);
}

} // namespace orvane
