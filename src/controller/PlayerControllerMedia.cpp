#include "controller/PlayerController.h"
#include "runtime/ThreadCheck.h"
#include "tags/CoverArt.h"

#include <utility>

namespace orvane {

namespace {

// What a desktop shows of the transport: which track, and whether it plays. The times
// move on every tick and are no news by themselves.
bool sameTransport(const NowPlayingInfo& a, const NowPlayingInfo& b) {
    const auto shown = [](const NowPlayingInfo& info) {
        return info.item ? std::optional<Uuid>(info.item->trackID) : std::nullopt;
    };
    return a.playing == b.playing && shown(a) == shown(b);
}

} // namespace

NowPlayingInfo PlayerController::currentNowPlaying() const {
    NowPlayingInfo info;
    const auto& id = playingTrackID.get();
    if (!id)
        return info; // stopped, even while the stop fade is still heard
    // A track change under way plays on: the chosen track starts in a moment.
    info.playing = engine_->isPlaying.get() || changePending();
    NowPlayingInfo::Item item;
    item.trackID = *id;
    if (const Track* track = playingTrack()) {
        item.title = track->title;
        item.artist = track->artist;
        item.album = track->album;
    } else if (shownNowPlaying_.item && shownNowPlaying_.item->trackID == *id) {
        // Removed from its playlist, the track plays on: what is playing stays shown.
        item.title = shownNowPlaying_.item->title;
        item.artist = shownNowPlaying_.item->artist;
        item.album = shownNowPlaying_.item->album;
    }
    item.duration = engine_->duration.get();
    item.elapsed = engine_->currentTime.get();
    item.rate = info.playing ? 1.0 : 0.0;
    if (coverArtTrackID_ == *id)
        item.artPath = coverArtPath_;
    info.item = std::move(item);
    return info;
}

void PlayerController::updateNowPlaying() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (!nowPlaying_)
        return;
    shownNowPlaying_ = currentNowPlaying();
    lookUpCoverArt();
    nowPlaying_->nowPlayingChanged(shownNowPlaying_);
}

void PlayerController::lookUpCoverArt() {
    const auto& item = shownNowPlaying_.item;
    const Track* track = playingTrack();
    if (!item || !track || coverCacheFolder_.empty() || coverArtTrackID_ == item->trackID)
        return;
    // Once a track: a track without a cover is not searched again at every pause.
    coverArtTrackID_ = item->trackID;
    coverArtPath_.reset();
    auto done = guard_.wrap([this, trackID = item->trackID](std::optional<std::string> path) {
        finishCoverArt(trackID, std::move(path));
    });
    // Reading a picture out of a tag and writing it to the cache is file work of
    // unbounded length: never on the main thread. The priority lane, since the track is
    // playing now and a scan of a large folder may keep the file work queue for minutes.
    priorityWorkQueue_->async(
        [&loop = loop_, path = track->path, folder = coverCacheFolder_, done]() mutable {
            std::optional<std::string> art;
            if (const auto file = CoverArt::find(path, folder))
                art = file->string();
            loop.post([done, art = std::move(art)]() mutable { done(std::move(art)); });
        });
}

void PlayerController::finishCoverArt(const Uuid& trackID, std::optional<std::string> artPath) {
    if (coverArtTrackID_ != trackID || !artPath)
        return; // another track plays by now, or there is nothing to show
    coverArtPath_ = std::move(artPath);
    if (shownNowPlaying_.item && shownNowPlaying_.item->trackID == trackID)
        updateNowPlaying();
}

void PlayerController::announceSeek() {
    updateNowPlaying();
    if (nowPlaying_)
        nowPlaying_->seeked(engine_->currentTime.get());
}

void PlayerController::watchEngineTransport() {
    // The engine writes these inside the controller's own operations too (a load stops
    // before it plays, a seek writes isPlaying again): the display is compared once
    // the operation is over, so that it sees no passing states.
    engineIsPlaying_ =
        engine_->isPlaying.subscribe([this](const bool&) { refreshNowPlayingSoon(); });
    engineIsLoaded_ = engine_->isLoaded.subscribe([this](const bool&) { refreshNowPlayingSoon(); });
}

void PlayerController::refreshNowPlayingSoon() {
    if (!nowPlaying_ || nowPlayingRefreshPosted_)
        return;
    nowPlayingRefreshPosted_ = true;
    loop_.post(guard_.wrap([this] {
        nowPlayingRefreshPosted_ = false;
        if (!sameTransport(currentNowPlaying(), shownNowPlaying_))
            updateNowPlaying();
    }));
}

// A desktop sends whichever of the three it likes (a headset Play and Pause, a shell
// PlayPause), so each is answered by what it asks for, not as a toggle.

void PlayerController::mediaPlay() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (changePending()) {
        pauseAfterChange_ = false; // the chosen track plays as it starts
        return;
    }
    if (!engine_->isLoaded.get()) {
        togglePlay();
        return;
    }
    if (engine_->isPlaying.get() && !engine_->isPauseFading())
        return;
    resumePlayback();
}

void PlayerController::mediaPause() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    if (changePending()) {
        // The chosen track starts paused; the old one fades out as it does now.
        pauseAfterChange_ = true;
        return;
    }
    if (!engine_->isPlaying.get() || engine_->isPauseFading())
        return;
    pausePlayback();
}

void PlayerController::mediaPlayPause() {
    ORVANE_ASSERT_MAIN_THREAD(loop_);
    // Toggles what the desktop shows, and a track fading into its pause still shows
    // as playing: a second press during the fade repeats the pause.
    if (engine_->isPlaying.get() || changePending())
        mediaPause();
    else
        mediaPlay();
}

} // namespace orvane
