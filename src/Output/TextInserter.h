#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "Output/FieldRestorer.h"
#include "Platform/AccessibilityTrust.h"
#include "Platform/Clipboard.h"
#include "Platform/Clock.h"
#include "Platform/KeySender.h"
#include "Platform/ModifierState.h"
#include "Platform/RunningApplication.h"
#include "Platform/TerminalWindows.h"
#include "Platform/WindowActivation.h"

// Moves text between Tavrin and the application the user works in, through the clipboard and
// synthetic keys, without that application's help: pasting a text into it and copying its
// selection. Both leave the user's clipboard as it was, unless another program wrote to it
// meanwhile.
//
// The clipboard is one shared place, so the operations run one at a time in the order they
// were asked for: a second insert that started while the first still held its text on the
// clipboard would save that text as the user's and lose the user's own. Everything runs on
// the main thread; the waits are clock timers.
class TextInserter {
public:
    struct Services {
        Platform::Clock& clock;
        Platform::Clipboard& clipboard;
        Platform::KeySender& keys;
        Platform::WindowActivation& windows;
        Platform::ModifierState& modifiers;
        Platform::AccessibilityTrust& trust;
        // Reads the target's field right before the paste key and after the paste, for an
        // undo that writes the earlier text back. Without one there is nothing to write back.
        FieldRestorer* restorer = nullptr;
        // A target that pastes only the primary selection (the xterm family) gets the text
        // there as well, and its own paste key; without both it gets no key at all.
        Platform::TerminalWindows* terminals = nullptr;
        Platform::Clipboard* primary = nullptr;
    };
    struct Insertion {
        // Whether the text went in: where the target's field can be read, the field shows it;
        // elsewhere the target fetched it. Without it nothing is known to be inserted.
        bool pasted = false;
        // The field that took the paste, as it was right before the paste key and as the
        // paste left it; only where the restorer read it before the paste key and knows what
        // the paste left (from the selection it replaced, or a read of the same element, or of
        // the same document, once the paste had landed).
        std::optional<FieldRestorer::Change> change;
        // The target shows its fields, but the one that took the paste, or what the paste left
        // in it, is not known: an undo could not be checked and must not be made. False where
        // the target shows no fields at all (or nothing was read): its undo key is all there
        // is.
        bool fieldUnknown = false;
        // The paste key went out, but the target has not taken the text in all the time a
        // busy application may take: nothing is known to be inserted. The text stays on the
        // clipboard (and the primary selection) for the user to paste, the target gets it
        // whenever it asks, and the user's own clipboard comes back once the target has it.
        bool waiting = false;
        // Another program wrote to the clipboard before the paste was known (the user
        // copied): what it wrote is the user's clipboard now and stays; the text is not on it.
        bool overwritten = false;
        // What the user had on the clipboard did not arrive whole in time: nothing was
        // written over it, and nothing was pasted.
        bool unsaved = false;
        // The field took the beginning of the text only and keeps it (it holds no more
        // characters): `pasted` is set, the rest went nowhere.
        bool partial = false;
        // No key went out: a paste key of Tavrin's is still unanswered in the target's program
        // (stopped, busy), and a second would paste twice or take this text where the first
        // goes. The text is not on the clipboard; the earlier one still waits for its key.
        bool targetBusy = false;
        // The Return that was to follow the paste was not sent: the keyboard had left the field
        // that took the text, or it could not be seen to be there.
        bool returnWithheld = false;
        // It was withheld because the field did not answer (its program busy), not because the
        // keyboard was seen elsewhere.
        bool returnUnseen = false;

        bool operator==(const Insertion&) const = default;
    };
    using InsertDone = std::function<void(const Insertion&)>;
    using CopyDone = std::function<void(std::optional<QString>)>;

    explicit TextInserter(Services services);
    // An operation still running puts the user's clipboard back if it holds Tavrin's text;
    // callbacks of unfinished operations are not called.
    ~TextInserter();
    TextInserter(const TextInserter&) = delete;
    TextInserter& operator=(const TextInserter&) = delete;

    // Pastes `text` into `target` (or into whatever is in front when there is none), with a
    // Return afterwards when `pressReturn` is set, the target's window is the active one, the
    // keyboard is still in the field that took the text and it is no terminal (a shell would
    // run the text). The clipboard keeps offering what the user had to everyone; the text goes
    // to the reads that the paste key asks for alone (see Platform::Clipboard::offerTo), so
    // that neither the user's own paste nor a clipboard history gets it. The paste key goes out
    // only while the target is the active window, and not while a paste key of Tavrin's is
    // still unanswered in the target's program: in the same field that key pastes this text, a
    // second would paste it twice; elsewhere no key goes out. `done` is called once the paste
    // is known; where the target did not take the text in time, the text is left on the
    // clipboard instead, for the user to paste by hand. Of a text that was not taken in time
    // `late` hears once more: when the target takes it (`pasted`), or when it is offered no
    // longer (a later text took its place, or another program wrote the clipboard).
    void insert(const QString& text, const std::optional<Platform::RunningApplication>& target,
                bool pressReturn, InsertDone done = {}, InsertDone late = {});
    // The text selected in the front application, copied with the copy key; none without
    // accessibility trust, when nothing was copied, or when the copy is blank.
    void copySelection(CopyDone done);
    // Sends one key with modifiers to the window in front, at once (the undo toast's undo);
    // false when it could not be sent.
    bool sendKey(quint16 keyCode, quint64 flags);

