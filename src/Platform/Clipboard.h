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

// A watch for a paste's fetch of Tavrin's write. Destroying it ends the watch.
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

    virtual ~Clipboard() = default;

    // Every item with every format it offers, apart from the window system's own bookkeeping
    // targets. A format whose data does not arrive in time is left out; what arrived is kept.
    virtual std::unique_ptr<PendingClipboardRead> readContents(ContentsCallback done) = 0;
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
    // Calls `fetched` once the program that owns `window` (for 0: the window that has the
    // keyboard focus now), the one a paste key goes to, has fetched Tavrin's current write in
    // full. Other programs' requests (a clipboard history copying every new clipboard at once)
    // do not count, nor those answered before the watch began. The watch ends with the write.
    virtual std::unique_ptr<ClipboardFetch> watchFetch(quint32 window, FetchCallback fetched) = 0;
};

}  // namespace Platform
