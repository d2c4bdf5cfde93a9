#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>
#include <vector>

#include "Platform/Clipboard.h"

struct xcb_connection_t;

namespace Platform {

// Serves one selection (CLIPBOARD or PRIMARY) from a window of Tavrin's own, on a connection of
// its own whose events the main thread handles as they come. Owning the selection this way,
// rather than through Qt, tells Tavrin who asks for what it offers and when an answer has gone
// out in full: a paste must not lose the text to a clipboard history that asks first, and the
// user's clipboard must not come back before the application that pastes has fetched the text.
class X11SelectionOwner final : public QObject {
    Q_OBJECT

public:
    // `selection` is "CLIPBOARD" or "PRIMARY". Without an X server the owner does nothing.
    X11SelectionOwner(const QByteArray& display, const char* selection);
    // Hands the clipboard to a running clipboard manager first, as the desktop's convention
    // asks of a program that goes away while it serves the clipboard.
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
    const ClipboardContents& contents() const { return contents_; }
    // Another program took the selection, or emptied it.
    quint64 foreignChanges() const { return foreignChanges_; }

    // Calls `fetched` once, when the program that owns `window` (or, for 0, the window that has
    // the keyboard focus now) has fetched the current offer: its request for one of the
    // offer's formats answered, a large answer to its last piece. Requests of other programs
    // do not count. Ends with the offer.
    using FetchToken = std::shared_ptr<std::function<void()>>;
    FetchToken watchFetch(quint32 window, std::function<void()> fetched);

    // Asks a running clipboard manager to keep what Tavrin serves, serving its requests for
    // at most `limit`; false when there is none, Tavrin serves nothing, or the manager did
    // not answer in time.
    bool handOver(int limitMs);

private:
    struct Transfer;
    struct Watch {
        std::weak_ptr<std::function<void()>> callback;
        std::vector<quint32> clients;
        quint64 offer = 0;
    };

    quint32 atom(const char* name);
    quint32 atom(const QByteArray& name) { return atom(name.constData()); }
    void drain();
    void handle(const void* event);
    void answerRequest(const void* event);
    // Puts the offer's `target` on `property` of `requestor`; false when it has no such format.
    // A large answer starts a transfer in pieces.
    bool serve(quint32 requestor, quint32 property, quint32 target, quint32 time);
    void serveMultiple(quint32 requestor, quint32 property, bool& fetched);
    void continueTransfer(quint32 window, quint32 property);
    void fetchedBy(quint32 requestor, quint64 offer);
    QList<quint32> targets();
    std::optional<std::pair<quint32, QByteArray>> dataFor(quint32 target);
    quint32 client(quint32 window) const { return window & ~resourceMask_; }
    quint32 focusWindow();

    xcb_connection_t* connection_ = nullptr;
    quint32 window_ = 0;
    quint32 root_ = 0;
    quint32 resourceMask_ = 0;
    quint32 selection_ = 0;
    quint8 fixesEvent_ = 0;
    quint32 chunk_ = 64 * 1024;
    std::unique_ptr<QSocketNotifier> notifier_;
    QHash<QByteArray, quint32> atoms_;

    ClipboardContents contents_;
    quint64 offers_ = 0;
    // Whether the latest offer is still the selection's, as far as the events tell.
    bool serving_ = false;
    // When the server gave Tavrin the selection, from its own report; 0 until it arrives.
    quint32 ownedSince_ = 0;
    quint64 foreignChanges_ = 0;
    // Emptyings of Tavrin's whose report has not come yet.
    int ownClears_ = 0;
    std::vector<Watch> watches_;
    std::vector<std::unique_ptr<Transfer>> transfers_;
    QTimer transferLimit_;
    bool handingOver_ = false;
    bool handedOver_ = false;
};

}  // namespace Platform
