#include "Output/TextInserter.h"

#include <algorithm>
#include <utility>

using Platform::ClipboardContents;
namespace EventFlag = Platform::EventFlag;
using Platform::Milliseconds;
namespace VirtualKey = Platform::VirtualKey;

namespace {

// The target needs time to come forward before the paste key.
constexpr Milliseconds activationDelay{150};
// The user's clipboard comes back, and a Return goes out, only once the paste is known: the
// field shows the text, or, where the field cannot be read, the target has fetched it. A busy
// application (saving, swapping) may take seconds. Past this it is not claimed as inserted.
constexpr Milliseconds fetchLimit{5000};
// Where the fetch is the only sign, between it and the Return: the target inserts what it
// fetched before it handles the next key.
constexpr Milliseconds returnSettle{150};
// Where the fetch is the only sign, between it and the user's clipboard coming back. Having
// fetched the text is not yet having inserted it: Chromium drops a paste whose clipboard
// changed while it was checking it, and the field shows what the paste left (a word processor
// moves the keyboard to the paste's last paragraph) only after a moment.
constexpr Milliseconds restoreSettle{580};
// Between reads of a field that has not shown the paste yet.
constexpr Milliseconds landedPoll{100};
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

// Reads the target's field, again and again, until it shows the paste. The field read right
// before the paste key is what it is compared with.
class TextInserter::PasteCheck {
public:
    using Landed = std::function<void(FieldRestorer::Field)>;

    PasteCheck(Services& s, qint32 pid, FieldRestorer::Field before, QString text)
        : s_(s), pid_(pid), before_(std::move(before)), text_(std::move(text)) {}

