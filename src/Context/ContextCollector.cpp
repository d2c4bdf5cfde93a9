#include "Context/ContextCollector.h"

#include <QCoreApplication>
#include <QCursor>
#include <QPointer>
#include <atomic>
#include <chrono>
#include <vector>

using AXContextReader::FieldInfo;
using Platform::Milliseconds;

namespace {

// The field read's result is used only when it comes within this time; the panel waits for it.
constexpr Milliseconds fieldTimeout{400};
// An application that has named its focused window answers: a busy one gets this long for its
// field. On two loaded processors a browser took up to 340 ms for its window right after the
// shortcut's key, then held single answers back for up to 700 ms (working out where its window
// and field are), and had its field's place and selection after up to 0.97 s. One that does not
// answer at all still costs only the 0.4 s.
constexpr Milliseconds busyFieldTimeout{1500};
// A rich-text editor's words follow the panel for this long from the press. A busy browser
// gives them a paragraph at a time, each answer a wait for its page: on two loaded processors
// they came up to 150 ms after the field's place and selection. The request waits for them only
// when it is sent before they came.
constexpr Milliseconds wordsTimeout{3000};
// Once the shortcut's key is up, GTK 3 (Firefox's windows too) gives its window the focus back
// only when the server's focus event reaches it, which on a busy machine can come after our
// read: then neither the field nor, by the copy key, the selection would be found.
// LibreOffice, once its window is back, first gives the focus to the panel that holds the
// document and only then to the paragraph: a window that is back without a field is asked again
// for the same while.
constexpr Milliseconds windowRetryStep{15};
constexpr Milliseconds windowRetryFor{150};
// How long a finished snapshot waits for the picture taken ahead. Taking one is a matter of
// milliseconds; once the panel is up, a later one could show it.
constexpr Milliseconds shotWait{150};

// Runs `call` on the main thread once the current event is handled, unless `token` was stopped.
void later(QObject* context, std::stop_token token, std::function<void()> call) {
    QMetaObject::invokeMethod(
        context,
        [token = std::move(token), call = std::move(call)] {
            if (!token.stop_requested())
                call();
        },
        Qt::QueuedConnection);
}

}  // namespace

class ContextCollector::FieldRead {
public:
    using Waiter = std::function<void(const FieldInfo&)>;

    // What the read handed over within its times, told by the reading thread before the answer
    // itself is queued: the main thread may come to the timer first, and an answer that was in
    // time must not lose to it on a busy machine (the panel's first drawing alone took 150 ms).
    struct InTime {
        std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
        // The application has named its focused window: it answers, if slowly.
        std::atomic<bool> answering{false};
        std::atomic<bool> field{false};
        std::atomic<bool> words{false};

        // On the reading thread, as it hands over `found`.
        void handOver(const FieldInfo& found) {
            const auto taken = std::chrono::steady_clock::now() - started;
            if (taken <= (answering ? busyFieldTimeout : fieldTimeout))
                field = true;
            if (!found.textPending && taken <= wordsTimeout)
                words = true;
        }
    };

    // The first of the read and its time decides; the loser is dropped. A field whose words
    // were still to come gets them from the read's next answer, or none once their time is up.
    void answer(FieldInfo info) {
        if (!result_)
            decide(std::move(info));
        else if (result_->textPending)
            settleText(std::move(info.value));
    }

    // The field's time is up, unless its answer is on the way or the application answers and
    // has the busy application's time.
    void fieldTimeUp() {
        if (!result_ && !inTime_->field && !inTime_->answering)
            decide(unknownField());
    }

    // The busy application's time is up, unless its answer is on the way.
    void busyFieldTimeUp() {
        if (!result_ && !inTime_->field)
            decide(unknownField());
    }

    // The words' time is up, unless they are on the way.
    void wordsTimeUp() {
        if (!result_)
            decide(unknownField());
        else if (result_->textPending && !inTime_->words)
            settleText(std::nullopt);
    }

    // Nobody waits any more (a new press wants the reading thread): what has not come goes.
    void giveUp() {
        if (!result_)
            decide(unknownField());
        else if (result_->textPending)
            settleText(std::nullopt);
    }

    void whenDone(Waiter waiter) {
        if (result_)
            waiter(*result_);
        else
            waiting_.push_back(std::move(waiter));
    }

    void whenText(TextDone waiter) {
        if (result_ && !result_->textPending)
            waiter(text_);
        else
            textWaiting_.push_back(std::move(waiter));
    }

