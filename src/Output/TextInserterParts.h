#pragma once

// What the inserter's source files share: its timings, the text it puts on the clipboard, the
// check that a paste has landed and a text that waits for its target. Not for other code.

#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "Output/TextInserter.h"

namespace TextInserterParts {

using Platform::ClipboardContents;
using Platform::Milliseconds;

// The target needs time to come forward before the paste key.
inline constexpr Milliseconds activationDelay{150};
// The user's clipboard comes back, and a Return goes out, only once the paste is known: the
// field shows the text, or, where the field cannot be read, the target has fetched it. A busy
// application (saving, swapping) may take seconds. Past this it is not claimed as inserted.
inline constexpr Milliseconds fetchLimit{5000};
// Where the fetch is the only sign, between it and the Return: the target inserts what it
// fetched before it handles the next key.
inline constexpr Milliseconds returnSettle{150};
// Where the fetch is the only sign, between it and the end of the insert. Having fetched the
// text is not yet having inserted it: the field shows what the paste left (a word processor
// moves the keyboard to the paste's last paragraph) only after a moment.
inline constexpr Milliseconds restoreSettle{580};
// Between reads of a field that has not shown the paste yet.
inline constexpr Milliseconds landedPoll{100};
// A large text takes long at every step after its fetch: the target inserts it and lays it out,
// and a browser shows it to assistive programs only much later, the later the larger, and more
// so on a busy machine (Chromium: 5 s for one megabyte, 16 s for two, over 20 s for three). No
// time per megabyte holds: once the target has fetched a large text whole, its field gets this
// long to show it, read once a second, and shows it mostly much sooner.
inline constexpr qsizetype largeText = 100'000;
inline constexpr Milliseconds largeLanding{180'000};
inline constexpr Milliseconds largePoll{1000};
inline Milliseconds landingTime(const QString& text) {
    return text.size() >= largeText ? largeLanding : Milliseconds(0);
}
inline Milliseconds landedPollFor(const QString& text) {
    return text.size() >= largeText ? largePoll : landedPoll;
}
// A field that holds only the beginning of the text, after its program fetched the whole,
// has taken all it will once it stays so this long.
inline constexpr Milliseconds partSettle{1000};
// A paste key that a busy program has not answered yet is still queued there: within this
// time no second key goes to that program. Past it the key counts as lost (a program that
// ignored it), so that the user can insert there again.
inline constexpr Milliseconds pendingKeyHorizon{30000};
// How long a program gets to answer whether it has handled the earlier key.
inline constexpr Milliseconds pingLimit{500};
// The offers kept after their paste counted by the fetch: one a program.
inline constexpr size_t answeredKept = 8;
inline constexpr Milliseconds modifierReleaseTimeout{800};
inline constexpr Milliseconds modifierPoll{25};
inline constexpr Milliseconds copyPoll{25};
inline constexpr int copyPolls = 8;
inline constexpr int maxWriteAttempts = 3;

// Marks the inserted text as passing through, for clipboard histories that skip such entries.
inline const QString transientType = QStringLiteral("org.nspasteboard.TransientType");
// The same request in the form Linux clipboard managers honour.
inline const QString passwordManagerHintType = QStringLiteral("x-kde-passwordManagerHint");

inline ClipboardContents transientText(const QString& text) {
    Platform::ClipboardItem item;
    item.representations = {{QStringLiteral("text/plain"), text.toUtf8()},
                            {transientType, QByteArray()},
                            {passwordManagerHintType, QByteArrayLiteral("secret")}};
    return {item};
}

// The change a paste made, from the field read before it and as it landed; none where it
// cannot be told.
std::optional<FieldRestorer::Change> changeOf(const FieldRestorer::Field& before,
                                              const std::optional<FieldRestorer::Field>& landed,
                                              const QString& text);

}  // namespace TextInserterParts


// One insert or copy. Its steps are chained through clock timers and clipboard callbacks;
// only one timer or read is in flight at a time.
class TextInserter::Operation {
public:
    explicit Operation(TextInserter& owner) : owner_(owner), s_(owner.services_) {}
    virtual ~Operation() = default;

    virtual void start() = 0;
    // Called when the inserter goes away while the operation runs.
    virtual void abandon() {}
    // Tells the caller; called after the operation has left the inserter's queue.
    virtual void notify() = 0;

protected:
    void after(Platform::Milliseconds delay, std::function<void()> next) {
        timer_ = s_.clock.singleShot(delay, std::move(next));
    }

    // Waits until none of the modifiers a shortcut leaves held is down any more, polling
    // every 25 ms, for at most about 800 ms. A held Alt would turn the paste or copy key into
    // another combination.
    void waitForModifierRelease(std::function<void()> next) {
        pollsLeft_ = static_cast<int>(TextInserterParts::modifierReleaseTimeout /
                                      TextInserterParts::modifierPoll);
        afterRelease_ = std::move(next);
        pollModifiers();
    }

    void finish() { owner_.finished(this); }

