#pragma once

#include "engine/CharacterParams.h"
#include "engine/Segment.h"
#include "engine/host/AudioHost.h"
#include "engine/host/AudioOutput.h"
#include "engine/metering/MeterAnalyzer.h"
#include "engine/metering/MeterBallistics.h"
#include "engine/metering/MeterExchange.h"
#include "model/Uuid.h"
#include "runtime/MainLoop.h"
#include "runtime/Observable.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace orvane {

struct EngineOptions {
    HostOptions host;
};

// A linear normalisation gain as the unit applies it, in dB (-96..+24); 0 for a gain
// that is not positive.
float normTargetDb(float gain);

// The one object that produces Orvane's sound: it plays one file region at a time
// (the current segment), optionally holds a second one queued behind it for a gapless
// hand-off, fades its output on play, pause, resume and stop, and publishes the
// transport state the views observe.
//
// Threading: every member is called on the main thread, and every callback and
// published value is delivered there. Time comes from MainLoop timers only (the 0.2 s
// tick, the 1/15 s meter tick, fade and ramp steps). The ticks run only while there is
// something to do: while playing (the meter tick and the fast transport tick only while
// the meters are watched), and after playback until the meters have fallen to rest. The audio
// thread renders the graph owned by the host and hands the signal after the limiter to the meter
// exchange; the decoder thread fills the graph; region completions come back through MainLoop::post
// and are checked against validCallbackIDs before anything is touched. The MainLoop
// must outlive the engine.
//
// The output is started on first need (ensureEngineRunning), not by the constructor,
// and corked whenever nothing plays (paused once the pause fade is done, stopped, or
// ended): then nothing renders. When the sound server goes away a silent stand-in keeps
// the clock running and the real output comes back on its own (see OutputSupervisor);
// the main thread never waits on the server.
class AudioEngine {
public:
    AudioEngine(MainLoop& loop, std::unique_ptr<AudioOutput> output, EngineOptions options = {});
    ~AudioEngine();
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // --- Transport ---

    // Stops whatever plays, opens `path` and plays the region [trimStart, trimEnd) (in
    // seconds from the file start) with the normalisation gain `normGain` (linear),
    // fading in over `fadeInMs`. Throws EngineError: emptyRegion when the trimmed region
    // is empty, unreadableFile when the file cannot be opened. After a throw the engine is
    // stopped and keeps its previous segment.
    void load(const std::string& path, const Uuid& trackID, double trimStart,
              std::optional<double> trimEnd, double normGain, int fadeInMs);
    void play(int fadeInMs);
    // As play(), when loaded and not playing. During a pause fade it cancels the
    // pause and fades back in from the level the fade-out reached.
    void resume(int fadeInMs);
    void pause(int fadeOutMs);
    void stop(int fadeOutMs);
    void hardStop();
    // Moves to `seconds` from the file start, kept between the trimmed start and
    // duration - 0.05 s. A queued region is dropped (onQueueDiscarded). A paused
    // engine stays paused.
    void seek(double seconds);

    // --- Gapless queue ---

    // Queues a region behind the current one, whatever its rate and channel count (the
    // decoder converts each to the output's). False, with nothing changed, when a region
    // is already queued, nothing is current, the current region has already ended or
    // was stopped, the file cannot be opened, or its region is empty.
    bool preloadNext(const std::string& path, const Uuid& trackID, double trimStart,
                     std::optional<double> trimEnd, double normGain);
    // Drops the queued region (onQueueDiscarded), if any; the current one plays on
    // from the frame after the last one rendered, playing or paused as it was.
    void discardQueued();

    // --- Levels ---

    // Linear normalisation gain of the current track; instantly or with a 200 ms ramp.
    void setNormGain(double gain, bool instant);
    // Linear normalisation gain of the queued track, heard from its first frame (or at
    // once, smoothed, if it is already playing). Nothing unless `trackID` is queued.
    void setQueuedNormGain(const Uuid& trackID, double gain);
    void setVolume(float volume);
    void setPan(float pan);

