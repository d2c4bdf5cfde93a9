#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTest>
#include <QTimer>
#include <functional>

#include "Platform/AccessibilityWorker.h"
#include "Platform/fake/FakeClock.h"

// Runs a test on a fake clock beside the accessibility worker's real thread: before each step
// of the clock, every read posted so far has answered and its answer has reached the main
// thread. Otherwise a busy machine lets the clock run past a read's time limit while the
// worker is still reading, and the read counts as one the application did not answer.
class WorkerSteps {
public:
    // `hangs` says when a test has the application not answer on purpose: the clock then steps
    // on without waiting for the worker, which waits for the application.
    WorkerSteps(Platform::AccessibilityWorker& worker, Platform::FakeClock& clock,
                std::function<bool()> hangs = {})
        : worker_(worker), clock_(clock), hangs_(std::move(hangs)) {}

    // Steps the clock by `step` until `done` holds; false when it does not within `limitMs` of
    // real time.
    bool until(const std::function<bool()>& done, Platform::Milliseconds step,
               int limitMs = 60000) {
        QElapsedTimer real;
        real.start();
        while (!done()) {
            if (real.elapsed() > limitMs)
                return false;
            if (hangs_ && hangs_())
                QTest::qWait(1);
            else if (!drain())
                return false;
            clock_.advance(step);
            QCoreApplication::processEvents();
        }
        return true;
    }

private:
    // The worker runs its reads in order, and their answers reach the main thread in order.
    bool drain() {
        bool drained = false;
        QEventLoop loop;
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        worker_.run(&worker_, [](Platform::AccessibilityTree*) { return 0; },
                    [&drained, &loop](int) {
                        drained = true;
                        loop.quit();
                    });
        if (!drained)
            loop.exec();
        return drained;
    }

    Platform::AccessibilityWorker& worker_;
    Platform::FakeClock& clock_;
    std::function<bool()> hangs_;
};
