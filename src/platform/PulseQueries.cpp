#include "platform/PulseQueries.h"

#include <pulse/introspect.h>

namespace orvane {
namespace {

template <class Result>
struct Request {
    PulseConnection* connection = nullptr;
    bool done = false;
    bool failed = false;
    Result result{};

    void end(bool ok) {
        failed = !ok;
        done = true;
        connection->signal();
    }
};

PulseSink toSink(const pa_sink_info& info) {
    PulseSink sink;
    sink.index = info.index;
    sink.name = info.name ? info.name : "";
    sink.description = info.description && *info.description ? info.description : sink.name;
    sink.rate = info.sample_spec.rate;
    return sink;
}

void onServerInfo(pa_context*, const pa_server_info* info, void* userdata) {
    auto* r = static_cast<Request<std::string>*>(userdata);
    const bool ok = info && info->default_sink_name && *info->default_sink_name;
    if (ok)
        r->result = info->default_sink_name;
    r->end(ok);
}

// Sink info callbacks come once per sink, then once more with eol set (negative on
// error, for instance an unknown name or index).
void onOneSink(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
    auto* r = static_cast<Request<std::optional<PulseSink>>*>(userdata);
    if (eol == 0) {
        if (info && !r->result)
            r->result = toSink(*info);
        return;
    }
    r->end(eol > 0 && r->result.has_value());
}

void onSinkList(pa_context*, const pa_sink_info* info, int eol, void* userdata) {
    auto* r = static_cast<Request<std::vector<PulseSink>>*>(userdata);
    if (eol == 0) {
        if (info)
            r->result.push_back(toSink(*info));
        return;
    }
    r->end(eol > 0);
}

void onSuccess(pa_context*, int success, void* userdata) {
    static_cast<Request<bool>*>(userdata)->end(success != 0);
}

template <class Result>
std::optional<Result> run(PulseConnection& c, Request<Result>& r, pa_operation* op,
                          pa_usec_t until) {
    if (!c.finish(op, r.done, until) || r.failed)
        return std::nullopt;
    return std::move(r.result);
}

} // namespace

std::optional<std::string> queryDefaultSinkName(PulseConnection& c, pa_usec_t until) {
    Request<std::string> r{&c};
    return run(c, r, pa_context_get_server_info(c.context(), onServerInfo, &r), until);
}

std::optional<PulseSink> querySink(PulseConnection& c, const std::string& name, pa_usec_t until) {
    Request<std::optional<PulseSink>> r{&c};
    auto found = run(
        c, r, pa_context_get_sink_info_by_name(c.context(), name.c_str(), onOneSink, &r), until);
    return found ? *found : std::nullopt;
}

std::optional<PulseSink> querySink(PulseConnection& c, std::uint32_t index, pa_usec_t until) {
    Request<std::optional<PulseSink>> r{&c};
    auto found =
        run(c, r, pa_context_get_sink_info_by_index(c.context(), index, onOneSink, &r), until);
    return found ? *found : std::nullopt;
}

std::optional<std::vector<PulseSink>> querySinks(PulseConnection& c, pa_usec_t until) {
    Request<std::vector<PulseSink>> r{&c};
    return run(c, r, pa_context_get_sink_info_list(c.context(), onSinkList, &r), until);
}

bool moveSinkInput(PulseConnection& c, std::uint32_t sinkInput, std::uint32_t sinkIndex,
                   pa_usec_t until) {
    Request<bool> r{&c};
    return run(c, r,
               pa_context_move_sink_input_by_index(c.context(), sinkInput, sinkIndex, onSuccess,
                                                   &r),
               until)
        .has_value();
}

bool moveSinkInput(PulseConnection& c, std::uint32_t sinkInput, const std::string& sinkName,
                   pa_usec_t until) {
    Request<bool> r{&c};
    return run(c, r,
               pa_context_move_sink_input_by_name(c.context(), sinkInput, sinkName.c_str(),
                                                  onSuccess, &r),
               until)
        .has_value();
}

} // namespace orvane
