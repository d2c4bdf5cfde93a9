#include "Platform/linux/X11Clipboard.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

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

class OwnerFetch final : public ClipboardFetch {
public:
    explicit OwnerFetch(X11SelectionOwner::FetchToken token) : token_(std::move(token)) {}
    const X11SelectionOwner::FetchToken& token() const { return token_; }

private:
    X11SelectionOwner::FetchToken token_;
};

// A busy application (saving, swapping) that owns the clipboard may take seconds to hand it
// over; the paste that follows would wait for it all the same.
constexpr X11SelectionReader::Limits saveLimits{Milliseconds(5000), Milliseconds(5000)};

}  // namespace

X11Clipboard::X11Clipboard(X11SelectionReader::Limits limits,
                           X11SelectionReader::Selection selection)
    : limits_(limits),
      selection_(selection),
      display_(qgetenv("DISPLAY")),
      owner_(display_,
             selection == X11SelectionReader::Selection::primary ? "PRIMARY" : "CLIPBOARD") {}

X11Clipboard::~X11Clipboard() = default;

std::unique_ptr<PendingClipboardRead> X11Clipboard::readContents(ContentsCallback done) {
    if (owner_.owns()) {
        done(owner_.contents());
        return std::make_unique<PendingClipboardRead>();
    }
    return std::make_unique<WorkerRead<ClipboardContents>>(
        QtConcurrent::run(&readers_,
                          [display = display_, limits = limits_, selection = selection_] {
                              return X11SelectionReader::readContents(display, limits, selection);
                          }),
        std::move(done));
}

std::unique_ptr<PendingClipboardRead> X11Clipboard::saveContents(SaveCallback done) {
    if (owner_.owns()) {
        done(owner_.contents());
        return std::make_unique<PendingClipboardRead>();
    }
    return std::make_unique<WorkerRead<std::optional<ClipboardContents>>>(
        QtConcurrent::run(&readers_,
                          [display = display_, selection = selection_] {
                              bool complete = false;
                              ClipboardContents contents = X11SelectionReader::readContents(
                                  display, saveLimits, selection, &complete);
                              return complete ? std::optional(std::move(contents))
                                              : std::nullopt;
                          }),
        std::move(done));
}

std::unique_ptr<PendingClipboardRead> X11Clipboard::readText(TextCallback done) {
    if (owner_.owns()) {
        std::optional<QString> text;
        const ClipboardContents contents = owner_.contents();
        for (const auto& representation :
             contents.isEmpty() ? QList<ClipboardItem::Representation>{}
                                : contents.front().representations) {
            if (representation.type == QLatin1String("text/plain"))
                text = QString::fromUtf8(representation.data);
        }
        done(text);
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
    ++ownWrites_;
    owner_.offer(contents);
}

bool X11Clipboard::holdsOwnWrite() {
    return owner_.owns();
}

std::unique_ptr<ClipboardFetch> X11Clipboard::offerTo(quint32 window,
                                                      const ClipboardContents& contents,
                                                      FetchCallback fetched,
                                                      const ClipboardFetch* sameKeyAs) {
    const auto* earlier = dynamic_cast<const OwnerFetch*>(sameKeyAs);
    return std::make_unique<OwnerFetch>(owner_.offerTo(
        window, contents, std::move(fetched), earlier ? earlier->token() : nullptr));
}

}  // namespace Platform
