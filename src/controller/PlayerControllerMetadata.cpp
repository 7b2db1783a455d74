#include "controller/PlayerController.h"
#include "controller/TrackLookup.h"
#include "runtime/Diagnostics.h"
#include "runtime/ParallelFor.h"
#include "runtime/ThreadCheck.h"
#include "tags/TagWriter.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace orvane {

namespace {

bool lacksTechnicalData(const Track& track) {
    return !track.duration || !track.bitrateKbps || !track.sampleRateHz;
}

std::optional<std::string> unlessEmpty(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    return text;
}

// Finds the playlist of a batch result; consecutive results mostly share one.
class PlaylistFinder {
public:
    explicit PlaylistFinder(std::vector<Playlist>& lists) : lists_(lists) {}
    Playlist* operator()(const Uuid& playlistID) {
        if (last_ && last_->id == playlistID)
            return last_;
        last_ = nullptr;
        for (auto& list : lists_)
            if (list.id == playlistID) {
                last_ = &list;
                break;
            }
        return last_;
    }

private:
    std::vector<Playlist>& lists_;
    Playlist* last_ = nullptr;
};

} // namespace

void PlayerController::startMetadataScan() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    loadMissingMetadata();
}

void PlayerController::loadMissingMetadata() {
    if (metadataScanInProgress_)
        return; // the finish step looks again for what is missing then
    const MetadataScanPlan plan = planMetadataScan();
    if (plan.empty())
        return;
    metadataScanInProgress_ = true;
    metadataScanChanged_ = false;
    scanCursors_.fill({});
    metadataScanProgress = MetadataScanProgress{0, plan.size()};

    // The merges run only while the hand-over is open, which the destructor closes
    // first; the guard covers the finish step, which is posted without waiting.
    MetadataScanSink sink;
    sink.next = [this](ScanKind kind, std::size_t count) {
        return nextScanItems(kind, count);
    };
    sink.mergeMetadata = guard_.wrap([this](std::vector<MetadataScanResult> results) {
        mergeMetadataBatch(std::move(results));
    });
    sink.mergeLevels = guard_.wrap(
        [this](std::vector<LevelScanResult> results) { mergeLevelBatch(std::move(results)); });
    sink.mergeTempo = guard_.wrap(
        [this](std::vector<TempoScanResult> results) { mergeTempoBatch(std::move(results)); });
    sink.finish = guard_.wrap([this] { finishMetadataScan(); });
    // `next` and the merges run only through the hand-over, which the destructor closes
    // before anything they use goes.
    fileWorkQueue_->async(
        [sink = std::move(sink), &source = *metadataSource_, &handOver = handOver_, &loop = loop_] {
            runMetadataScan(source, handOver, loop, sink, backgroundWorkerCount());
        });
}

bool PlayerController::needsScan(ScanKind kind, const Track& track) const {
    switch (kind) {
    case ScanKind::metadata:
        return lacksTechnicalData(track) && metadataVisited_.count(track.id) == 0;
    case ScanKind::levels:
        return !(track.peakLinear && track.rmsLinear) && levelVisited_.count(track.id) == 0 &&
               levelJobs_.count(track.id) == 0;
    case ScanKind::tempo:
        return !track.bpm && tempoVisited_.count(track.id) == 0;
    }
    return false;
}

MetadataScanPlan PlayerController::planMetadataScan() const {
    MetadataScanPlan plan;
    for (const auto& list : playlists.get()) {
        for (const Track& track : list.tracks) {
            plan.metadata += needsScan(ScanKind::metadata, track) ? 1u : 0u;
            plan.levels += needsScan(ScanKind::levels, track) ? 1u : 0u;
            plan.tempo += needsScan(ScanKind::tempo, track) ? 1u : 0u;
        }
    }
    return plan;
}

std::vector<ScanItem> PlayerController::nextScanItems(ScanKind kind, std::size_t count) {
    // Edits between batches may move a track past the cursor or in front of it: one
    // passed over is found by the scan that the finish step starts, and one met twice
    // was merged already, so it no longer needs the scan.
    ScanCursor& cursor = scanCursors_[static_cast<std::size_t>(kind)];
    std::vector<ScanItem> items;
    const auto& lists = playlists.get();
    for (; cursor.list < lists.size() && items.size() < count; ++cursor.list, cursor.track = 0) {
        const Playlist& list = lists[cursor.list];
        for (; cursor.track < list.tracks.size() && items.size() < count; ++cursor.track) {
            const Track& track = list.tracks[cursor.track];
            if (needsScan(kind, track))
                items.push_back({list.id, track.id, track.path, cursor.track});
        }
        if (items.size() == count)
            break;
    }
    return items;
}

