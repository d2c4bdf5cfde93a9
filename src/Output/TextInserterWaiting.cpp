#include <algorithm>

#include "Output/TextInserter.h"
#include "Output/TextInserterParts.h"

// The texts whose paste key went out without the target taking them in time, and the user's
// clipboard kept while any of them waits.

using namespace TextInserterParts;

// The change a paste made, from the field read before it and as it landed; none where it
// cannot be told.
std::optional<FieldRestorer::Change> TextInserterParts::changeOf(const FieldRestorer::Field& before,
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

std::optional<Platform::ClipboardContents> TextInserter::userClipboard() {
    // The user copied something since: that is the clipboard now (and the texts that waited
    // on it are offered no longer).
    if (userClipboard_ &&
        (!services_.clipboard.holdsOwnWrite() || services_.clipboard.ownWrites() != ownWrite_))
        userClipboard_.reset();
    return userClipboard_;
}

std::optional<Platform::ClipboardContents> TextInserter::userPrimary() {
    if (userPrimary_ && !(services_.primary && services_.primary->holdsOwnWrite()))
        userPrimary_.reset();
    return userPrimary_;
}

void TextInserter::keepWaiting(std::unique_ptr<Waiting> waiting) {
    Waiting* kept = waiting.get();
    // The insert's offer goes on, reporting its fetches here now: a new offer would go to
    // whatever window has the focus by then.
    if (kept->onFetch) {
        *kept->onFetch = [this, kept] {
            if (std::any_of(waiting_.cbegin(), waiting_.cend(),
                            [&](const auto& w) { return w.get() == kept; }))
                waitedTextFetched(kept);
        };
    }
    waiting_.push_back(std::move(waiting));
}

void TextInserter::waitedTextFetched(Waiting* waiting) {
    if (waiting->check || waiting->timer)
        return;
    if (!waiting->before || !waiting->target || !services_.restorer) {
        waiting->fetched = true;
        // The fetch is all there is to go by: the text stays offered to the target while it
        // inserts it.
        waiting->timer = services_.clock.singleShot(
            restoreSettle, [this, waiting] { waitedTextLanded(waiting, std::nullopt); });
        return;
    }
    waiting->fetched = true;
    waiting->check = std::make_unique<PasteCheck>(services_, waiting->target->processIdentifier,
                                                  *waiting->before, waiting->text);
    // A check that cannot tell, or a field that does not show the text in time, leaves the text
    // waiting: a later fetch checks again.
    waiting->timer = services_.clock.singleShot(std::max(fetchLimit, landingTime(waiting->text)),
                                                [waiting] {
        waiting->check.reset();
        waiting->timer.reset();
    });
    waiting->check->start(
        [this, waiting](FieldRestorer::Field field) { waitedTextLanded(waiting, std::move(field)); },
        [this, waiting](FieldRestorer::Field field) {
            waitedTextLanded(waiting, std::move(field), true);
        },
        [this, waiting] {
            waiting->check.reset();
            waiting->timer = services_.clock.singleShot(
                restoreSettle, [this, waiting] { waitedTextLanded(waiting, std::nullopt); });
        });
}

void TextInserter::waitedTextLanded(Waiting* waiting, std::optional<FieldRestorer::Field> landed,
                                    bool partial) {
    // Late, but the target has the text now. The user's clipboard comes back where the text is
    // still the last one Tavrin wrote there; a later text, or what the user copied meanwhile,
    // stays.
    Insertion insertion;
    insertion.pasted = true;
    insertion.partial = partial;
    if (waiting->before && !waiting->pressReturn) {
        insertion.change = partial && landed
                               ? std::optional(FieldRestorer::Change{*waiting->before, *landed})
                               : changeOf(*waiting->before, landed, waiting->text);
        insertion.fieldUnknown = !insertion.change;
    }
    // A terminal that pastes the primary selection had the text there and on the clipboard;
    // a later text elsewhere may have gone onto the clipboard only.
    if (waiting->number == texts_) {
        if (std::optional<ClipboardContents> saved = userClipboard())
            offerUsersClipboard(*saved);
    }
    if (waiting->fromPrimary && waiting->primaryNumber == primaryTexts_) {
        if (std::optional<ClipboardContents> saved = userPrimary())
            offerUsersPrimary(*saved);
    }
    InsertDone late = std::move(waiting->late);
    // Taken by the fetch alone: the program may still paste it for that key.
    if (!landed)
        keepAnswered(waiting->target, std::move(waiting->offer), std::move(waiting->alsoOffer));
    dropWaiting(waiting);
    forgetSettledClipboard();
    if (late)
        late(insertion);
}

void TextInserter::writeClipboard(const ClipboardContents& contents) {
    services_.clipboard.write(contents);
    ownWrite_ = services_.clipboard.ownWrites();
}

bool TextInserter::servesUser(const ClipboardContents& user) {
    // Nothing to serve: the empty clipboard is taken over with the offer.
    if (user.isEmpty())
        return true;
    return offersUsersClipboard_ && services_.clipboard.holdsOwnWrite() &&
           services_.clipboard.ownWrites() == ownWrite_;
}

void TextInserter::offerUsersClipboard(const ClipboardContents& user, bool anew) {
    Platform::Clipboard& clipboard = services_.clipboard;
    const bool latestIsOurs = clipboard.holdsOwnWrite() && clipboard.ownWrites() == ownWrite_;
    // A write of its own is a new owner to every program that watches the clipboard: a
    // history fetches it anew, a browser drops what it read of it. An empty clipboard needs no
    // owner until an offer needs one.
    const bool write = anew ? latestIsOurs
                            : (user.isEmpty() ? clipboard.holdsOwnWrite() : !servesUser(user));
    if (write)
        writeClipboard(user);
    offersUsersClipboard_ = true;
}

bool TextInserter::offerUsersPrimary(const ClipboardContents& user, bool anew) {
    Platform::Clipboard& primary = *services_.primary;
    const bool write = anew ? primary.holdsOwnWrite()
                            : (!offersUsersPrimary_ || !primary.holdsOwnWrite() || user.isEmpty());
    if (write)
        primary.write(user);
    offersUsersPrimary_ = true;
    return user.isEmpty() || primary.holdsOwnWrite();
}

void TextInserter::offerText(const QString& text, bool onPrimary) {
    if (onPrimary) {
        services_.primary->write(transientText(text));
        offersUsersPrimary_ = false;
    } else {
        writeClipboard(transientText(text));
        offersUsersClipboard_ = false;
    }
}

void TextInserter::forgetSettledClipboard() {
    // With no text of Tavrin's waiting, whatever Tavrin holds now (a draft the user copied from
    // the panel, the clipboard given back) is what the next insert keeps.
    if (waiting_.empty()) {
        userClipboard_.reset();
        userPrimary_.reset();
    }
}

namespace {

// The same program: the same process where both are known, else the same window.
bool sameProgram(const Platform::RunningApplication& a, const Platform::RunningApplication& b) {
    if (a.processIdentifier > 0 && b.processIdentifier > 0)
        return a.processIdentifier == b.processIdentifier;
    return a.windowId == b.windowId;
}

}  // namespace

TextInserter::Waiting* TextInserter::pendingKey(const Platform::RunningApplication& target) {
    dropOverwritten();
    const Platform::Nanoseconds now = services_.clock.monotonic();
    for (const auto& waiting : waiting_) {
        if (waiting->target && sameProgram(*waiting->target, target) && !waiting->dropped &&
            now - waiting->keyAt < pendingKeyHorizon)
            return waiting.get();
    }
    return nullptr;
}

void TextInserter::dropOffersTo(const Platform::RunningApplication& target) {
    std::vector<Waiting*> earlier;
    for (const auto& waiting : waiting_) {
        if (waiting->target && sameProgram(*waiting->target, target))
            earlier.push_back(waiting.get());
    }
    for (Waiting* waiting : earlier)
        dropWaiting(waiting);
    std::erase_if(answered_, [&](const auto& answered) {
        return answered->target && sameProgram(*answered->target, target);
    });
}

void TextInserter::dropOverwritten() {
    std::vector<Waiting*> ended;
    for (const auto& waiting : waiting_) {
        Platform::Clipboard* source =
            waiting->fromPrimary ? services_.primary : &services_.clipboard;
        if (source && source->foreignWrites() != waiting->foreignWrites)
            ended.push_back(waiting.get());
    }
    for (Waiting* waiting : ended)
        dropWaiting(waiting);
}

void TextInserter::keepAnswered(const std::optional<Platform::RunningApplication>& target,
                                std::unique_ptr<Platform::ClipboardFetch> offer,
                                std::unique_ptr<Platform::ClipboardFetch> alsoOffer) {
    // Where the user's own pastes cannot be told apart, an offer kept would take them.
    if (!offer || !services_.clipboard.tellsUserPastes())
        return;
    if (target) {
        std::erase_if(answered_, [&](const auto& answered) {
            return answered->target && sameProgram(*answered->target, *target);
        });
    }
    auto answered = std::make_unique<Answered>();
    answered->target = target;
    answered->offer = std::move(offer);
    answered->alsoOffer = std::move(alsoOffer);
    answered_.push_back(std::move(answered));
    if (answered_.size() > answeredKept)
        answered_.erase(answered_.begin());
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
    waiting->offer.reset();
    waiting->alsoOffer.reset();
    reapWaiting();
    // Its caller lets go: the text is offered no longer.
    if (InsertDone late = std::move(waiting->late))
        late(Insertion{});
}

void TextInserter::reapWaiting() {
    waitingReaper_ = services_.clock.singleShot(Milliseconds(0), [this] { retiredWaiting_.clear(); });
}