    // True while an operation is running or waiting for its turn.
    bool isBusy() const { return current_ != nullptr || !queue_.empty(); }

private:
    class Operation;
    class InsertOperation;
    class CopyOperation;

    using ClipboardContents = Platform::ClipboardContents;

    class PasteCheck;
    struct Waiting;
    struct Answered;

    // What the user had on the clipboard and the primary selection before the texts Tavrin
    // still serves, where Tavrin still holds them; forgotten once another program wrote.
    std::optional<ClipboardContents> userClipboard();
    std::optional<ClipboardContents> userPrimary();
    // A text whose paste key went out without the target taking it in time.
    void keepWaiting(std::unique_ptr<Waiting> waiting);
    void waitedTextFetched(Waiting* waiting);
    void waitedTextLanded(Waiting* waiting, std::optional<FieldRestorer::Field> landed,
                          bool partial = false);
    // Its caller hears that the text is offered no longer, unless it was taken.
    void dropWaiting(Waiting* waiting);
    // Texts whose offer another program's write has ended.
    void dropOverwritten();
    // A waiting text of the program behind `target` whose paste key may still be answered.
    Waiting* pendingKey(const Platform::RunningApplication& target);
    // A new paste key for the program behind `target` asks for the new text: the texts still
    // offered to that program are offered no longer.
    void dropOffersTo(const Platform::RunningApplication& target);
    // Where the field cannot tell whether the paste has landed, the reads of the target's
    // program that its paste key asked for still get the text after the paste counted: the
    // fetch may have come before the paste (a browser reads ahead of its busy page). The offer
    // lasts until the user pastes there by themselves, a later key goes to that program or
    // another program writes; never for the user's own paste.
    void keepAnswered(const std::optional<Platform::RunningApplication>& target,
                      std::unique_ptr<Platform::ClipboardFetch> offer,
                      std::unique_ptr<Platform::ClipboardFetch> alsoOffer = nullptr);
    void forgetSettledClipboard();
    // Lets go of retired waiting texts and offers once the event loop has moved on.
    void reapWaiting();
    // Writes the clipboard and notes the write as the inserter's own: the user's clipboard kept
    // while texts wait is given back only over such a write, never over a later one of
    // Tavrin's (a draft the user copied from the panel).
    void writeClipboard(const ClipboardContents& contents);
    // Tavrin offers everyone what the user had (`user`) on the clipboard, writing it only where
    // its latest write offers something else; `anew`, it writes it once more as long as no
    // other program wrote since: a new owner tells every program to read again. An empty
    // clipboard is Tavrin's only while an offer needs it. Whether Tavrin serves it now.
    void offerUsersClipboard(const ClipboardContents& user, bool anew = false);
    bool servesUser(const ClipboardContents& user);
    // The same on the primary selection; false where another program holds it.
    bool offerUsersPrimary(const ClipboardContents& user, bool anew = false);
    // Puts `text` where the user pastes from by hand, after a paste that did not happen.
    void offerText(const QString& text, bool onPrimary);

    void enqueue(std::unique_ptr<Operation> operation);
    void startNext();
    void finished(Operation* operation);

    Services services_;
    std::unique_ptr<Operation> current_;
    std::deque<std::unique_ptr<Operation>> queue_;
    std::vector<std::unique_ptr<Operation>> retired_;
    std::unique_ptr<Platform::Timer> reaper_;
    std::vector<std::unique_ptr<Waiting>> waiting_;
    std::vector<std::unique_ptr<Waiting>> retiredWaiting_;
    std::unique_ptr<Platform::Timer> waitingReaper_;
    std::vector<std::unique_ptr<Answered>> answered_;
    std::optional<ClipboardContents> userClipboard_;
    // Whether Tavrin's latest writes offer everyone what the user had (on the clipboard, on the
    // primary selection), not a text that waits to be pasted by hand.
    bool offersUsersClipboard_ = false;
    bool offersUsersPrimary_ = false;
    quint64 ownWrite_ = 0;
    std::optional<ClipboardContents> userPrimary_;
    // Count Tavrin's writes of texts to paste, on the clipboard and on the primary selection:
    // the user's own comes back after a late paste only where that paste's text is still the
    // last one written there.
    quint64 texts_ = 0;
    quint64 primaryTexts_ = 0;
};
