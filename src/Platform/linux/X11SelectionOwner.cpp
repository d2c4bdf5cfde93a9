#include "Platform/linux/X11SelectionOwner.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <xcb/res.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QElapsedTimer>
#include <algorithm>
#include <chrono>

#include "Platform/linux/XcbReply.h"

namespace Platform {

namespace {

// Programs that keep a history of the clipboard fetch every new offer within moments: Xfce's
// Clipman at once, Parcellite, which asks twice a second whoever owns the clipboard, within
// half a second.
constexpr qint64 watchersFetchWithinMs = 600;
// Diodon keeps a fetched offer once it has asked for its list of formats too, moments after
// the text (within 50 ms on an idle machine).
constexpr qint64 watchersRecordWithinMs = 500;
// Between letting the selection go and closing the connection: the requests made before reach
// the owner and are refused.
constexpr qint64 lettingGoMs = 100;

}  // namespace

ClipboardContents X11SelectionOwner::oneItem(const ClipboardContents& contents) {
    ClipboardItem merged;
    for (const ClipboardItem& item : contents) {
        for (const auto& representation : item.representations) {
            const bool known = std::any_of(
                merged.representations.cbegin(), merged.representations.cend(),
                [&](const auto& taken) { return taken.type == representation.type; });
            if (!known)
                merged.representations.append(representation);
        }
    }
    if (merged.representations.isEmpty())
        return {};
    return {merged};
}

X11SelectionOwner::X11SelectionOwner(const QByteArray& display, const char* selection) {
    xcb_connection_t* c = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
    if (!c || xcb_connection_has_error(c)) {
        if (c)
            xcb_disconnect(c);
        return;
    }
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    int wake[2];
    if (!screen || ::pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) {
        xcb_disconnect(c);
        return;
    }
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];
    connection_ = c;
    root_ = screen->root;
    resourceMask_ = setup->resource_id_mask;
    ownProcess_ = ::getpid();
    selection_ = atom(selection);
    for (const char* name :
         {"TARGETS", "TIMESTAMP", "MULTIPLE", "INCR", "UTF8_STRING", "TEXT", "text/plain",
          "text/plain;charset=utf-8", "CLIPBOARD", "ATOM_PAIR", "SAVE_TARGETS",
          "CLIPBOARD_MANAGER", "TAVRIN_SAVE_TARGETS"})
        atom(name);
    // Answers larger than a piece go out in pieces; a piece must fit in one request.
    const quint32 maxRequestBytes = xcb_get_maximum_request_length(c) * 4;
    chunk_ = std::min<quint32>(256 * 1024, maxRequestBytes > 4096 ? maxRequestBytes - 1024 : 1024);

    window_ = xcb_generate_id(c);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window_, root_, -10, -10, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);

    // Other programs taking the selection (or emptying it) are told by the server.
    const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (fixes && fixes->present) {
        fixesEvent_ = fixes->first_event;
        auto version = owned(xcb_xfixes_query_version_reply(
            c, xcb_xfixes_query_version(c, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
            nullptr));
        xcb_xfixes_select_selection_input(
            c, window_, selection_,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    }
    // Which process is behind a connection: a program may read over a connection other than
    // its window's, and the server hands a closed program's id to the next one.
    const xcb_query_extension_reply_t* res = xcb_get_extension_data(c, &xcb_res_id);
    if (res && res->present) {
        auto version =
            owned(xcb_res_query_version_reply(c, xcb_res_query_version(c, 1, 2), nullptr));
        resources_ = version && (version->server_major > 1 ||
                                 (version->server_major == 1 && version->server_minor >= 2));
    }
    // Who pastes: Tavrin's own key, or the user, whose paste is served what the user copied.
    pastes_ = std::make_unique<X11PasteWatch>(c, root_);
    flush();
    thread_ = std::thread([this] { run(); });
}

X11SelectionOwner::~X11SelectionOwner() {
    if (!connection_)
        return;
    if (!(selection_ == atom("CLIPBOARD") && handOver(2000)))
        letWatchersFetch();
    // A program whose request is on its way when the owner's connection closes waits for an
    // answer that never comes (a clipboard history asking as Tavrin goes hung for seconds, and
    // put nothing back): the selection is let go first, and what is still asked is refused.
    if (owns()) {
        {
            std::lock_guard lock(mutex_);
            owned_ = false;
            clearSequence_ =
                xcb_set_selection_owner(connection_, XCB_NONE, selection_, XCB_CURRENT_TIME)
                    .sequence;
        }
        flush();
        std::unique_lock lock(mutex_);
        served_.wait_for(lock, std::chrono::milliseconds(lettingGoMs), [] { return false; });
    }
    stopping_ = true;
    wake();
    thread_.join();
    ::close(wakeRead_);
    ::close(wakeWrite_);
    xcb_disconnect(connection_);
}

quint32 X11SelectionOwner::atom(const char* name) {
    const QByteArray key(name);
    {
        std::lock_guard lock(atomsMutex_);
        if (auto found = atoms_.constFind(key); found != atoms_.constEnd())
            return *found;
    }
    if (!connection_)
        return XCB_ATOM_NONE;
    auto reply = owned(xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<uint16_t>(key.size()), key.constData()),
        nullptr));
    wake();
    const quint32 result = reply ? reply->atom : quint32(XCB_ATOM_NONE);
    if (result != XCB_ATOM_NONE) {
        std::lock_guard lock(atomsMutex_);
        atoms_.insert(key, result);
    }
    return result;
}

