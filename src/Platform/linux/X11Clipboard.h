#pragma once

#include <QClipboard>
#include <QMimeData>
#include <QObject>
#include <QPointer>
#include <QThreadPool>
#include <memory>

#include "Platform/Clipboard.h"
#include "Platform/linux/X11SelectionReader.h"

namespace Platform {

class XcbConnection;

// The CLIPBOARD selection (or the PRIMARY one). Tavrin's writes go through QClipboard, which then
// serves other programs' requests. Other owners are read on a worker thread over a connection of
// its own, within time limits, because one that does not answer would otherwise stall the main
// thread for seconds per format. Whether Tavrin's write is still there is a question of ownership,
// asked of the server, not of change notifications, which arrive later than the question.
class X11Clipboard final : public QObject, public Clipboard {
    Q_OBJECT

public:
    explicit X11Clipboard(
        std::shared_ptr<XcbConnection> connection, X11SelectionReader::Limits limits = {},
        X11SelectionReader::Selection selection = X11SelectionReader::Selection::clipboard);
    ~X11Clipboard() override;

    std::unique_ptr<PendingClipboardRead> readContents(ContentsCallback done) override;
    std::unique_ptr<PendingClipboardRead> readText(TextCallback done) override;
    void write(const ClipboardContents& contents) override;
    bool holdsOwnWrite() override;
    quint64 foreignWrites() override { return foreignWrites_; }

private:
    // Tavrin's own write when it is still on the clipboard, else null.
    const QMimeData* ownContents();
    // Whether any program owns the clipboard, asked of the server.
    bool hasOwner();

    std::shared_ptr<XcbConnection> connection_;
    X11SelectionReader::Limits limits_;
    X11SelectionReader::Selection selection_;
    QClipboard::Mode mode_;
    const char* atomName_;
    QByteArray display_;
    QClipboard* clipboard_;
    QPointer<QMimeData> written_;
    bool writing_ = false;
    quint64 foreignWrites_ = 0;
    // Emptyings of Tavrin's whose change report has not arrived yet.
    int ownClears_ = 0;
    // The reads' own threads: their time limits mean nothing if they first wait behind other
    // background work in the shared pool.
    QThreadPool readers_;
};

}  // namespace Platform
