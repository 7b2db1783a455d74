#pragma once

#include "engine/Segment.h"
#include "engine/host/AudioHost.h"
#include "engine/host/AudioOutput.h"
#include "model/Uuid.h"
#include "runtime/MainLoop.h"
#include "runtime/Observable.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace orvane {

struct EngineOptions {
    HostOptions host;
};

// The one object that produces Orvane's sound: it plays one file region at a time
// (the current segment), optionally holds a second one queued behind it for a gapless
// hand-off, fades its output on play, pause, resume and stop, and publishes the
// transport state the views observe.
//
// Threading: every member is called on the main thread, and every callback and
// published value is delivered there. Time comes from MainLoop timers only (the 0.2 s
// tick, 20 ms fade steps). The audio thread renders the graph owned by the host; the
// decoder thread fills it; region completions come back through MainLoop::post and are
// checked against validCallbackIDs before anything is touched. The MainLoop must
// outlive the engine.
//
// The output is started on first need (ensureEngineRunning), not by the constructor.
class AudioEngine {
public:
    AudioEngine(MainLoop& loop, std::unique_ptr<AudioOutput> output, EngineOptions options = {});
    ~AudioEngine();
    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // --- Transport ---

    // Stops whatever plays, opens `path` and plays the region [trimStart, trimEnd) (in
    // seconds from the file start) with the normalisation gain `normGain` (linear),
    // fading in over `fadeInMs`. Throws EngineError: code 1 when the trimmed region is
    // empty, code 2 when the file cannot be opened. After a throw the engine is
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

    // Queues a region behind the current one. False, with nothing changed, when a
    // region is already queued, nothing is current, the file cannot be opened, its
    // rate or channel count differ from the current file's, or its region is empty.
    bool preloadNext(const std::string& path, const Uuid& trackID, double trimStart,
                     std::optional<double> trimEnd, double normGain);

    // --- Levels ---

    // Linear normalisation gain of the current track; instantly or with a 200 ms ramp.
    void setNormGain(double gain, bool instant);
    void setVolume(float volume);
    void setPan(float pan);

    // --- Devices ---

    // Routes the output to the device with this id, or back to the system default
    // (following later default changes) when absent.
    void setOutputDevice(std::optional<std::uint32_t> deviceID);

    // --- Published state ---
    Published<bool> isPlaying{false};
    Published<bool> isLoaded{false};
    Published<double> currentTime{0.0}; // seconds from the file start, of the frame heard
    Published<double> duration{0.0};    // the trimmed end, seconds from the file start

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
    float normUnitGainDb() const { return normUnitGainDb_; }
    bool hasQueued() const { return queued_.has_value(); }
    const std::optional<Segment>& currentSegment() const { return current_; }
    AudioHost& host() { return *host_; }

private:
    // Transport (AudioEngine.cpp).
    void stopInternal();
    void scheduleCurrent(std::int64_t fromFrame);
    void tick();
    std::optional<double> playerPosition();
    RegionRequest regionRequest(const Segment& segment, std::int64_t fromFrame) const;

    // Queue and completions (AudioEngineQueue.cpp).
    void segmentFinished(const RegionCompletion& completion);

    // Fades and ramps (AudioEngineFades.cpp). The equaliser and loudness ramps join
    // these with the tone chain.
    void fade(float target, int ms, std::function<void()> completion);
    void rampNormUnit(float targetDb);
    void applyNormUnit(float gainDb, bool bypassed);

    // Output (AudioEngineOutput.cpp).
    void ensureEngineRunning();
    void rescheduleAtNewRate();

    MainLoop& loop_;
    std::unique_ptr<AudioHost> host_;
    // Completions posted to the main loop check this before touching the engine.
    std::shared_ptr<char> alive_ = std::make_shared<char>(0);

    std::optional<Segment> current_;
    std::optional<Segment> queued_;
    std::int64_t segmentStartFrame_ = 0;
    double nodeSecondsAtSegmentStart_ = 0.0;
    double currentSegmentDur_ = 0.0;
    std::set<std::int64_t> validCallbackIDs_;
    std::int64_t callbackCounter_ = 0;

    TimerHandle timer_;
    TimerHandle fadeTimer_;
    bool pauseFadeRunning_ = false;
    float fadeLevel_ = 1.0f;

    float normGain_ = 1.0f;
    float normUnitGainDb_ = 0.0f;
    bool normBypassed_ = true;
    TimerHandle normRampTimer_;
};

} // namespace orvane
