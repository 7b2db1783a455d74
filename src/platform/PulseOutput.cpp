#include "platform/PulseOutput.h"

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

    connection_ = PulseConnection::open(options_, "Orvane");
    if (!connection_)
        return false;
    loop_ = connection_->mainloop();
    bool ready = false;
    {
        PulseConnection::Lock lock(*connection_);
        const Target target = findTarget();
        const std::uint32_t rate = target.rate != 0 ? target.rate : kFallbackRate;
        ready = connectStream(source, target.sinkName, rate);
        if (ready)
            rate_ = rate; // the rate changes only with a successful start
        else
            closeStream();
    }
    if (!ready) {
        connection_.reset();
        loop_ = nullptr;
        return false;
    }
    running_.store(true);
    return true;
}

// Lock held. Creates the stream (on `sinkName`, or the default sink when empty) and
// waits until the server has accepted it.
bool PulseOutput::connectStream(RenderSource& source, const std::string& sinkName,
                                std::uint32_t rate) {
    pa_sample_spec spec{};
    spec.format = PA_SAMPLE_FLOAT32NE;
    spec.rate = rate;
    spec.channels = 2;
    pa_channel_map map{};
    pa_channel_map_init_stereo(&map);
    std::unique_ptr<pa_proplist, ProplistDeleter> props(pa_proplist_new());
    pa_proplist_sets(props.get(), PA_PROP_MEDIA_ROLE, "music");
    stream_ =
        pa_stream_new_with_proplist(connection_->context(), "Playback", &spec, &map, props.get());
    if (!stream_)
        return false;
    source_ = &source;
    pa_stream_set_state_callback(stream_, streamStateCallback, this);
    pa_stream_set_write_callback(stream_, writeCallback, this);
    pa_stream_set_underflow_callback(stream_, underflowCallback, this);

    // The whole latency (our buffer plus the sink's) is tlength; the server picks the
    // rest.
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kTargetLatencyUsec, &spec));
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    // Without a device name the stream follows the server's default sink.
    const char* device = sinkName.empty() ? nullptr : sinkName.c_str();
    if (pa_stream_connect_playback(stream_, device, &attr, flags, nullptr, nullptr) != 0)
        return false;
    connection_->waitUntil([this] { return pa_stream_get_state(stream_) != PA_STREAM_CREATING; },
                           connection_->deadline());
    return pa_stream_get_state(stream_) == PA_STREAM_READY;
}

// Lock held. The chosen sink when it exists, else the default sink; the rate
// is that sink's, so that the server does not resample Orvane's output.
PulseOutput::Target PulseOutput::findTarget() {
    const pa_usec_t until = connection_->deadline();
    Target target;
    if (selectedSink_) {
        // A chosen sink that is gone (unplugged) is used again once it is back.
        if (auto sink = querySink(*connection_, *selectedSink_, until)) {
            target.sinkName = sink->name;
            target.rate = sink->rate;
            return target;
        }
    }
    if (auto name = queryDefaultSinkName(*connection_, until)) {
        if (auto sink = querySink(*connection_, *name, until))
            target.rate = sink->rate;
    }
    return target;
}

void PulseOutput::stop() {
    running_.store(false);
    if (!connection_)
        return;
    {
        PulseConnection::Lock lock(*connection_);
        closeStream();
    }
    connection_.reset();
    loop_ = nullptr;
}

// Lock held. After this no callback of the stream runs, so render() is done.
void PulseOutput::closeStream() {
    if (!stream_)
        return;
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_write_callback(stream_, nullptr, nullptr);
    pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
    source_ = nullptr;
}

bool PulseOutput::isRunning() const {
    return running_.load();
}

double PulseOutput::sampleRate() const {
    return rate_;
}

std::int64_t PulseOutput::latencyFrames() const {
    if (!running_.load() || !connection_)
        return 0;
    PulseConnection::Lock lock(*connection_);
    if (!stream_)
        return 0;
    pa_usec_t usec = 0;
    int negative = 0;
    // Before the first timing update (-PA_ERR_NODATA) the latency asked for is the best
    // estimate.
    if (pa_stream_get_latency(stream_, &usec, &negative) != 0)
        return static_cast<std::int64_t>(std::uint64_t{rate_} * kTargetLatencyUsec / 1'000'000);
    if (negative)
        return 0;
    return static_cast<std::int64_t>(usec * rate_ / 1'000'000);
}

std::uint64_t PulseOutput::underflowCount() const {
    return underflows_.load();
}

bool PulseOutput::selectDevice(std::optional<std::uint32_t> deviceID) {
    const bool playing = running_.load() && connection_;
    if (!deviceID) {
        if (playing && !moveToDefault())
            return false;
        selectedSink_.reset();
        return true;
    }
    // The choice is kept by name: indices start again when the server restarts.
    std::optional<std::string> name = playing ? moveTo(*deviceID) : sinkName(*deviceID);
    if (!name)
        return false;
    selectedSink_ = std::move(*name);
    return true;
}

std::optional<std::string> PulseOutput::sinkName(std::uint32_t sinkIndex) const {
    auto connection = PulseConnection::open(options_, "Orvane");
    if (!connection)
        return std::nullopt;
    PulseConnection::Lock lock(*connection);
    auto sink = querySink(*connection, sinkIndex, connection->deadline());
    return sink ? std::optional<std::string>(std::move(sink->name)) : std::nullopt;
}

std::optional<std::string> PulseOutput::moveTo(std::uint32_t sinkIndex) {
    PulseConnection::Lock lock(*connection_);
    if (!stream_ || !connection_->alive())
        return std::nullopt;
    const pa_usec_t until = connection_->deadline();
    auto sink = querySink(*connection_, sinkIndex, until);
    if (!sink || !moveSinkInput(*connection_, pa_stream_get_index(stream_), sinkIndex, until))
        return std::nullopt;
    return std::move(sink->name);
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
    if (!running_.load() || !connection_)
        return {};
    PulseConnection::Lock lock(*connection_);
    const char* name = stream_ ? pa_stream_get_device_name(stream_) : nullptr;
    return name ? name : "";
}

void PulseOutput::onWrite(std::size_t bytes) noexcept {
    while (bytes >= kFrameBytes) {
        void* data = nullptr;
        std::size_t size = bytes;
        if (pa_stream_begin_write(stream_, &data, &size) < 0 || !data)
            return;
        const std::size_t frames = std::min(size, bytes) / kFrameBytes;
        if (frames == 0) {
            pa_stream_cancel_write(stream_);
            return;
        }
        float* out = static_cast<float*>(data);
        if (source_)
            renderer_.render(*source_, out, frames);
        else
            std::fill(out, out + 2 * frames, 0.0f);
        if (pa_stream_write(stream_, data, frames * kFrameBytes, nullptr, 0, PA_SEEK_RELATIVE) < 0)
            return;
        bytes -= frames * kFrameBytes;
    }
}

void PulseOutput::streamStateCallback(pa_stream* stream, void* userdata) {
    auto* self = static_cast<PulseOutput*>(userdata);
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
        self->running_.store(false);
    pa_threaded_mainloop_signal(self->loop_, 0);
}

void PulseOutput::writeCallback(pa_stream*, std::size_t bytes, void* userdata) {
    static_cast<PulseOutput*>(userdata)->onWrite(bytes);
}

void PulseOutput::underflowCallback(pa_stream*, void* userdata) {
    static_cast<PulseOutput*>(userdata)->underflows_.fetch_add(1, std::memory_order_relaxed);
}

} // namespace orvane
