#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <optional>

#include "Platform/AccessibilityTree.h"
#include "Platform/AccessibilityWorker.h"

// Gives a field back the text it held before an insertion, through the accessibility bus, where
// the application keeps no undo history that Control+Z could use. It writes only into the field
// that has the focus and only while that field still holds exactly what the insertion left:
// whatever the user typed since is never overwritten.
class FieldRestorer final : public QObject {
public:
    explicit FieldRestorer(Platform::AccessibilityWorker& worker) : worker_(worker) {}

    // The whole text of the focused field of process `pid` (none without one, or for a
    // password field), handed to `done` on the main thread.
    void readFocused(qint32 pid, std::function<void(std::optional<QString>)> done);
    // Puts `before` into the focused field of `pid` when it holds `after`; `done` learns
    // whether it did.
    void restore(qint32 pid, const QString& after, const QString& before,
                 std::function<void(bool)> done);

    // The same, blocking, on a tree.
    static std::optional<QString> focusedText(Platform::AccessibilityTree& tree, qint32 pid);
    static bool restoreFocused(Platform::AccessibilityTree& tree, qint32 pid, const QString& after,
                               const QString& before);

private:
    Platform::AccessibilityWorker& worker_;
};
