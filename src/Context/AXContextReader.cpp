#include "Context/AXContextReader.h"

#include <QSet>
#include <algorithm>
#include <condition_variable>
#include <initializer_list>
#include <mutex>

#include "Context/EmbeddedText.h"

using Platform::AccessibleRef;

namespace AXContextReader {

namespace {

const QSet<QString>& textRoles() {
    static const QSet<QString> roles = {QStringLiteral("AXTextField"), QStringLiteral("AXTextArea"),
                                        QStringLiteral("AXComboBox"),
                                        QStringLiteral("AXSearchField")};
    return roles;
}

std::optional<QString> trimmed(const QString& text) {
    const QString result = text.trimmed();
    if (result.isEmpty())
        return std::nullopt;
    return result;
}

// Firefox works out where its elements are on screen only once a client asks: the first
// question after it started, or after a page came, gets (-1, -1, -1, -1) and the answer is
// there a few milliseconds later. Asking again for a while costs nothing where the first
// answer was good, and keeps well inside the field read's 0.4 s.
constexpr std::chrono::milliseconds frameRetryStep{10};
constexpr std::chrono::milliseconds frameRetryFor{150};

// The field's place and selection are read within the collector's 0.4 s, unless the caller
// gives a busy application more (Pace).
constexpr std::chrono::milliseconds fieldFor{400};
// The children of a field that keeps its words in them are asked for the selection within
// half the field's time from the start of the read, leaving the rest for the field's place;
// for the words too, unless the caller takes them later (Pace). A field whose place came late
// is asked for its selection again, until shortly before the field's time is up.
constexpr std::chrono::milliseconds embeddedLateMargin{50};

std::optional<QString> firstNonEmpty(std::initializer_list<std::optional<QString>> candidates) {
    for (const auto& candidate : candidates)
        if (candidate && !candidate->isEmpty())
            return candidate;
    return std::nullopt;
}

}  // namespace

bool pause(std::chrono::milliseconds duration, const std::stop_token& stop) {
    std::mutex mutex;
    std::condition_variable_any woken;
    std::unique_lock lock(mutex);
    return !woken.wait_for(lock, stop, duration, [] { return false; }) && !stop.stop_requested();
}

bool isPlausible(const QRectF& field, const std::optional<QRectF>& window) {
    if (field.width() < 30 || field.height() < 12 || field.height() > 500 ||
        field.topLeft() == QPointF(0, 0))
        return false;
    if (!window)
        return true;
    // Grown by 4 on every side; the right and bottom edges count as outside, as a point on a
    // rectangle's far edge lies in the next one.
    const QRectF grown = window->adjusted(-4, -4, 4, 4);
    const QPointF mid = field.center();
    return mid.x() >= grown.left() && mid.x() < grown.right() && mid.y() >= grown.top() &&
           mid.y() < grown.bottom();
}

FieldInfo read(Platform::AccessibilityTree& tree, qint32 pid, std::stop_token stop,
               const AccessibilityGate::Now& now, const Pace& pace) {
    const AccessibilityGate::Now clock =
        now ? now : [] { return std::chrono::steady_clock::now().time_since_epoch(); };
    const std::chrono::nanoseconds started = clock();
    FieldInfo info;
    // The bus itself switches applications' accessibility on (the trust check sets it): there
    // is nothing to write into the application first.
    const AccessibleRef application = tree.application(pid);
    if (!application || stop.stop_requested())
        return info;

    // Focus is only reported inside the active window.
    const AccessibleRef window = application->focusedWindow();
    if (!window) {
        info.noFocusedWindow = true;
        return info;
    }
    // The application answers. A busy one answers late, and each question about its field may
    // wait until the field's time is up instead of counting as unanswered after callTimeout.
    if (pace.answering)
        pace.answering();
    const std::chrono::milliseconds fieldTime = pace.field > fieldFor ? pace.field : fieldFor;
    const std::chrono::milliseconds fieldCall =
        pace.field > fieldFor
            ? std::max(callTimeout,
                       std::chrono::ceil<std::chrono::milliseconds>(started + fieldTime - clock()))
            : callTimeout;
    tree.setCallTimeout(fieldCall);
    info.windowTitle = trimmed(window->name());
    info.windowFrame = window->frame();
    if (stop.stop_requested())
        return info;

    const AccessibleRef element = window->focusedElement();
    if (!element || stop.stop_requested())
        return info;

    info.role = trimmed(element->role());
    // Asked before the role decides anything: a password entry that names no text role is
    // still one, and the collector must not send it the copy key. A role that could not be
    // read may be a password entry's.
    info.isPassword = element->isPassword().value_or(true);
    if (stop.stop_requested())
        return info;
    const bool hasTextRole = info.role && textRoles().contains(*info.role);
    const std::optional<bool> editable = element->isEditable();
    if (!hasTextRole && editable != true)
        return info;
    if (stop.stop_requested())
        return info;

    // The accessible name is what labels a field for a screen reader; some toolkits leave it
    // empty and point to a label element instead.
    info.label = firstNonEmpty(
        {trimmed(element->placeholder()), trimmed(element->name()), trimmed(element->labelText())});
    // Where the field's words live in its children, its own text has a mark for each.
    std::optional<EmbeddedText> embedded;
    const auto selectionOf = [&](std::chrono::milliseconds within) -> std::optional<QString> {
        if (!embedded)
            return element->selectedText();
        AccessibilityGate gate(tree, started + within, clock, stop, fieldCall);
        std::optional<QString> selection = embedded->selection(gate);
        tree.setCallTimeout(fieldCall);
        return selection;
    };
    const auto keepSelection = [&info](const std::optional<QString>& selection) {
        info.selectedText = selection ? trimmed(*selection) : std::nullopt;
        info.selectionKnownEmpty = selection && selection->isEmpty();
    };
    // What is typed into a password field never leaves it, not even into the prompt.
    if (!info.isPassword) {
        const QString text = element->text();
        if (text.contains(EmbeddedText::mark))
            embedded.emplace(*element, text);
        else
            info.value = trimmed(text);
        // The selection first: without it the collector has to send the copy key.
        keepSelection(selectionOf(fieldTime / 2));
    }
    if (stop.stop_requested())
        return info;

    std::optional<QRectF> frame = element->frame();
    if (!frame) {
        for (auto waited = std::chrono::milliseconds::zero(); !frame && waited < frameRetryFor;
             waited += frameRetryStep) {
            if (!pause(frameRetryStep, stop))
                return info;
            frame = element->frame();
        }
        // An application that did not know where the field was had not caught up with its
        // selection either: what it said then may be stale.
        if (frame && !info.isPassword && info.selectionKnownEmpty) {
            if (const std::optional<QString> selection =
                    selectionOf(fieldTime - embeddedLateMargin))
                keepSelection(selection);
        }
    }
    if (frame && isPlausible(*frame, info.windowFrame))
        info.frame = frame;
    info.isEditable = true;
    // The children's words come last: the panel can stand beside the field, with its
    // selection, while a slow browser still gives them.
    if (embedded) {
        std::chrono::milliseconds within = fieldTime / 2;
        std::chrono::milliseconds longestCall = fieldCall;
        if (pace.found) {
            within = pace.words;
            // What is left of the words' time bounds each question about them.
            longestCall = std::max(callTimeout, pace.words);
            info.textPending = true;
            pace.found(info);
            info.textPending = false;
        }
        AccessibilityGate gate(tree, started + within, clock, stop, longestCall);
        info.value = trimmed(embedded->text(gate).value_or(QString()));
        tree.setCallTimeout(fieldCall);
    }
    if (info.value && info.label && *info.value == *info.label)
        info.value.reset();
    return info;
}

}  // namespace AXContextReader
