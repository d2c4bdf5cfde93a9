#include "Platform/linux/X11SelectionOwner.h"

#include <poll.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QElapsedTimer>
#include <algorithm>
#include <chrono>

#include "Platform/linux/XcbReply.h"

namespace Platform {

namespace {

// A requestor that stops taking the pieces of a large answer is given up after this long.
constexpr int transferIdleMs = 5000;
// Each large answer holds a copy of the data: requestors that ask again and again without
// taking the pieces are turned down past this many.
constexpr size_t maxTransfers = 8;

ClipboardContents oneItem(const ClipboardContents& contents) {
    // X11 holds one item; should there be more, each format is taken from the first item that
    // has it.
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

}  // namespace

// One large answer going out in pieces: the requestor deletes each piece to ask for the next,
// and the empty piece after the last one ends it.
struct X11SelectionOwner::Transfer {
    quint32 requestor = 0;
    quint32 property = 0;
    quint32 type = 0;
    QByteArray data;
    qsizetype offset = 0;
    bool lastSent = false;
    quint64 offer = 0;
    QElapsedTimer idle;
};

X11SelectionOwner::X11SelectionOwner(const QByteArray& display, const char* selection) {
    xcb_connection_t* c = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
    if (!c || xcb_connection_has_error(c)) {
        if (c)
            xcb_disconnect(c);
        return;
    }
    const xcb_setup_t* setup = xcb_get_setup(c);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    if (!screen) {
        xcb_disconnect(c);
        return;
    }
    connection_ = c;
    root_ = screen->root;
    resourceMask_ = setup->resource_id_mask;
    selection_ = atom(selection);
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
    xcb_flush(c);

    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c),
                                                  QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &X11SelectionOwner::drain);
    transferLimit_.setInterval(1000);
    connect(&transferLimit_, &QTimer::timeout, this, [this] {
        std::erase_if(transfers_, [](const std::unique_ptr<Transfer>& transfer) {
            return transfer->idle.elapsed() > transferIdleMs;
        });
        if (transfers_.empty())
            transferLimit_.stop();
    });
}

X11SelectionOwner::~X11SelectionOwner() {
    if (!connection_)
        return;
    if (selection_ == atom("CLIPBOARD"))
        handOver(2000);
    notifier_.reset();
    xcb_disconnect(connection_);
}

quint32 X11SelectionOwner::atom(const char* name) {
    const QByteArray key(name);
    if (auto found = atoms_.constFind(key); found != atoms_.constEnd())
        return *found;
    if (!connection_)
        return XCB_ATOM_NONE;
    auto reply = owned(xcb_intern_atom_reply(
        connection_,
        xcb_intern_atom(connection_, 0, static_cast<uint16_t>(key.size()), key.constData()),
        nullptr));
    const quint32 result = reply ? reply->atom : quint32(XCB_ATOM_NONE);
    if (result != XCB_ATOM_NONE)
        atoms_.insert(key, result);
    return result;
}

bool X11SelectionOwner::offer(const ClipboardContents& contents) {
    if (!connection_)
        return false;
    contents_ = oneItem(contents);
    ++offers_;
    watches_.clear();
    if (contents_.isEmpty()) {
        clear();
        return true;
    }
    xcb_set_selection_owner(connection_, window_, selection_, XCB_CURRENT_TIME);
    ownedSince_ = 0;
    // owns() asks only while Tavrin believes it serves.
    serving_ = true;
    serving_ = owns();
    return serving_;
}

void X11SelectionOwner::clear() {
    if (!connection_)
        return;
    contents_.clear();
    ++offers_;
    watches_.clear();
    serving_ = false;
    auto reply = owned(xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, selection_), nullptr));
    QMetaObject::invokeMethod(this, &X11SelectionOwner::drain, Qt::QueuedConnection);
    if (!reply || reply->owner == XCB_NONE)
        return;
    // Another program's contents (a copy that is being undone) only the server can take away.
    xcb_set_selection_owner(connection_, XCB_NONE, selection_, XCB_CURRENT_TIME);
    xcb_flush(connection_);
    ++ownClears_;
}

