#include "controller/PlayerController.h"

#include "controller/TrackLookup.h"
#include "engine/EngineError.h"
#include "engine/host/NullOutput.h"
#include "runtime/Diagnostics.h"
#include "runtime/ThreadCheck.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>

namespace orvane {

namespace {

// A fade length from the settings as whole milliseconds (truncated), 0 for nonsense.
int fadeMilliseconds(double ms) {
    if (!(ms >= 1.0))
        return 0;
    return static_cast<int>(std::min(std::trunc(ms), 3'600'000.0));
}

// Between the end of a change fade-out and the start of the new track.
constexpr double kChangeStartDelay = 0.02;

} // namespace

PlayerController::PlayerController(MainLoop& loop, PlayerControllerServices services)
    : loop_(loop), storage_(std::move(services.storage)), desktop_(services.desktop),
      nowPlaying_(services.nowPlaying),
      shuffle_(services.shuffleSeed ? *services.shuffleSeed : std::random_device{}()),
      metadataSource_(services.metadata ? std::move(services.metadata)
                                        : std::make_unique<FileMetadataSource>()),
      coverCacheFolder_(std::move(services.coverCacheFolder)), handOver_(loop) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    auto output = services.output ? std::move(services.output) : std::make_unique<NullOutput>();
    engine_ = std::make_unique<AudioEngine>(loop_, std::move(output), services.engine);
    fileWorkQueue_ =
        std::make_unique<SerialQueue>("orvane-files", SerialQueue::Priority::background);
    priorityWorkQueue_ =
        std::make_unique<SerialQueue>("orvane-priority", SerialQueue::Priority::background);

    loadStoredState();
    applyStoredSettings();
    wireEngineCallbacks();

    startResumeCapture();
    if (services.scanMetadataAtStart)
        loadMissingMetadata();
    if (settings.get().resumeOnStartup)
        resumeAtStartup();
}

PlayerController::~PlayerController() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    // A scan waiting for the main thread to merge a batch would wait for ever: the
    // closed hand-over wakes it and it ends before its next file. The running job
    // finishes and the others are dropped; what they post back finds the guard gone.
    handOver_.close();
    priorityWorkQueue_.reset();
    fileWorkQueue_.reset();
}

void PlayerController::wireEngineCallbacks() {
    engine_->onTrackEnded = guard_.wrap([this] { handleTrackEnded(); });
    engine_->onGaplessPromotion =
        guard_.wrap([this](const Uuid& trackID) { handleGaplessPromotion(trackID); });
    engine_->onNeedPreload = guard_.wrap([this] { preloadNextIfPossible(); });
    engine_->onQueueDiscarded = guard_.wrap([this] { rollBackDiscardedShuffleCommit(); });
    watchEngineTransport();
}

// --- Lookups ---

const Playlist* PlayerController::activePlaylist() const {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const auto index = playlistIndex(activePlaylistID.get());
    return index ? &playlists.get()[*index] : nullptr;
}

const Track* PlayerController::playingTrack() const {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const auto pi = playlistIndex(playingPlaylistID.get());
    if (!pi)
        return nullptr;
    const auto& tracks = playlists.get()[*pi].tracks;
    const auto ti = trackIndex(tracks, playingTrackID.get());
    return ti ? &tracks[*ti] : nullptr;
}

std::optional<std::size_t>
PlayerController::playlistIndex(const std::optional<Uuid>& playlistID) const {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (!playlistID)
        return std::nullopt;
    const auto& lists = playlists.get();
    for (std::size_t i = 0; i < lists.size(); ++i)
        if (lists[i].id == *playlistID)
            return i;
    return std::nullopt;
}

// --- Starting tracks ---

void PlayerController::play(Uuid trackID, std::optional<Uuid> inPlaylist) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const auto pid = inPlaylist ? inPlaylist : activePlaylistID.get();
    if (settings.get().shuffle) {
        if (const auto pi = playlistIndex(pid)) {
            const auto& list = playlists.get()[*pi];
            shuffle_.start(list.tracks, trackID, list.id);
        }
    }
    playInternal(trackID, inPlaylist);
}

