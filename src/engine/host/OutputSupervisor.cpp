#include "engine/host/OutputSupervisor.h"

#include "runtime/Diagnostics.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace orvane {

namespace {

bool sameRate(double a, double b) {
    return std::lround(a) == std::lround(b);
}

} // namespace

OutputSupervisor::OutputSupervisor(std::unique_ptr<AudioOutput> real, RenderSource& graph,
                                   OutputOptions options, std::function<void()> onControlDone)
    : real_(std::move(real)), options_(options), onControlDone_(std::move(onControlDone)),
      gate_(graph), rate_(real_->sampleRate()) {
    if (options_.controlThread)
        control_ = std::make_unique<SerialQueue>("orvane-output");
}

OutputSupervisor::~OutputSupervisor() {
    gate_.select(RenderGate::kNone);
    if (standIn_)
        standIn_->stop();
    // A connect under way finishes (within the server's timeout); queued calls are
    // dropped. After that the real output is ours alone.
    control_.reset();
    real_->stop();
}

void OutputSupervisor::runControl(std::function<void()> task) {
    if (control_)
        control_->async(std::move(task));
    else
        task();
}

OutputSupervisor::Change OutputSupervisor::start(double now) {
    wanted_ = true;
    if (active_ == RenderGate::kReal && real_->isRunning())
        return {};
    lastAttempt_.reset(); // the user acted: try the real output now, not on schedule
    return service(now);
}

OutputSupervisor::Change OutputSupervisor::service(double now) {
    Change change;
    if (!wanted_)
        return change;

    auto collect = [this, &change, now] {
        if (!attemptInFlight_ || !attemptDone_.load(std::memory_order_acquire))
            return;
        attemptInFlight_ = false;
        if (!attemptSucceeded_.load(std::memory_order_acquire)) {
            reportOutage("did not start", attemptFailure_, now);
        } else if (active_ != RenderGate::kReal) {
            change = takeOverFromStandIn();
            if (active_ == RenderGate::kReal)
                reportRecovery(now);
        }
    };
    collect();

    if (active_ == RenderGate::kReal && !real_->isRunning()) {
        // The server or device went away under the stream: try again at once (a
        // restarting server is usually back within a second); the stand-in takes over
        // when that does not answer at once.
        reportOutage("lost", real_->failureReason(), now);
        dropRealOutput();
        lastAttempt_.reset();
    }
    if (active_ == RenderGate::kReal)
        return change;

    if (!attemptInFlight_ && !paused_ &&
        (!lastAttempt_ || now - *lastAttempt_ >= options_.retrySeconds)) {
        beginAttempt(now);
        collect(); // inline control: the attempt has finished already
        if (active_ == RenderGate::kReal)
            return change;
    }
    if (active_ == RenderGate::kNone &&
        (!attemptInFlight_ || now - attemptStarted_ >= options_.standInAfterSeconds))
        standIn();
    return change;
}

void OutputSupervisor::beginAttempt(double now) {
    attemptInFlight_ = true;
    attemptStarted_ = now;
    lastAttempt_ = now;
    attemptDone_.store(false, std::memory_order_relaxed);
    runControl([this] {
        const bool ok = real_->start(realSource_);
        // Taken with the result: a later control call may change the reason.
        attemptFailure_ = ok ? std::string() : real_->failureReason();
        attemptSucceeded_.store(ok, std::memory_order_release);
        attemptDone_.store(true, std::memory_order_release);
        if (control_ && onControlDone_)
            onControlDone_();
    });
}

void OutputSupervisor::reportOutage(const char* what, const std::string& why, double now) {
    if (outageSince_)
        return;
    outageSince_ = now;
    char retry[64];
    std::snprintf(retry, sizeof retry, "; playing on silently, trying again every %.1f s",
                  options_.retrySeconds);
    reportDiagnostic(DiagnosticArea::engine, DiagnosticLevel::warning,
                     std::string("sound output ") + what + (why.empty() ? "" : ": " + why) + retry);
}

void OutputSupervisor::reportRecovery(double now) {
    if (!outageSince_)
        return;
    char text[96];
    std::snprintf(text, sizeof text, "sound output back after %.1f s, at %ld Hz",
                  now - *outageSince_, std::lround(rate_));
    outageSince_.reset();
    reportDiagnostic(DiagnosticArea::engine, DiagnosticLevel::info, text);
}

OutputSupervisor::Change OutputSupervisor::takeOverFromStandIn() {
    // A stop() since the attempt began, or a server that died again at once.
    if (!real_->isRunning())
        return {};
    if (standIn_) {
        standIn_->stop();
        standIn_.reset();
    }
    real_->setPaused(paused_);
    gate_.select(RenderGate::kReal);
    active_ = RenderGate::kReal;
    const double before = rate_;
    rate_ = real_->sampleRate();
    return {!sameRate(rate_, before)};
}

void OutputSupervisor::standIn() {
    // The stand-in runs at the graph's rate, so the regions decoded so far stay valid.
    standIn_ =
        options_.makeStandIn ? options_.makeStandIn(rate_) : std::make_unique<NullOutput>(rate_);
    standIn_->setPaused(paused_);
    gate_.select(RenderGate::kStandIn);
    active_ = RenderGate::kStandIn;
    standIn_->start(standInSource_);
}

void OutputSupervisor::dropRealOutput() {
    gate_.select(RenderGate::kNone);
    active_ = RenderGate::kNone;
    // The dead stream's teardown is the control thread's: it touches the connection.
    runControl([this] { real_->stop(); });
}

void OutputSupervisor::setPaused(bool paused) {
    paused_ = paused;
    real_->setPaused(paused);
    if (standIn_)
        standIn_->setPaused(paused);
}

OutputSupervisor::Change OutputSupervisor::selectDevice(std::optional<std::string> uid,
                                                        double now) {
    runControl([this, uid = std::move(uid)] { real_->selectDevice(uid); });
    if (!wanted_ || (active_ == RenderGate::kReal && real_->isRunning()))
        return {};
    // The chosen device may be where sound can go again.
    lastAttempt_.reset();
    return service(now);
}

void OutputSupervisor::stop() {
    wanted_ = false;
    gate_.select(RenderGate::kNone);
    if (standIn_) {
        standIn_->stop();
        standIn_.reset();
    }
    active_ = RenderGate::kNone;
    runControl([this] { real_->stop(); });
}

bool OutputSupervisor::isRunning() const {
    switch (active_) {
    case RenderGate::kReal:
        return real_->isRunning();
    case RenderGate::kStandIn:
        return standIn_ && standIn_->isRunning();
    case RenderGate::kNone:
        break;
    }
    return false;
}

std::int64_t OutputSupervisor::latencyFrames() const {
    switch (active_) {
    case RenderGate::kReal:
        return real_->latencyFrames();
    case RenderGate::kStandIn:
        return standIn_ ? standIn_->latencyFrames() : 0;
    case RenderGate::kNone:
        break;
    }
    return 0;
}

} // namespace orvane