    // --- Tone and dynamics ---
    // The equaliser on or off: ramps its bands to the stored gains (on) or to flat and
    // then bypasses it (off), over 120 ms. Setting the same value again does nothing.
    void setEQEnabled(bool on);
    bool eqEnabled() const { return eqEnabledFlag_; }
    // Stores one band's gain; applies it at once when the equaliser is on. Indices
    // outside the ten bands are ignored.
    void setEQGain(int band, float db);
    // The compressor on with a preset's parameters, or bypassed; either way the
    // limiter is back at its resting pre-gain of -0.8 dB and in circuit.
    void setCompressor(bool on, CompressorPreset preset);
    // The loudness curve for `volume` (0..1) when on, ramped over 200 ms; flat and
    // then bypassed when off (nothing when already bypassed).
    void setLoudness(bool on, double volume);
    // Accepted and kept; changes nothing audible.
    void setCharacter(const CharacterParams& params);

    // --- Devices ---

    // Routes the output to the device with this uid, or back to the system default
    // (following later default changes) when absent. The move happens on the output's
    // control thread; a device that is absent leaves the routing as it is.
    void setOutputDevice(std::optional<std::string> uid);

    // --- Published state ---
    Published<bool> isPlaying{false};
    Published<bool> isLoaded{false};
    Published<double> currentTime{0.0}; // seconds from the file start, of the frame heard
    Published<double> duration{0.0};    // the trimmed end, seconds from the file start

    // Whether anything shows the meters (a visible window with a visualisation). Without
    // a watcher the meters are not written and the transport tick slows to 1 s.
    void setMetersWatched(bool watched);

    // Meters, of the signal after the limiter as it is heard (before fade, pan and
    // master volume). Written 15 times a second while playing and watched; between, the
    // 0.2 s tick lets the holds fall, and the readings too when not playing.
    Published<double> vuLeftDb{kVUFloorDb};
    Published<double> vuRightDb{kVUFloorDb};
    Published<double> peakLeftDb{kVUFloorDb};
    Published<double> peakRightDb{kVUFloorDb};
    Published<double> peakHoldLeftDb{kVUFloorDb};
    Published<double> peakHoldRightDb{kVUFloorDb};
    Published<std::vector<float>> waveform{std::vector<float>(kWaveformPoints, 0.0f)};
    Published<std::vector<float>> spectrumBars{std::vector<float>(kSpectrumBands, 0.0f)};

    // --- Callbacks to the controller (main thread) ---
    std::function<void()> onTrackEnded;
    std::function<void(const Uuid&)> onGaplessPromotion;
    std::function<void()> onNeedPreload;
    std::function<void()> onQueueDiscarded;
    bool gaplessEnabled = true;

    // --- Inspection, for the controller's logic, tests and benchmarks ---
    float fadeLevel() const { return fadeLevel_; }
    float normGain() const { return normGain_; }
    bool normBypassed() const { return normBypassed_; }
    const std::array<float, 10>& storedEQGains() const { return storedEQGains_; }
    const std::array<float, 10>& eqBandGainsDb() const { return eqBandGainsDb_; }
    bool eqBypassed() const { return eqBypassed_; }
    const std::array<float, 2>& loudBandGainsDb() const { return loudBandGainsDb_; }
    bool loudBypassed() const { return loudBypassed_; }
    bool compressorBypassed() const { return compBypassed_; }
    const CharacterParams& character() const { return character_; }
    float normUnitGainDb() const { return normUnitGainDb_; }
    bool hasQueued() const { return queued_.has_value(); }
    // A pause fade runs: still playing, and paused once it ends (unless taken back).
    bool isPauseFading() const { return pauseFadeRunning_; }
    const std::optional<Segment>& currentSegment() const { return current_; }
    AudioHost& host() { return *host_; }

private:
    // Transport (AudioEngine.cpp).
    void stopInternal();
    void scheduleCurrent(std::int64_t fromFrame);
    void tick();
    // Where the player is, in seconds from the file start; none while no region is
    // pending.
    std::optional<double> playerPosition();
    // A scheduled region has yet to finish (not played out, stopped or dropped).
    bool regionPending() const { return !validCallbackIDs_.empty(); }
    static Segment makeSegment(const std::string& path, const Uuid& trackID,
                               std::shared_ptr<AudioFileReader> file, FrameRange range,
                               double normGain);
    // `normGainDb`: the gain the region starts at (see RenderGraph::setRegionNormGainDb).
    RegionRequest regionRequest(const Segment& segment, std::int64_t fromFrame,
                                float normGainDb) const;
    // What the normalisation unit plays the current region at now, in dB.
    float currentRegionGainDb() const { return normBypassed_ ? 0.0f : normUnitGainDb_; }