void PlayerController::playInternal(Uuid trackID, std::optional<Uuid> inPlaylist) {
    const auto pid = inPlaylist ? inPlaylist : activePlaylistID.get();
    const auto pi = playlistIndex(pid);
    if (!pi)
        return;
    const auto ti = trackIndex(playlists.get()[*pi].tracks, trackID);
    if (!ti)
        return;

    StartRequest request;
    request.trackID = trackID;
    request.playlistID = *pid;
    request.path = playlists.get()[*pi].tracks[*ti].path;
    request.prep = prepareAnalysis(*pi, *ti, PrepareFor::start);

    // A new choice replaces the pending one, and with it a pause asked for meanwhile.
    pauseAfterChange_ = false;
    const AppSettings& s = settings.get();
    if (engine_->isPlaying.get() && s.fadeChangeOn) {
        // The old track fades out over half the change time and unloads; the new one
        // starts a moment after and fades in over the other half. Until then the old
        // track is still the playing one. A later start or a stop replaces or cancels
        // this continuation, so only the last choice starts.
        const int half = fadeMilliseconds(s.fadeChangeMs * 0.5);
        engine_->stop(half);
        request.fadeInMs = half;
        changeContinuation_ =
            loop_.runAfter(static_cast<double>(half) / 1000.0 + kChangeStartDelay, [this, request] {
                // Taken first: a failed start chooses again through playInternal.
                const bool pauseAfter = std::exchange(pauseAfterChange_, false);
                // The choice may have gone during the fade (its playlist closed, or
                // the track removed): the old track is out already, so playback ends
                // here rather than with a track outside every playlist.
                const auto target = playlistIndex(request.playlistID);
                if (!target || !containsTrack(playlists.get()[*target].tracks, request.trackID)) {
                    stop();
                    return;
                }
                StartRequest pending = request;
                startTrack(std::move(pending));
                if (pauseAfter && engine_->isPlaying.get()) {
                    // The new track has only begun its fade-in: nothing was heard yet.
                    engine_->pause(0);
                    updateNowPlaying();
                }
            });
        return;
    }
    changeContinuation_.cancel();
    request.fadeInMs = s.fadePlayOn ? fadeMilliseconds(s.fadePlayMs) : 0;
    startTrack(std::move(request));
}

bool PlayerController::wholePassFailed(const Uuid& playlistID, const std::set<Uuid>& failed,
                                       std::size_t attempts) const {
    const auto pi = playlistIndex(playlistID);
    if (!pi)
        return true;
    const auto& tracks = playlists.get()[*pi].tracks;
    const bool allFailed = std::all_of(tracks.begin(), tracks.end(),
                                       [&](const Track& t) { return failed.count(t.id) != 0; });
    return allFailed || attempts > 2 * tracks.size() + 1;
}

void PlayerController::startTrack(StartRequest request) {
    // A track that cannot be loaded is skipped: the next choice is made from it, by
    // the same rules as the user's next. The loop (rather than recursion) keeps a long
    // run of broken files off the stack; a start asked for while choosing comes back
    // here through pendingStart_.
    if (starting_) {
        pendingStart_ = std::move(request);
        return;
    }
    starting_ = true;
    std::set<Uuid> failed;
    std::size_t attempts = 0;
    std::optional<StartRequest> next = std::move(request);
    while (next) {
        StartRequest current = std::move(*next);
        next.reset();
        if (loadIntoEngine(current)) {
            failed.clear();
            attempts = 0;
            trackStarted(current);
            next = std::exchange(pendingStart_, std::nullopt); // an observer started another
            continue;
        }
        failed.insert(current.trackID);
        ++attempts;
        // Give up after one full pass in which nothing could be started: every track
        // of the playlist failed (or, as a bound, twice as many attempts as tracks).
        if (wholePassFailed(current.playlistID, failed, attempts)) {
            reportDiagnostic(DiagnosticArea::controller, DiagnosticLevel::warning,
                             "stopped: no track of the playlist could be started");
            stop();
            break;
        }
        failedStart_ = FailedStart{current.trackID, current.playlistID};
        advance(AdvanceReason::afterFailure);
        failedStart_.reset();
        next = std::exchange(pendingStart_, std::nullopt);
    }
    starting_ = false;
}

bool PlayerController::loadIntoEngine(const StartRequest& request) {
    try {
        engine_->load(request.path, request.trackID, request.prep.t0, request.prep.t1,
                      request.prep.norm, request.fadeInMs);
        return true;
    } catch (const EngineError& error) {
        reportDiagnostic(DiagnosticArea::controller, DiagnosticLevel::warning,
                         std::string("skipping a track: ") + error.what());
        return false;
    }
}

void PlayerController::trackStarted(const StartRequest& request) {
    playingPlaylistID = request.playlistID;
    playingTrackID = request.trackID;
    // The load dropped whatever was queued; a shuffle step it committed is final now
    // or was undone before this start.
    plannedNextID_.reset();
    shuffle_.keepProvisional();
    orphanNextIndex_.reset(); // it belonged to a removed track that is no longer loaded
    resumePlaylistID_ = request.playlistID;
    resumeTrackID_ = request.trackID;
    resumePosition_ = 0.0;
    updateNowPlaying();
    saveResumePoint();
}

