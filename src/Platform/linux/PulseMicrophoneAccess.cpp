#include "Platform/linux/PulseMicrophoneAccess.h"

#include <pulse/context.h>
#include <pulse/introspect.h>
#include <pulse/mainloop.h>

#include <QMetaObject>
#include <chrono>
#include <string>

namespace Platform {

namespace {

using SteadyClock = std::chrono::steady_clock;

// A local server answers within milliseconds; one that does not within a second is as good
// as none.
constexpr auto kProbeLimit = std::chrono::milliseconds(1000);

// Runs the loop until `done` holds, the deadline passes or the loop fails.
template <typename Done>
bool iterateUntil(pa_mainloop* loop, SteadyClock::time_point deadline, Done done) {
    while (!done()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::microseconds>(deadline - SteadyClock::now());
        if (left.count() <= 0)
            return false;
        if (pa_mainloop_prepare(loop, static_cast<int>(left.count())) < 0 ||
            pa_mainloop_poll(loop) < 0 || pa_mainloop_dispatch(loop) < 0)
            return false;
    }
    return true;
}

struct Query {
    bool answered = false;
    std::string defaultSource;
    bool sourceFound = false;
    bool isMonitor = false;
};

}  // namespace

bool PulseMicrophoneAccess::hasDefaultInput() {
    const auto deadline = SteadyClock::now() + kProbeLimit;
    pa_mainloop* loop = pa_mainloop_new();
    if (!loop)
        return false;
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop), "Tavrin");
    bool result = false;
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        const auto settled = [context] {
            const pa_context_state_t state = pa_context_get_state(context);
            return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
        };
        if (iterateUntil(loop, deadline, settled) &&
            pa_context_get_state(context) == PA_CONTEXT_READY) {
            Query query;
            pa_operation* server = pa_context_get_server_info(
                context,
                [](pa_context*, const pa_server_info* info, void* data) {
                    auto* q = static_cast<Query*>(data);
                    if (info && info->default_source_name)
                        q->defaultSource = info->default_source_name;
                    q->answered = true;
                },
                &query);
            const bool serverAnswered =
                server && iterateUntil(loop, deadline, [&] { return query.answered; });
            if (server)
                pa_operation_unref(server);

            if (serverAnswered && !query.defaultSource.empty()) {
                query.answered = false;
                pa_operation* source = pa_context_get_source_info_by_name(
                    context, query.defaultSource.c_str(),
                    [](pa_context*, const pa_source_info* info, int eol, void* data) {
                        auto* q = static_cast<Query*>(data);
                        if (info) {
                            q->sourceFound = true;
                            q->isMonitor = info->monitor_of_sink != PA_INVALID_INDEX;
                        }
                        if (eol != 0)
                            q->answered = true;
                    },
                    &query);
                const bool sourceAnswered =
                    source && iterateUntil(loop, deadline, [&] { return query.answered; });
                if (source)
                    pa_operation_unref(source);
                result = sourceAnswered && query.sourceFound && !query.isMonitor;
            }
        }
        pa_context_disconnect(context);
    }
    if (context)
        pa_context_unref(context);
    pa_mainloop_free(loop);
    return result;
}

PulseMicrophoneAccess::PulseMicrophoneAccess()
    : probe_(std::make_unique<BackgroundProbe<bool>>(&PulseMicrophoneAccess::hasDefaultInput,
                                                     std::chrono::milliseconds(100),
                                                     std::chrono::milliseconds(500), "mic probe")) {
}

PulseMicrophoneAccess::~PulseMicrophoneAccess() {
    probe_.reset();
}

AuthorizationStatus PulseMicrophoneAccess::status() {
    const std::optional<bool> input = probe_->current();
    if (!input)
        return AuthorizationStatus::notDetermined;
    return *input ? AuthorizationStatus::authorized : AuthorizationStatus::denied;
}

void PulseMicrophoneAccess::requestAccess(std::function<void()> done) {
    QObject* receiver = &mainThread_;
    probe_->refresh([receiver, done = std::move(done)](const bool&) {
        QMetaObject::invokeMethod(receiver, done, Qt::QueuedConnection);
    });
}

}  // namespace Platform