    std::stop_token token() const { return stop_.get_token(); }
    const std::shared_ptr<InTime>& inTime() const { return inTime_; }
    void setTimers(std::unique_ptr<Platform::Timer> field, std::unique_ptr<Platform::Timer> busy,
                   std::unique_ptr<Platform::Timer> words) {
        fieldTimer_ = std::move(field);
        busyFieldTimer_ = std::move(busy);
        wordsTimer_ = std::move(words);
    }

private:
    static FieldInfo unknownField() {
        // Nothing is known of the field, not even that it is no password entry.
        FieldInfo unknown;
        unknown.isPassword = true;
        return unknown;
    }

    void decide(FieldInfo info) {
        result_ = std::move(info);
        if (!result_->textPending)
            end();
        std::vector<Waiter> waiting = std::move(waiting_);
        waiting_.clear();
        for (Waiter& waiter : waiting)
            waiter(*result_);
    }

    void settleText(std::optional<QString> text) {
        result_->textPending = false;
        // A snapshot asked for only now (the shortcut was held a little longer) takes the field
        // as it stands: with its words.
        result_->value = text;
        text_ = std::move(text);
        end();
        std::vector<TextDone> waiting = std::move(textWaiting_);
        textWaiting_.clear();
        for (TextDone& waiter : waiting)
            waiter(text_);
    }

    void end() {
        fieldTimer_.reset();
        busyFieldTimer_.reset();
        wordsTimer_.reset();
        // The read may still be asking a hung application: it can stop at its next step.
        stop_.request_stop();
    }

    std::optional<FieldInfo> result_;
    std::optional<QString> text_;
    std::vector<Waiter> waiting_;
    std::vector<TextDone> textWaiting_;
    std::shared_ptr<InTime> inTime_ = std::make_shared<InTime>();
    std::unique_ptr<Platform::Timer> fieldTimer_;
    std::unique_ptr<Platform::Timer> busyFieldTimer_;
    std::unique_ptr<Platform::Timer> wordsTimer_;
    std::stop_source stop_;
};

// One quickSnapshot on its way: the pieces gathered so far.
struct ContextCollector::SnapshotRun {
    std::stop_token token;
    SnapshotDone done;
    Platform::RunningApplication application;
    QPointF pointer;
    FieldInfo field;
    bool copySelection = false;
    std::optional<QString> selectedText;
    std::shared_ptr<WindowCapture::Shot> shot;
    bool shotReady = false;
    bool built = false;
    std::optional<ContextSnapshot> snapshot;
    std::unique_ptr<Platform::Timer> shotTimer;
    // The read that decided the field, for its words when they come later.
    std::shared_ptr<FieldRead> read;
};

ContextCollector::ContextCollector(Services services) : s_(std::move(services)) {}

ContextCollector::~ContextCollector() = default;

std::optional<Platform::RunningApplication> ContextCollector::frontApplication() {
    std::optional<Platform::RunningApplication> front = s_.windows.frontApplication();
    if (!front || front->processIdentifier == QCoreApplication::applicationPid())
        return std::nullopt;
    return front;
}

std::optional<ContextCollector::FieldPrefetch> ContextCollector::prefetchField() {
    const auto front = frontApplication();
    if (!front)
        return std::nullopt;
    // A new press: the panel that waited for the last field's words is gone, and the worker
    // is wanted for this read.
    if (lateText_.read)
        lateText_.read->giveUp();
    lateText_ = {};
    return FieldPrefetch{front->processIdentifier, readField(front->processIdentifier)};
}

std::shared_ptr<ContextCollector::FieldRead> ContextCollector::readField(qint32 pid,
                                                                         bool awaitWindow) {
    auto read = std::make_shared<FieldRead>();
    if (!s_.trust.isTrusted()) {
        read->answer({});
        return read;
    }
    std::weak_ptr<FieldRead> weak = read;
    const auto timeUp = [weak](void (FieldRead::*up)()) {
        return [weak, up] {
            if (auto read = weak.lock())
                ((*read).*up)();
        };
    };
    read->setTimers(s_.clock.singleShot(fieldTimeout, timeUp(&FieldRead::fieldTimeUp)),
                    s_.clock.singleShot(busyFieldTimeout, timeUp(&FieldRead::busyFieldTimeUp)),
                    s_.clock.singleShot(wordsTimeout, timeUp(&FieldRead::wordsTimeUp)));
    const std::stop_token token = read->token();
    const std::shared_ptr<FieldRead::InTime> inTime = read->inTime();
    // A rich-text editor's words may take a busy browser longer than its place and selection:
    // the snapshot goes ahead with those, and the words follow.
    AXContextReader::Pace pace;
    pace.field = busyFieldTimeout;
    pace.answering = [inTime] { inTime->answering = true; };
    pace.words = wordsTimeout;
    pace.found = [worker = &s_.accessibility, receiver = QPointer<QObject>(this), weak,
                  inTime](const FieldInfo& found) {
        inTime->handOver(found);
        worker->report(receiver, [weak, found] {
            if (auto read = weak.lock())
                read->answer(found);
        });
    };
    s_.accessibility.run(
        this,
        [pid, token, awaitWindow, inTime,
         pace = std::move(pace)](Platform::AccessibilityTree* tree) {
            if (!tree || token.stop_requested())
                return FieldInfo();
            tree->setCallTimeout(AXContextReader::callTimeout);
            FieldInfo info = AXContextReader::read(*tree, pid, token, {}, pace);
            for (auto waited = Milliseconds::zero();
                 awaitWindow && !info.isEditable && waited < windowRetryFor;
                 waited += windowRetryStep) {
                if (!AXContextReader::pause(windowRetryStep, token))
                    break;
                tree->setCallTimeout(AXContextReader::callTimeout);
                info = AXContextReader::read(*tree, pid, token, {}, pace);
            }
            inTime->handOver(info);
            return info;
        },
        // Holds the read until its answer came, so that a prefetch nobody keeps still ends.
        [read](FieldInfo info) { read->answer(std::move(info)); });
    return read;
}

