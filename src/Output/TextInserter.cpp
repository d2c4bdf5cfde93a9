#include "Output/TextInserter.h"

#include <utility>

using Platform::ClipboardContents;
namespace EventFlag = Platform::EventFlag;
using Platform::Milliseconds;
namespace VirtualKey = Platform::VirtualKey;

namespace {

// The target needs time to come forward before the paste key.
constexpr Milliseconds activationDelay{150};
// The user's clipboard comes back, and a Return goes out, only once the target has fetched the
// text; a busy application (saving, swapping) may take seconds to ask for it. Past this it is
// not claimed as inserted.
constexpr Milliseconds fetchLimit{5000};
// Between the fetch and the Return: the target inserts what it fetched before it handles the
// next key.
constexpr Milliseconds returnSettle{150};
// Between the fetch and the user's clipboard coming back. Having fetched the text is not yet
// having inserted it: Chromium drops a paste whose clipboard changed while it was checking it,
// and the field shows what the paste left (a word processor moves the keyboard to the paste's
// last paragraph) only after a moment.
constexpr Milliseconds restoreSettle{580};
constexpr Milliseconds modifierReleaseTimeout{800};
constexpr Milliseconds modifierPoll{25};
constexpr Milliseconds copyPoll{25};
constexpr int copyPolls = 8;
constexpr int maxWriteAttempts = 3;

// Marks the inserted text as passing through, for clipboard histories that skip such entries.
const QString transientType = QStringLiteral("org.nspasteboard.TransientType");
// The same request in the form Linux clipboard managers honour.
const QString passwordManagerHintType = QStringLiteral("x-kde-passwordManagerHint");

ClipboardContents transientText(const QString& text) {
    Platform::ClipboardItem item;
    item.representations = {{QStringLiteral("text/plain"), text.toUtf8()},
                            {transientType, QByteArray()},
                            {passwordManagerHintType, QByteArrayLiteral("secret")}};
    return {item};
}

}  // namespace

// One insert or copy. Its steps are chained through clock timers and clipboard callbacks;
// only one timer or read is in flight at a time.
class TextInserter::Operation {
public:
    explicit Operation(TextInserter& owner) : owner_(owner), s_(owner.services_) {}
    virtual ~Operation() = default;

    virtual void start() = 0;
    // Called when the inserter goes away while the operation runs.
    virtual void abandon() = 0;
    // Tells the caller; called after the operation has left the inserter's queue.
    virtual void notify() = 0;

protected:
    void after(Milliseconds delay, std::function<void()> next) {
        timer_ = s_.clock.singleShot(delay, std::move(next));
    }

