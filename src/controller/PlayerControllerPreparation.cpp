#include "controller/PlayerController.h"
#include "controller/TrackLookup.h"
#include "engine/analysis/Levels.h"
#include "engine/analysis/SilenceTrim.h"
#include "engine/analysis/TempoDetection.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace orvane {

namespace {

// 10^(-18/20): the normalisation target as a linear RMS level.
constexpr double kTargetRMS = 0.12589254117941673;
// 10^(18/20): the largest boost, +18 dB.
constexpr double kMaxNormGain = 7.943282347242816;

bool hasMeasuredLevels(const Track& track) {
    return track.peakLinear && track.rmsLinear && *track.peakLinear > 0.0 && *track.rmsLinear > 0.0;
}

// Finds a track by playlist and track id, as background results must (the lists may
// have changed while the work ran).
Track* findTrack(std::vector<Playlist>& lists, const Uuid& playlistID, const Uuid& trackID) {
    for (auto& list : lists) {
        if (list.id != playlistID)
            continue;
        for (auto& track : list.tracks)
            if (track.id == trackID)
                return &track;
        return nullptr;
    }
    return nullptr;
}

} // namespace

double normalizationGain(double rmsLinear) {
    const double gain = kTargetRMS / rmsLinear;
    if (!(gain > 1.0))
        return 1.0; // never attenuates (also for a NaN or negative level)
    return std::min(gain, kMaxNormGain);
}

PlayerController::Preparation PlayerController::prepareAnalysis(std::size_t pi, std::size_t ti,
                                                                PrepareFor use) {
    Preparation prep;
    const AppSettings s = settings.get();
    const Uuid playlistID = playlists.get()[pi].id;
    Track track = playlists.get()[pi].tracks[ti];

    if (s.trimSilence) {
        if (track.trimStart && track.trimEnd) {
            prep.t0 = *track.trimStart;
            prep.t1 = *track.trimEnd;
        } else if (auto trim = computeTrim(track.path, s.trimThresholdDb, s.trimMaxSec)) {
            updatePlaylists([&](std::vector<Playlist>& lists) {
                auto& stored = lists[pi].tracks[ti];
                stored.trimStart = trim->start;
                stored.trimEnd = trim->end;
            });
            scheduleSave();
            prep.t0 = trim->start;
            prep.t1 = trim->end;
        }
        // No result: untrimmed, and nothing stored, so the next preparation tries again.
    }

    if (!s.normalize) {
        if (!s.compOn && use == PrepareFor::start)
            restDynamics();
    } else if (hasMeasuredLevels(track)) {
        prep.norm = normalizationGain(*track.rmsLinear);
        // A queued track's compressor state is set when it takes over, not while the
        // current track still plays (see handleGaplessPromotion).
        if (!s.compOn && use == PrepareFor::start)
            engine_->setCompressor(prep.norm > kAutoCompressorGain, CompressorPreset::gentle);
    } else {
        // Unity gain now; corrected when the measurement arrives if it is still playing.
        startLevelMeasurement(track.path, playlistID, track.id);
    }
    return prep;
}

void PlayerController::startLevelMeasurement(const std::string& path, const Uuid& playlistID,
                                             const Uuid& trackID) {
    if (!levelJobs_.insert(trackID).second)
        return; // already being measured
    auto done = guard_.wrap([this, playlistID, trackID](const std::optional<AudioLevels>& r) {
        finishLevelMeasurement(playlistID, trackID, r);
    });
    // The track plays at unity gain until its level arrives: where the decoder can, two
    // threads shorten the wait (the scan measures with one, a file per core).
    constexpr int kAboutToPlayDecoderThreads = 2;
    priorityWorkQueue_->async([&loop = loop_, path, done]() mutable {
        auto levels = computeLevels(path, kAboutToPlayDecoderThreads);
        loop.post([done, levels]() mutable { done(levels); });
    });
}

void PlayerController::finishLevelMeasurement(const Uuid& playlistID, const Uuid& trackID,
                                              const std::optional<AudioLevels>& levels) {
    levelJobs_.erase(trackID);
    if (!levels)
        return; // the next preparation measures again
    {
        const auto pi = playlistIndex(playlistID);
        if (!pi || !containsTrack(playlists.get()[*pi].tracks, trackID))
            return;
    }
    updatePlaylists([&](std::vector<Playlist>& lists) {
        if (Track* track = findTrack(lists, playlistID, trackID)) {
            track->peakLinear = levels->peak;
            track->rmsLinear = levels->rms;
        }
    });
    applyMeasuredLevel(trackID, *levels);
    scheduleSave();
}

void PlayerController::applyMeasuredLevel(const Uuid& trackID, const AudioLevels& levels) {
    if (!settings.get().normalize)
        return;
    const double gain = normalizationGain(levels.rms);
    if (playingTrackID.get() == trackID)
        applyNormalizationToPlaying(gain);
    else
        engine_->setQueuedNormGain(trackID, gain); // heard from its first frame
}

void PlayerController::normalizeHandedOverTrack() {
    const AppSettings& s = settings.get();
    if (!s.normalize)
        return;
    // The gain it was queued with, unless a level has come in since.
    const Track* track = playingTrack();
    if (track && hasMeasuredLevels(*track)) {
        const double gain = normalizationGain(*track->rmsLinear);
        if (std::abs(gain - static_cast<double>(engine_->normGain())) > 1e-6)
            engine_->setNormGain(gain, false);
    }
    if (!s.compOn)
        engine_->setCompressor(static_cast<double>(engine_->normGain()) > kAutoCompressorGain,
                               CompressorPreset::gentle);
}