std::unique_ptr<ContextRead> ContextCollector::quickSnapshot(std::optional<FieldPrefetch> prefetch,
                                                             bool copySelection,
                                                             SnapshotDone done) {
    std::stop_source source;
    auto handle = std::make_unique<ContextRead>(source);
    const auto front = frontApplication();
    if (!front) {
        later(this, source.get_token(), [done = std::move(done)] { done(std::nullopt); });
        return handle;
    }

    auto run = std::make_shared<SnapshotRun>();
    run->token = source.get_token();
    run->done = std::move(done);
    run->application = *front;
    run->copySelection = copySelection;
    // Where the pointer is at the moment of the shortcut, not once the field has answered.
    run->pointer = globalMouseLocation();
    // The picture is taken now, before the panel can cover the window: without a compositor
    // a window's picture shows whatever lies on top of it.
    run->shotReady = front->windowId == 0;
    if (!run->shotReady) {
        // Holds the run until the picture is there; taking one cannot stall for long.
        run->shot = s_.capture.takeAhead(front->windowId, [self = QPointer(this), run] {
            run->shotReady = true;
            if (self)
                self->finish(run);
        });
    }

    const qint32 pid = front->processIdentifier;
    // A prefetch for another process is left to run out on its own.
    const bool prefetched = prefetch && prefetch->pid == pid && prefetch->read;
    awaitField(run, prefetched ? prefetch->read : readField(pid), prefetched);
    return handle;
}

void ContextCollector::awaitField(const std::shared_ptr<SnapshotRun>& run,
                                  const std::shared_ptr<FieldRead>& read, bool prefetched) {
    // A decided read answers at once; the rest still waits for the event loop, so that `done`
    // never runs before the caller has its handle.
    // A prefetch can outlive the collector: its answer then goes nowhere.
    read->whenDone([self = QPointer(this), run, read, prefetched](const FieldInfo& field) {
        if (!self)
            return;
        later(self, run->token, [self, run, read, field, prefetched] {
            // A prefetch runs while the shortcut's key holds the keyboard, which GTK 3 takes
            // for its window losing the focus. By the time the snapshot is asked for the key
            // is usually up again.
            if (prefetched && field.noFocusedWindow) {
                self->awaitField(run, self->readField(run->application.processIdentifier, true),
                                 false);
                return;
            }
            run->field = field;
            run->read = read;
            run->selectedText = field.selectedText;
            // The copy key in a password entry would hand its secret to the clipboard, and
            // from there to the prompt, wherever the application lets the copy through.
            if (field.isPassword) {
                run->field.value.reset();
                run->selectedText.reset();
                self->build(run);
                return;
            }
            if (!run->selectedText && !field.selectionKnownEmpty && run->copySelection &&
                self->s_.copySelection)
                self->collectSelection(run);
            else
                self->build(run);
        });
    });
}

void ContextCollector::collectSelection(const std::shared_ptr<SnapshotRun>& run) {
    // Also without a field: a terminal or a page shows selected text that no field holds.
    s_.copySelection([self = QPointer(this), run](std::optional<QString> text) {
        if (!self || run->token.stop_requested())
            return;
        run->selectedText = std::move(text);
        self->build(run);
    });
}

