#include "platform/PulseOutput.h"

#include "platform/LogCategories.h"
#include "platform/PulseQueries.h"

#include <algorithm>
#include <utility>

#include <pulse/channelmap.h>
#include <pulse/proplist.h>
#include <pulse/sample.h>

namespace orvane {
namespace {

constexpr std::size_t kFrameBytes = 2 * sizeof(float);
// The server asks for about the target latency's worth of audio at a time (more only
// right after start or a rewind); larger requests are rendered in chunks.
constexpr std::size_t kChunkFrames = 8192;
constexpr std::uint32_t kFallbackRate = 48000;

struct ProplistDeleter {
    void operator()(pa_proplist* p) const { pa_proplist_free(p); }
};

} // namespace

PulseOutput::PulseOutput(PulseOptions options)
    : options_(std::move(options)), renderer_(kChunkFrames) {
}

PulseOutput::~PulseOutput() {
    stop();
}

bool PulseOutput::start(RenderSource& source) {
    // Restarting, or a stream whose server died is still around: drop it first.
    stop();

    // Everything that waits for the server works on a connection nobody else sees yet;
    // the observers learn of it only once it plays.
    std::string why;
    auto connection = PulseConnection::open(options_, "Orvane", &why);
    if (!connection)
        return fail(std::move(why));
    pa_stream* stream = nullptr;
    std::uint32_t rate = kFallbackRate;
    bool chosenSinkAbsent = false;
    {
        PulseConnection::Lock lock(*connection);
        const Target target = findTarget(*connection);
        if (target.rate != 0)
            rate = target.rate;
        chosenSinkAbsent = target.chosenSinkAbsent;
        loop_ = connection->mainloop();
        stream = connectStream(*connection, source, target.sinkName, rate, why);
    }
    // Logged without the loop's lock, which the audio thread needs.
    noteChosenSink(chosenSinkAbsent);
    if (!stream)
        return fail(std::move(why)); // the connection goes after its lock was released
    {
        std::lock_guard state(stateMutex_);
        connection_ = std::move(connection);
        stream_ = stream;
        rate_.store(rate); // the rate changes only with a successful start
        PulseConnection::Lock lock(*connection_);
        // Under the lock, in order with the state callback: a stream that failed since
        // it was ready is not reported running.
        lostError_.store(0);
        running_.store(pa_stream_get_state(stream_) == PA_STREAM_READY);
        failure_ = running_.load() ? "" : "the stream failed as it started";
        // A pause or resume asked for while connecting.
        applyCork();
    }
    return running_.load();
}

bool PulseOutput::fail(std::string why) {
    std::lock_guard state(stateMutex_);
    failure_ = std::move(why);
    return false;
}

// Control calls only. Said once when a start finds the chosen sink gone, not on every
// start until it is back.
void PulseOutput::noteChosenSink(bool absent) {
    if (absent && !reportedSinkAbsent_ && selectedSink_)
        qCInfo(lcPlatform, "output device %s is absent; playing on the default device",
               selectedSink_->c_str());
    reportedSinkAbsent_ = absent;
}

// Lock held. Creates the stream (on `sinkName`, or the default sink when empty) and
// waits until the server has accepted it; null, with the reason in `why`, when it did
// not.
pa_stream* PulseOutput::connectStream(PulseConnection& connection, RenderSource& source,
                                      const std::string& sinkName, std::uint32_t rate,
                                      std::string& why) {
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_FLOAT32NE;
    spec.rate = rate;
    spec.channels = 2;
    pa_channel_map map{};
    pa_channel_map_init_stereo(&map);
    std::unique_ptr<pa_proplist, ProplistDeleter> props(pa_proplist_new());
    pa_proplist_sets(props.get(), PA_PROP_MEDIA_ROLE, "music");
    pa_stream* stream =
        pa_stream_new_with_proplist(connection.context(), "Playback", &spec, &map, props.get());
    if (!stream) {
        why = PulseConnection::errorText(pa_context_errno(connection.context()));
        return nullptr;
    }
    source_ = &source;
    pa_stream_set_state_callback(stream, streamStateCallback, this);
    pa_stream_set_write_callback(stream, writeCallback, this);
    pa_stream_set_underflow_callback(stream, underflowCallback, this);

    // The whole latency (our buffer plus the sink's) is tlength; the server picks the
    // rest.
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kTargetLatencyUsec, &spec));
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    if (paused_.load())
        flags = static_cast<pa_stream_flags_t>(flags | PA_STREAM_START_CORKED);
    // Without a device name the stream follows the server's default sink.
    const char* device = sinkName.empty() ? nullptr : sinkName.c_str();
    if (pa_stream_connect_playback(stream, device, &attr, flags, nullptr, nullptr) == 0)
        connection.waitUntil([stream] { return pa_stream_get_state(stream) != PA_STREAM_CREATING; },
                             connection.deadline());
    if (pa_stream_get_state(stream) == PA_STREAM_READY)
        return stream;
    why = pa_stream_get_state(stream) == PA_STREAM_CREATING
              ? "the sound server did not accept the stream in time"
              : "the sound server refused the stream: " +
                    PulseConnection::errorText(pa_context_errno(connection.context()));
    closeStream(stream);
    return nullptr;
}

