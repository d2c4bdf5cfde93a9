#pragma once

#include <memory>
#include <optional>
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

    explicit FakeClipboard(Clock* clock = nullptr) : clock_(clock) {}

    std::unique_ptr<PendingClipboardRead> readContents(ContentsCallback done) override;
    std::unique_ptr<PendingClipboardRead> readText(TextCallback done) override;
    void write(const ClipboardContents& contents) override;
    bool holdsOwnWrite() override { return ownedByTavrin_; }
    quint64 foreignWrites() override { return foreignWrites_; }
    // The paste's target fetches Tavrin's write `fetchAfter` after the watch began (on the
    // clock), or when a test calls fetchAsTarget(); never while `fetchAfter` is none.
    std::unique_ptr<ClipboardFetch> watchFetch(quint32 window, FetchCallback fetched) override;
    // The watched program fetches the current write now; false when no watch waits for it.
    bool fetchAsTarget();

    // Another program takes the clipboard (an empty list: it empties it).
    void writeAsOtherProgram(const ClipboardContents& contents);

    ClipboardContents contents;
    std::vector<Write> writes;
    int reads = 0;
    // The next this many writes do not take, as when the window system turns down a claim to
    // the clipboard older than another program's.
    int refusedWrites = 0;
    std::optional<Milliseconds> fetchAfter = Milliseconds(10);
    // The windows the watches were asked for, in order.
    std::vector<quint32> watchedWindows;

private:
    Clock* clock_;
    bool ownedByTavrin_ = false;
    quint64 foreignWrites_ = 0;
    quint64 writeCount_ = 0;
    struct Watch {
        std::weak_ptr<FetchCallback> callback;
        quint64 write = 0;
    };
    std::vector<Watch> watches_;
};

}  // namespace Platform