void ContextCollector::build(const std::shared_ptr<SnapshotRun>& run) {
    const FieldInfo& field = run->field;
    ContextSnapshot snapshot;
    snapshot.appName = run->application.localizedName.isEmpty() ? QStringLiteral("App")
                                                                : run->application.localizedName;
    snapshot.bundleID = run->application.bundleIdentifier;
    snapshot.processID = run->application.processIdentifier;
    snapshot.windowTitle =
        field.windowTitle ? field.windowTitle : frontWindowTitle(snapshot.processID);
    snapshot.fieldRole = field.role;
    snapshot.fieldLabel = field.label;
    snapshot.fieldEditable = field.isEditable;
    snapshot.fieldValue = field.value;
    snapshot.selectedText = run->selectedText;
    snapshot.fieldFrame = field.frame;
    snapshot.fieldIsPassword = field.isPassword;
    snapshot.noFocusedWindow = field.noFocusedWindow;
    snapshot.fieldTextPending = field.textPending && !field.isPassword;
    snapshot.pointer = run->pointer;
    snapshot.capturedAt = s_.clock.now();
    if (snapshot.fieldTextPending)
        lateText_ = {snapshot.processID, snapshot.capturedAt, run->read};
    run->snapshot = std::move(snapshot);
    run->built = true;
    if (!run->shotReady) {
        std::weak_ptr<SnapshotRun> weak = run;
        run->shotTimer = s_.clock.singleShot(shotWait, [self = QPointer(this), weak] {
            if (auto run = weak.lock(); run && self) {
                run->shotReady = true;
                self->finish(run);
            }
        });
    }
    finish(run);
}

void ContextCollector::finish(const std::shared_ptr<SnapshotRun>& run) {
    if (!run->built || !run->shotReady || !run->done || run->token.stop_requested())
        return;
    run->shotTimer.reset();
    if (run->shot)
        takenAhead_ = {run->snapshot->processID, run->snapshot->capturedAt, run->shot};
    SnapshotDone done = std::move(run->done);
    run->done = nullptr;
    done(run->snapshot);
}

std::unique_ptr<ContextRead> ContextCollector::fieldText(const ContextSnapshot& snapshot,
                                                         TextDone done) {
    std::stop_source source;
    auto handle = std::make_unique<ContextRead>(source);
    const std::stop_token token = source.get_token();
    const bool same = lateText_.read && lateText_.pid == snapshot.processID &&
                      lateText_.capturedAt == snapshot.capturedAt;
    if (!same) {
        later(this, token, [done = std::move(done)] { done(std::nullopt); });
        return handle;
    }
    // Also when the words are there already: `done` never runs before the caller has its
    // handle.
    lateText_.read->whenText(
        [self = QPointer(this), token, done = std::move(done)](std::optional<QString> text) {
            if (self)
                later(self, token, [done, text = std::move(text)] { done(text); });
        });
    return handle;
}

std::unique_ptr<ContextRead> ContextCollector::addScreenshot(const ContextSnapshot& snapshot,
                                                             ScreenshotDone done) {
    std::stop_source source;
    auto handle = std::make_unique<ContextRead>(source);
    std::optional<QRectF> anchor = snapshot.fieldFrame;
    // Without a field, a thin upright strip at the pointer.
    if (!anchor && snapshot.pointer)
        anchor = QRectF(snapshot.pointer->x() - 1, snapshot.pointer->y() - 12, 2, 24);
    const bool sameSnapshot = takenAhead_.shot && takenAhead_.pid == snapshot.processID &&
                              takenAhead_.capturedAt == snapshot.capturedAt;
    auto deliver = [self = QPointer(this), token = source.get_token(), snapshot,
                    done = std::move(done)](std::optional<WindowCapture::Result> result,
                                            const QString& error) {
        if (!self || token.stop_requested())
            return;
        ContextSnapshot copy = snapshot;
        if (result) {
            copy.screenshotJPEG = result->jpeg;
            copy.screenshotCroppedToField = result->cropped;
        } else if (!error.isEmpty()) {
            self->s_.log.log(QStringLiteral("Screenshot fehlgeschlagen: ") + error);
        }
        done(std::move(copy));
    };
    s_.capture.capture(snapshot.processID, anchor, snapshot.fieldEditable,
                       sameSnapshot ? takenAhead_.shot : nullptr, std::move(deliver));
    // A picture is large; the capture holds on to it as long as it needs it.
    if (sameSnapshot)
        takenAhead_ = {};
    return handle;
}

std::optional<QString> ContextCollector::frontWindowTitle(qint32 pid) {
    // Only the first window of the process counts, even when a later one has a title.
    for (const Platform::DesktopWindows::Window& window : s_.windows.windows()) {
        if (window.processId != pid)
            continue;
        if (window.title.isEmpty())
            return std::nullopt;
        return window.title;
    }
    return std::nullopt;
}

QPointF ContextCollector::globalMouseLocation() {
    return QCursor::pos();
}
