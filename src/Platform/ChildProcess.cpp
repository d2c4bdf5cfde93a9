#include "Platform/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <mutex>

namespace Platform::ChildProcess {

namespace {

// Read in the forked child, where it still holds the parent's value.
const pid_t tavrin = ::getpid();

}  // namespace

void ignoreBrokenPipes() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        ::sigaction(SIGPIPE, &ignore, nullptr);
    });
}

// Async-signal-safe calls only: this runs in the forked child.
void prepare() {
    ::setpgid(0, 0);
    // A group of its own keeps the child from the terminal's and the session's signals, so
    // without this it would outlive a Tavrin that was killed or lost its display. The signal
    // comes when the thread that started the child ends: every caller waits for its child on
    // that thread. Tavrin gone before this call already: end at once.
    if (::prctl(PR_SET_PDEATHSIG, SIGKILL) == 0 && ::getppid() != tavrin)
        ::_exit(127);
    // Ignored signals survive exec; the child must see a closed pipe as usual.
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    ::sigaction(SIGPIPE, &standard, nullptr);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // Descriptors opened without close-on-exec (by us or a library) must not reach the
    // child. Marking instead of closing keeps the pipe QProcess uses to learn of exec errors.
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
    struct rlimit limit {};
    rlim_t top = 65536;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        top = std::min<rlim_t>(limit.rlim_cur, rlim_t(1) << 20);
    for (int fd = 3; rlim_t(fd) < top; ++fd) {
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags >= 0)
            ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
}

}  // namespace Platform::ChildProcess
