#pragma once

#include "controller/DesktopServices.h"
#include "controller/MainThreadHandOver.h"
#include "controller/MetadataScan.h"
#include "controller/MetadataSource.h"
#include "controller/RemovalUndoStack.h"
#include "controller/ShuffleOrder.h"
#include "controller/StateStorage.h"
#include "engine/AudioEngine.h"
#include "model/AppSettings.h"
#include "model/Playlist.h"
#include "model/Track.h"
#include "model/Uuid.h"
#include "runtime/LifetimeGuard.h"
#include "runtime/MainLoop.h"
#include "runtime/Observable.h"
#include "runtime/SerialQueue.h"
#include "tags/TagValues.h"
#include "tags/TagWriteError.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

namespace orvane {

struct AudioLevels;

// What a PlayerController is built from. Only the main loop is required elsewhere;
// everything here may be left empty.
struct PlayerControllerServices {
    std::unique_ptr<AudioOutput> output;      // none: a silent NullOutput
    EngineOptions engine;                     // how the engine's host runs
    std::unique_ptr<StateStorage> storage;    // none: the fresh state, and saves are dropped
    DesktopShell* desktop = nullptr;          // none: icon, window level and quit rule ignored
    NowPlayingSink* nowPlaying = nullptr;     // none: nothing is shown to the system
    std::optional<std::uint64_t> shuffleSeed; // none: a random seed
    std::unique_ptr<MetadataSource> metadata; // none: the files themselves
    // Whether construction starts the background metadata scan. Adding files starts
    // one either way; tests that are not about scanning switch this off.
    bool scanMetadataAtStart = true;
    // Where the covers embedded in playing tracks are written for the now-playing
    // display (CoverArt). Empty: no cover is looked up.
    std::filesystem::path coverCacheFolder;
};

// The one object between the views and everything else: it owns the audio engine, the
// playlists, the settings and the background queue, starts and sequences tracks,
// prepares them (silence trims, normalisation) and keeps the state file current.
//
// Views read the published fields (each write notifies their observers, even when the
// value is unchanged) and call the operations. They change settings only through the
// controller: changeSettings() for a setting that is only stored, or the setting's own
// operation (setGapless, setOutputDevice, ...) when the engine, the desktop or the
// prepared tracks must follow it; either way the change is published and saved.
//
// The class is spread over one source file per area: PlayerController.cpp holds
// construction, lookups, starting tracks and the transport, and
// PlayerController<Area>.cpp the rest:
//   Sequencing   next, previous, the playback mode and the shuffle switch
//   Preparation  silence trims, normalisation, tempo and the preload
//   Processing   the equaliser
//   Settings     the settings entry, the settings window's operations, and the
//                stored settings taken to engine and desktop
//   Playlists    the playlists and adding files
//   Editing      removing, undoing a removal, moving and clearing tracks
//   Selection    clicks, select-all and the search
//   Metadata     the background metadata scan and tag saving
//   Media        the now-playing display and the desktop's media commands
//   System       the keys and resuming at start
//   Persistence  loading and saving the state file, capturing the resume position
// Self-contained parts live in files of their own: ShuffleOrder (the shuffle pass and
// its steps), RemovalUndoStack (what undo puts back) and MetadataScan.cpp (the scan's
// background job).
//
// Threading: everything runs on the main thread, that of `loop`. fileWorkQueue() runs
// the metadata scan with its level and tempo measurements in the background, and
// priorityWorkQueue() the levels of the tracks playing and about to play and the
// playing track's cover; their
// results come back through MainLoop::post, are matched to tracks by id (never by
// index) and are dropped once the controller is gone. The scan waits until the main
// thread has merged each batch (a synchronous hand-over), so the main thread never
// waits for fileWorkQueue(); the destructor releases a waiting scan before it joins
// the queue. Every timer and delayed continuation is owned by the controller and dies
// with it. The loop must outlive the controller.
class PlayerController {
public:
    // The RMS level normalisation aims at, in dB full scale.
    static constexpr double normTargetRMSDb = -18.0;

