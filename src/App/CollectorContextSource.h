#pragma once

#include "App/ContextSource.h"

class PageReader;

// The desktop as the context collector and the page reader read it.
class CollectorContextSource final : public ContextSource {
public:
    CollectorContextSource(ContextCollector& collector, PageReader& pages);

    std::optional<Platform::RunningApplication> frontApplication() override;
    std::optional<Prefetch> prefetchField() override;
    std::unique_ptr<ContextRead> quickSnapshot(std::optional<Prefetch> prefetch, bool copySelection,
                                               SnapshotDone done) override;
    std::unique_ptr<ContextRead> addScreenshot(const ContextSnapshot& snapshot,
                                               ScreenshotDone done) override;
    std::unique_ptr<ContextRead> fieldText(const ContextSnapshot& snapshot, TextDone done) override;
    std::unique_ptr<ContextRead> readPage(qint32 pid, int maxChars,
                                          std::chrono::milliseconds budget, PageDone done) override;
    QPointF mouseLocation() override;

private:
    ContextCollector& collector_;
    PageReader& pages_;
};
