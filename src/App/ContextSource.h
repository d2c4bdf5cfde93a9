#pragma once

#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "Context/ContextCollector.h"
#include "Context/ContextRead.h"
#include "Context/ContextSnapshot.h"
#include "Platform/RunningApplication.h"

// What the coordinator reads of the desktop: the front application, its focused field, a
// snapshot, the window picture and the page text. Each read answers on the main thread
// unless its handle is dropped first. The application reads through the context collector
// and the page reader; tests answer by hand, at the moment they choose.
class ContextSource {
public:
    using Prefetch = ContextCollector::FieldPrefetch;
    using SnapshotDone = ContextCollector::SnapshotDone;
    using ScreenshotDone = ContextCollector::ScreenshotDone;
    using PageDone = std::function<void(std::optional<QString>)>;
    using TextDone = ContextCollector::TextDone;

    virtual ~ContextSource() = default;

    virtual std::optional<Platform::RunningApplication> frontApplication() = 0;
    virtual std::optional<Prefetch> prefetchField() = 0;
    virtual std::unique_ptr<ContextRead> quickSnapshot(std::optional<Prefetch> prefetch,
                                                       bool copySelection, SnapshotDone done) = 0;
    virtual std::unique_ptr<ContextRead> addScreenshot(const ContextSnapshot& snapshot,
                                                       ScreenshotDone done) = 0;
    // The words of the snapshot's field where they were still to come (fieldTextPending).
    virtual std::unique_ptr<ContextRead> fieldText(const ContextSnapshot& snapshot,
                                                   TextDone done) = 0;
    virtual std::unique_ptr<ContextRead> readPage(qint32 pid, int maxChars,
                                                  std::chrono::milliseconds budget,
                                                  PageDone done) = 0;
    virtual QPointF mouseLocation() = 0;
};