    // Builds the engine, loads the stored state and applies it to engine and desktop,
    // wires the engine's callbacks, starts the resume capture and the metadata scan
    // and, when the settings ask for it, resumes the stored track. The output starts
    // on the first play.
    PlayerController(MainLoop& loop, PlayerControllerServices services);
    ~PlayerController();
    PlayerController(const PlayerController&) = delete;
    PlayerController& operator=(const PlayerController&) = delete;

    // --- Published state ---
    Published<std::vector<Playlist>> playlists;      // in tab order
    Published<std::optional<Uuid>> activePlaylistID; // the playlist shown and edited
    Published<AppSettings> settings;
    // The track loaded in the engine (playing or paused) and its playlist; set and
    // cleared together. Cleared only by stop().
    Published<std::optional<Uuid>> playingPlaylistID;
    Published<std::optional<Uuid>> playingTrackID;
    Published<std::set<Uuid>> selection; // selected tracks of the active playlist
    Published<std::string> searchText;
    Published<int> volumeKeyNudge{0}; // bumped per handled volume key press
    Published<int> seekKeyNudge{0};   // bumped per handled seek key press
    Published<bool> removalUndoAvailable{false};
    // The background metadata scan's progress; {0, 0} while none runs.
    Published<MetadataScanProgress> metadataScanProgress;

    AudioEngine& engine() { return *engine_; }
    const AudioEngine& engine() const { return *engine_; }
    // The bulk background queue (the metadata scan with its level and tempo
    // measurements, a tempo asked for again). The main thread must not wait for it
    // (waitUntilIdle): a scan on it may be waiting for the main thread to merge a batch.
    SerialQueue& fileWorkQueue() { return *fileWorkQueue_; }
    // The priority lane: the levels of the tracks playing and about to play, and the
    // playing track's cover, which must not wait behind a scan of a whole folder.
    SerialQueue& priorityWorkQueue() { return *priorityWorkQueue_; }

    // --- Lookups ---
    // The active playlist, or none. The pointer is valid until `playlists` next changes.
    const Playlist* activePlaylist() const;
    // The playing track in the playing playlist, or none (it may have been removed).
    // Valid until `playlists` next changes.
    const Track* playingTrack() const;
    // Index of the first playlist with this id; none for none or no match.
    std::optional<std::size_t> playlistIndex(const std::optional<Uuid>& playlistID) const;

    // --- Transport ---
    // The user's explicit choice of a track (inPlaylist none: the active playlist).
    // With shuffle on it starts a new shuffle order that begins with this track.
    void play(Uuid trackID, std::optional<Uuid> inPlaylist = std::nullopt);
    // The play/pause button: a selected other track starts; else pause or resume; else
    // the active playlist's first track starts.
    void togglePlay();
    void pauseToggle();
    // Stops playback (with the stop fade) and cancels a track change under way. The
    // resume fields stay; no save.
    void stop();
    // `volume` in 0...1; moving it above 0 unmutes.
    void setVolume(double volume);
    void toggleMute();
    // The balance, -1 (left) ... 1 (right).
    void setPan(double pan);
    // A seek made by the user (seek bar, keys, the system's position control): the
    // resume position follows it.
    void seek(double seconds);
    // Play pressed while a track plays: back to its start, forgetting the stored
    // resume position. Nothing happens unless a track is playing.
    void restartTrack();

    // --- Sequencing (PlayerControllerSequencing.cpp) ---
    // `automatic` when a track ended, false for the user's next.
    void nextTrack(bool automatic);
    // Restarts the track once more than 4 s of it have played (counted from its
    // trimmed start), else goes to the previous one.
    void prevTrack();
    // The shuffle switch and the playback mode. A track queued for a gapless hand-off
    // is dropped and chosen again under the new rule, so that the choice holds at the
    // end of the playing track.
    void toggleShuffle();
    void setPlaybackMode(PlaybackMode mode);

