#pragma once

#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <type_traits>
#include <utility>

// Runs blocking `work` on `pool` (the global pool when none is given) and hands its result
// to `done` on `context`'s thread. When `context` is destroyed first, `done` is never called
// (the work still runs to its end; give it a way to stop early).
template <typename Work, typename Done>
void runInBackground(QObject* context, Work work, Done done, QThreadPool* pool = nullptr) {
    using Result = std::invoke_result_t<Work>;
    auto* watcher = new QFutureWatcher<Result>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context,
                     [watcher, done = std::move(done)]() mutable {
                         watcher->deleteLater();
                         done(watcher->result());
                     });
    watcher->setFuture(
        QtConcurrent::run(pool ? pool : QThreadPool::globalInstance(), std::move(work)));
}
