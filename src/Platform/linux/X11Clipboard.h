#pragma once

#include <QThreadPool>
#include <memory>

#include "Platform/Clipboard.h"
#include "Platform/linux/X11SelectionOwner.h"
#include "Platform/linux/X11SelectionReader.h"

namespace Platform {

// The CLIPBOARD selection (or the PRIMARY one). Tavrin's writes are served by a selection owner
// of its own, which knows who fetches them. Other owners are read on a worker thread over a
// connection of its own, within time limits, because one that does not answer would otherwise
// stall the main thread for seconds per format. Whether Tavrin's write is still there is a
// question of ownership, asked of the server, not of change notifications, which arrive later
// than the question.
class X11Clipboard final : public Clipboard {
public:
    explicit X11Clipboard(
        X11SelectionReader::Limits limits = {},
        X11SelectionReader::Selection selection = X11SelectionReader::Selection::clipboard);
    ~X11Clipboard() override;

    std::unique_ptr<PendingClipboardRead> readContents(ContentsCallback done) override;
    std::unique_ptr<PendingClipboardRead> saveContents(SaveCallback done) override;
    std::unique_ptr<PendingClipboardRead> readText(TextCallback done) override;
    void write(const ClipboardContents& contents) override;
    bool holdsOwnWrite() override;
    quint64 foreignWrites() override { return owner_.foreignChanges(); }
    quint64 ownWrites() override { return ownWrites_; }
    std::unique_ptr<ClipboardFetch> offerTo(quint32 window, const ClipboardContents& contents,
                                            FetchCallback fetched,
                                            const ClipboardFetch* sameKeyAs = nullptr) override;
    bool tellsUserPastes() override { return owner_.tellsUserPastes(); }

private:
    X11SelectionReader::Limits limits_;
    X11SelectionReader::Selection selection_;
    QByteArray display_;
    X11SelectionOwner owner_;
    quint64 ownWrites_ = 0;
    // The reads' own threads: their time limits mean nothing if they first wait behind other
    // background work in the shared pool.
    QThreadPool readers_;
};

}  // namespace Platform