    // --- Preparation (PlayerControllerPreparation.cpp) ---
    // Switches normalisation and corrects the playing track at once.
    void setNormalize(bool on);
    // Measures the track's tempo again in the background.
    void recomputeBPM(Uuid trackID);

    // --- Equaliser (PlayerControllerProcessing.cpp) ---
    // The equaliser's switch; ramps the bands in or out.
    void setEQEnabled(bool on);
    // One band's gain in dB; bands outside settings.eqGains are ignored. No save (the
    // panel asks for one) and the preset name stays.
    void setEQGain(int band, double db);
    // The built-in preset `name`, else the user preset `name`; an unknown name changes
    // nothing. The gains apply at once; the switch stays as it is.
    void applyEQPreset(const std::string& name);
    // Stores the current gains as a user preset under `name` without surrounding
    // white space, and makes it current. Blank and built-in names are refused.
    void saveCustomEQPreset(const std::string& name);
    // Removes a user preset; when it was the current one, "flat" is applied.
    void deleteCustomEQPreset(const std::string& name);
    // "flat" and the equaliser off.
    void resetEQ();
    // The equaliser panel's Cancel: the switch, the gains and the preset name as in
    // `snapshot`, heard at once. No save.
    void restoreEQ(const AppSettings& snapshot);
    // Whether settings.eqPreset names a user preset (which may then be deleted).
    bool isCurrentEQPresetCustom() const;

    // --- Playlist editing (PlayerControllerPlaylists.cpp, PlayerControllerEditing.cpp,
    // PlayerControllerSelection.cpp) ---
    // A new empty playlist, made active; without a name "Playlist <count + 1>".
    void addPlaylist(std::optional<std::string> name = std::nullopt);
    // Blank names (after trimming blanks and tabs) are ignored.
    void renamePlaylist(Uuid playlistID, const std::string& name);
    // Removes a playlist (stopping playback when it plays); the last one is replaced by
    // an empty "Playlist 1". Closing the active one activates the first.
    void closePlaylist(Uuid playlistID);
    // The tab choice: makes the playlist active and clears the selection.
    void selectPlaylist(Uuid playlistID);
    // Appends the audio files found in `items` (files and folders) to the active
    // playlist, leaving out those it holds already, and starts the metadata scan.
    void addFiles(const std::vector<std::string>& items);
    // What opening files from outside (the command line, the file manager, the bus)
    // does: as addFiles, then the first of the files found starts, also when the
    // playlist held it already. Nothing found changes nothing.
    void openFiles(const std::vector<std::string>& items);
    // As addFiles, inserted as one block before the track at `index` (limited to the
    // playlist: past the end appends).
    void insertFiles(const std::vector<std::string>& items, std::ptrdiff_t index);
    // Removes the selected tracks of the active playlist, keeping an undo entry.
    void removeSelected();
    // Puts back the most recent removal.
    void undoRemove();
    // Moves the track at `fromIndex` of the active playlist into the gap
    // `toInsertionIndex` (0: before the first row; the track count: after the last).
    void moveTrack(std::ptrdiff_t fromIndex, std::ptrdiff_t toInsertionIndex);
    // Empties the active playlist (stopping playback when it plays); no undo.
    void clearActivePlaylist();
    // A click on a row: `cmd` (the Ctrl key) toggles the track, `shift` selects the
    // range from the last clicked track, a plain click selects just this track.
    void handleTrackClick(Uuid trackID, bool shift, bool cmd);
    // Selects every visible track.
    void selectAll();
    // The active playlist's tracks that match searchText (in title, artist or album,
    // ignoring case); all of them for a blank search.
    std::vector<Track> visibleTracks() const;

