#pragma once

#include <vector>

#include "Platform/Clipboard.h"
#include "Platform/Clock.h"

namespace Platform {

// A clipboard in memory that knows who wrote last. Reads answer at once. With a clock, every
// write of Tavrin's is logged with its moment.
class FakeClipboard final : public Clipboard {
public:
    struct Write {
        Nanoseconds at;
        ClipboardContents contents;
    };

    explicit FakeClipboard(const Clock* clock = nullptr) : clock_(clock) {}

    std::unique_ptr<PendingClipboardRead> readContents(ContentsCallback done) override;
    std::unique_ptr<PendingClipboardRead> readText(TextCallback done) override;
    void write(const ClipboardContents& contents) override;
    bool holdsOwnWrite() override { return ownedByTavrin_; }
    quint64 foreignWrites() override { return foreignWrites_; }

    // Another program takes the clipboard (an empty list: it empties it).
    void writeAsOtherProgram(const ClipboardContents& contents);

    ClipboardContents contents;
    std::vector<Write> writes;
    int reads = 0;
    // The next this many writes do not take, as when the window system turns down a claim to
    // the clipboard older than another program's.
    int refusedWrites = 0;

private:
    const Clock* clock_;
    bool ownedByTavrin_ = false;
    quint64 foreignWrites_ = 0;
};

}  // namespace Platform
