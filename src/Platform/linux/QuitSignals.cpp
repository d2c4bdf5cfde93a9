#include "Platform/linux/QuitSignals.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <utility>

namespace Platform {

namespace {

// The pipe lives as long as the process: a signal may come at any moment until it ends, also
// while main()'s objects are being destroyed.
int readEnd = -1;
int writeEnd = -1;

extern "C" void onQuitSignal(int) {
    const int saved = errno;
    const char byte = 1;
    // A full pipe already holds a wake-up; nothing else can go wrong that matters here.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = saved;
}

}  // namespace

void QuitSignals::catchEarly() {
    if (readEnd >= 0)
        return;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    readEnd = ends[0];
    writeEnd = ends[1];
    struct sigaction handler {};
    handler.sa_handler = onQuitSignal;
    sigemptyset(&handler.sa_mask);
    // Calls interrupted on other threads go on as if nothing happened.
    handler.sa_flags = SA_RESTART;
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        struct sigaction before {};
        if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        ::sigaction(signal, &handler, nullptr);
    }
}

QuitSignals::QuitSignals(std::function<void()> quit, QObject* parent)
    : QObject(parent), quit_(std::move(quit)) {
    if (readEnd < 0)
        return;
    auto* notifier = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &QuitSignals::take);
}

void QuitSignals::take() {
    char bytes[64];
    bool came = false;
    for (;;) {
        const ssize_t n = ::read(readEnd, bytes, sizeof bytes);
        if (n > 0) {
            came = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    if (came && quit_)
        quit_();
}

}  // namespace Platform