    // --- Metadata and tags (PlayerControllerMetadata.cpp) ---
    // Starts the background scan of what the playlists' tracks lack (technical data,
    // levels, tempo), unless one runs. For a controller built without the scan at start:
    // the application asks for it once its window is on the screen.
    void startMetadataScan();
    // Writes `tags` into the track's file and then into its record. Throws
    // TagWriteError (the record is then unchanged); an unknown track does nothing.
    void saveTags(Uuid trackID, const TagValues& tags);

    // --- Now playing and media commands (PlayerControllerMedia.cpp) ---
    // Tells the system's now-playing display what is loaded and whether it plays. The
    // controller also calls it by itself once a fade has finished a pause or a stop.
    void updateNowPlaying();
    // The desktop's media commands (MPRIS Play, Pause and PlayPause: media keys,
    // headsets, the shell's player). Play starts or resumes and leaves a playing track
    // alone; Pause pauses and does nothing while paused or stopped; PlayPause toggles.
    // With nothing loaded, Play and PlayPause start as the panel's Play does
    // (togglePlay).
    void mediaPlay();
    void mediaPause();
    void mediaPlayPause();

    // --- System (PlayerControllerSystem.cpp) ---
    // Whether the window shows the meters (visible, not minimised, a visualisation
    // chosen). Without a watcher the engine stops metering and slows its tick.
    void setMetersWatched(bool watched);
    // A key pressed in the main window, before any view sees it. Handles select-all,
    // the seek arrows (left/right, 5 s, while a track is loaded) and the volume arrows
    // (down/up, 0.05); returns whether it took the key. Keys with a modifier and keys
    // meant for a text field being edited are left alone.
    bool handleKeyDown(MonitoredKey key, KeyModifiers modifiers);
    // Whether keyboard input belongs to a text field now (false without a desktop).
    bool isEditingText() const;

    // --- Persistence (PlayerControllerPersistence.cpp) ---
    // Notes where playback stands and writes at once when a save is pending (the
    // application calls it when quitting, so that a change of the last half second is
    // not lost).
    void flushPendingSave();

    // --- Settings (PlayerControllerSettings.cpp) ---
    // The one way a view changes settings: `change` edits them, then they are published
    // and saved. A setting that the engine, the desktop or the prepared tracks must
    // follow has its own operation below, which goes through here and then acts.
    template <typename F>
    void changeSettings(F&& change);
    // The Save buttons of the settings window and the equaliser panel: a save, which
    // also takes the band gains setEQGain leaves unsaved.
    void saveSettings();
    // The settings window's Cancel: puts back, from `snapshot`, the settings the window
    // edits and applies them to engine, window and system, then saves. Everything else
    // (volume, pan, mute, mode, shuffle, the equaliser and its presets) keeps its live
    // value: it may have changed elsewhere while the window was open.
    void restoreSettings(const AppSettings& snapshot);
    // Gapless, compressor, character and loudness from the settings. No save.
    void applyProcessing();
    // Each of the operations below stores its setting, acts on it at once and saves.
    // Gapless: the engine asks for the next track ahead of time only while it is on.
    void setGapless(bool on);
    // The silence trim's rules. Trims measured under other rules are forgotten, and
    // measured again when next needed.
    void setTrimSilence(bool on);
    void setTrimThresholdDb(double db);
    void setTrimMaxSeconds(double seconds);
    // Loudness compensation and the compressor reach the engine at once.
    void setLoudness(bool on);
    void setCompressorEnabled(bool on);
    void setCompressorPreset(CompressorPreset preset);
    // The main window stays above other windows, or goes back to a normal one.
    void setAlwaysOnTop(bool on);
    // The application icon with or without the "ORVANE" wordmark.
    void setShowWordmarkIcon(bool on);
    // Whether closing the last window ends the application; it applies at once.
    void setQuitOnClose(bool on);
    // The output device by its stable identifier; none (or an empty one) is the
    // system's default. A device that is present now takes the output at once; an
    // absent one is only stored. Going back to the default re-routes at once too.
    void setOutputDevice(std::optional<std::string> uid);
    // The next visualisation mode, after `off` back to `spectrum`.
    void cycleVisualization();
    // Full screen shows the playlist whatever the user chose: the window turns
    // showPlaylist on when it enters full screen and puts the user's value back when it
    // leaves. Published for the views that follow it, not saved: it is not the user's
    // choice.
    void setPlaylistShownForFullscreen(bool on);

