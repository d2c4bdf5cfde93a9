#include "Platform/fake/FakeClipboard.h"

namespace Platform {

std::unique_ptr<PendingClipboardRead> FakeClipboard::readContents(ContentsCallback done) {
    ++reads;
    done(contents);
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
    if (refusedWrites > 0) {
        // Turned down because another program's claim is newer: the clipboard is not ours.
        --refusedWrites;
        ownedByTavrin_ = false;
        return;
    }
    contents = newContents;
    ownedByTavrin_ = !newContents.isEmpty();
    ++writeCount_;
    writes.push_back({clock_ ? clock_->monotonic() : Nanoseconds(0), newContents});
}

void FakeClipboard::writeAsOtherProgram(const ClipboardContents& newContents) {
    contents = newContents;
    ownedByTavrin_ = false;
    ++foreignWrites_;
    ++writeCount_;
}

namespace {

class FakeFetch final : public ClipboardFetch {
public:
    std::shared_ptr<Clipboard::FetchCallback> callback;
    std::unique_ptr<Timer> timer;
};

}  // namespace

std::unique_ptr<ClipboardFetch> FakeClipboard::watchFetch(quint32 window, FetchCallback fetched) {
    watchedWindows.push_back(window);
    auto fetch = std::make_unique<FakeFetch>();
    fetch->callback = std::make_shared<FetchCallback>(std::move(fetched));
    watches_.push_back({fetch->callback, writeCount_});
    if (fetchAfter && clock_) {
        fetch->timer = clock_->singleShot(*fetchAfter, [this] { fetchAsTarget(); });
    }
    return fetch;
}

bool FakeClipboard::fetchAsTarget() {
    for (auto it = watches_.begin(); it != watches_.end(); ++it) {
        const auto callback = it->callback.lock();
        if (!callback || it->write != writeCount_ || !ownedByTavrin_)
            continue;
        watches_.erase(it);
        (*callback)();
        return true;
    }
    return false;
}

}  // namespace Platform
