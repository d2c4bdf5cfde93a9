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
// Where the fetch is the only sign, between it and the user's clipboard coming back. Having
// fetched the text is not yet having inserted it: Chromium drops a paste whose clipboard
// changed while it was checking it, and the field shows what the paste left (a word processor
// moves the keyboard to the paste's last paragraph) only after a moment.
inline constexpr Milliseconds restoreSettle{580};
// Between reads of a field that has not shown the paste yet.
inline constexpr Milliseconds landedPoll{100};
// A large text takes long at every step after its fetch: the target inserts it and lays it out,
// and a browser shows it to assistive programs only seconds later (a page took seven seconds
// for three megabytes on eight cores, ten on two). From the fetch on, a text gets this long
// for the field to show it, and its field is read less often.
inline Milliseconds landingTime(const QString& text) {
    return Milliseconds(static_cast<qint64>(text.size()) * 8 / 1000);
}
inline Milliseconds landedPollFor(const QString& text) {
    return landedPoll + landingTime(text) / 50;
}
// A paste key that a busy program has not answered yet is still queued there: within this
// time no second key goes to that program. Past it the key counts as lost (a program that
// ignored it), so that the user can insert there again.
inline constexpr Milliseconds pendingKeyHorizon{30000};
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


// Reads the target's field, again and again, until it shows the paste. The field read right
// before the paste key is what it is compared with, and it is that very element that is read,
// wherever the keyboard has gone since: the user may go to another window while a busy page
// has still to paste.
class TextInserter::PasteCheck {
public:
    using Landed = std::function<void(FieldRestorer::Field)>;

    PasteCheck(Services& s, qint32 pid, FieldRestorer::Field before, QString text)
        : s_(s), pid_(pid), before_(std::move(before)), text_(std::move(text)) {}

    // `landed` with the field once it shows the paste; `unknown` once a read cannot tell (a
    // paste that leaves the field as it was). A field that does not answer (its application
    // busy, or gone) is read again: it may show the paste later, and until then nothing is
    // known.
    void start(Landed landed, std::function<void()> unknown) {
        landed_ = std::move(landed);
        unknown_ = std::move(unknown);
        read();
    }

private:
    void read() {
        s_.restorer->readAgain(pid_, before_, [this, alive = std::weak_ptr(alive_)](
                                                  FieldRestorer::Reading reading) {
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
            timer_ = s_.clock.singleShot(TextInserterParts::landedPollFor(text_),
                                         [this] { read(); });
        });
    }

    Services& s_;
    qint32 pid_;
    FieldRestorer::Field before_;
    QString text_;
    Landed landed_;
    std::function<void()> unknown_;
    std::unique_ptr<Platform::Timer> timer_;
    // The restorer's answers come after the check is gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

// A text whose paste key went out without the target taking it in time: the target still gets
// it on every read, until it has it or another program writes.
struct TextInserter::Waiting {
    std::unique_ptr<Platform::ClipboardFetch> offer;
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
    InsertDone late;
    std::unique_ptr<PasteCheck> check;
    std::unique_ptr<Platform::Timer> timer;
};

// An offer kept for a moment after the paste counted as landed by the fetch alone.
struct TextInserter::Lingering {
    std::optional<Platform::RunningApplication> target;
    std::unique_ptr<Platform::ClipboardFetch> offer;
    std::unique_ptr<Platform::Timer> timer;
};