    // --- Inspection, for views and tests ---
    // The track queued in the engine for a gapless hand-off.
    const std::optional<Uuid>& plannedNextID() const { return plannedNextID_; }
    const ShuffleOrder& shuffleOrder() const { return shuffle_; }
    const std::optional<Uuid>& resumePlaylistID() const { return resumePlaylistID_; }
    const std::optional<Uuid>& resumeTrackID() const { return resumeTrackID_; }
    const std::optional<double>& resumePosition() const { return resumePosition_; }
    bool savePending() const { return saveWorkItem_.isActive(); }
    // A metadata scan is queued or running.
    bool metadataScanInProgress() const { return metadataScanInProgress_; }
    // A change fade is under way: the old track fades out, the new one starts soon.
    bool changePending() const { return changeContinuation_.isActive(); }

private:
    // Above this normalisation gain the gentle compressor is switched in automatically
    // (while the user's own compressor is off).
    static constexpr double kAutoCompressorGain = 1.02;

    // What preparation gives a track: its region and normalisation gain.
    struct Preparation {
        double t0 = 0.0;          // trimmed start, seconds
        std::optional<double> t1; // trimmed end, seconds; none: the file's end
        double norm = 1.0;        // linear normalisation gain
    };
    // Everything needed to hand a track to the engine, captured when it was chosen.
    struct StartRequest {
        Uuid trackID;
        std::string path;
        Uuid playlistID;
        Preparation prep;
        int fadeInMs = 0;
    };
    enum class AdvanceReason { trackEnded, user, afterFailure };
    // The track whose start failed: the next choice is made from it.
    struct FailedStart {
        Uuid trackID;
        Uuid playlistID;
    };

    // Core and transport (PlayerController.cpp).
    void wireEngineCallbacks();
    void playInternal(Uuid trackID, std::optional<Uuid> inPlaylist);
    void startTrack(StartRequest request);
    bool loadIntoEngine(const StartRequest& request);
    void trackStarted(const StartRequest& request);
    void handleTrackEnded();
    void handleGaplessPromotion(const Uuid& trackID);
    // Whether to give up after the failed starts of a run: every track of the playlist
    // failed to start (or, as a bound, twice as many attempts as it has tracks).
    bool wholePassFailed(const Uuid& playlistID, const std::set<Uuid>& failed,
                         std::size_t attempts) const;
    // Pause with the pause fade, and resume with it.
    void pausePlayback();
    void resumePlayback();
    // The display learns of a jump of the position (a seek or a restart).
    void announceSeek();
    template <typename F>
    void updatePlaylists(F&& change);

    // Sequencing (PlayerControllerSequencing.cpp).
    void advance(AdvanceReason reason);
    // Shuffle follows repeat all into a new pass; the other modes end with the pass.
    bool shuffleWraps() const { return settings.get().pbMode == PlaybackMode::all; }
    // The engine dropped the queued track: the shuffle step its preload took is undone.
    void rollBackDiscardedShuffleCommit();
    // Drops the queued track from the engine and forgets the plan.
    void dropQueuedTrack();

