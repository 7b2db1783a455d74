#include "controller/MetadataScan.h"

#include "runtime/ParallelFor.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace orvane {

namespace {

template <typename Field, typename T>
void fillIfAbsent(Field& field, std::optional<T>& value) {
    if (!field && value)
        field = std::move(value);
}

template <typename T>
void replaceIfNonEmpty(std::string& field, std::optional<T>& value) {
    if (value && !value->empty())
        field = std::move(*value);
}

// The first batch of a pass, from the main thread; nothing once the hand-over is closed.
std::optional<std::vector<ScanItem>> firstBatch(const MetadataScanSink& sink, ScanKind kind,
                                                std::size_t batchSize,
                                                MainThreadHandOver& handOver) {
    std::vector<ScanItem> items;
    if (!handOver.run([&] { items = sink.next(kind, batchSize); }))
        return std::nullopt;
    return items;
}

// Merges a batch's results on the main thread and fetches the next batch of the pass in
// the same hand-over. False once the hand-over is closed.
template <typename Result>
bool mergeAndContinue(const std::function<void(std::vector<Result>)>& merge,
                      std::vector<Result> results, const MetadataScanSink& sink, ScanKind kind,
                      std::size_t batchSize, MainThreadHandOver& handOver,
                      std::vector<ScanItem>& items) {
    return handOver.run([&] {
        merge(std::move(results));
        items = sink.next(kind, batchSize);
    });
}

// Measures a pass in batches of `batchSize`, each batch on `workers` threads at once,
// and merges each batch on the main thread. False once the hand-over is closed.
template <typename Result, typename Measure>
bool measureInBatches(ScanKind kind, std::size_t batchSize, std::size_t workers,
                      MainThreadHandOver& handOver, const MetadataScanSink& sink,
                      const std::function<void(std::vector<Result>)>& merge, Measure measure) {
    auto first = firstBatch(sink, kind, batchSize, handOver);
    if (!first)
        return false;
    std::vector<ScanItem> items = std::move(*first);
    while (!items.empty()) {
        std::vector<Result> results(items.size());
        parallelFor(items.size(), workers, "orvane-analysis", [&](std::size_t k) {
            if (handOver.isClosed())
                return;
            const ScanItem& item = items[k];
            results[k] = {item.playlistID, item.trackID, item.indexHint, measure(item.path)};
        });
        if (handOver.isClosed())
            return false;
        if (!mergeAndContinue(merge, std::move(results), sink, kind, batchSize, handOver, items))
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

void runMetadataScan(MetadataSource& source, MainThreadHandOver& handOver, MainLoop& loop,
                     const MetadataScanSink& sink, std::size_t workers) {
    // The closed check comes before every file rather than every batch: a batch of
    // tempo detections on long files takes seconds, and the owner waits for this job
    // when it goes away.
    auto first = firstBatch(sink, ScanKind::metadata, kMetadataBatchSize, handOver);
    if (!first)
        return;
    std::vector<ScanItem> items = std::move(*first);
    while (!items.empty()) {
        std::vector<MetadataScanResult> results;
        results.reserve(items.size());
        for (const ScanItem& item : items) {
            if (handOver.isClosed())
                return;
            TrackMetadata metadata = source.read(item.path);
            if (!metadata.bitrateKbps && metadata.duration && *metadata.duration > 1.0) {
                if (const auto size = source.fileSize(item.path))
                    metadata.bitrateKbps = estimatedBitrateKbps(*size, *metadata.duration);
            }
            results.push_back({item.playlistID, item.trackID, item.indexHint, std::move(metadata)});
        }
        if (!mergeAndContinue(sink.mergeMetadata, std::move(results), sink, ScanKind::metadata,
                              kMetadataBatchSize, handOver, items))
            return;
    }

    const bool measured =
        measureInBatches<LevelScanResult>(
            ScanKind::levels, kLevelBatchSize, workers, handOver, sink, sink.mergeLevels,
            [&source](const std::string& path) { return source.measureLevels(path); }) &&
        measureInBatches<TempoScanResult>(
            ScanKind::tempo, kTempoBatchSize, workers, handOver, sink, sink.mergeTempo,
            [&source](const std::string& path) { return storedTempo(source.detectBPM(path)); });
    if (!measured)
        return;

    if (!handOver.isClosed())
        loop.post(sink.finish);
}

} // namespace orvane