    // `landed` with the field once it shows the paste; `unknown` once a read cannot tell (the
    // keyboard is in another field, or the field could not be read).
    void start(Landed landed, std::function<void()> unknown) {
        landed_ = std::move(landed);
        unknown_ = std::move(unknown);
        read();
    }

private:
    void read() {
        s_.restorer->read(pid_, [this, alive = std::weak_ptr(alive_)](
                                    FieldRestorer::Reading reading) {
            if (alive.expired())
                return;
            const std::optional<bool> shows =
                reading.field ? FieldRestorer::showsPaste(before_, *reading.field, text_)
                              : std::nullopt;
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
            timer_ = s_.clock.singleShot(landedPoll, [this] { read(); });
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
    std::optional<Platform::RunningApplication> target;
    QString text;
    std::optional<FieldRestorer::Field> before;
    bool pressReturn = false;
    bool fromPrimary = false;
    // Which of Tavrin's texts it is.
    quint64 number = 0;
    InsertDone late;
    std::unique_ptr<PasteCheck> check;
    std::unique_ptr<Platform::Timer> timer;
};

namespace {

// The change a paste made, from the field read before it and as it landed; none where it
// cannot be told.
std::optional<FieldRestorer::Change> changeOf(const FieldRestorer::Field& before,
                                              const std::optional<FieldRestorer::Field>& landed,
                                              const QString& text) {
    const bool same = landed && landed->element == before.element;
    const bool byKey = before.undoing == FieldRestorer::Undoing::byKey;
    // What the user typed while the paste landed would pass for the paste's and be undone
    // with it: the field must hold what the paste alone leaves, or an undo does nothing. A
    // field with an undo of its own may store the paste's line breaks its own way.
    const auto pasted = FieldRestorer::withPaste(before, text);
    if (same) {
        FieldRestorer::Field after = *landed;
        if (byKey)
            after.text = FieldRestorer::pasteLeft(before, after, text);
        else if (pasted)
            after.text = *pasted;
        return FieldRestorer::Change{before, after};
    }
    if (byKey && landed && FieldRestorer::sameDocument(before, *landed)) {
        // A paste of several paragraphs left the keyboard in the last of them: the document's
        // undo takes back the whole paste from there.
        return FieldRestorer::Change{before, *landed};
    }
    if (pasted) {
        // The keyboard left the field as the paste landed, or the read failed. The field is
        // still known, and so is what the paste left in it: without them the undo key would go
        // out blind, to a window that may hand it to something else (the field the user moved
        // on to).
        FieldRestorer::Field after = before;
        after.text = *pasted;
        after.selection.reset();
        return FieldRestorer::Change{before, after};
    }
    return std::nullopt;
}

}  // namespace

class TextInserter::InsertOperation final : public Operation {
public:
    InsertOperation(TextInserter& owner, QString text,
                    std::optional<Platform::RunningApplication> target, bool pressReturn,
                    InsertDone done, InsertDone late)
        : Operation(owner),
          text_(std::move(text)),
          target_(std::move(target)),
          pressReturn_(pressReturn),
          fromPrimary_(target_ && s_.terminals && s_.terminals->pastesFromPrimary(*target_)),
          done_(std::move(done)),
          late_(std::move(late)) {}

    void start() override { readSaved(); }

    void abandon() override {
        // Once the key is out the target may still ask: it must get the text, not the user's
        // clipboard.
        if (offer_)
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
    Platform::Clipboard& source() { return fromPrimary_ ? *s_.primary : s_.clipboard; }

    // What the user has is kept whole before anything is written over it: where Tavrin still
    // serves earlier texts, what the user had before them; else the clipboard as it is, from
    // an owner that may be busy for a while.
    void readSaved() {
        if (std::optional<ClipboardContents> known = owner_.userClipboard()) {
            saved_ = std::move(*known);
            readSavedPrimary();
            return;
        }
        read_ = s_.clipboard.saveContents([this](std::optional<ClipboardContents> saved) {
            read_.reset();
            if (!saved) {
                unsaved();
                return;
            }
            saved_ = std::move(*saved);
            readSavedPrimary();
        });
    }

    void readSavedPrimary() {
        if (!fromPrimary_ || !s_.primary) {
            putTextOnClipboard();
            return;
        }
        if (std::optional<ClipboardContents> known = owner_.userPrimary()) {
            savedPrimary_ = std::move(*known);
            putTextOnClipboard();
            return;
        }
        // A handle of its own: the clipboard's read may still be storing its handle in
        // `read_` when this one answers.
        primaryRead_ = s_.primary->saveContents([this](std::optional<ClipboardContents> saved) {
            primaryRead_.reset();
            if (!saved) {
                unsaved();
                return;
            }
            savedPrimary_ = std::move(*saved);
            putTextOnClipboard();
        });
    }

    // Nothing is written over what could not be kept. The callback may run inside the read's
    // call, before its handle is stored: the end waits for the clock.
    void unsaved() {
        result_.unsaved = true;
        after(Milliseconds(0), [this] { finish(); });
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
                after(Milliseconds(0), [this] { readSaved(); });
            else
                finish();
            return;
        }
        wrote_ = true;
        number_ = ++owner_.texts_;
        if (!owner_.userClipboard_)
            owner_.userClipboard_ = saved_;
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

    // What the field holds at the last moment before the paste is what an undo may give back
    // (anything typed or inserted before stays), and what tells that the paste has landed.
    void readField() {
        if (!s_.restorer || !target_) {
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
        if (wrotePrimary_ && !owner_.userPrimary_)
            owner_.userPrimary_ = savedPrimary_;
        return wrotePrimary_;
    }

    void givePrimaryBack() {
        if (wrotePrimary_ && s_.primary->holdsOwnWrite())
            s_.primary->write(savedPrimary_);
        wrotePrimary_ = false;
    }

    void paste() {
        if (!source().holdsOwnWrite()) {
            // Another program wrote since: the key would paste its text. What it wrote is the
            // user's clipboard now.
            result_.overwritten = true;
            giveClipboardBack();
            finish();
            return;
        }
        // The key goes only where the user still works: a window that came forward meanwhile
        // (Tavrin's own panel, opened again at once) would take it, and the text.
        if (target_ && !s_.windows.isActive(*target_)) {
            noKey();
            return;
        }
        // Offered before the key goes out: a quick target asks at once.
        offer_ = source().offerTo(target_ ? target_->windowId : 0, transientText(text_),
                                  [this, alive = std::weak_ptr(alive_)] {
                                      if (!alive.expired())
                                          fetched();
                                  });
        const bool sent = fromPrimary_ ? s_.keys.sendKey(VirtualKey::Insert, EventFlag::Shift)
                                       : s_.keys.sendKey(VirtualKey::V, EventFlag::Command);
        if (!sent) {
            noKey();
            return;
        }
        limit_ = s_.clock.singleShot(fetchLimit, [this] { notFetched(); });
    }

    // Nothing went in: the text stays on the clipboard, where it is not lost, and no Return
    // follows. The user's clipboard from before stays kept for the next insert to give back.
    void noKey() {
        offer_.reset();
        wrote_ = false;
        givePrimaryBack();
        finish();
    }

    void fetched() {
        if (landing_)
            return;
        landing_ = true;
        if (!before_ || !target_) {
            landedByFetch();
            return;
        }
        check_ = std::make_unique<PasteCheck>(s_, target_->processIdentifier, *before_, text_);
        check_->start([this](FieldRestorer::Field field) { landed(std::move(field)); },
                      [this] { landedByFetch(); });
    }

    // The field shows the text: only now may a Return follow it, and the user's clipboard come
    // back.
    void landed(FieldRestorer::Field field) {
        limit_.reset();
        result_.pasted = true;
        // A Return in some other window could run the draft as a command there.
        if (pressReturn_ && target_ && s_.windows.isActive(*target_))
            s_.keys.sendKey(VirtualKey::Return, EventFlag::None);
        else if (!pressReturn_) {
            result_.change = changeOf(*before_, field, text_);
            result_.fieldUnknown = !result_.change;
        }
        after(returnSettle, [this] {
            giveClipboardBack();
            finish();
        });
    }

    // Where the field cannot tell, the target's fetch is the sign the paste has to go by.
    void landedByFetch() {
        limit_.reset();
        check_.reset();
        result_.pasted = true;
        after(returnSettle, [this] {
            if (pressReturn_ && target_ && s_.windows.isActive(*target_))
                s_.keys.sendKey(VirtualKey::Return, EventFlag::None);
            after(restoreSettle - returnSettle, [this] {
                giveClipboardBack();
                readWhatThePasteLeft();
            });
        });
    }

    // The paste is not known in all that time. Nothing is claimed: the text stays where the
    // target will look for it, and should the target take it later it gets the text, never the
    // user's earlier clipboard, which comes back once it has.
    void notFetched() {
        check_.reset();
        if (!source().holdsOwnWrite()) {
            // Another program wrote since: the target will find its text, not Tavrin's, and
            // that write is the user's clipboard now.
            result_.overwritten = true;
            offer_.reset();
            wrote_ = false;
            givePrimaryBack();
            finish();
            return;
        }
        result_.waiting = true;
        auto waiting = std::make_unique<Waiting>();
        waiting->offer = std::move(offer_);
        waiting->target = target_;
        waiting->text = text_;
        waiting->before = before_;
        waiting->pressReturn = pressReturn_;
        waiting->fromPrimary = fromPrimary_;
        waiting->number = number_;
        waiting->late = std::move(late_);
        wrote_ = wrotePrimary_ = false;
        owner_.keepWaiting(std::move(waiting));
        finish();
    }

    void giveClipboardBack() {
        // Someone else's write (or the user's copy) since ours is newer than what we saved.
        if (wrote_ && s_.clipboard.holdsOwnWrite())
            s_.clipboard.write(saved_);
        wrote_ = false;
        offer_.reset();
        givePrimaryBack();
    }

    void readWhatThePasteLeft() {
        if (!before_ || pressReturn_) {
            finish();
            return;
        }
        // The paste has landed: what the field holds now is all an undo may replace.
        s_.restorer->read(target_->processIdentifier, [this, alive = std::weak_ptr(alive_)](
                                                          FieldRestorer::Reading reading) {
            if (alive.expired())
                return;
            result_.change = changeOf(*before_, reading.field, text_);
            result_.fieldUnknown = !result_.change;
            finish();
        });
    }

    QString text_;
    std::optional<Platform::RunningApplication> target_;
    bool pressReturn_;
    bool fromPrimary_;
    InsertDone done_;
    InsertDone late_;
    Insertion result_;
    std::optional<FieldRestorer::Field> before_;
    // The restorer's and the clipboard's answers come after the operation is gone when the
    // inserter goes first.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::unique_ptr<Platform::PendingClipboardRead> read_;
    std::unique_ptr<Platform::PendingClipboardRead> primaryRead_;
    std::unique_ptr<Platform::ClipboardFetch> offer_;
    std::unique_ptr<PasteCheck> check_;
    std::unique_ptr<Platform::Timer> limit_;
    ClipboardContents saved_;
    ClipboardContents savedPrimary_;
    bool wrote_ = false;
    bool wrotePrimary_ = false;
    bool landing_ = false;
    quint64 number_ = 0;
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

std::optional<Platform::ClipboardContents> TextInserter::userClipboard() {
    // The user copied something since: that is the clipboard now (and the texts that waited
    // on it are offered no longer).
    if (userClipboard_ && !services_.clipboard.holdsOwnWrite())
        userClipboard_.reset();
    return userClipboard_;
}

std::optional<Platform::ClipboardContents> TextInserter::userPrimary() {
    if (userPrimary_ && !(services_.primary && services_.primary->holdsOwnWrite()))
        userPrimary_.reset();
    return userPrimary_;
}

void TextInserter::keepWaiting(std::unique_ptr<Waiting> waiting) {
    // A later paste into the same window replaces the earlier: its key asks for the later text.
    std::erase_if(waiting_, [&](const auto& earlier) {
        return earlier->target && waiting->target &&
               earlier->target->windowId == waiting->target->windowId;
    });
    Waiting* kept = waiting.get();
    Platform::Clipboard& source = kept->fromPrimary ? *services_.primary : services_.clipboard;
    // The offer goes on under a new watch: the one the insert made calls into the insert.
    kept->offer = source.offerTo(kept->target ? kept->target->windowId : 0,
                                 transientText(kept->text), [this, kept] {
                                     if (std::any_of(waiting_.cbegin(), waiting_.cend(),
                                                     [&](const auto& w) { return w.get() == kept; }))
                                         waitedTextFetched(kept);
                                 });
    waiting_.push_back(std::move(waiting));
}

void TextInserter::waitedTextFetched(Waiting* waiting) {
    if (waiting->check || waiting->timer)
        return;
    if (!waiting->before || !waiting->target || !services_.restorer) {
        // The fetch is all there is to go by: the text stays offered to the target while it
        // inserts it.
        waiting->timer = services_.clock.singleShot(
            restoreSettle, [this, waiting] { waitedTextLanded(waiting, std::nullopt); });
        return;
    }
    waiting->check = std::make_unique<PasteCheck>(services_, waiting->target->processIdentifier,
                                                  *waiting->before, waiting->text);
    // A check that cannot tell, or a field that does not show the text in time, leaves the text
    // waiting: a later fetch checks again.
    waiting->timer = services_.clock.singleShot(fetchLimit, [waiting] {
        waiting->check.reset();
        waiting->timer.reset();
    });
    waiting->check->start(
        [this, waiting](FieldRestorer::Field field) { waitedTextLanded(waiting, std::move(field)); },
        [this, waiting] {
            waiting->check.reset();
            waiting->timer = services_.clock.singleShot(
                restoreSettle, [this, waiting] { waitedTextLanded(waiting, std::nullopt); });
        });
}

void TextInserter::waitedTextLanded(Waiting* waiting, std::optional<FieldRestorer::Field> landed) {
    // Late, but the target has the text now. The user's clipboard comes back where the text is
    // still the last one Tavrin wrote there; a later text, or what the user copied meanwhile,
    // stays.
    Insertion insertion;
    insertion.pasted = true;
    if (waiting->before && !waiting->pressReturn) {
        insertion.change = changeOf(*waiting->before, landed, waiting->text);
        insertion.fieldUnknown = !insertion.change;
    }
    // A terminal that pastes the primary selection had the text there and on the clipboard.
    if (waiting->number == texts_) {
        if (std::optional<ClipboardContents> saved = userClipboard())
            services_.clipboard.write(*saved);
        if (std::optional<ClipboardContents> saved = userPrimary(); saved && waiting->fromPrimary)
            services_.primary->write(*saved);
    }
    InsertDone late = std::move(waiting->late);
    dropWaiting(waiting);
    forgetSettledClipboard();
    if (late)
        late(insertion);
}

void TextInserter::forgetSettledClipboard() {
    // With no text of Tavrin's waiting, whatever Tavrin holds now (a draft the user copied from
    // the panel, the clipboard given back) is what the next insert keeps.
    if (waiting_.empty()) {
        userClipboard_.reset();
        userPrimary_.reset();
    }
}

void TextInserter::dropWaiting(Waiting* waiting) {
    // Called from the waiting text's own timer or check: they go once the event loop has moved
    // on.
    auto found = std::find_if(waiting_.begin(), waiting_.end(),
                              [&](const auto& w) { return w.get() == waiting; });
    if (found == waiting_.end())
        return;
    retiredWaiting_.push_back(std::move(*found));
    waiting_.erase(found);
    reaper_ = services_.clock.singleShot(Milliseconds(0), [this] {
        retired_.clear();
        retiredWaiting_.clear();
    });
}

TextInserter::~TextInserter() {
    if (current_)
        current_->abandon();
}

void TextInserter::insert(const QString& text,
                          const std::optional<Platform::RunningApplication>& target,
                          bool pressReturn, InsertDone done, InsertDone late) {
    enqueue(std::make_unique<InsertOperation>(*this, text, target, pressReturn, std::move(done),
                                              std::move(late)));
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
    forgetSettledClipboard();
    reaper_ = services_.clock.singleShot(Milliseconds(0), [this] {
        retired_.clear();
        retiredWaiting_.clear();
    });
    // A caller that starts another operation from its callback queues behind those already
    // waiting.
    retired_.back()->notify();
    startNext();
}
