#include "controller/MetadataScan.h"

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
                     MainThreadHandOver& handOver, MainLoop& loop, const MetadataScanSink& sink) {
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

    const auto& tempoItems = plan.tempo;
    for (std::size_t begin = 0; begin < tempoItems.size(); begin += kTempoBatchSize) {
        const auto end = std::min(begin + kTempoBatchSize, tempoItems.size());
        std::vector<TempoScanResult> results;
        results.reserve(end - begin);
        for (std::size_t i = begin; i < end; ++i) {
            if (handOver.isClosed())
                return;
            const ScanItem& item = tempoItems[i];
            results.push_back({item.playlistID, item.trackID, item.indexHint,
                               storedTempo(source.detectBPM(item.path))});
        }
        auto merge = [merge = sink.mergeTempo, results = std::move(results)]() mutable {
            merge(std::move(results));
        };
        if (!handOver.run(std::move(merge)))
            return;
    }

    if (!handOver.isClosed())
        loop.post(sink.finish);
}

} // namespace orvane