void PlayerController::applyNormalizationToPlaying(double gain) {
    // Sets the engine's gain and the current segment's, and ramps the stage there.
    engine_->setNormGain(gain, false);
    if (!settings.get().compOn)
        engine_->setCompressor(gain > kAutoCompressorGain, CompressorPreset::gentle);
}

void PlayerController::resetNormalizationOfPlaying() {
    engine_->setNormGain(1.0, false);
    if (!settings.get().compOn)
        restDynamics();
}

void PlayerController::restDynamics() {
    // Compressor bypassed; the limiter in circuit at its resting pre-gain of -0.8 dB.
    engine_->setCompressor(false, CompressorPreset::gentle);
}

void PlayerController::renormalizePlaying() {
    const Track* track = playingTrack();
    if (!track)
        return;
    if (settings.get().normalize && hasMeasuredLevels(*track))
        applyNormalizationToPlaying(normalizationGain(*track->rmsLinear));
    else
        resetNormalizationOfPlaying();
}

void PlayerController::setNormalize(bool on) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings([on](AppSettings& s) { s.normalize = on; });
    if (const Track* track = playingTrack()) {
        if (!on)
            resetNormalizationOfPlaying();
        else if (hasMeasuredLevels(*track))
            applyNormalizationToPlaying(normalizationGain(*track->rmsLinear));
        else
            startLevelMeasurement(track->path, *playingPlaylistID.get(), track->id);
    }
}

void PlayerController::clearTrimCache() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    // No save: the settings change that asked for this requests one.
    updatePlaylists([](std::vector<Playlist>& lists) {
        for (auto& list : lists)
            for (auto& track : list.tracks) {
                track.trimStart.reset();
                track.trimEnd.reset();
            }
    });
}

void PlayerController::recomputeBPM(Uuid trackID) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    std::optional<Uuid> playlistID;
    std::string path;
    for (const auto& list : playlists.get()) {
        if (const auto ti = trackIndex(list.tracks, trackID)) {
            playlistID = list.id;
            path = list.tracks[*ti].path;
            break;
        }
    }
    if (!playlistID)
        return;
    // Shown at once as "being measured"; saved with the result.
    updatePlaylists([&](std::vector<Playlist>& lists) {
        if (Track* track = findTrack(lists, *playlistID, trackID))
            track->bpm.reset();
    });
    auto done = guard_.wrap([this, pid = *playlistID, trackID](std::optional<double> bpm) {
        finishTempoDetection(pid, trackID, bpm);
    });
    fileWorkQueue_->async([&loop = loop_, path, done]() mutable {
        auto bpm = detectBPM(path);
        loop.post([done, bpm]() mutable { done(bpm); });
    });
}

void PlayerController::finishTempoDetection(const Uuid& playlistID, const Uuid& trackID,
                                            std::optional<double> bpm) {
    {
        const auto pi = playlistIndex(playlistID);
        if (!pi || !containsTrack(playlists.get()[*pi].tracks, trackID))
            return;
    }
    // Rounded half away from zero; 0 says "no tempo found".
    int value = 0;
    if (bpm && std::isfinite(*bpm))
        value = static_cast<int>(std::lround(std::clamp(*bpm, -1.0e6, 1.0e6)));
    updatePlaylists([&](std::vector<Playlist>& lists) {
        if (Track* track = findTrack(lists, playlistID, trackID))
            track->bpm = value;
    });
    scheduleSave();
}

void PlayerController::preloadNextIfPossible() {
    // Called on every engine tick that asks for it: each call repeats the whole
    // attempt, so a refused preload is tried again 0.2 s later.
    const AppSettings& s = settings.get();
    if (!s.gapless)
        return;
    if (s.pbMode != PlaybackMode::normal && s.pbMode != PlaybackMode::all)
        return;
    // The old track of a change fade is on its way out; nothing goes behind it.
    if (changeContinuation_.isActive())
        return;
    const auto pi = playlistIndex(playingPlaylistID.get());
    if (!pi)
        return;
    const Uuid playlistID = playlists.get()[*pi].id;
    const auto& tracks = playlists.get()[*pi].tracks;
    const auto current = trackIndex(tracks, playingTrackID.get());
    if (tracks.empty() || !current)
        return;

    const bool shuffle = s.shuffle;
    std::optional<ShuffleOrder::Step> step;
    Uuid candidate;
    if (shuffle) {
        step = shuffle_.peekNext(tracks, playlistID, shuffleWraps());
        if (!step)
            return;
        candidate = step->id;
    } else {
        std::size_t j = *current + 1;
        if (j >= tracks.size()) {
            if (s.pbMode != PlaybackMode::all)
                return;
            j = 0;
        }
        candidate = tracks[j].id;
    }
    const auto c = trackIndex(tracks, candidate);
    if (!c)
        return;
    const std::string path = tracks[*c].path;

    // From here on `tracks` may be stale: preparation can store trims.
    const Preparation prep = prepareAnalysis(*pi, *c, PrepareFor::queue);
    if (!engine_->preloadNext(path, candidate, prep.t0, prep.t1, prep.norm))
        return; // nothing changed; tried again on the next tick

    plannedNextID_ = candidate;
    // The step is committed now, and undone if the engine drops the queued track.
    if (shuffle)
        shuffle_.commitProvisionally(std::move(*step), playlistID);
    else
        shuffle_.keepProvisional();
}

} // namespace orvane
