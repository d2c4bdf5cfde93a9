#include "Platform/linux/X11Clipboard.h"

#include <xcb/xcb.h>

#include <QClipboard>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QtConcurrent/QtConcurrentRun>
#include <cstdlib>

#include "Platform/linux/XcbConnection.h"

namespace Platform {

namespace {

template <typename Result>
class WorkerRead final : public PendingClipboardRead {
public:
    WorkerRead(QFuture<Result> future, std::function<void(Result)> done) {
        QObject::connect(&watcher_, &QFutureWatcher<Result>::finished,
                         [this, done] { done(watcher_.result()); });
        watcher_.setFuture(std::move(future));
    }

private:
    QFutureWatcher<Result> watcher_;
};

ClipboardContents contentsOf(const QMimeData& data) {
    ClipboardItem item;
    for (const QString& format : data.formats())
        item.representations.append({format, data.data(format)});
    if (item.representations.isEmpty())
        return {};
    return {item};
}

}  // namespace

X11Clipboard::X11Clipboard(std::shared_ptr<XcbConnection> connection,
                           X11SelectionReader::Limits limits,
                           X11SelectionReader::Selection selection)
    : connection_(std::move(connection)),
      limits_(limits),
      selection_(selection),
      mode_(selection == X11SelectionReader::Selection::primary ? QClipboard::Selection
                                                                : QClipboard::Clipboard),
      atomName_(selection == X11SelectionReader::Selection::primary ? "PRIMARY" : "CLIPBOARD"),
      display_(qgetenv("DISPLAY")),
      clipboard_(QGuiApplication::clipboard()) {
    // Qt reports other owners taking the selection (and it emptied) as a change; its reports
    // of Tavrin's own writes arrive while `writing_` is set. An emptying, Tavrin's included,
    // is reported only once the server's notice arrives: one that finds the clipboard empty
    // or Tavrin's is the report of Tavrin's own. A report left over could only hide another
    // program's emptying, never its write.
    connect(clipboard_, &QClipboard::changed, this, [this](QClipboard::Mode mode) {
        if (mode != mode_ || writing_)
            return;
        if (ownClears_ > 0) {
            --ownClears_;
            if (ownContents() || !hasOwner())
                return;
        }
        ++foreignWrites_;
    });
}

X11Clipboard::~X11Clipboard() = default;

const QMimeData* X11Clipboard::ownContents() {
    // QClipboard asks the server who owns the selection and hands out Tavrin's own data only
    // while Tavrin does.
    if (!written_)
        return nullptr;
    const QMimeData* current = clipboard_->mimeData(mode_);
    return current == written_.data() ? current : nullptr;
}

std::unique_ptr<PendingClipboardRead> X11Clipboard::readContents(ContentsCallback done) {
    if (const QMimeData* own = ownContents()) {
        done(contentsOf(*own));
        return std::make_unique<PendingClipboardRead>();
    }
    return std::make_unique<WorkerRead<ClipboardContents>>(
        QtConcurrent::run(&readers_,
                          [display = display_, limits = limits_, selection = selection_] {
                              return X11SelectionReader::readContents(display, limits, selection);
                          }),
        std::move(done));
}

std::unique_ptr<PendingClipboardRead> X11Clipboard::readText(TextCallback done) {
    if (const QMimeData* own = ownContents()) {
        done(own->hasText() ? std::optional<QString>(own->text()) : std::nullopt);
        return std::make_unique<PendingClipboardRead>();
    }
    return std::make_unique<WorkerRead<std::optional<QString>>>(
        QtConcurrent::run(&readers_,
                          [display = display_, limits = limits_, selection = selection_] {
                              return X11SelectionReader::readText(display, limits, selection);
                          }),
        std::move(done));
}

void X11Clipboard::write(const ClipboardContents& contents) {
    writing_ = true;
    if (contents.isEmpty()) {
        const bool owned = mode_ == QClipboard::Selection ? clipboard_->ownsSelection()
                                                          : clipboard_->ownsClipboard();
        if (ownContents() || owned) {
            clipboard_->clear(mode_);
            ++ownClears_;
        } else if (connection_) {
            // Another program's contents are on it (a copy that is being undone): only the
            // server can take them away.
            xcb_set_selection_owner(connection_->connection(), XCB_NONE,
                                    connection_->atom(atomName_), XCB_CURRENT_TIME);
            connection_->flush();
            ++ownClears_;
        }
        written_.clear();
    } else {
        auto* data = new QMimeData;
        // X11 holds one item; should there be more, each format is taken from the first
        // item that has it.
        for (const ClipboardItem& item : contents) {
            for (const auto& representation : item.representations) {
                if (!data->hasFormat(representation.type))
                    data->setData(representation.type, representation.data);
            }
        }
        clipboard_->setMimeData(data, mode_);
        written_ = data;
    }
    writing_ = false;
}

bool X11Clipboard::hasOwner() {
    if (!connection_)
        return false;
    xcb_connection_t* c = connection_->connection();
    xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, connection_->atom(atomName_)), nullptr);
    const bool owned = reply && reply->owner != XCB_NONE;
    std::free(reply);
    return owned;
}

bool X11Clipboard::holdsOwnWrite() {
    return ownContents() != nullptr;
}

}  // namespace Platform
