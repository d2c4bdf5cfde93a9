#pragma once

#include <QByteArray>
#include <QHash>
#include <QElapsedTimer>
#include <QObject>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "Platform/Clipboard.h"
#include "Platform/linux/X11PasteWatch.h"

struct xcb_connection_t;

namespace Platform {

// Serves one selection (CLIPBOARD or PRIMARY) from a window of Tavrin's own, on a connection of
// its own. Owning the selection this way, rather than through Qt, tells Tavrin who asks for
// what it offers and when an answer has gone out in full: a paste must not lose the text to a
// clipboard history that asks first, and the user's clipboard must not come back before the
// application that pastes has the text.
//
// Requests are answered on a thread of the owner's own, never on the main thread: Qt reads the
// clipboard for Tavrin's own windows (a paste into the panel, its context menu) by waiting on
// the main thread for the owner's answer, which would otherwise be the main thread itself.
// Everything else is called on the main thread, and callbacks arrive there.
class X11SelectionOwner final : public QObject {
    Q_OBJECT

public:
    // `selection` is "CLIPBOARD" or "PRIMARY". Without an X server the owner does nothing.
    X11SelectionOwner(const QByteArray& display, const char* selection);
    // Hands the clipboard to a running clipboard manager first, as the desktop's convention
    // asks of a program that goes away while it serves the clipboard. Without one, an offer
    // only moments old that no program has fetched yet is served a fraction of a second
    // longer, until one has: clipboard histories fetch every new offer, and some put their
    // last copy back when the owner goes, which would otherwise be what Tavrin offered before.
    ~X11SelectionOwner() override;
    X11SelectionOwner(const X11SelectionOwner&) = delete;
    X11SelectionOwner& operator=(const X11SelectionOwner&) = delete;

    // Offers `contents` (one item: each format once) as the selection's; false when the
    // server gave the selection to someone else. Every offer is a write of its own.
    bool offer(const ClipboardContents& contents);
    // Empties the selection, whoever owns it.
    void clear();
    // Whether the window system still gives the selection to Tavrin's latest offer, asked of
    // the server.
    bool owns();
    // What the latest offer holds for everyone.
    ClipboardContents contents() const;
    // Another program took the selection, or emptied it.
    quint64 foreignChanges() const { return foreignChanges_; }
    // Whether a program has fetched the latest offer's data whole (a list of formats is no
    // fetch, nor is a text offered to one program alone).
    bool fetched() const;

    // Offers `contents` to the program behind `window` alone, for the paste key Tavrin sends
    // next or, given `sameKeyAs`, for that earlier offer's key (see Clipboard::offerTo). The
    // offer lasts while the token lives and Tavrin holds the selection.
    using FetchToken = std::shared_ptr<std::function<void()>>;
    FetchToken offerTo(quint32 window, const ClipboardContents& contents,
                       std::function<void()> fetched, const FetchToken& sameKeyAs = nullptr);
    // Whether the user's own pastes are seen (see Clipboard::tellsUserPastes).
    bool tellsUserPastes() const { return pastes_ && pastes_->active(); }

    // Asks a running clipboard manager to keep what Tavrin serves, serving its requests for
    // at most `limitMs`; false when there is none, Tavrin serves nothing, or the manager did
    // not answer in time.
    bool handOver(int limitMs);

private:
    struct Transfer;
    // X11 holds one item; should there be more, each format is taken from the first item that
    // has it.
    static ClipboardContents oneItem(const ClipboardContents& contents);
    // X timestamps wrap around; `a` is earlier when it lies less than half the range behind
    // `b`.
    static bool earlier(quint32 a, quint32 b) { return static_cast<qint32>(a - b) < 0; }
    // What one program gets in place of the offer.
    struct Private {
        std::weak_ptr<std::function<void()>> callback;
        ClipboardContents contents;
        // The X client ids and the processes that count as that program.
        std::vector<quint32> clients;
        std::vector<qint64> processes;
        // Its paste key has not gone through the window system yet: the next paste key sent
        // through XTEST is it, not the user's. The key goes out at once; one not seen within
        // moments was not seen as a paste key at all, and waits no longer.
        bool awaitingKey = false;
        QElapsedTimer madeAt;
        // When the user pasted in that program by themselves after its key, or went on there
        // (a key, a click) once the key's read was served: a request stamped from then on, or
        // not stamped at all, is the user's. A menu's "Paste" needs no paste key, and a program
        // that stamps nothing tells nothing else.
        std::optional<quint32> userPastedAt;
        // A read its key asked for has been served whole.
        bool served = false;

        bool covers(quint32 client, qint64 process) const;
    };
    struct Answer {
        bool answered = false;
        // The data went out whole (not the list of formats, not the first of its pieces).
        bool fetched = false;
    };

