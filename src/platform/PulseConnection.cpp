#include "platform/PulseConnection.h"

#include <pulse/error.h>
#include <pulse/mainloop-api.h>
#include <pulse/proplist.h>

namespace orvane {
namespace {

void onContextState(pa_context*, void* userdata) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(userdata), 0);
}

void onTimer(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(userdata), 0);
}

struct ProplistDeleter {
    void operator()(pa_proplist* p) const { pa_proplist_free(p); }
};

} // namespace

std::unique_ptr<PulseConnection> PulseConnection::open(const PulseOptions& options,
                                                       const char* applicationName,
                                                       std::string* error) {
    std::string ignored;
    std::string& why = error ? *error : ignored;
    why = "cannot set up a connection to the sound server";
    std::unique_ptr<PulseConnection> c(new PulseConnection);
    c->timeout_ = options.timeout;
    c->mainloop_ = pa_threaded_mainloop_new();
    if (!c->mainloop_)
        return nullptr;
    pa_threaded_mainloop_set_name(c->mainloop_, "orvane-pulse");

    std::unique_ptr<pa_proplist, ProplistDeleter> props(pa_proplist_new());
    pa_proplist_sets(props.get(), PA_PROP_APPLICATION_NAME, applicationName);
    pa_proplist_sets(props.get(), PA_PROP_APPLICATION_ID, "orvane");
    pa_proplist_sets(props.get(), PA_PROP_APPLICATION_ICON_NAME, "orvane");
    c->context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(c->mainloop_),
                                               applicationName, props.get());
    if (!c->context_)
        return nullptr;
    pa_context_set_state_callback(c->context_, onContextState, c->mainloop_);

    // A player should not spawn a sound server of its own; without one it plays
    // silently instead.
    const char* server = options.server.empty() ? nullptr : options.server.c_str();
    if (pa_context_connect(c->context_, server, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        why = errorText(pa_context_errno(c->context_));
        return nullptr;
    }
    if (pa_threaded_mainloop_start(c->mainloop_) < 0)
        return nullptr;

    Lock lock(*c);
    const pa_usec_t until = c->deadline();
    TimerGuard timer(*c, until);
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(c->context_);
        if (state == PA_CONTEXT_READY) {
            why.clear();
            return c;
        }
        if (!PA_CONTEXT_IS_GOOD(state)) {
            why = errorText(pa_context_errno(c->context_));
            break;
        }
        if (pa_rtclock_now() >= until) {
            why = "the sound server did not answer in time";
            break;
        }
        pa_threaded_mainloop_wait(c->mainloop_);
    }
    return nullptr; // the destructor runs after the lock and timer are released
}

std::string PulseConnection::errorText(int error) {
    const char* text = pa_strerror(error);
    return text ? text : "error " + std::to_string(error);
}

PulseConnection::~PulseConnection() {
    if (mainloop_)
        pa_threaded_mainloop_stop(mainloop_);
    // The loop thread is gone: nothing else touches the context any more.
    if (context_) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    if (mainloop_)
        pa_threaded_mainloop_free(mainloop_);
}

pa_usec_t PulseConnection::deadline() const {
    const auto usec = std::chrono::duration_cast<std::chrono::microseconds>(timeout_).count();
    return pa_rtclock_now() + static_cast<pa_usec_t>(usec > 0 ? usec : 0);
}

bool PulseConnection::alive() const {
    return pa_context_get_state(context_) == PA_CONTEXT_READY;
}

bool PulseConnection::finish(pa_operation* operation, const bool& done, pa_usec_t until) {
    if (!operation)
        return false;
    waitUntil([&] { return done; }, until);
    if (!done)
        pa_operation_cancel(operation);
    pa_operation_unref(operation);
    return done;
}

PulseConnection::TimerGuard::TimerGuard(PulseConnection& c, pa_usec_t until) : connection_(c) {
    event_ = pa_context_rttime_new(c.context_, until, onTimer, c.mainloop_);
}

PulseConnection::TimerGuard::~TimerGuard() {
    if (event_) {
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(connection_.mainloop_);
        api->time_free(event_);
    }
}

} // namespace orvane
