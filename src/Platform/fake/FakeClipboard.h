#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
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
    std::unique_ptr<PendingClipboardRead> saveContents(SaveCallback done) override;
    std::unique_ptr<PendingClipboardRead> readText(TextCallback done) override;
    void write(const ClipboardContents& contents) override;
    bool holdsOwnWrite() override { return ownedByTavrin_; }
    quint64 foreignWrites() override { return foreignWrites_; }
    quint64 ownWrites() override { return ownWrites_; }
    // The program behind `window` fetches what it is offered `fetchAfter` after the offer (on
    // the clock), or when a test calls fetchAsTarget(); never while `fetchAfter` is none.
    std::unique_ptr<ClipboardFetch> offerTo(quint32 window, const ClipboardContents& contents,
                                            FetchCallback fetched,
                                            const ClipboardFetch* sameKeyAs = nullptr) override;
    bool tellsUserPastes() override { return seesUserPastes; }
    // The program behind `window` (for 0: the one offered a text last) reads the clipboard now
    // for Tavrin's paste key, and gets what that key is offered: its own text while an offer to
    // it lasts and the read is the key's, else what everyone gets. Its fetch of its own text is
    // reported.
    ClipboardContents fetchAsTarget(quint32 window = 0);
    // The user pastes by themselves in the program behind `window` and gets what everyone
    // gets; from then on a read of that program's that is not stamped (see `unstamped`) is
    // taken for the user's too.
    ClipboardContents pasteAsUser(quint32 window);
    // The user presses a key or clicks in the program behind `window` (a menu's "Paste" is
    // such input): offers there whose key's read has been served end as for pasteAsUser.
    void inputAsUser(quint32 window);
    // Whether an offer to the program behind `window` lasts.
    bool offeredTo(quint32 window) const;

    // Another program takes the clipboard (an empty list: it empties it).
    void writeAsOtherProgram(const ClipboardContents& contents);

    ClipboardContents contents;
    std::vector<Write> writes;
    int reads = 0;
    // The next this many writes do not take, as when the window system turns down a claim to
    // the clipboard older than another program's.
    int refusedWrites = 0;
    // The next this many saves do not get everything in time, as from a busy owner.
    int failedSaves = 0;
    // Runs once, after the next save has taken its snapshot and before it answers: what
    // happens while a busy owner hands its clipboard over.
    std::function<void()> whileSaving;
    std::optional<Milliseconds> fetchAfter = Milliseconds(10);
    // The windows the offers were made to, in order, and what each offered.
    std::vector<quint32> watchedWindows;
    std::vector<ClipboardContents> offered;
    // The program behind each window, as the window system tells: an offer goes to a program,
    // and every window of it reads alike. A window not listed is a program of its own.
    std::map<quint32, qint64> processes;
    // Windows whose program stamps no time on its reads (Chromium, Alacritty): after the user's
    // own paste there, no read of it can be told for Tavrin's key.
    std::set<quint32> unstamped;
    bool seesUserPastes = true;
    // What each read of fetchAsTarget() got, in order.
    std::vector<ClipboardContents> targetReads;

private:
    struct Offer {
        std::weak_ptr<FetchCallback> callback;
        qint64 program = 0;
        ClipboardContents contents;
        bool userPasted = false;
        bool served = false;
    };
    qint64 programOf(quint32 window) const;
    Offer* liveOffer(quint32 window);
    const Offer* liveOffer(quint32 window) const;

    Clock* clock_;
    bool ownedByTavrin_ = false;
    quint64 ownWrites_ = 0;
    quint64 foreignWrites_ = 0;
    std::vector<Offer> offers_;
};

}  // namespace Platform
