#include "App/CollectorContextSource.h"

#include "Context/PageReader.h"

CollectorContextSource::CollectorContextSource(ContextCollector& collector, PageReader& pages)
    : collector_(collector), pages_(pages) {}

std::optional<Platform::RunningApplication> CollectorContextSource::frontApplication() {
    return collector_.frontApplication();
}

std::optional<ContextSource::Prefetch> CollectorContextSource::prefetchField() {
    return collector_.prefetchField();
}

std::unique_ptr<ContextRead> CollectorContextSource::quickSnapshot(std::optional<Prefetch> prefetch,
                                                                   bool copySelection,
                                                                   SnapshotDone done) {
    return collector_.quickSnapshot(std::move(prefetch), copySelection, std::move(done));
}

std::unique_ptr<ContextRead> CollectorContextSource::addScreenshot(const ContextSnapshot& snapshot,
                                                                   ScreenshotDone done) {
    return collector_.addScreenshot(snapshot, std::move(done));
}

std::unique_ptr<ContextRead> CollectorContextSource::fieldText(const ContextSnapshot& snapshot,
                                                               TextDone done) {
    return collector_.fieldText(snapshot, std::move(done));
}

std::unique_ptr<ContextRead> CollectorContextSource::readPage(qint32 pid, int maxChars,
                                                              std::chrono::milliseconds budget,
                                                              PageDone done) {
    return pages_.read(pid, maxChars, budget, std::move(done));
}

QPointF CollectorContextSource::mouseLocation() {
    return ContextCollector::globalMouseLocation();
}
