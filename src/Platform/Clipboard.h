#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace Platform {

// One entry of the clipboard: the same content in several formats (MIME types), in the order
// its owner offered them.
struct ClipboardItem {
    struct Representation {
        QString type;
        QByteArray data;
        bool operator==(const Representation&) const = default;
    };
    QList<Representation> representations;

    bool operator==(const ClipboardItem&) const = default;
};

// Everything on the clipboard; an empty list is an empty clipboard. X11 holds at most one
// item; the list keeps the shape of clipboards that hold several.
using ClipboardContents = QList<ClipboardItem>;

// A read in flight. Destroying it drops the callback; the read itself ends by its time limit.
class PendingClipboardRead {
public:
    virtual ~PendingClipboardRead() = default;
};

// A text offered to one program alone (see Clipboard::offerTo). Destroying it ends the offer.
class ClipboardFetch {
public:
    virtual ~ClipboardFetch() = default;
};

// The system clipboard (on X11 the CLIPBOARD selection). Reads ask the owning program and can
// be slow, so they answer through a callback on the main thread, within the backend's limits.
class Clipboard {
public:
    using ContentsCallback = std::function<void(ClipboardContents)>;
    using TextCallback = std::function<void(std::optional<QString>)>;
    using FetchCallback = std::function<void()>;
    using SaveCallback = std::function<void(std::optional<ClipboardContents>)>;

    virtual ~Clipboard() = default;

    // Every item with every format it offers, apart from the window system's own bookkeeping
    // targets. A format whose data does not arrive in time is left out; what arrived is kept.
    virtual std::unique_ptr<PendingClipboardRead> readContents(ContentsCallback done) = 0;
    // Everything on the clipboard, whole, for keeping it while Tavrin puts something else
    // there: the owner gets as long as a busy application may take. None when it did not hand
    // over every format in that time: writing over the clipboard then would lose the rest.
    virtual std::unique_ptr<PendingClipboardRead> saveContents(SaveCallback done) = 0;
    // The plain text on the clipboard; none when there is none or it did not arrive in time.
    virtual std::unique_ptr<PendingClipboardRead> readText(TextCallback done) = 0;

    // Replaces the clipboard with `contents` as Tavrin's own; an empty list empties it.
    virtual void write(const ClipboardContents& contents) = 0;
    // True while what Tavrin wrote last is still on the clipboard: no other program (and no
    // other write of Tavrin's) has replaced it.
    virtual bool holdsOwnWrite() = 0;
    // How many times another program has put something on the clipboard (or emptied it) since
    // the backend started. Tavrin's own writes never count.
    virtual quint64 foreignWrites() = 0;
    // How many times Tavrin has written the clipboard through this object, taken or not: tells
    // one of Tavrin's writes from another (a draft the user copies from the panel).
    virtual quint64 ownWrites() = 0;
    // While the handle lives and Tavrin has held the clipboard since (its own later writes keep
    // the offer; another program's write ends it), the program behind `window` gets `contents`
    // instead of what Tavrin's write offers everyone else, on every read that its paste key
    // asked for: the window's own connection, any other connection of the same process, and
    // those of the window that has the keyboard focus now. The key is the one Tavrin sends right
    // after this call or, given `sameKeyAs` (an offer whose text this one replaces, which then
    // ends), that offer's key. A read is the key's until the user pastes in that program by
    // themselves (see tellsUserPastes), or, once a read the key asked for has been served,
    // presses a key or clicks there (a menu's "Paste" needs no paste key): from then on a read
    // stamped with a later time, or with none, is the user's and gets what everyone gets. A connection whose process is
    // known to be another one never gets `contents`, whatever its id (the window system gives a
    // closed program's id to the next one), nor does Tavrin itself. `fetched` is called each
    // time that program has fetched `contents` in full (a large answer: its last piece taken),
    // never for a request answered before.
    virtual std::unique_ptr<ClipboardFetch> offerTo(quint32 window,
                                                    const ClipboardContents& contents,
                                                    FetchCallback fetched,
                                                    const ClipboardFetch* sameKeyAs = nullptr) = 0;
    // Whether the user's own pastes (Control+V, Shift+Insert, a middle or a right click, the
    // Menu key, Shift+F10) and input are seen, so that an offer serves its key's reads and never the user's. Where they are not,
    // an offer cannot tell the two apart and should not outlive the paste it was made for.
    virtual bool tellsUserPastes() = 0;
};

}  // namespace Platform