// --- Engine callbacks ---

void PlayerController::handleTrackEnded() {
    // The old track may run out while a change fade is under way: the chosen track is
    // about to start, so the end must not choose another.
    if (changeContinuation_.isActive())
        return;
    nextTrack(true);
}

void PlayerController::handleGaplessPromotion(const Uuid& trackID) {
    // A hand-off stays inside the playing playlist.
    playingTrackID = trackID;
    plannedNextID_.reset();
    shuffle_.keepProvisional();
    orphanNextIndex_.reset(); // the removed track it belonged to has played out
    resumeTrackID_ = trackID;
    resumePosition_ = 0.0;
    normalizeHandedOverTrack();
    updateNowPlaying();
    saveResumePoint();
}

// --- Transport ---

void PlayerController::togglePlay() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (!selection.get().empty()) {
        const Uuid selected = *selection.get().begin();
        const Playlist* active = activePlaylist();
        const auto& playing = playingTrackID.get();
        if (active && containsTrack(active->tracks, selected) &&
            (!playing || *playing != selected)) {
            play(selected, activePlaylistID.get());
            return;
        }
    }
    if (engine_->isLoaded.get()) {
        pauseToggle();
        return;
    }
    if (const Playlist* active = activePlaylist(); active && !active->tracks.empty()) {
        const Uuid first = active->tracks.front().id;
        play(first, activePlaylistID.get());
    }
}

void PlayerController::pauseToggle() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (engine_->isPlaying.get())
        pausePlayback();
    else
        resumePlayback();
}

void PlayerController::pausePlayback() {
    const AppSettings& s = settings.get();
    engine_->pause(s.fadePauseOn ? fadeMilliseconds(s.fadePauseMs) : 0);
    updateNowPlaying();
}

void PlayerController::resumePlayback() {
    const AppSettings& s = settings.get();
    // During a pause fade this takes the pause back: the level climbs again from
    // where the fade got to.
    engine_->resume(s.fadePauseOn ? fadeMilliseconds(s.fadePauseMs) : 0);
    updateNowPlaying();
}

void PlayerController::stop() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    const AppSettings& s = settings.get();
    const int ms = s.fadeStopOn ? fadeMilliseconds(s.fadeStopMs) : 0;
    changeContinuation_.cancel();
    pauseAfterChange_ = false;
    // The stop drops a queued track: a shuffle step its preload committed is undone,
    // so that the next start does not pass over it.
    rollBackDiscardedShuffleCommit();
    engine_->stop(ms);
    playingPlaylistID = std::nullopt;
    playingTrackID = std::nullopt;
    plannedNextID_.reset();
    // Next starts from the playlist again, not after a removed track that is gone.
    orphanNextIndex_.reset();
    updateNowPlaying();
}

void PlayerController::setVolume(double volume) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings([volume](AppSettings& s) {
        s.volume = volume;
        if (s.isMuted && volume > 0.0)
            s.isMuted = false; // moving the volume up unmutes; moving it to 0 does not
    });
    const AppSettings& s = settings.get();
    engine_->setVolume(s.isMuted ? 0.0f : static_cast<float>(volume));
    engine_->setLoudness(s.loudness, volume);
}

void PlayerController::setPan(double pan) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (!std::isfinite(pan))
        return;
    pan = std::clamp(pan, -1.0, 1.0);
    changeSettings([pan](AppSettings& s) { s.pan = pan; });
    engine_->setPan(static_cast<float>(pan));
}

void PlayerController::toggleMute() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    changeSettings([](AppSettings& s) { s.isMuted = !s.isMuted; });
    const AppSettings& s = settings.get();
    engine_->setVolume(s.isMuted ? 0.0f : static_cast<float>(s.volume));
}

void PlayerController::seek(double seconds) {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (!engine_->isLoaded.get() || !std::isfinite(seconds))
        return;
    engine_->seek(seconds);
    // Where the engine actually went (it keeps seeks inside the trimmed region).
    resumePosition_ = engine_->currentTime.get();
    announceSeek();
    saveResumePoint();
}

void PlayerController::restartTrack() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (!engine_->isLoaded.get() || !engine_->isPlaying.get())
        return;
    // The engine keeps the seek inside the trimmed region, so 0 means its start. The
    // stored position goes: a restarted track resumes from its beginning.
    engine_->seek(0.0);
    resumePosition_.reset();
    announceSeek();
    saveResumePoint();
}

} // namespace orvane