    // Waits until none of the modifiers a shortcut leaves held is down any more, polling
    // every 25 ms, for at most about 800 ms. A held Alt would turn the paste or copy key into
    // another combination.
    void waitForModifierRelease(std::function<void()> next) {
        pollsLeft_ = static_cast<int>(modifierReleaseTimeout / modifierPoll);
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
            if (s_.modifiers.currentFlags() & EventFlag::HeldModifiers) {
                after(modifierPoll, [this] { pollModifiers(); });
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

class TextInserter::InsertOperation final : public Operation {
public:
    InsertOperation(TextInserter& owner, QString text,
                    std::optional<Platform::RunningApplication> target, bool pressReturn,
                    InsertDone done)
        : Operation(owner),
          text_(std::move(text)),
          target_(std::move(target)),
          pressReturn_(pressReturn),
          fromPrimary_(target_ && s_.terminals && s_.terminals->pastesFromPrimary(*target_)),
          done_(std::move(done)) {}

    void start() override {
        // A text still waiting for an earlier target holds the clipboard: what the user had
        // before it is what comes back after this paste.
        Waiting waiting = owner_.takeWaiting();
        knownSaved_ = std::move(waiting.saved);
        knownPrimary_ = std::move(waiting.savedPrimary);
        readSaved();
    }

    void abandon() override {
        // Once the key is out the target may still ask: it must get the text, not the user's
        // clipboard.
        if (fetch_)
            return;
        if (wrote_ && s_.clipboard.holdsOwnWrite())
            s_.clipboard.write(saved_);
        givePrimaryBack();
    }

    void notify() override {
        if (done_)
            done_(result_);
    }

private:
    void readSaved() {
        if (knownSaved_) {
            saved_ = *knownSaved_;
            readSavedPrimary();
            return;
        }
        read_ = s_.clipboard.readContents([this](ClipboardContents saved) {
            read_.reset();
            saved_ = std::move(saved);
            readSavedPrimary();
        });
    }

    void readSavedPrimary() {
        if (!fromPrimary_ || !s_.primary) {
            putTextOnClipboard();
            return;
        }
        if (knownPrimary_) {
            savedPrimary_ = *knownPrimary_;
            putTextOnClipboard();
            return;
        }
        // A handle of its own: the clipboard's read may still be storing its handle in
        // `read_` when this one answers.
        primaryRead_ = s_.primary->readContents([this](ClipboardContents saved) {
            primaryRead_.reset();
            savedPrimary_ = std::move(saved);
            putTextOnClipboard();
        });
    }

    void putTextOnClipboard() {
        s_.clipboard.write(transientText(text_));
        if (!s_.clipboard.holdsOwnWrite()) {
            // The window system turned the write down: another program took the clipboard
            // after the snapshot, before Tavrin heard of it. What it wrote is the user's
            // clipboard now and must be neither pasted nor lost: start again from a fresh
            // snapshot, and give up without a key should that keep failing. The fresh read
            // starts from the clock: this may still run inside the first read's call, whose
            // handle, stored on return, would replace the new read's and drop its answer.
            if (++attempts_ < maxWriteAttempts)
                after(Milliseconds(0), [this] {
                    knownSaved_.reset();
                    knownPrimary_.reset();
                    readSaved();
                });
            else
                finish();
            return;
        }
        wrote_ = true;
        if (fromPrimary_ && !putTextOnPrimary()) {
            // The terminal could only paste what the primary selection holds, the user's own
            // selection: no key goes out, and the text waits on the clipboard.
            wrote_ = false;
            finish();
            return;
        }
        if (target_)
            s_.windows.activate(*target_);
        after(activationDelay, [this] { waitForModifierRelease([this] { readField(); }); });
    }

    // What the field holds at the last moment before the paste is what an undo may give back:
    // anything typed or inserted before stays.
    void readField() {
        // After a Return there is no undo to offer.
        if (!s_.restorer || !target_ || pressReturn_) {
            paste();
            return;
        }
        s_.restorer->read(target_->processIdentifier,
                          [this, alive = std::weak_ptr(alive_)](FieldRestorer::Reading reading) {
                              if (alive.expired())
                                  return;
                              before_ = std::move(reading.field);
                              result_.fieldUnknown = !before_ && reading.shown;
                              paste();
                          });
    }

    bool putTextOnPrimary() {
        if (!s_.primary)
            return false;
        s_.primary->write(transientText(text_));
        wrotePrimary_ = s_.primary->holdsOwnWrite();
        return wrotePrimary_;
    }

    void givePrimaryBack() {
        if (wrotePrimary_ && s_.primary->holdsOwnWrite())
            s_.primary->write(savedPrimary_);
        wrotePrimary_ = false;
    }

    void paste() {
        Platform::Clipboard& source = fromPrimary_ ? *s_.primary : s_.clipboard;
        if (!source.holdsOwnWrite()) {
            // Another program wrote since: the key would paste its text. What it wrote is the
            // user's clipboard now.
            wrote_ = false;
            givePrimaryBack();
            finish();
            return;
        }
        // Watched before the key goes out: a quick target asks at once.
        fetch_ = std::make_shared<Fetch>();
        fetch_->arrived = [this] { fetched(); };
        fetch_->watch = source.watchFetch(target_ ? target_->windowId : 0,
                                          [fetch = std::weak_ptr(fetch_)] {
                                              if (auto f = fetch.lock(); f && f->arrived)
                                                  f->arrived();
                                          });
        const bool sent = fromPrimary_ ? s_.keys.sendKey(VirtualKey::Insert, EventFlag::Shift)
                                       : s_.keys.sendKey(VirtualKey::V, EventFlag::Command);
        if (!sent) {
            // Nothing went in: the text stays on the clipboard, where it is not lost, and no
            // Return follows.
            fetch_.reset();
            wrote_ = false;
            givePrimaryBack();
            finish();
            return;
        }
        after(fetchLimit, [this] { notFetched(); });
    }

    // The target has the text: only now may a Return follow it, and the user's clipboard come
    // back.
    void fetched() {
        fetch_.reset();
        result_.pasted = true;
        after(returnSettle, [this] {
            // A Return in some other window could run the draft as a command there.
            if (pressReturn_ && target_ && s_.windows.isActive(*target_))
                s_.keys.sendKey(VirtualKey::Return, EventFlag::None);
            after(restoreSettle - returnSettle, [this] {
                giveClipboardBack();
                readWhatThePasteLeft();
            });
        });
    }

    // The target has not asked for the text in all that time. Nothing is claimed: the text
    // stays where the target will look for it, and should it ask later it gets the text, never
    // the user's earlier clipboard, which comes back once it has.
    void notFetched() {
        Platform::Clipboard& source = fromPrimary_ ? *s_.primary : s_.clipboard;
        if (!source.holdsOwnWrite()) {
            // Another program wrote since: the target will find its text, not Tavrin's, and
            // that write is the user's clipboard now.
            fetch_.reset();
            wrote_ = false;
            givePrimaryBack();
            finish();
            return;
        }
        result_.waiting = true;
        Waiting waiting;
        waiting.fetch = std::move(fetch_);
        waiting.window = target_ ? target_->windowId : 0;
        if (wrote_)
            waiting.saved = std::move(saved_);
        if (wrotePrimary_)
            waiting.savedPrimary = std::move(savedPrimary_);
        wrote_ = wrotePrimary_ = false;
        owner_.keepWaiting(std::move(waiting));
        finish();
    }

    void giveClipboardBack() {
        // Someone else's write (or the user's copy) since ours is newer than what we saved.
        if (wrote_ && s_.clipboard.holdsOwnWrite())
            s_.clipboard.write(saved_);
        wrote_ = false;
        givePrimaryBack();
    }

    void readWhatThePasteLeft() {
        if (!before_) {
            finish();
            return;
        }
        // The paste has landed: what the field holds now is all an undo may replace.
        s_.restorer->read(target_->processIdentifier, [this, alive = std::weak_ptr(alive_)](
                                                          FieldRestorer::Reading reading) {
            if (alive.expired())
                return;
            std::optional<FieldRestorer::Field>& field = reading.field;
            const bool same = field && field->element == before_->element;
            const bool byKey = before_->undoing == FieldRestorer::Undoing::byKey;
            // What the user typed while the paste landed would pass for the paste's and be
            // undone with it: the field must hold what the paste alone leaves, or an undo
            // does nothing. A field with an undo of its own may store the paste's line
            // breaks its own way.
            const auto pasted = FieldRestorer::withPaste(*before_, text_);
            if (same) {
                if (byKey)
                    field->text = FieldRestorer::pasteLeft(*before_, *field, text_);
                else if (pasted)
                    field->text = *pasted;
                result_.change = FieldRestorer::Change{*before_, *field};
            } else if (byKey && field && FieldRestorer::sameDocument(*before_, *field)) {
                // A paste of several paragraphs left the keyboard in the last of them: the
                // document's undo takes back the whole paste from there.
                result_.change = FieldRestorer::Change{*before_, *field};
            } else if (pasted) {
                // The keyboard left the field as the paste landed, or the read failed. The
                // field is still known, and so is what the paste left in it: without them
                // the undo key would go out blind, to a window that may hand it to
                // something else (the field the user moved on to).
                FieldRestorer::Field after = *before_;
                after.text = *pasted;
                after.selection.reset();
                result_.change = FieldRestorer::Change{*before_, after};
            } else {
                result_.fieldUnknown = true;
            }
            finish();
        });
    }

    QString text_;
    std::optional<Platform::RunningApplication> target_;
    bool pressReturn_;
    bool fromPrimary_;
    InsertDone done_;
    Insertion result_;
    std::optional<FieldRestorer::Field> before_;
    // The restorer's answers come after the operation is gone when the inserter goes first.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::unique_ptr<Platform::PendingClipboardRead> read_;
    std::unique_ptr<Platform::PendingClipboardRead> primaryRead_;
    std::shared_ptr<Fetch> fetch_;
    std::optional<ClipboardContents> knownSaved_;
    std::optional<ClipboardContents> knownPrimary_;
    ClipboardContents saved_;
    ClipboardContents savedPrimary_;
    bool wrote_ = false;
    bool wrotePrimary_ = false;
    int attempts_ = 0;
};

class TextInserter::CopyOperation final : public Operation {
public:
    CopyOperation(TextInserter& owner, CopyDone done) : Operation(owner), done_(std::move(done)) {}

    void start() override {
        if (!s_.trust.isTrusted()) {
            after(Milliseconds(0), [this] { finish(); });
            return;
        }
        waitForModifierRelease([this] { takeSnapshot(); });
    }

    void abandon() override {
        if (keySent_ && s_.clipboard.foreignWrites() != writesBefore_)
            s_.clipboard.write(saved_);
    }

    void notify() override {
        if (done_)
            done_(result_);
    }

private:
    void takeSnapshot() {
        read_ = s_.clipboard.readContents([this](ClipboardContents saved) {
            read_.reset();
            saved_ = std::move(saved);
            writesBefore_ = s_.clipboard.foreignWrites();
            // A terminal that takes no copy key gets none: nothing can arrive to wait for.
            if (!s_.keys.sendKey(VirtualKey::C, EventFlag::Command)) {
                conclude(std::nullopt);
                return;
            }
            keySent_ = true;
            pollsLeft_ = copyPolls;
            after(copyPoll, [this] { poll(); });
        });
    }

    void poll() {
        --pollsLeft_;
        if (s_.clipboard.foreignWrites() != writesBefore_) {
            read_ = s_.clipboard.readText([this](std::optional<QString> text) {
                read_.reset();
                conclude(std::move(text));
            });
            return;
        }
        if (pollsLeft_ > 0) {
            after(copyPoll, [this] { poll(); });
            return;
        }
        conclude(std::nullopt);
    }

    void conclude(std::optional<QString> copied) {
        // Nothing was copied: the user's clipboard was never touched, so it is not rewritten.
        if (s_.clipboard.foreignWrites() != writesBefore_) {
            s_.clipboard.write(saved_);
            owner_.watchWaitedText();
            if (copied) {
                const QString trimmed = copied->trimmed();
                if (!trimmed.isEmpty())
                    result_ = trimmed;
            }
        }
        keySent_ = false;
        finish();
    }

    CopyDone done_;
    std::unique_ptr<Platform::PendingClipboardRead> read_;
    ClipboardContents saved_;
    quint64 writesBefore_ = 0;
    bool keySent_ = false;
    int pollsLeft_ = 0;
    std::optional<QString> result_;
};

TextInserter::TextInserter(Services services) : services_(services) {}

void TextInserter::keepWaiting(Waiting waiting) {
    waiting_ = std::move(waiting);
    waiting_->fetch->arrived = [this] { waitedTextFetched(); };
}

TextInserter::Waiting TextInserter::takeWaiting() {
    Waiting taken;
    if (!waiting_)
        return taken;
    if (waiting_->saved && services_.clipboard.holdsOwnWrite())
        taken.saved = std::move(waiting_->saved);
    if (waiting_->savedPrimary && services_.primary && services_.primary->holdsOwnWrite())
        taken.savedPrimary = std::move(waiting_->savedPrimary);
    waiting_.reset();
    return taken;
}

void TextInserter::waitedTextFetched() {
    // Late, but the target has the text now: the user's clipboard comes back, unless someone
    // wrote to it meanwhile.
    Waiting waiting = takeWaiting();
    if (waiting.saved)
        services_.clipboard.write(*waiting.saved);
    if (waiting.savedPrimary)
        services_.primary->write(*waiting.savedPrimary);
}

void TextInserter::watchWaitedText() {
    if (!waiting_)
        return;
    const bool stillOurs =
        (waiting_->saved && services_.clipboard.holdsOwnWrite()) ||
        (waiting_->savedPrimary && services_.primary && services_.primary->holdsOwnWrite());
    if (!stillOurs) {
        // The user copied something since: that is the clipboard now.
        waiting_.reset();
        return;
    }
    // A copy of the selection wrote the waiting text back as a new write: the watch follows.
    Platform::Clipboard& source =
        waiting_->savedPrimary && services_.primary ? *services_.primary : services_.clipboard;
    auto fetch = std::make_shared<Fetch>();
    fetch->arrived = [this] { waitedTextFetched(); };
    fetch->watch = source.watchFetch(waiting_->window, [weak = std::weak_ptr(fetch)] {
        if (auto f = weak.lock(); f && f->arrived)
            f->arrived();
    });
    waiting_->fetch = std::move(fetch);
}

TextInserter::~TextInserter() {
    if (current_)
        current_->abandon();
}

void TextInserter::insert(const QString& text,
                          const std::optional<Platform::RunningApplication>& target,
                          bool pressReturn, InsertDone done) {
    enqueue(std::make_unique<InsertOperation>(*this, text, target, pressReturn, std::move(done)));
}

void TextInserter::copySelection(CopyDone done) {
    enqueue(std::make_unique<CopyOperation>(*this, std::move(done)));
}

bool TextInserter::sendKey(quint16 keyCode, quint64 flags) {
    return services_.keys.sendKey(keyCode, flags);
}

void TextInserter::enqueue(std::unique_ptr<Operation> operation) {
    queue_.push_back(std::move(operation));
    if (!current_)
        startNext();
}

void TextInserter::startNext() {
    if (current_ || queue_.empty())
        return;
    current_ = std::move(queue_.front());
    queue_.pop_front();
    current_->start();
}

void TextInserter::finished(Operation* operation) {
    if (operation != current_.get())
        return;
    // The operation is finishing from inside one of its own steps, which may still touch it
    // on the way out: it is destroyed once the event loop has moved on.
    retired_.push_back(std::move(current_));
    reaper_ = services_.clock.singleShot(Milliseconds(0), [this] { retired_.clear(); });
    // A caller that starts another operation from its callback queues behind those already
    // waiting.
    retired_.back()->notify();
    startNext();
}
