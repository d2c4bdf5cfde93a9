#pragma once

#include <QObject>
#include <functional>

namespace Platform {

// SIGTERM (a logout, a service stop), SIGINT (Control+C where Tavrin was started from a
// terminal) and SIGHUP (that terminal closed) end Tavrin the way the user's quitting does:
// the event loop is left and everything main() owns is torn down in order, so the tools it
// started end and its files are cleaned up. The handler only writes a byte to a pipe; the
// main thread reads it in its event loop, where quitting is safe.
class QuitSignals final : public QObject {
    Q_OBJECT

public:
    // Catches the signals from now on; one that comes before a QuitSignals object exists
    // waits for it. Call once, first thing in main(). A signal that was ignored when Tavrin
    // started (nohup, a shell's background job) stays ignored.
    static void catchEarly();

    // Calls `quit` on this thread once the event loop runs, whenever signals came; again for
    // each that comes while quitting, which does no harm. Needs catchEarly().
    explicit QuitSignals(std::function<void()> quit, QObject* parent = nullptr);

private:
    void take();

    std::function<void()> quit_;
};

}  // namespace Platform