void X11SelectionOwner::wake() {
    // A round trip, or a flush (libxcb reads what has arrived while it waits to write), may have
    // read events off the socket that the serving thread's poll will not see again.
    if (wakeWrite_ >= 0) {
        const char byte = 0;
        [[maybe_unused]] const ssize_t written = ::write(wakeWrite_, &byte, 1);
    }
}

void X11SelectionOwner::flush() {
    xcb_flush(connection_);
    wake();
}

bool X11SelectionOwner::offer(const ClipboardContents& contents) {
    if (!connection_)
        return false;
    ClipboardContents one = oneItem(contents);
    bool waitedFor = false;
    {
        std::lock_guard lock(mutex_);
        std::erase_if(privates_, [](const Private& p) { return p.callback.expired(); });
        waitedFor = !privates_.empty();
    }
    // An empty clipboard is the absence of an owner, unless a program still waits for a text
    // offered to it alone.
    if (one.isEmpty() && !waitedFor) {
        clear();
        return true;
    }
    for (const auto& representation : one.isEmpty() ? QList<ClipboardItem::Representation>{}
                                                    : one.front().representations)
        atom(representation.type.toUtf8());
    {
        // The serving thread flushes under the lock: the claim reaches the server only once
        // what it offers and its sequence number are recorded, or the report of it would
        // serve the contents before.
        std::lock_guard lock(mutex_);
        const xcb_void_cookie_t claim =
            xcb_set_selection_owner(connection_, window_, selection_, XCB_CURRENT_TIME);
        offered_ = one;
        ++offerNumber_;
        offeredAt_.start();
        latestFetched_ = false;
        claimSequence_ = claim.sequence;
        owned_ = true;
        // Without the server's report of the claim there is nothing to wait for.
        if (!fixesEvent_) {
            serving_ = offered_;
            servingNumber_ = offerNumber_;
        }
    }
    flush();
    return owns();
}

void X11SelectionOwner::clear() {
    if (!connection_)
        return;
    {
        std::lock_guard lock(mutex_);
        offered_.clear();
        ++offerNumber_;
        serving_.clear();
        owned_ = false;
        endPrivates();
    }
    auto reply = owned(xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, selection_), nullptr));
    wake();
    if (!reply || reply->owner == XCB_NONE)
        return;
    // Another program's contents (a copy that is being undone) only the server can take away.
    {
        std::lock_guard lock(mutex_);
        const xcb_void_cookie_t cleared =
            xcb_set_selection_owner(connection_, XCB_NONE, selection_, XCB_CURRENT_TIME);
        clearSequence_ = cleared.sequence;
    }
    flush();
}