void PlayerController::mergeMetadataBatch(std::vector<MetadataScanResult> results) {
    const std::size_t count = results.size();
    updatePlaylists([&](std::vector<Playlist>& lists) {
        PlaylistFinder findList(lists);
        for (auto& result : results) {
            Playlist* list = findList(result.playlistID);
            if (!list)
                continue;
            Track* track = findTrackNear(list->tracks, result.trackID, result.indexHint);
            if (!track)
                continue;
            mergeScannedMetadata(*track, std::move(result.metadata));
            // A track that got its data is not asked about again anyway.
            if (lacksTechnicalData(*track))
                metadataVisited_.insert(result.trackID);
        }
    });
    // No save here: the finish step asks for one.
    metadataScanChanged_ = true;
    advanceScanProgress(count);
}

void PlayerController::mergeLevelBatch(std::vector<LevelScanResult> results) {
    // A batch that measured nothing (files gone, or not audio) changes no track: with a
    // large library, writing the playlists anyway would redraw the whole list for every
    // batch of twenty failures.
    if (std::none_of(results.begin(), results.end(),
                     [](const LevelScanResult& r) { return r.levels.has_value(); })) {
        for (const auto& result : results)
            levelVisited_.insert(result.trackID);
        return;
    }
    std::vector<std::pair<Uuid, AudioLevels>> measured;
    updatePlaylists([&](std::vector<Playlist>& lists) {
        PlaylistFinder findList(lists);
        for (const auto& result : results) {
            Playlist* list = findList(result.playlistID);
            Track* track =
                list ? findTrackNear(list->tracks, result.trackID, result.indexHint) : nullptr;
            if (!track || !result.levels) {
                // Unmeasurable: measured again only when it is prepared.
                levelVisited_.insert(result.trackID);
                continue;
            }
            track->peakLinear = result.levels->peak;
            track->rmsLinear = result.levels->rms;
            measured.emplace_back(result.trackID, *result.levels);
        }
    });
    for (const auto& [trackID, levels] : measured)
        applyMeasuredLevel(trackID, levels);
    // No save here: the finish step asks for one.
    metadataScanChanged_ = true;
}

void PlayerController::mergeTempoBatch(std::vector<TempoScanResult> results) {
    updatePlaylists([&](std::vector<Playlist>& lists) {
        PlaylistFinder findList(lists);
        for (const auto& result : results) {
            Playlist* list = findList(result.playlistID);
            if (!list)
                continue;
            if (Track* track = findTrackNear(list->tracks, result.trackID, result.indexHint)) {
                track->bpm = result.bpm;
                // Kept although the track has a tempo now (0: none found): a tempo asked
                // for again clears it while it is measured on its own.
                tempoVisited_.insert(result.trackID);
            }
        }
    });
    metadataScanChanged_ = true;
    advanceScanProgress(results.size());
}

void PlayerController::advanceScanProgress(std::size_t items) {
    MetadataScanProgress progress = metadataScanProgress.get();
    progress.done = std::min(progress.done + items, progress.total);
    metadataScanProgress = progress;
}

void PlayerController::finishMetadataScan() {
    // A scan whose every file failed changed nothing: with a large library, a save would
    // copy and write every track for nothing.
    if (metadataScanChanged_)
        scheduleSave();
    metadataScanInProgress_ = false;
    metadataScanProgress = MetadataScanProgress{};
    // Tracks added during the scan still lack their data; the visited ones are not
    // tried again, so this ends once everything has been read once.
    loadMissingMetadata();
}

void PlayerController::saveTags(Uuid trackID, const TagValues& tags) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    std::optional<std::size_t> pi;
    std::optional<std::size_t> ti;
    const auto& lists = playlists.get();
    for (std::size_t i = 0; i < lists.size() && !pi; ++i) {
        if (const auto index = trackIndex(lists[i].tracks, trackID)) {
            pi = i;
            ti = index;
        }
    }
    if (!pi)
        return;
    // Throws with the writer's message; the record is then left as it is.
    const std::string& path = lists[*pi].tracks[*ti].path;
    try {
        TagWriter::writeTags(path, tags);
    } catch (const std::exception& error) {
        // The editor shows the message; the log keeps it, with the file, for a report.
        reportDiagnostic(DiagnosticArea::tags, DiagnosticLevel::warning,
                         "tags not saved to " + path + ": " + error.what());
        throw;
    }

    updatePlaylists([&](std::vector<Playlist>& all) {
        Track& track = all[*pi].tracks[*ti];
        track.title = tags.title;
        track.artist = tags.artist;
        track.album = unlessEmpty(tags.album);
        track.albumArtist = unlessEmpty(tags.albumArtist);
        track.genre = unlessEmpty(tags.genre);
        track.year = unlessEmpty(tags.year);
        track.trackNumber = tags.trackNumber;
        track.trackTotal = tags.trackTotal;
        track.discNumber = tags.discNumber;
        track.discTotal = tags.discTotal;
        track.composer = unlessEmpty(tags.composer);
        track.comment = unlessEmpty(tags.comment);
    });
    scheduleSave();
}

} // namespace orvane
