#include "Platform/fake/FakeClipboard.h"

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
                                                       FetchCallback fetched) {
    watchedWindows.push_back(window);
    auto fetch = std::make_unique<FakeFetch>();
    fetch->callback = std::make_shared<FetchCallback>(std::move(fetched));
    if (ownedByTavrin_)
        offers_.push_back({fetch->callback, window, offered});
    if (fetchAfter && clock_)
        fetch->timer = clock_->singleShot(*fetchAfter, [this, window] { fetchAsTarget(window); });
    return fetch;
}

const FakeClipboard::Offer* FakeClipboard::liveOffer(quint32 window) const {
    for (auto it = offers_.rbegin(); it != offers_.rend(); ++it) {
        if (!it->callback.expired() && (window == 0 || it->window == window))
            return &*it;
    }
    return nullptr;
}

bool FakeClipboard::offeredTo(quint32 window) const {
    return ownedByTavrin_ && liveOffer(window);
}

ClipboardContents FakeClipboard::fetchAsTarget(quint32 window) {
    const Offer* offer = ownedByTavrin_ ? liveOffer(window) : nullptr;
    if (!offer)
        return contents;
    const ClipboardContents fetched = offer->contents;
    if (const auto callback = offer->callback.lock(); callback && *callback)
        (*callback)();
    return fetched;
}

}  // namespace Platform