bool X11SelectionOwner::owns() {
    if (!connection_ || !serving_)
        return false;
    auto reply = owned(xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, selection_), nullptr));
    // The reply may have brought events along that the socket will not announce again.
    QMetaObject::invokeMethod(this, &X11SelectionOwner::drain, Qt::QueuedConnection);
    return reply && reply->owner == window_;
}

X11SelectionOwner::FetchToken X11SelectionOwner::watchFetch(quint32 window,
                                                            std::function<void()> fetched) {
    auto token = std::make_shared<std::function<void()>>(std::move(fetched));
    if (!connection_ || contents_.isEmpty())
        return token;
    Watch watch{token, {}, offers_};
    if (window)
        watch.clients.push_back(client(window));
    if (const quint32 focus = focusWindow())
        watch.clients.push_back(client(focus));
    // Tavrin's own windows never paste through the selection.
    std::erase(watch.clients, client(window_));
    watches_.push_back(std::move(watch));
    return token;
}

quint32 X11SelectionOwner::focusWindow() {
    auto reply = owned(
        xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    QMetaObject::invokeMethod(this, &X11SelectionOwner::drain, Qt::QueuedConnection);
    // None and PointerRoot name no window.
    if (!reply || reply->focus <= 1 || reply->focus == root_)
        return 0;
    return reply->focus;
}

void X11SelectionOwner::drain() {
    if (!connection_)
        return;
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        handle(event);
        std::free(event);
    }
}

void X11SelectionOwner::handle(const void* raw) {
    const auto* event = static_cast<const xcb_generic_event_t*>(raw);
    const quint8 type = event->response_type & 0x7f;
    if (type == XCB_SELECTION_REQUEST) {
        answerRequest(raw);
    } else if (type == XCB_SELECTION_CLEAR) {
        const auto* clear = static_cast<const xcb_selection_clear_event_t*>(raw);
        if (clear->selection == selection_)
            serving_ = false;
    } else if (type == XCB_PROPERTY_NOTIFY) {
        const auto* notify = static_cast<const xcb_property_notify_event_t*>(raw);
        if (notify->state == XCB_PROPERTY_DELETE)
            continueTransfer(notify->window, notify->atom);
    } else if (type == XCB_SELECTION_NOTIFY) {
        const auto* notify = static_cast<const xcb_selection_notify_event_t*>(raw);
        if (notify->requestor == window_ && notify->target == atom("SAVE_TARGETS"))
            handedOver_ = true;
    } else if (fixesEvent_ && type == fixesEvent_ + XCB_XFIXES_SELECTION_NOTIFY) {
        const auto* notify = static_cast<const xcb_xfixes_selection_notify_event_t*>(raw);
        if (notify->selection != selection_)
            return;
        if (notify->owner == window_) {
            ownedSince_ = notify->selection_timestamp;
        } else if (notify->owner == XCB_NONE && ownClears_ > 0) {
            --ownClears_;
        } else {
            serving_ = false;
            ++foreignChanges_;
        }
    }
}