// Lock held. The chosen sink when it exists, else the default sink; the rate
// is that sink's, so that the server does not resample Orvane's output.
PulseOutput::Target PulseOutput::findTarget(PulseConnection& connection) {
    const pa_usec_t until = connection.deadline();
    Target target;
    if (selectedSink_) {
        // A chosen sink that is gone (unplugged) is used again once it is back.
        if (auto sink = querySink(connection, *selectedSink_, until)) {
            target.sinkName = sink->name;
            target.rate = sink->rate;
            return target;
        }
        target.chosenSinkAbsent = true;
    }
    if (auto name = queryDefaultSinkName(connection, until)) {
        if (auto sink = querySink(connection, *name, until))
            target.rate = sink->rate;
    }
    return target;
}

void PulseOutput::stop() {
    running_.store(false);
    lostError_.store(0);
    std::unique_ptr<PulseConnection> connection;
    pa_stream* stream = nullptr;
    {
        std::lock_guard state(stateMutex_);
        connection = std::move(connection_);
        stream = stream_;
        stream_ = nullptr;
    }
    if (!connection)
        return;
    {
        PulseConnection::Lock lock(*connection);
        closeStream(stream);
    }
    connection.reset();
    loop_ = nullptr;
    source_ = nullptr;
}

// Lock held. After this no callback of the stream runs, so render() is done.
void PulseOutput::closeStream(pa_stream* stream) {
    if (!stream)
        return;
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_underflow_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

bool PulseOutput::isRunning() const {
    return running_.load();
}

std::string PulseOutput::failureReason() const {
    std::lock_guard state(stateMutex_);
    if (!failure_.empty())
        return failure_;
    if (const int lost = lostError_.load(); lost != 0 && !running_.load())
        return "the sound server ended the stream: " + PulseConnection::errorText(lost);
    return {};
}

void PulseOutput::setPaused(bool paused) {
    paused_.store(paused);
    std::lock_guard state(stateMutex_);
    if (!connection_)
        return; // a start picks the state up
    PulseConnection::Lock lock(*connection_);
    applyCork();
}

void PulseOutput::applyCork() {
    if (!stream_ || pa_stream_get_state(stream_) != PA_STREAM_READY)
        return;
    const int cork = paused_.load() ? 1 : 0;
    if (pa_stream_is_corked(stream_) == cork)
        return;
    // Nobody waits for the answer: the server applies it in order with what follows.
    if (pa_operation* op = pa_stream_cork(stream_, cork, nullptr, nullptr))
        pa_operation_unref(op);
}

double PulseOutput::sampleRate() const {
    return rate_.load();
}

std::int64_t PulseOutput::latencyFrames() const {
    const std::uint64_t rate = rate_.load();
    std::lock_guard state(stateMutex_);
    if (!running_.load() || !connection_ || !stream_)
        return 0;
    PulseConnection::Lock lock(*connection_);
    pa_usec_t usec = 0;
    int negative = 0;
    // Before the first timing update (-PA_ERR_NODATA) the latency asked for is the best
    // estimate.
    if (pa_stream_get_latency(stream_, &usec, &negative) != 0)
        return static_cast<std::int64_t>(rate * kTargetLatencyUsec / 1'000'000);
    if (negative)
        return 0;
    return static_cast<std::int64_t>(usec * rate / 1'000'000);
}

std::uint64_t PulseOutput::underflowCount() const {
    return underflows_.load();
}

bool PulseOutput::selectDevice(const std::optional<std::string>& uid) {
    const bool playing = running_.load() && connection_;
    if (playing && !(uid ? moveTo(*uid) : moveToDefault())) {
        qCWarning(lcPlatform,
                  "cannot move the stream to %s (absent, or refused); it stays where it plays",
                  uid ? uid->c_str() : "the default device");
        return false;
    }
    // Kept by name: indices start again when the server restarts.
    selectedSink_ = uid;
    return true;
}

bool PulseOutput::moveTo(const std::string& sinkName) {
    PulseConnection::Lock lock(*connection_);
    if (!stream_ || !connection_->alive())
        return false;
    const pa_usec_t until = connection_->deadline();
    return querySink(*connection_, sinkName, until) &&
           moveSinkInput(*connection_, pa_stream_get_index(stream_), sinkName, until);
}

// A stream moved onto the default sink follows later default changes again.
bool PulseOutput::moveToDefault() {
    PulseConnection::Lock lock(*connection_);
    if (!stream_ || !connection_->alive())
        return false;
    const pa_usec_t until = connection_->deadline();
    const auto defaultSink = queryDefaultSinkName(*connection_, until);
    return defaultSink &&
           moveSinkInput(*connection_, pa_stream_get_index(stream_), *defaultSink, until);
}

std::string PulseOutput::currentSinkName() const {
    std::lock_guard state(stateMutex_);
    if (!running_.load() || !connection_)
        return {};
    PulseConnection::Lock lock(*connection_);
    const char* name = stream_ ? pa_stream_get_device_name(stream_) : nullptr;
    return name ? name : "";
}

void PulseOutput::onWrite(pa_stream* stream, std::size_t bytes) noexcept {
    while (bytes >= kFrameBytes) {
        void* data = nullptr;
        std::size_t size = bytes;
        if (pa_stream_begin_write(stream, &data, &size) < 0 || !data)
            return;
        const std::size_t frames = std::min(size, bytes) / kFrameBytes;
        if (frames == 0) {
            pa_stream_cancel_write(stream);
            return;
        }
        float* out = static_cast<float*>(data);
        if (source_)
            renderer_.render(*source_, out, frames);
        else
            std::fill(out, out + 2 * frames, 0.0f);
        if (pa_stream_write(stream, data, frames * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return;
        bytes -= frames * kFrameBytes;
    }
}

void PulseOutput::streamStateCallback(pa_stream* stream, void* userdata) {
    auto* self = static_cast<PulseOutput*>(userdata);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) {
        // Only noted here, on the audio thread; the main thread reads it as the reason.
        const int error = pa_context_errno(pa_stream_get_context(stream));
        self->lostError_.store(error != PA_OK ? error : PA_ERR_UNKNOWN);
        self->running_.store(false);
    }
    pa_threaded_mainloop_signal(self->loop_, 0);
}

void PulseOutput::writeCallback(pa_stream* stream, std::size_t bytes, void* userdata) {
    static_cast<PulseOutput*>(userdata)->onWrite(stream, bytes);
}

void PulseOutput::underflowCallback(pa_stream*, void* userdata) {
    static_cast<PulseOutput*>(userdata)->underflows_.fetch_add(1, std::memory_order_relaxed);
}

} // namespace orvane