    TextInserter& owner_;
    Services& s_;

private:
    void pollModifiers() {
        while (pollsLeft_ > 0) {
            --pollsLeft_;
            if (s_.modifiers.currentFlags() & Platform::EventFlag::HeldModifiers) {
                after(TextInserterParts::modifierPoll, [this] { pollModifiers(); });
                return;
            }
        }
        auto next = std::move(afterRelease_);
        next();
    }

    std::unique_ptr<Platform::Timer> timer_;
    int pollsLeft_ = 0;
    std::function<void()> afterRelease_;
};

// Reads the target's field, again and again, until it shows the paste. The field read right
// before the paste key is what it is compared with, and it is that very element that is read,
// wherever the keyboard has gone since: the user may go to another window while a busy page
// has still to paste.
class TextInserter::PasteCheck {
public:
    using Landed = std::function<void(FieldRestorer::Field)>;

    PasteCheck(Services& s, qint32 pid, FieldRestorer::Field before, QString text)
        : s_(s), pid_(pid), before_(std::move(before)), text_(std::move(text)) {}

    // `landed` with the field once it shows the paste; `part` once it has held the same
    // beginning of it for a moment (a field that takes no more); `unknown` once a read cannot
    // tell (a paste that leaves the field as it was). A field that does not answer (its
    // application busy, or gone) is read again: it may show the paste later, and until then
    // nothing is known.
    void start(Landed landed, Landed part, std::function<void()> unknown) {
        landed_ = std::move(landed);
        part_ = std::move(part);
        unknown_ = std::move(unknown);
        read();
    }

    // The beginning of the paste the field held at the last read, where it held one.
    const std::optional<FieldRestorer::Field>& partShown() const { return partShown_; }

private:
    void read() {
        s_.restorer->readAgain(
            pid_, before_,
            [this, alive = std::weak_ptr(alive_)](FieldRestorer::Reading reading) {
                if (alive.expired())
                    return;
                const std::optional<bool> shows =
                    reading.field ? FieldRestorer::showsPaste(before_, *reading.field, text_)
                                  : std::optional<bool>(false);
                // Each callback may end the check: it runs from the stack.
                if (!shows) {
                    auto unknown = std::move(unknown_);
                    unknown();
                    return;
                }
                if (*shows) {
                    auto landed = std::move(landed_);
                    landed(std::move(*reading.field));
                    return;
                }
                if (reading.field && FieldRestorer::showsPart(before_, *reading.field, text_)) {
                    const Platform::Nanoseconds now = s_.clock.monotonic();
                    if (partShown_ && partShown_->text == reading.field->text) {
                        if (now - partSince_ >= TextInserterParts::partSettle) {
                            auto part = std::move(part_);
                            part(std::move(*reading.field));
                            return;
                        }
                    } else {
                        partShown_ = reading.field;
                        partSince_ = now;
                    }
                } else if (reading.answered) {
                    partShown_.reset();
                }
                timer_ = s_.clock.singleShot(
                    partShown_ ? TextInserterParts::partSettle : TextInserterParts::landedPollFor(text_),
                    [this] { read(); });
            },
            text_.size());
    }

    Services& s_;
    qint32 pid_;
    FieldRestorer::Field before_;
    QString text_;
    Landed landed_;
    Landed part_;
    std::function<void()> unknown_;
    std::optional<FieldRestorer::Field> partShown_;
    Platform::Nanoseconds partSince_{0};
    std::unique_ptr<Platform::Timer> timer_;
    // The restorer's answers come after the check is gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// A text whose paste key went out without the target taking it in time: the target still gets
// it on every read, until it has it or another program writes.
struct TextInserter::Waiting {
    std::unique_ptr<Platform::ClipboardFetch> offer;
    // The same text on the clipboard, for a terminal that may read either selection.
    std::unique_ptr<Platform::ClipboardFetch> alsoOffer;
    // Where the offer's fetches are reported.
    std::shared_ptr<std::function<void()>> onFetch;
    std::optional<Platform::RunningApplication> target;
    QString text;
    std::optional<FieldRestorer::Field> before;
    bool fieldUnknown = false;
    bool pressReturn = false;
    bool fromPrimary = false;
    // Which of Tavrin's texts it is, on the clipboard and on the primary selection.
    quint64 number = 0;
    quint64 primaryNumber = 0;
    // When its paste key went out.
    Platform::Nanoseconds keyAt{0};
    // Another program's writes to where it is offered, when it began to wait: one more ends
    // the offer.
    quint64 foreignWrites = 0;
    // The target's program has fetched the text for its key: the key has reached the program,
    // though the field has not shown the paste.
    bool fetched = false;
    // The program answered, after the key, that it had handled everything sent to it, without
    // fetching: it dropped the key (a button had the keyboard), which will paste nothing.
    bool dropped = false;
    InsertDone late;
    std::unique_ptr<PasteCheck> check;
    std::unique_ptr<Platform::Timer> timer;
};

// An offer kept after the paste counted as landed by the fetch alone.
struct TextInserter::Answered {
    std::optional<Platform::RunningApplication> target;
    std::unique_ptr<Platform::ClipboardFetch> offer;
    std::unique_ptr<Platform::ClipboardFetch> alsoOffer;
};
