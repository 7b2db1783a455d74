#include "controller/PlayerController.h"
#include "controller/TrackLookup.h"

namespace orvane {

namespace {

// The start-up resume jumps to the stored position this long after the track started.
constexpr double kResumeSeekDelay = 0.2;
// Stored positions up to this are not worth a jump: the track simply starts.
constexpr double kResumeSeekMinimum = 0.5;

} // namespace

void PlayerController::updateNowPlaying() {
    if (!nowPlaying_)
        return;
    NowPlayingInfo info;
    const bool playing = engine_->isPlaying.get();
    info.playing = playing;
    if (const Track* track = playingTrack()) {
        NowPlayingInfo::Item item;
        item.title = track->title;
        item.artist = track->artist;
        item.album = track->album;
        item.duration = engine_->duration.get();
        item.elapsed = engine_->currentTime.get();
        item.rate = playing ? 1.0 : 0.0;
        info.item = std::move(item);
    }
    nowPlaying_->nowPlayingChanged(info);
}

void PlayerController::resumeAtStartup() {
    if (!resumePlaylistID_ || !resumeTrackID_)
        return;
    const Uuid playlistID = *resumePlaylistID_;
    const Uuid trackID = *resumeTrackID_;
    const auto pi = playlistIndex(playlistID);
    if (!pi || !containsTrack(playlists.get()[*pi].tracks, trackID))
        return;
    // Taken before the start resets the resume fields.
    const double position = resumePosition_.value_or(0.0);
    activePlaylistID = playlistID;
    play(trackID, playlistID);

    // When the stored track could not be started another one plays: the stored
    // position means nothing for it.
    if (!(position > kResumeSeekMinimum) || playingTrackID.get() != trackID ||
        playingPlaylistID.get() != playlistID)
        return;
    resumeSeek_ = loop_.runAfter(kResumeSeekDelay, [this, trackID, position] {
        if (playingTrackID.get() != trackID)
            return; // the user chose another track meanwhile
        // As a user seek: the resume point stays where playback is.
        seek(position);
    });
}

} // namespace orvane