bool X11SelectionOwner::owns() {
    if (!connection_)
        return false;
    {
        std::lock_guard lock(mutex_);
        if (!owned_)
            return false;
    }
    auto reply = owned(xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, selection_), nullptr));
    wake();
    return reply && reply->owner == window_;
}

ClipboardContents X11SelectionOwner::contents() const {
    std::lock_guard lock(mutex_);
    return offered_;
}

bool X11SelectionOwner::fetched() const {
    std::lock_guard lock(mutex_);
    return latestFetched_;
}

void X11SelectionOwner::noteFetched(quint64 offer) {
    if (offer != 0 && offer == offerNumber_ && !latestFetched_) {
        latestFetched_ = true;
        fetchedAt_.start();
    }
}

void X11SelectionOwner::letWatchersFetch() {
    // Only an offer that is moments old may still be fetched, and kept: later, nobody watches,
    // and waiting would only hold up Tavrin's end.
    std::unique_lock lock(mutex_);
    if (offered_.isEmpty() || !owned_)
        return;
    if (!latestFetched_) {
        const qint64 left = watchersFetchWithinMs - offeredAt_.elapsed();
        if (left <= 0)
            return;
        served_.wait_for(lock, std::chrono::milliseconds(left),
                         [this] { return latestFetched_ || !owned_; });
        if (!latestFetched_ || !owned_)
            return;
    }
    // A history that has fetched the offer keeps it only a moment later, once it has asked what
    // else the offer holds (Diodon); should the owner go before that, it puts back the entry
    // before. The fetch may have come well before Tavrin began to go.
    const qint64 left = watchersRecordWithinMs - fetchedAt_.elapsed();
    if (left > 0)
        served_.wait_for(lock, std::chrono::milliseconds(left), [this] { return !owned_; });
}