void X11SelectionOwner::answerRequest(const void* raw) {
    const auto* request = static_cast<const xcb_selection_request_event_t*>(raw);
    // Clients older than the convention name no property: the target's name is used.
    const quint32 property = request->property != XCB_NONE ? request->property : request->target;
    bool answered = false;
    bool fetched = false;
    if (request->selection == selection_ && serving_ && !contents_.isEmpty()) {
        if (request->target == atom("TARGETS")) {
            const QList<quint32> list = targets();
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request->requestor, property,
                                XCB_ATOM_ATOM, 32, static_cast<uint32_t>(list.size()),
                                list.constData());
            answered = true;
        } else if (request->target == atom("TIMESTAMP")) {
            if (ownedSince_) {
                xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request->requestor,
                                    property, XCB_ATOM_INTEGER, 32, 1, &ownedSince_);
                answered = true;
            }
        } else if (request->target == atom("MULTIPLE")) {
            if (request->property != XCB_NONE) {
                serveMultiple(request->requestor, property, fetched);
                answered = true;
            }
        } else {
            const auto data = dataFor(request->target);
            if (data && data->second.size() > qsizetype(chunk_) &&
                transfers_.size() < maxTransfers) {
                // The whole answer is fetched only when its last piece has been taken.
                const uint32_t size = static_cast<uint32_t>(data->second.size());
                const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
                xcb_change_window_attributes(connection_, request->requestor, XCB_CW_EVENT_MASK,
                                             &events);
                xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request->requestor,
                                    property, atom("INCR"), 32, 1, &size);
                auto transfer = std::make_unique<Transfer>();
                transfer->requestor = request->requestor;
                transfer->property = property;
                transfer->type = data->first;
                transfer->data = data->second;
                transfer->offer = offers_;
                transfer->idle.start();
                transfers_.push_back(std::move(transfer));
                transferLimit_.start();
                answered = true;
            } else if (data && data->second.size() <= qsizetype(chunk_)) {
                xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request->requestor,
                                    property, data->first, 8,
                                    static_cast<uint32_t>(data->second.size()),
                                    data->second.constData());
                answered = fetched = true;
            }
        }
    }
    xcb_selection_notify_event_t notify{};
    notify.response_type = XCB_SELECTION_NOTIFY;
    notify.time = request->time;
    notify.requestor = request->requestor;
    notify.selection = request->selection;
    notify.target = request->target;
    notify.property = answered ? property : XCB_NONE;
    xcb_send_event(connection_, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&notify));
    xcb_flush(connection_);
    if (fetched)
        fetchedBy(request->requestor, offers_);
}

void X11SelectionOwner::serveMultiple(quint32 requestor, quint32 property, bool& fetched) {
    auto reply = owned(xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, requestor, property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                         1024),
        nullptr));
    if (!reply || reply->format != 32)
        return;
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    QList<quint32> pairs(static_cast<const quint32*>(xcb_get_property_value(reply.get())),
                         static_cast<const quint32*>(xcb_get_property_value(reply.get())) +
                             count);
    // Each pair is (target, property); a target without an answer is set to None. Large
    // answers are not sent in pieces inside a MULTIPLE.
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
        const auto data = dataFor(pairs[i]);
        if (!data || data->second.size() > qsizetype(chunk_)) {
            pairs[i] = XCB_NONE;
            continue;
        }
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, requestor, pairs[i + 1],
                            data->first, 8, static_cast<uint32_t>(data->second.size()),
                            data->second.constData());
        fetched = true;
    }
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, requestor, property, reply->type,
                        32, static_cast<uint32_t>(pairs.size()), pairs.constData());
}

void X11SelectionOwner::continueTransfer(quint32 window, quint32 property) {
    auto found = std::find_if(transfers_.begin(), transfers_.end(), [&](const auto& transfer) {
        return transfer->requestor == window && transfer->property == property;
    });
    if (found == transfers_.end())
        return;
    Transfer& transfer = **found;
    if (transfer.lastSent) {
        const quint32 requestor = transfer.requestor;
        const quint64 offer = transfer.offer;
        transfers_.erase(found);
        const bool more = std::any_of(transfers_.cbegin(), transfers_.cend(),
                                      [&](const auto& t) { return t->requestor == requestor; });
        if (!more) {
            const uint32_t none = XCB_EVENT_MASK_NO_EVENT;
            xcb_change_window_attributes(connection_, requestor, XCB_CW_EVENT_MASK, &none);
            xcb_flush(connection_);
        }
        fetchedBy(requestor, offer);
        return;
    }
    const QByteArray piece = transfer.data.mid(transfer.offset, chunk_);
    transfer.offset += piece.size();
    transfer.lastSent = piece.isEmpty();
    transfer.idle.restart();
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, property, transfer.type, 8,
                        static_cast<uint32_t>(piece.size()), piece.constData());
    xcb_flush(connection_);
}