    quint32 atom(const char* name);
    quint32 atom(const QByteArray& name) { return atom(name.constData()); }
    void wake();
    // Sends what the main thread queued, and wakes the serving thread.
    void flush();
    // Waits, within a bound, for a program to fetch the latest offer if it is fresh.
    void letWatchersFetch();
    void run();
    // The rest run on the owner's thread with `mutex_` held; callbacks for the main thread are
    // collected in `due`.
    void handle(const void* event, std::vector<FetchToken>& due);
    void answerRequest(const void* event, std::vector<FetchToken>& due);
    Answer serve(quint32 requestor, quint32 property, quint32 target,
                 const ClipboardContents& contents, const FetchToken& privateFor);
    // False where the request names no list of pairs to answer.
    bool serveMultiple(quint32 requestor, quint32 property, const ClipboardContents& contents,
                       const FetchToken& privateFor, std::vector<FetchToken>& due);
    void continueTransfer(quint32 window, quint32 property, std::vector<FetchToken>& due);
    // Ends an answer in pieces, no longer watching its requestor once it has none left.
    void endTransfer(std::vector<std::unique_ptr<Transfer>>::iterator transfer);
    // Whether a new answer in pieces may go out, making way for it where one has been paused
    // long enough.
    bool makeRoom();
    void dropTransfersTo(quint32 window);
    // A program has fetched offer number `offer` whole.
    void noteFetched(quint64 offer);
    // The offer a request of `requestor` stamped `time` (0: not stamped) belongs to: one to
    // its program whose key asked for it, not the user's own paste.
    const Private* privateFor(quint32 requestor, quint32 time);
    // A paste seen in the raw input: Tavrin's own key, or the user's, which ends what the
    // offers to the program it went to may serve; or other input of the user's, which ends it
    // where the key's read has been served.
    void notePaste(const X11PasteWatch::Paste& paste);
    // The offer `token` stands for has served a read whole.
    void noteServed(const FetchToken& token);
    // The window the pointer is over, the innermost one.
    quint32 pointerWindow();
    void endPrivates();
    QList<quint32> targets(const ClipboardContents& contents);
    std::optional<std::pair<quint32, QByteArray>> dataFor(const ClipboardContents& contents,
                                                          quint32 target);
    quint32 client(quint32 window) const { return window & ~resourceMask_; }
    // The process behind an X resource's connection, where the server can tell; 0 otherwise.
    qint64 processOf(quint32 resource);
    quint32 focusWindow();

    xcb_connection_t* connection_ = nullptr;
    quint32 window_ = 0;
    quint32 root_ = 0;
    quint32 resourceMask_ = 0;
    quint32 selection_ = 0;
    quint8 fixesEvent_ = 0;
    bool resources_ = false;
    quint32 chunk_ = 64 * 1024;
    qint64 ownProcess_ = 0;
    // Both threads look atoms up.
    std::mutex atomsMutex_;
    QHash<QByteArray, quint32> atoms_;

    // Guards everything below, which both threads use.
    mutable std::mutex mutex_;
    // Told whenever the serving thread has handled what the server sent.
    std::condition_variable served_;
    // What the latest offer holds, and what the server's events have shown to be the
    // selection's: requests that were made of an earlier offer are answered from that one.
    // Each offer is numbered.
    ClipboardContents offered_;
    ClipboardContents serving_;
    quint64 offerNumber_ = 0;
    quint64 servingNumber_ = 0;
    QElapsedTimer offeredAt_;
    bool latestFetched_ = false;
    QElapsedTimer fetchedAt_;
    // The sequence numbers of Tavrin's latest claim of the selection and of its latest
    // emptying: an event generated before the claim (a stale clear, a request to an earlier
    // offer) carries an earlier one.
    quint64 claimSequence_ = 0;
    quint64 clearSequence_ = 0;
    bool owned_ = false;
    // When the server gave Tavrin the selection, from its own report; 0 until it arrives.
    quint32 ownedSince_ = 0;
    std::atomic<quint64> foreignChanges_ = 0;
    std::vector<Private> privates_;
    std::vector<std::unique_ptr<Transfer>> transfers_;
    bool handedOver_ = false;
    // Used on the serving thread only, after construction.
    std::unique_ptr<X11PasteWatch> pastes_;

    std::thread thread_;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::atomic<bool> stopping_ = false;
};

// One large answer going out in pieces: the requestor deletes each piece to ask for the next,
// and the empty piece after the last one ends it. It waits for its requestor however long that
// pauses (a stopped program takes the rest when it runs again), and ends when the requestor's
// window is gone; only when every place is taken does one paused for long give way.
struct X11SelectionOwner::Transfer {
    quint32 requestor = 0;
    quint32 property = 0;
    quint32 type = 0;
    QByteArray data;
    qsizetype offset = 0;
    bool lastSent = false;
    // The program the data was offered to alone, whose fetch it is.
    std::weak_ptr<std::function<void()>> privateFor;
    // The offer to everyone it answers; 0 for a text offered to one program alone.
    quint64 offer = 0;
    // Since the requestor last took a piece.
    QElapsedTimer idle;
};

}  // namespace Platform
