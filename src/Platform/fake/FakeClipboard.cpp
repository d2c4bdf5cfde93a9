#include "Platform/fake/FakeClipboard.h"

#include <algorithm>
#include <utility>

namespace Platform {

std::unique_ptr<PendingClipboardRead> FakeClipboard::readContents(ContentsCallback done) {
    ++reads;
    done(contents);
    return std::make_unique<PendingClipboardRead>();
}

std::unique_ptr<PendingClipboardRead> FakeClipboard::saveContents(SaveCallback done) {
    ++reads;
    const ClipboardContents snapshot = contents;
    if (auto meanwhile = std::exchange(whileSaving, {}))
        meanwhile();
    if (failedSaves > 0) {
        --failedSaves;
        done(std::nullopt);
    } else {
        done(snapshot);
    }
    return std::make_unique<PendingClipboardRead>();
}

std::unique_ptr<PendingClipboardRead> FakeClipboard::readText(TextCallback done) {
    ++reads;
    std::optional<QString> text;
    if (!contents.isEmpty()) {
        for (const auto& representation : contents.front().representations) {
            if (representation.type == QLatin1String("text/plain")) {
                text = QString::fromUtf8(representation.data);
                break;
            }
        }
    }
    done(text);
    return std::make_unique<PendingClipboardRead>();
}

void FakeClipboard::write(const ClipboardContents& newContents) {
    ++ownWrites_;
    if (refusedWrites > 0) {
        // Turned down because another program's claim is newer: the clipboard is not ours.
        --refusedWrites;
        ownedByTavrin_ = false;
        offers_.clear();
        return;
    }
    contents = newContents;
    std::erase_if(offers_, [](const Offer& offer) { return offer.callback.expired(); });
    // Tavrin keeps the clipboard while a program waits for its own text.
    ownedByTavrin_ = !newContents.isEmpty() || !offers_.empty();
    writes.push_back({clock_ ? clock_->monotonic() : Nanoseconds(0), newContents});
}

void FakeClipboard::writeAsOtherProgram(const ClipboardContents& newContents) {
    contents = newContents;
    ownedByTavrin_ = false;
    offers_.clear();
    ++foreignWrites_;
}

namespace {

class FakeFetch final : public ClipboardFetch {
public:
    std::shared_ptr<Clipboard::FetchCallback> callback;
    std::unique_ptr<Timer> timer;
};

}  // namespace

std::unique_ptr<ClipboardFetch> FakeClipboard::offerTo(quint32 window,
                                                       const ClipboardContents& offered,
                                                       FetchCallback fetched,
                                                       const ClipboardFetch* sameKeyAs) {
    watchedWindows.push_back(window);
    this->offered.push_back(offered);
    auto fetch = std::make_unique<FakeFetch>();
    fetch->callback = std::make_shared<FetchCallback>(std::move(fetched));
    std::erase_if(offers_, [](const Offer& offer) { return offer.callback.expired(); });
    Offer offer{fetch->callback, programOf(window), offered, false};
    if (const auto* earlier = dynamic_cast<const FakeFetch*>(sameKeyAs)) {
        // The text takes the earlier one's place for that one's key.
        auto found = std::find_if(offers_.begin(), offers_.end(), [&](const Offer& o) {
            return o.callback.lock() == earlier->callback;
        });
        if (found != offers_.end()) {
            offer.userPasted = found->userPasted;
            offers_.erase(found);
        }
    }
    // As the window system does: an offer is served while Tavrin holds the clipboard, and
    // another program's write ends it.
    offers_.push_back(std::move(offer));
    if (fetchAfter && clock_)
        fetch->timer = clock_->singleShot(*fetchAfter, [this, window] { fetchAsTarget(window); });
    return fetch;
}

qint64 FakeClipboard::programOf(quint32 window) const {
    const auto found = processes.find(window);
    return found != processes.end() ? found->second : -qint64(window);
}

FakeClipboard::Offer* FakeClipboard::liveOffer(quint32 window) {
    for (auto it = offers_.rbegin(); it != offers_.rend(); ++it) {
        if (!it->callback.expired() && (window == 0 || it->program == programOf(window)))
            return &*it;
    }
    return nullptr;
}

const FakeClipboard::Offer* FakeClipboard::liveOffer(quint32 window) const {
    return const_cast<FakeClipboard*>(this)->liveOffer(window);
}

bool FakeClipboard::offeredTo(quint32 window) const {
    return ownedByTavrin_ && liveOffer(window);
}

ClipboardContents FakeClipboard::fetchAsTarget(quint32 window) {
    Offer* offer = ownedByTavrin_ ? liveOffer(window) : nullptr;
    if (!offer || (offer->userPasted && unstamped.count(window ? window : 0))) {
        targetReads.push_back(contents);
        return contents;
    }
    const ClipboardContents fetched = offer->contents;
    targetReads.push_back(fetched);
    offer->served = true;
    if (const auto callback = offer->callback.lock(); callback && *callback)
        (*callback)();
    return fetched;
}

ClipboardContents FakeClipboard::pasteAsUser(quint32 window) {
    ++reads;
    if (seesUserPastes) {
        for (Offer& offer : offers_) {
            if (offer.program == programOf(window))
                offer.userPasted = true;
        }
    }
    // Without seeing the user's paste, the window system cannot tell it from the key's.
    if (!seesUserPastes) {
        if (const Offer* offer = ownedByTavrin_ ? liveOffer(window) : nullptr)
            return offer->contents;
    }
    return contents;
}

void FakeClipboard::inputAsUser(quint32 window) {
    if (!seesUserPastes)
        return;
    for (Offer& offer : offers_) {
        if (offer.program == programOf(window) && offer.served)
            offer.userPasted = true;
    }
}

}  // namespace Platform