void X11SelectionOwner::run() {
    const int socket = xcb_get_file_descriptor(connection_);
    while (!stopping_) {
        pollfd descriptors[2] = {{socket, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
        ::poll(descriptors, 2, -1);
        char buffer[64];
        while (::read(wakeRead_, buffer, sizeof buffer) > 0) {
        }
        if (stopping_)
            break;
        std::vector<FetchToken> due;
        {
            std::lock_guard lock(mutex_);
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
                handle(event, due);
                std::free(event);
            }
        }
        served_.notify_all();
        for (const FetchToken& token : due) {
            QMetaObject::invokeMethod(
                this,
                [weak = std::weak_ptr(token)] {
                    if (auto callback = weak.lock(); callback && *callback)
                        (*callback)();
                },
                Qt::QueuedConnection);
        }
        if (xcb_connection_has_error(connection_))
            break;
    }
}

void X11SelectionOwner::handle(const void* raw, std::vector<FetchToken>& due) {
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    const quint8 type = event->response_type & 0x7f;
    if (pastes_) {
        if (const X11PasteWatch::Paste paste = pastes_->see(event);
            paste.kind != X11PasteWatch::Paste::Kind::none) {
            notePaste(paste);
            return;
        }
    }
    // An event the server made before Tavrin's latest claim speaks of an earlier owner.
    const bool sinceClaim = event->full_sequence >= static_cast<quint32>(claimSequence_);
    if (type == XCB_SELECTION_REQUEST) {
        answerRequest(raw, due);
    } else if (type == XCB_SELECTION_CLEAR) {
        const auto* clear = static_cast<const xcb_selection_clear_event_t*>(raw);
        if (clear->selection == selection_ && sinceClaim) {
            owned_ = false;
            endPrivates();
        }
    } else if (type == XCB_PROPERTY_NOTIFY) {
        const auto* notify = static_cast<const xcb_property_notify_event_t*>(raw);
        if (notify->state == XCB_PROPERTY_DELETE)
            continueTransfer(notify->window, notify->atom, due);
    } else if (type == XCB_DESTROY_NOTIFY) {
        dropTransfersTo(static_cast<const xcb_destroy_notify_event_t*>(raw)->window);
    } else if (type == 0) {
        // A requestor's window that was gone before Tavrin began watching it shows as an error
        // of the first request that names it.
        const auto* error = static_cast<const xcb_generic_error_t*>(raw);
        if (error->error_code == XCB_WINDOW)
            dropTransfersTo(error->resource_id);
    } else if (type == XCB_SELECTION_NOTIFY) {
        const auto* notify = static_cast<const xcb_selection_notify_event_t*>(raw);
        if (notify->requestor == window_ && notify->target == atom("SAVE_TARGETS"))
            handedOver_ = true;
    } else if (fixesEvent_ && type == fixesEvent_ + XCB_XFIXES_SELECTION_NOTIFY) {
        const auto* notify = static_cast<const xcb_xfixes_selection_notify_event_t*>(raw);
        if (notify->selection != selection_)
            return;
        if (notify->owner == window_) {
            // Tavrin's latest claim has taken: requests from now on are for its offer.
            if (sinceClaim) {
                ownedSince_ = notify->selection_timestamp;
                serving_ = offered_;
                servingNumber_ = offerNumber_;
            }
        } else if (notify->owner == XCB_NONE && clearSequence_ &&
                   event->full_sequence == static_cast<quint32>(clearSequence_)) {
            // Tavrin's own emptying.
        } else {
            ++foreignChanges_;
            if (sinceClaim) {
                owned_ = false;
                endPrivates();
            }
        }
    }
}

void X11SelectionOwner::answerRequest(const void* raw, std::vector<FetchToken>& due) {
    const auto* request = static_cast<const xcb_selection_request_event_t*>(raw);
    // Clients older than the convention name no property: the target's name is used.
    const quint32 property = request->property != XCB_NONE ? request->property : request->target;
    Answer answer;
    FetchToken token;
    if (request->selection == selection_ && owned_) {
        const Private* offer = privateFor(request->requestor, request->time);
        token = offer ? offer->callback.lock() : nullptr;
        // A request made before Tavrin's claim is not one for what it offers now. The program
        // a paste key went to gets its text whenever it asks: Qt stamps a request with the
        // latest event it saw, which may be older than a later claim of Tavrin's.
        const bool stale = !token && request->time != XCB_CURRENT_TIME && ownedSince_ &&
                           earlier(request->time, ownedSince_);
        const ClipboardContents& contents = token ? offer->contents : serving_;
        if (stale) {
        } else if (request->target == atom("MULTIPLE")) {
            if (request->property != XCB_NONE) {
                answer.answered = serveMultiple(request->requestor, property, contents, token, due);
            }
        } else {
            answer = serve(request->requestor, property, request->target, contents, token);
        }
        if (answer.fetched && !token)
            noteFetched(servingNumber_);
    }
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request->time;
    notify.requestor = request->requestor;
    notify.selection = request->selection;
    notify.target = request->target;
    notify.property = answer.answered ? property : XCB_NONE;
    xcb_send_event(connection_, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
    xcb_flush(connection_);
    if (answer.fetched && token) {
        noteServed(token);
        due.push_back(token);
    }
}

bool X11SelectionOwner::handOver(int limitMs) {
    if (!connection_)
        return false;
    ClipboardContents kept;
    {
        std::lock_guard lock(mutex_);
        if (handedOver_ || offered_.isEmpty())
            return false;
        kept = offered_;
    }
    if (!owns())
        return false;
    const quint32 manager = atom("CLIPBOARD_MANAGER");
    auto reply = owned(xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, manager), nullptr));
    wake();
    if (!reply || reply->owner == XCB_NONE)
        return false;
    // The targets worth keeping: the formats, not the bookkeeping.
    QList<quint32> keep = targets(kept);
    keep.erase(keep.begin(), keep.begin() + 3);
    const quint32 property = atom("TAVRIN_SAVE_TARGETS");
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, property, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(keep.size()), keep.constData());
    xcb_convert_selection(connection_, window_, manager, atom("SAVE_TARGETS"), property,
                          XCB_CURRENT_TIME);
    flush();
    // The manager asks for each format, answered on the owner's thread, while the main thread
    // waits here: Tavrin is going away, and nothing else runs any more.
    std::unique_lock lock(mutex_);
    served_.wait_for(lock, std::chrono::milliseconds(limitMs), [this] { return handedOver_; });
    return handedOver_;
}

}  // namespace Platform
