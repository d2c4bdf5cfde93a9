#pragma once

#include <QObject>
#include <QPointF>
#include <functional>
#include <memory>
#include <optional>

#include "Context/AXContextReader.h"
#include "Context/ContextRead.h"
#include "Context/ContextSnapshot.h"
#include "Context/WindowCapture.h"
#include "Platform/AccessibilityTrust.h"
#include "Platform/AccessibilityWorker.h"
#include "Platform/Clock.h"
#include "Platform/DesktopWindows.h"
#include "Platform/RunningApplication.h"
#include "Platform/SystemLog.h"

// Takes, when the user presses a shortcut, a snapshot of what the user works in: the front
// application, its window title, the focused field and its selection, the pointer, and on
// request a picture of the window. Main thread; the blocking reads run on their workers.
class ContextCollector final : public QObject {
public:
    // Copies the front application's selection with its copy key (the text inserter's, which
    // knows how to treat terminals) and hands over the text, or none.
    using CopySelection = std::function<void(std::function<void(std::optional<QString>)>)>;

    struct Services {
        Platform::Clock& clock;
        Platform::DesktopWindows& windows;
        Platform::AccessibilityTrust& trust;
        Platform::AccessibilityWorker& accessibility;
        WindowCapture& capture;
        Platform::SystemLog& log;
        CopySelection copySelection;
    };

    // One field read raced against its time limit; it runs to its end whether or not anyone
    // waits for it.
    class FieldRead;
    struct FieldPrefetch {
        qint32 pid = 0;
        std::shared_ptr<FieldRead> read;
    };
    using SnapshotDone = std::function<void(std::optional<ContextSnapshot>)>;
    using ScreenshotDone = std::function<void(ContextSnapshot)>;
    using TextDone = std::function<void(std::optional<QString>)>;

    explicit ContextCollector(Services services);
    ~ContextCollector() override;

    // The application whose window is active; none when there is none or it is Tavrin.
    std::optional<Platform::RunningApplication> frontApplication();
    // Starts reading the front application's field; none when frontApplication() has none.
    std::optional<FieldPrefetch> prefetchField();
    // The snapshot of the front application, none when frontApplication() has none. Uses
    // `prefetch` when it reads the same process and found a focused window. With `copySelection` a
    // selection that the field does not tell is copied with the copy key. `done` runs on the main
    // thread unless the handle is gone.
    std::unique_ptr<ContextRead> quickSnapshot(std::optional<FieldPrefetch> prefetch,
                                               bool copySelection, SnapshotDone done);
    // The words of `snapshot`'s field where they were still to come when it was made
    // (fieldTextPending): they come as soon as the field gives them, or none once their time
    // is up, longer than the field read's. None, at once, for any other snapshot.
    std::unique_ptr<ContextRead> fieldText(const ContextSnapshot& snapshot, TextDone done);
    // `snapshot` with the picture of its window filled in; unchanged when there is none.
    std::unique_ptr<ContextRead> addScreenshot(const ContextSnapshot& snapshot,
                                               ScreenshotDone done);
    // The pointer in global screen coordinates.
    static QPointF globalMouseLocation();

private:
    struct SnapshotRun;
    struct TakenAhead {
        qint32 pid = 0;
        QDateTime capturedAt;
        std::shared_ptr<WindowCapture::Shot> shot;
    };

    // `awaitWindow`: an answer without a focused window, or with a window but no field in it
    // yet, is asked again for a moment.
    std::shared_ptr<FieldRead> readField(qint32 pid, bool awaitWindow = false);
    // Builds the snapshot once `read` answered; a prefetch that found no focused window is
    // read again, once.
    void awaitField(const std::shared_ptr<SnapshotRun>& run, const std::shared_ptr<FieldRead>& read,
                    bool prefetched);
    std::optional<QString> frontWindowTitle(qint32 pid);
    void collectSelection(const std::shared_ptr<SnapshotRun>& run);
    void build(const std::shared_ptr<SnapshotRun>& run);
    void finish(const std::shared_ptr<SnapshotRun>& run);

    struct LateText {
        qint32 pid = 0;
        QDateTime capturedAt;
        std::shared_ptr<FieldRead> read;
    };

    Services s_;
    TakenAhead takenAhead_;
    // The read whose words the last snapshot still waits for.
    LateText lateText_;
};