    // Preparation and preload (PlayerControllerPreparation.cpp).
    // Whether a prepared track starts now or is queued behind the playing one.
    enum class PrepareFor { start, queue };
    Preparation prepareAnalysis(std::size_t pi, std::size_t ti, PrepareFor use);
    void startLevelMeasurement(const std::string& path, const Uuid& playlistID,
                               const Uuid& trackID);
    void finishLevelMeasurement(const Uuid& playlistID, const Uuid& trackID,
                                const std::optional<AudioLevels>& levels);
    // At a gapless hand-off: the newest gain known for the track now heard, and the
    // automatic compressor that follows it.
    void normalizeHandedOverTrack();
    void finishTempoDetection(const Uuid& playlistID, const Uuid& trackID,
                              std::optional<double> bpm);
    // Normalisation gain `gain` for the playing track, with the automatic gentle
    // compressor when the user's compressor is off.
    void applyNormalizationToPlaying(double gain);
    // Unity gain, and the compressor and limiter at rest unless the user's compressor
    // is on.
    void resetNormalizationOfPlaying();
    void restDynamics();
    // Forgets every track's silence trims (they are measured again when next needed).
    void clearTrimCache();
    // The playing track's gain from its stored levels and the current settings.
    void renormalizePlaying();
    void preloadNextIfPossible();

    // Editing (PlayerControllerPlaylists.cpp, PlayerControllerEditing.cpp).
    void addFileTracks(const std::vector<std::string>& items, std::optional<std::ptrdiff_t> at);
    // orphanNextIndex_ when it applies to playlist `pi` (the playing track was removed
    // from it), else none.
    std::optional<std::size_t> liveOrphanIndex(std::size_t pi) const;
    // Indices in the active playlist of the tracks visibleTracks() shows.
    std::vector<std::size_t> visibleTrackIndices() const;

    // Metadata (PlayerControllerMetadata.cpp).
    // Scans, in the background, every track that lacks technical data or a tempo and
    // has not been scanned since the program started; while a scan runs, the request
    // is remembered and the finish step looks again.
    void loadMissingMetadata();
    MetadataScanPlan planMetadataScan() const;
    bool needsScan(ScanKind kind, const Track& track) const;
    // The next batch of a running scan's pass (MetadataScanSink::next).
    std::vector<ScanItem> nextScanItems(ScanKind kind, std::size_t count);
    void mergeMetadataBatch(std::vector<MetadataScanResult> results);
    void mergeLevelBatch(std::vector<LevelScanResult> results);
    void mergeTempoBatch(std::vector<TempoScanResult> results);
    // A track's newly measured level for the track heard now or queued next.
    void applyMeasuredLevel(const Uuid& trackID, const AudioLevels& levels);
    void finishMetadataScan();
    void advanceScanProgress(std::size_t items);

    // Now playing (PlayerControllerMedia.cpp).
    NowPlayingInfo currentNowPlaying() const;
    // Follows the engine's transport on its own (the end of a pause or stop fade, a
    // track that ran out) into the display.
    void watchEngineTransport();
    void refreshNowPlayingSoon();
    // Starts the background search for the shown track's cover, once a track.
    void lookUpCoverArt();
    void finishCoverArt(const Uuid& trackID, std::optional<std::string> artPath);

    // System (PlayerControllerSystem.cpp).
    void resumeAtStartup();

    // Persistence (PlayerControllerPersistence.cpp).
    void loadStoredState();
    // Requests a save: one write 0.5 s after the last request of a burst, of the state
    // as it is then.
    void scheduleSave();
    void startResumeCapture();
    void captureResumePosition();
    // Hands the resume fields to the storage as a resume point.
    void saveResumePoint();
    void performSave();

    // Settings (PlayerControllerSettings.cpp).
    // Publishes a settings change without a save, for the changes saved later or not
    // at all: a band being dragged, the equaliser panel's Cancel, full screen.
    template <typename F>
    void publishSettings(F&& change);
    // The stored settings, taken to the engine and the desktop at start.
    void applyStoredSettings();
    void applyOutputLevels();
    void applyEQSettings();
    void applyDesktopSettings();
    void selectOutputDevice(const std::optional<std::string>& uid);