    // Queue and completions (AudioEngineQueue.cpp).
    void segmentFinished(const RegionCompletion& completion);

    // Fades and ramps (AudioEngineFades.cpp). The equaliser and loudness ramps join
    // these with the tone chain.
    void fade(float target, int ms, std::function<void()> completion);
    void rampNormUnit(float targetDb);
    void applyNormUnit(float gainDb, bool bypassed);

    // Output (AudioEngineOutput.cpp).
    void ensureEngineRunning();
    // Corks the output once what was rendered last (the look-ahead, the output's buffer
    // and the declicker's glide to silence) has been heard, unless sound is wanted again
    // before: corked at once, the device would cut the waveform wherever it was.
    void corkWhenHeard();
    // Takes up what the output's control thread did: the real output is back, or gone.
    void serviceOutput();
    // `position`: seconds from the file start where the player was before the restart.
    void rescheduleAtNewRate(double position);

    // Meters (AudioEngineMeters.cpp).
    class MeterTap final : public RenderTap {
    public:
        explicit MeterTap(MeterExchange& exchange) : exchange_(exchange) {}
        void onRender(const float* left, const float* right, std::size_t frames) noexcept override {
            exchange_.capture(left, right, frames);
        }

    private:
        MeterExchange& exchange_;
    };
    void meterTick();
    void decayMeters();
    MeterLevels meterLevels() const;

    MainLoop& loop_;
    // The meter exchange and its tap are set on the graph and outlive the host.
    MeterExchange meterExchange_;
    MeterTap meterTap_{meterExchange_};
    MeterAnalyzer meters_;
    std::unique_ptr<AudioHost> host_;
    // Completions posted to the main loop check this before touching the engine.
    std::shared_ptr<char> alive_ = std::make_shared<char>(0);

    std::optional<Segment> current_;
    std::optional<Segment> queued_;
    // The track whose file could not be queued, reported once: the controller asks
    // again on every tick until it is due.
    std::optional<Uuid> unqueuableTrack_;
    std::int64_t segmentStartFrame_ = 0;
    double nodeSecondsAtSegmentStart_ = 0.0;
    double currentSegmentDur_ = 0.0;
    std::set<std::int64_t> validCallbackIDs_;
    std::int64_t callbackCounter_ = 0;

    // The ticks run only while they have something to do (scheduleTicks).
    void scheduleTicks();
    TimerHandle timer_;
    TimerHandle visTimer_;
    double tickInterval_ = 0.0;
    bool metering_ = false;
    bool metersWatched_ = true;
    Subscription playingChanged_;
    TimerHandle corkTimer_;
    TimerHandle fadeTimer_;
    bool pauseFadeRunning_ = false;
    float fadeLevel_ = 1.0f;

    float normGain_ = 1.0f;
    float normUnitGainDb_ = 0.0f;
    bool normBypassed_ = true;
    TimerHandle normRampTimer_;

    // Tone and dynamics (AudioEngineTone.cpp).
    void rampEQ(bool on, std::function<void()> completion);
    void rampLoudEQ(const std::array<float, 2>& targetsDb);
    void applyEQBand(std::size_t band, float db);
    void applyLoudBand(std::size_t band, float db);
    bool eqEnabledFlag_ = false;
    std::array<float, 10> storedEQGains_{};
    std::array<float, 10> eqBandGainsDb_{};
    bool eqBypassed_ = true;
    TimerHandle eqRampTimer_;
    std::array<float, 2> loudBandGainsDb_{};
    bool loudBypassed_ = true;
    TimerHandle loudRampTimer_;
    bool compBypassed_ = true;
    CharacterParams character_;
};

} // namespace orvane
