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
    writes.push_back({clock_ ? clock_->monotonic() : Nanoseconds(0), newContents});
}

void FakeClipboard::writeAsOtherProgram(const ClipboardContents& newContents) {
    contents = newContents;
    ownedByTavrin_ = false;
    ++foreignWrites_;
}

}  // namespace Platform
