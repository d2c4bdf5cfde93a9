#include "Output/TextInserter.h"

#include <utility>

using Platform::ClipboardContents;
namespace EventFlag = Platform::EventFlag;
using Platform::Milliseconds;
namespace VirtualKey = Platform::VirtualKey;

#include "Output/TextInserterParts.h"

using namespace TextInserterParts;

class TextInserter::InsertOperation final : public Operation {
public:
    InsertOperation(TextInserter& owner, QString text,
                    std::optional<Platform::RunningApplication> target, bool pressReturn,
                    InsertDone done, InsertDone late)
        : Operation(owner),
          text_(std::move(text)),
          target_(std::move(target)),
          pressReturn_(pressReturn),
          fromPrimary_(target_ && s_.terminals &&
                       (s_.terminals->pastesFromPrimary(*target_) ||
                        s_.terminals->pastesFromEither(*target_))),
          alsoClipboard_(fromPrimary_ && s_.terminals->pastesFromEither(*target_)),
          done_(std::move(done)),
          late_(std::move(late)) {}

    void start() override { readSaved(); }

    void notify() override {
        if (done_)
            done_(result_);
    }

private:
    Platform::Clipboard& source() { return fromPrimary_ ? *s_.primary : s_.clipboard; }

    // What the user has is kept whole before Tavrin serves anything in its place: where Tavrin
    // still serves earlier texts, what the user had before them; else the clipboard as it is,
    // from an owner that may be busy for a while.
    void readSaved() {
        writesAtSave_ = s_.clipboard.foreignWrites();
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
            // Without the primary selection, a terminal that pastes only from there pastes the
            // user's selection: no key goes out.
            if (fromPrimary_) {
                after(Milliseconds(0), [this] { finish(); });
                return;
            }
            claim();
            return;
        }
        primaryWritesAtSave_ = s_.primary->foreignWrites();
        if (std::optional<ClipboardContents> known = owner_.userPrimary()) {
            savedPrimary_ = std::move(*known);
            claim();
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
            claim();
        });
    }

    // Nothing is written over what could not be kept. The callback may run inside the read's
    // call, before its handle is stored: the end waits for the clock.
    void unsaved() {
        result_.unsaved = true;
        after(Milliseconds(0), [this] { finish(); });
    }

    // Tavrin takes the clipboard over, offering everyone what the user had: only as its owner
    // can it hand the text to the paste key's reads alone. An empty clipboard is taken over
    // with the offer, right before the key.
    void claim() {
        // Another program wrote while the snapshot was read (a busy owner may take seconds):
        // the snapshot is not the user's clipboard any more, and serving it would lose the copy.
        const bool copiedMeanwhile = s_.clipboard.foreignWrites() != writesAtSave_;
        if (!copiedMeanwhile)
            owner_.offerUsersClipboard(saved_);
        if (copiedMeanwhile || !owner_.servesUser(saved_)) {
            // The window system turned the write down: another program took the clipboard
            // after the snapshot, before Tavrin heard of it. What it wrote is the user's
            // clipboard now and must be neither pasted nor lost: start again from a fresh
            // snapshot, and give up without a key should that keep failing. The fresh read
            // starts from the clock: this may still run inside the first read's call, whose
            // handle, stored on return, would replace the new read's and drop its answer.
            if (++attempts_ < maxWriteAttempts) {
                after(Milliseconds(0), [this] { readSaved(); });
            } else {
                // Another program keeps writing: what it wrote last is the user's clipboard,
                // and no text of Tavrin's may go over it.
                result_.overwritten = true;
                finish();
            }
            return;
        }
        number_ = ++owner_.texts_;
        if (!owner_.userClipboard_)
            owner_.userClipboard_ = saved_;
        if (fromPrimary_) {
            if (!s_.primary || s_.primary->foreignWrites() != primaryWritesAtSave_ ||
                !owner_.offerUsersPrimary(savedPrimary_)) {
                // The terminal could only paste what another program selected meanwhile: no
                // key goes out.
                finish();
                return;
            }
            primaryNumber_ = ++owner_.primaryTexts_;
            if (!owner_.userPrimary_)
                owner_.userPrimary_ = savedPrimary_;
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
                              fieldUnknown_ = !before_ && reading.shown;
                              result_.fieldUnknown = fieldUnknown_;
                              paste();
                          });
    }

    void paste() {
        // The key goes only where the user still works: a window that came forward meanwhile
        // (Tavrin's own panel, opened again at once) would take it, and the text.
        if (target_ && !s_.windows.isActive(*target_)) {
            noKey();
            return;
        }
        Waiting* pending = target_ ? owner_.pendingKey(*target_) : nullptr;
        if (!pending) {
            sendKey(nullptr);
            return;
        }
        if (pending->fetched) {
            decideAfter(pending, false);
            return;
        }
        // A program that fetched nothing for its earlier key may be stopped or busy, or it
        // may have handled the key without pasting (a button had the keyboard): only an
        // answer tells.
        const quint64 asked = pending->number;
        s_.windows.ping(*pending->target, pingLimit,
                        [this, alive = std::weak_ptr(alive_), asked](bool answered) {
                            if (alive.expired())
                                return;
                            Waiting* again = owner_.pendingKey(*target_);
                            if (!again || again->number != asked) {
                                after(Milliseconds(0), [this] { paste(); });
                                return;
                            }
                            if (answered)
                                again->dropped = true;
                            // Runs from inside the answer: the rest waits for the clock.
                            after(Milliseconds(0), [this, answered] {
                                Waiting* still = owner_.pendingKey(*target_);
                                if (!still)
                                    sendKey(nullptr);
                                else
                                    decideAfter(still, !answered);
                            });
                        });
    }

    // A busy program takes every key queued for it once it runs again, each reading the
    // clipboard as it is then: a key of Tavrin's still unanswered there would paste this text
    // where it goes, and a second key would paste twice. Only where that key goes into the
    // very field this text is for does it paste this text: the field read just now is its
    // field, or the program has handled nothing since that key (so the keyboard cannot have
    // moved inside it). Elsewhere no key goes out.
    void decideAfter(Waiting* pending, bool stillSince) {
        const bool sameWindow = pending->target->windowId == target_->windowId;
        const bool bothKnown = before_ && pending->before;
        const bool sameField = bothKnown && before_->element == pending->before->element;
        // Two fields read and found apart are apart, whatever else seems still.
        if (!sameWindow || !(sameField || (stillSince && !bothKnown))) {
            result_.targetBusy = true;
            noKey();
            return;
        }
        // The field as read just now is what that key will paste into; a program too busy
        // to answer left it as it was read at that key.
        if (!before_) {
            before_ = pending->before;
            fieldUnknown_ = pending->fieldUnknown;
            result_.fieldUnknown = fieldUnknown_;
        }
        keyAt_ = pending->keyAt;
        sendKey(pending);
    }

    // Offers the text to the reads of the paste key (a new one, or `takenOver`'s), makes sure
    // Tavrin holds the clipboard, and sends the key unless it takes over one.
    void sendKey(Waiting* takenOver) {
        // Another program wrote since: the key would paste its text. What it wrote is the
        // user's clipboard now.
        if (s_.clipboard.foreignWrites() != writesAtSave_ ||
            (fromPrimary_ && s_.primary->foreignWrites() != primaryWritesAtSave_)) {
            overwritten();
            return;
        }
        // The offer's fetches go where `onFetch_` points: to this insert, and should the text
        // come to wait, to its waiting entry. The offer itself stays the one made here, to the
        // programs that had the window and the focus at the key.
        *onFetch_ = [this, alive = std::weak_ptr(alive_)] {
            if (!alive.expired())
                fetched();
        };
        const auto fetchedNow = [onFetch = onFetch_] {
            if (*onFetch)
                (*onFetch)();
        };
        offer_ = source().offerTo(target_ ? target_->windowId : 0, transientText(text_),
                                  fetchedNow, takenOver ? takenOver->offer.get() : nullptr);
        // A terminal whose Shift+Insert may read either selection finds the text on both.
        if (alsoClipboard_)
            alsoOffer_ = s_.clipboard.offerTo(target_->windowId, transientText(text_), fetchedNow,
                                              takenOver ? takenOver->alsoOffer.get() : nullptr);
        // The earlier texts for that program are offered no longer: a taken-over one gave its
        // key to this text.
        if (target_)
            owner_.dropOffersTo(*target_);
        // An empty clipboard is taken over only now, with the offer to keep it for.
        if (fromPrimary_ && !s_.primary->holdsOwnWrite())
            s_.primary->write(savedPrimary_);
        if ((!fromPrimary_ || alsoClipboard_) && !s_.clipboard.holdsOwnWrite())
            owner_.writeClipboard(saved_);
        if (!source().holdsOwnWrite()) {
            overwritten();
            return;
        }
        if (!takenOver) {
            const bool sent = fromPrimary_
                                  ? s_.keys.sendKey(VirtualKey::Insert, EventFlag::Shift)
                                  : s_.keys.sendKey(VirtualKey::V, EventFlag::Command);
            if (!sent) {
                noKey();
                return;
            }
            keyAt_ = s_.clock.monotonic();
        }
        limitFrom_ = s_.clock.monotonic();
        limit_ = s_.clock.singleShot(fetchLimit, [this] { notFetched(); });
    }

    // What another program wrote is the user's clipboard now: the text goes nowhere.
    void overwritten() {
        result_.overwritten = true;
        offer_.reset();
        alsoOffer_.reset();
        finish();
    }

    // Nothing went in. The text is not on the clipboard (what the user had stays there), and
    // no Return follows; the caller places the text where the user can take it.
    void noKey() {
        offer_.reset();
        alsoOffer_.reset();
        result_.overwritten = !s_.clipboard.holdsOwnWrite();
        finish();
    }

    // A Return in some other window could run the draft as a command there, and in a
    // terminal it runs it in the shell.
    bool returnMayGo() const {
        return pressReturn_ && target_ && s_.windows.isActive(*target_) &&
               !(s_.terminals && s_.terminals->isTerminal(*target_));
    }

    // Sends the Return where the keyboard still is in the field that took the paste: a user who
    // clicked into another field (the address bar) while a busy page pasted would have that
    // field submit instead. A program that shows no fields at all is judged by its window.
    void pressReturn(std::function<void()> next) {
        if (!pressReturn_) {
            next();
            return;
        }
        if (!returnMayGo()) {
            result_.returnWithheld = !(s_.terminals && target_ && s_.terminals->isTerminal(*target_));
            next();
            return;
        }
        if (!s_.restorer || (!before_ && !fieldUnknown_)) {
            s_.keys.sendKey(VirtualKey::Return, EventFlag::None);
            next();
            return;
        }
        s_.restorer->read(target_->processIdentifier,
                          [this, alive = std::weak_ptr(alive_),
                           next = std::move(next)](FieldRestorer::Reading reading) {
                              if (alive.expired())
                                  return;
                              // A field that could not be read before the key (its program
                              // was busy) is known by what it shows now: the keyboard is in
                              // the field that holds the paste.
                              const bool there =
                                  reading.field &&
                                  (before_ ? reading.field->element == before_->element
                                           : FieldRestorer::holdsPaste(*reading.field, text_));
                              if (there && returnMayGo()) {
                                  s_.keys.sendKey(VirtualKey::Return, EventFlag::None);
                              } else {
                                  result_.returnWithheld = true;
                                  result_.returnUnseen = !reading.field;
                              }
                              next();
                          });
    }

    void fetched() {
        if (landing_)
            return;
        landing_ = true;
        // A large text may need longer than the time that is left.
        const Milliseconds left = std::chrono::duration_cast<Milliseconds>(
            limitFrom_ + fetchLimit - s_.clock.monotonic());
        if (landingTime(text_) > left)
            limit_ = s_.clock.singleShot(landingTime(text_), [this] { notFetched(); });
        if (!before_ || !target_) {
            landedByFetch();
            return;
        }
        check_ = std::make_unique<PasteCheck>(s_, target_->processIdentifier, *before_, text_);
        check_->start([this](FieldRestorer::Field field) { landed(std::move(field), false); },
                      [this](FieldRestorer::Field field) { landed(std::move(field), true); },
                      [this] { landedByFetch(); });
    }

    // The field shows the text (or, `partial`, the part of it that it takes): only now may a
    // Return follow it. The key has been answered: its offer ends.
    void landed(FieldRestorer::Field field, bool partial) {
        limit_.reset();
        check_.reset();
        offer_.reset();
        alsoOffer_.reset();
        result_.pasted = true;
        result_.partial = partial;
        shown_ = std::move(field);
        renewClaim();
        // A field that cut the text short would send what it kept.
        if (partial) {
            after(returnSettle, [this] { readWhatThePasteLeft(); });
            return;
        }
        pressReturn([this] { after(returnSettle, [this] { readWhatThePasteLeft(); }); });
    }

    // Where the field cannot tell, the target's fetch is the sign the paste has to go by. The
    // fetch may have come ahead of the paste (a browser reads before its busy page pastes):
    // the key's later reads still get the text.
    void landedByFetch() {
        limit_.reset();
        check_.reset();
        result_.pasted = true;
        after(returnSettle, [this] {
            pressReturn([this] {
                after(restoreSettle - returnSettle, [this] {
                    owner_.keepAnswered(target_, std::move(offer_), std::move(alsoOffer_));
                    renewClaim();
                    readWhatThePasteLeft();
                });
            });
        });
    }

    // A program keeps what it read of the clipboard until the clipboard has a new owner
    // (Chromium pastes from what it read until then): what it read for the paste key would be
    // the user's next paste. Taking the clipboard anew, with what the user had, tells every
    // program to read again; the reads the key still asks for get the text.
    void renewClaim() {
        if (!fromPrimary_ || alsoClipboard_)
            owner_.offerUsersClipboard(saved_, true);
        if (fromPrimary_)
            owner_.offerUsersPrimary(savedPrimary_, true);
    }

    // The paste is not known in all that time. Nothing is claimed: the text goes on the
    // clipboard for the user to paste by hand, and should the target take it later for its
    // key it gets the text, never the user's earlier clipboard, which comes back once it has.
    void notFetched() {
        // The field took the beginning of the text and shows no more of it.
        if (check_ && check_->partShown()) {
            FieldRestorer::Field field = *check_->partShown();
            landed(std::move(field), true);
            return;
        }
        check_.reset();
        if (!source().holdsOwnWrite()) {
            // Another program wrote since: the target will find its text, not Tavrin's, and
            // that write is the user's clipboard now.
            overwritten();
            return;
        }
        owner_.offerText(text_, false);
        if (fromPrimary_)
            owner_.offerText(text_, true);
        result_.waiting = true;
        auto waiting = std::make_unique<Waiting>();
        waiting->offer = std::move(offer_);
        waiting->alsoOffer = std::move(alsoOffer_);
        waiting->onFetch = onFetch_;
        waiting->target = target_;
        waiting->text = text_;
        waiting->before = before_;
        waiting->fieldUnknown = fieldUnknown_;
        waiting->pressReturn = pressReturn_;
        waiting->fromPrimary = fromPrimary_;
        waiting->number = number_;
        waiting->primaryNumber = primaryNumber_;
        waiting->keyAt = keyAt_;
        waiting->foreignWrites = source().foreignWrites();
        waiting->fetched = landing_;
        waiting->late = std::move(late_);
        owner_.keepWaiting(std::move(waiting));
        finish();
    }

    void readWhatThePasteLeft() {
        if (!before_ || pressReturn_) {
            finish();
            return;
        }
        // The paste has landed: what the field the keyboard is in holds now is all an undo may
        // replace (a paste of paragraphs leaves it in the last of them). Where the keyboard has
        // gone elsewhere, the field that showed the paste tells what it left.
        s_.restorer->read(target_->processIdentifier, [this, alive = std::weak_ptr(alive_)](
                                                          FieldRestorer::Reading reading) {
            if (alive.expired())
                return;
            std::optional<FieldRestorer::Field> left = std::move(reading.field);
            if (shown_ && !(left && (left->element == before_->element ||
                                     FieldRestorer::sameDocument(*before_, *left))))
                left = shown_;
            // The field as it showed the paste is what the paste left there: what it holds
            // beyond that now is the user's, who typed on (a rich-text editor tells no
            // selection to tell the typing apart by), and no undo may take it back.
            if (shown_ && left && left->element == shown_->element && left->text != shown_->text)
                left = shown_;
            // A field that kept part of the text holds what the paste left as it showed it.
            result_.change = result_.partial
                                 ? std::optional(FieldRestorer::Change{*before_, *shown_})
                                 : changeOf(*before_, left, text_);
            result_.fieldUnknown = !result_.change;
            finish();
        });
    }

    QString text_;
    std::optional<Platform::RunningApplication> target_;
    bool pressReturn_;
    // Pasted with Shift+Insert from the primary selection, and, for a terminal whose keys are
    // not known, from the clipboard as well.
    bool fromPrimary_;
    bool alsoClipboard_;
    InsertDone done_;
    InsertDone late_;
    Insertion result_;
    std::optional<FieldRestorer::Field> before_;
    bool fieldUnknown_ = false;
    // The field as it showed the paste.
    std::optional<FieldRestorer::Field> shown_;
    // The restorer's and the clipboard's answers come after the operation is gone when the
    // inserter goes first.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::unique_ptr<Platform::PendingClipboardRead> read_;
    std::unique_ptr<Platform::PendingClipboardRead> primaryRead_;
    std::unique_ptr<Platform::ClipboardFetch> offer_;
    std::unique_ptr<Platform::ClipboardFetch> alsoOffer_;
    std::shared_ptr<std::function<void()>> onFetch_ = std::make_shared<std::function<void()>>();
    std::unique_ptr<PasteCheck> check_;
    std::unique_ptr<Platform::Timer> limit_;
    ClipboardContents saved_;
    quint64 writesAtSave_ = 0;
    quint64 primaryWritesAtSave_ = 0;
    ClipboardContents savedPrimary_;
    bool landing_ = false;
    quint64 number_ = 0;
    quint64 primaryNumber_ = 0;
    Platform::Nanoseconds keyAt_{0};
    // When this insert began to wait for the paste: at its key, or where it took over an
    // earlier key, at that moment.
    Platform::Nanoseconds limitFrom_{0};
    int attempts_ = 0;
};