    MainLoop& loop_;
    std::unique_ptr<StateStorage> storage_;
    DesktopShell* desktop_;
    NowPlayingSink* nowPlaying_;
    std::unique_ptr<AudioEngine> engine_;

    // Sequencing state.
    std::optional<std::size_t> orphanNextIndex_;
    std::optional<Uuid> plannedNextID_;
    ShuffleOrder shuffle_;

    // Starting tracks.
    TimerHandle changeContinuation_;
    bool pauseAfterChange_ = false;            // a media Pause came while the change was pending
    bool starting_ = false;                    // inside startTrack
    std::optional<StartRequest> pendingStart_; // a start asked for while starting
    std::optional<FailedStart> failedStart_;   // set while choosing past a failed start
    TimerHandle resumeSeek_;

    // Editing.
    RemovalUndoStack removals_;
    std::optional<Uuid> lastClickedTrackID_; // anchor of a shift-click range

    // Background measurements in flight, by track id, so that a track is measured once
    // however often it is prepared meanwhile.
    std::set<Uuid> levelJobs_;

    // Persistence.
    std::optional<Uuid> resumePlaylistID_;
    std::optional<Uuid> resumeTrackID_;
    std::optional<double> resumePosition_;
    TimerHandle saveWorkItem_;
    TimerHandle resumeTimer_;

    // Metadata scanning. The visited sets hold the tracks a scan has merged since the
    // program started and that still lack what it looked for: later scans leave them
    // out, so that files that never yield their data (unreadable, or too short for a bit
    // rate) are read once, not forever. Tracks that got their data need no entry.
    std::unique_ptr<MetadataSource> metadataSource_;
    bool metadataScanInProgress_ = false;
    bool metadataScanChanged_ = false; // the running scan has changed a track
    // Where each pass of the running scan goes on: a playlist and a track index.
    struct ScanCursor {
        std::size_t list = 0;
        std::size_t track = 0;
    };
    std::array<ScanCursor, 3> scanCursors_{};
    std::unordered_set<Uuid, UuidHash> metadataVisited_;
    std::unordered_set<Uuid, UuidHash> tempoVisited_;
    std::unordered_set<Uuid, UuidHash> levelVisited_;

    // The now-playing display: what it was last told (its item keeps showing the
    // playing track's tags once the track is removed from its playlist).
    NowPlayingInfo shownNowPlaying_;
    bool nowPlayingRefreshPosted_ = false;
    std::filesystem::path coverCacheFolder_;
    // The cover of the track it was last looked up for: asked for, then found or not.
    std::optional<Uuid> coverArtTrackID_;
    std::optional<std::string> coverArtPath_;
    Subscription engineIsPlaying_;
    Subscription engineIsLoaded_;

    // Continuations of background work check this before touching the controller.
    LifetimeGuard guard_;
    // Runs the scan's merges on the main thread while the scan waits; closed first
    // when the controller goes.
    MainThreadHandOver handOver_;
    // Last: destroyed first, so no job is running once the rest goes.
    std::unique_ptr<SerialQueue> fileWorkQueue_;
    std::unique_ptr<SerialQueue> priorityWorkQueue_;
};

template <typename F>
void PlayerController::changeSettings(F&& change) {
    publishSettings(std::forward<F>(change));
    scheduleSave();
}

template <typename F>
void PlayerController::publishSettings(F&& change) {
    // On a copy: a change that throws leaves the settings as they were.
    AppSettings next = settings.get();
    std::forward<F>(change)(next);
    settings.set(std::move(next));
}

template <typename F>
void PlayerController::updatePlaylists(F&& change) {
    // In place: a change touches a track or a few, and the lists may hold thousands.
    playlists.modify(std::forward<F>(change));
}

// The normalisation gain for a track of RMS level `rmsLinear`: the gain that brings it
// to normTargetRMSDb, at most +18 dB and never below unity (no attenuation).
double normalizationGain(double rmsLinear);

} // namespace orvane