void X11SelectionOwner::fetchedBy(quint32 requestor, quint64 offer) {
    const quint32 requestorClient = client(requestor);
    for (auto it = watches_.begin(); it != watches_.end(); ++it) {
        if (it->offer != offer || std::find(it->clients.cbegin(), it->clients.cend(),
                                            requestorClient) == it->clients.cend())
            continue;
        const auto callback = it->callback.lock();
        watches_.erase(it);
        if (callback && *callback)
            (*callback)();
        return;
    }
}

QList<quint32> X11SelectionOwner::targets() {
    QList<quint32> list = {atom("TARGETS"), atom("TIMESTAMP"), atom("MULTIPLE")};
    if (contents_.isEmpty())
        return list;
    for (const auto& representation : contents_.front().representations) {
        if (representation.type == QLatin1String("text/plain")) {
            for (const char* name : {"UTF8_STRING", "STRING", "TEXT", "text/plain"})
                list.append(atom(name));
        } else {
            list.append(atom(representation.type.toUtf8()));
        }
    }
    list.removeAll(XCB_ATOM_NONE);
    return list;
}

std::optional<std::pair<quint32, QByteArray>> X11SelectionOwner::dataFor(quint32 target) {
    if (contents_.isEmpty() || target == XCB_NONE)
        return std::nullopt;
    // Targets are compared with the offer's own names: a requestor's atoms are never looked up.
    const quint32 utf8 = atom("UTF8_STRING");
    const bool textTarget = target == utf8 || target == XCB_ATOM_STRING ||
                            target == atom("TEXT") || target == atom("text/plain");
    for (const auto& representation : contents_.front().representations) {
        if (textTarget && representation.type == QLatin1String("text/plain")) {
            const QString text = QString::fromUtf8(representation.data);
            // STRING is Latin-1; TEXT lets the owner choose, and Latin-1 reaches the oldest
            // clients where it holds the text.
            const bool latin1 = QString::fromLatin1(text.toLatin1()) == text;
            if (target == XCB_ATOM_STRING || (target == atom("TEXT") && latin1))
                return std::pair{quint32(XCB_ATOM_STRING), text.toLatin1()};
            return std::pair{target == atom("TEXT") ? utf8 : target, representation.data};
        }
        if (atom(representation.type.toUtf8()) == target)
            return std::pair{target, representation.data};
    }
    return std::nullopt;
}

bool X11SelectionOwner::handOver(int limitMs) {
    if (!connection_ || handedOver_ || contents_.isEmpty() || !owns())
        return false;
    const quint32 manager = atom("CLIPBOARD_MANAGER");
    auto reply = owned(xcb_get_selection_owner_reply(
        connection_, xcb_get_selection_owner(connection_, manager), nullptr));
    if (!reply || reply->owner == XCB_NONE)
        return false;
    // The targets worth keeping: the formats, not the bookkeeping.
    QList<quint32> keep = targets();
    keep.erase(keep.begin(), keep.begin() + 3);
    const quint32 property = atom("TAVRIN_SAVE_TARGETS");
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window_, property, XCB_ATOM_ATOM, 32,
                        static_cast<uint32_t>(keep.size()), keep.constData());
    xcb_convert_selection(connection_, window_, manager, atom("SAVE_TARGETS"), property,
                          XCB_CURRENT_TIME);
    xcb_flush(connection_);
    // The manager asks for each format while Tavrin waits here: it is going away, and nothing
    // else runs any more.
    QElapsedTimer elapsed;
    elapsed.start();
    while (!handedOver_ && elapsed.elapsed() < limitMs) {
        drain();
        if (handedOver_ || xcb_connection_has_error(connection_))
            break;
        pollfd fd{xcb_get_file_descriptor(connection_), POLLIN, 0};
        poll(&fd, 1, static_cast<int>(std::max<qint64>(1, limitMs - elapsed.elapsed())));
    }
    return handedOver_;
}

}  // namespace Platform
