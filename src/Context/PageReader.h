#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>

#include "Context/AccessibilityGate.h"
#include "Context/ContextRead.h"
#include "Platform/AccessibilityTree.h"
#include "Platform/AccessibilityTrust.h"
#include "Platform/AccessibilityWorker.h"

// The visible text of the document or web page in another application's front window, read
// through the accessibility tree, for requests about the whole page.
class PageReader final : public QObject {
public:
    using Done = std::function<void(std::optional<QString>)>;
    using Now = AccessibilityGate::Now;

    PageReader(Platform::AccessibilityWorker& worker, Platform::AccessibilityTrust& trust);

    // True when the request asks about the whole page ("ganze Seite", "whole article" …).
    static bool wantsFullPage(const QString& request);

    // Reads at most `maxChars` characters of the page of process `pid`, for at most `budget`
    // from the moment the read gets its turn on the worker; `done` gets the text on the main
    // thread, none without a window or with less than 40 characters. Nothing is called once
    // the handle is gone.
    std::unique_ptr<ContextRead> read(qint32 pid, int maxChars, std::chrono::milliseconds budget,
                                      Done done);

    // The walk itself, blocking; it ends at `deadline` (on the `now` clock) with what it has.
    static std::optional<QString> collect(Platform::AccessibilityTree& tree, qint32 pid,
                                          int maxChars, std::chrono::nanoseconds deadline,
                                          const Now& now, std::stop_token stop = {});

private:
    Platform::AccessibilityWorker& worker_;
    Platform::AccessibilityTrust& trust_;
};