TextInserter::TextInserter(Services services) : services_(services) {}

TextInserter::~TextInserter() {
    if (current_)
        current_->abandon();
    // A text left on the clipboard for the user, whose paste key may still be answered, is
    // served by no one once Tavrin has gone, and a clipboard history would keep it as the
    // clipboard: what the user had comes back while the text is still the one offered.
    if (!offersUsersClipboard_) {
        if (std::optional<ClipboardContents> saved = userClipboard())
            writeClipboard(*saved);
    }
    if (!offersUsersPrimary_) {
        if (std::optional<ClipboardContents> saved = userPrimary())
            services_.primary->write(*saved);
    }
}

void TextInserter::insert(const QString& text,
                          const std::optional<Platform::RunningApplication>& target,
                          bool pressReturn, InsertDone done, InsertDone late) {
    enqueue(std::make_unique<InsertOperation>(*this, text, target, pressReturn, std::move(done),
                                              std::move(late)));
}

bool TextInserter::sendKey(quint16 keyCode, quint64 flags) {
    return services_.keys.sendKey(keyCode, flags);
}

void TextInserter::enqueue(std::unique_ptr<Operation> operation) {
    dropOverwritten();
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
    reaper_ = services_.clock.singleShot(Milliseconds(0), [this] { retired_.clear(); });
    // A caller that starts another operation from its callback queues behind those already
    // waiting.
    retired_.back()->notify();
    startNext();
}
