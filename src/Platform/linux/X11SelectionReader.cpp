#include "Platform/linux/X11SelectionReader.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <QSet>
#include <chrono>
#include <cstdlib>
#include <memory>

namespace Platform::X11SelectionReader {

namespace {

using SteadyClock = std::chrono::steady_clock;
using Deadline = SteadyClock::time_point;

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T>
using Owned = std::unique_ptr<T, FreeDeleter>;

struct Converted {
    xcb_atom_t type = XCB_ATOM_NONE;
    QByteArray data;
};

constexpr qsizetype maxIncrementalBytes = qsizetype(256) * 1024 * 1024;

// One reading session: a private connection and an unmapped window that receives the data.
class Session {
public:
    Session(const QByteArray& display, Selection selection) {
        connection_ = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
        if (!connection_ || xcb_connection_has_error(connection_))
            return;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
        clipboard_ = atom(selection == Selection::primary ? "PRIMARY" : "CLIPBOARD");
        property_ = atom("TAVRIN_CLIPBOARD_READ");
        incr_ = atom("INCR");
        ok_ = clipboard_ != XCB_ATOM_NONE && property_ != XCB_ATOM_NONE;
    }
    ~Session() {
        if (connection_)
            xcb_disconnect(connection_);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool ok() const { return ok_; }
    // Whether some answer did not come in time (or the connection broke): what was read is
    // then not all the owner holds.
    bool timedOut() const { return timedOut_; }

    xcb_atom_t atom(const char* name) {
        Owned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
            connection_,
            xcb_intern_atom(connection_, 0, static_cast<uint16_t>(qstrlen(name)), name), nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    QList<xcb_atom_t> targets(Deadline deadline) {
        QList<xcb_atom_t> result;
        const auto converted = convert(atom("TARGETS"), deadline);
        if (!converted || converted->data.size() % 4 != 0)
            return result;
        const auto* atoms = reinterpret_cast<const xcb_atom_t*>(converted->data.constData());
        for (qsizetype i = 0; i < converted->data.size() / 4; ++i) {
            if (!result.contains(atoms[i]) && atoms[i] != XCB_ATOM_NONE)
                result.append(atoms[i]);
        }
        return result;
    }

    QList<QByteArray> names(const QList<xcb_atom_t>& atoms) {
        QList<xcb_get_atom_name_cookie_t> cookies;
        for (xcb_atom_t a : atoms)
            cookies.append(xcb_get_atom_name(connection_, a));
        QList<QByteArray> result;
        for (const auto& cookie : cookies) {
            Owned<xcb_get_atom_name_reply_t> reply(
                xcb_get_atom_name_reply(connection_, cookie, nullptr));
            result.append(reply ? QByteArray(xcb_get_atom_name_name(reply.get()),
                                             xcb_get_atom_name_name_length(reply.get()))
                                : QByteArray());
        }
        return result;
    }

    // Asks the owner for `target` and collects the answer, also when it comes in pieces
    // (INCR). None when the owner refuses, there is no owner, or time runs out.
    std::optional<Converted> convert(xcb_atom_t target, Deadline deadline) {
        if (target == XCB_ATOM_NONE)
            return std::nullopt;
        xcb_delete_property(connection_, window_, property_);
        xcb_convert_selection(connection_, window_, clipboard_, target, property_,
                              XCB_CURRENT_TIME);
        xcb_flush(connection_);
        for (;;) {
            Owned<xcb_generic_event_t> event = waitForEvent(deadline);
            if (!event)
                return std::nullopt;
            if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY)
                continue;
            const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event.get());
            // An owner that answers an earlier request only after its time ran out fills the
            // same property: that answer must not pass for this target's.
            if (notify->requestor != window_ || notify->selection != clipboard_ ||
                notify->target != target)
                continue;
            if (notify->property == XCB_ATOM_NONE)
                return std::nullopt;
            auto first = takeProperty();
            if (!first)
                return std::nullopt;
            if (first->type != incr_)
                return first;
            return collectIncrements(deadline);
        }
    }

private:
    std::optional<Converted> takeProperty() {
        Owned<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(connection_,
                                   xcb_get_property(connection_, 1, window_, property_,
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, 0x1fffffff),
                                   nullptr));
        if (!reply)
            return std::nullopt;
        Converted converted;
        converted.type = reply->type;
        converted.data = QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                                    xcb_get_property_value_length(reply.get()));
        return converted;
    }

    // Deleting the INCR property asked for the first piece; each deletion asks for the next,
    // and an empty piece ends the transfer.
    std::optional<Converted> collectIncrements(Deadline deadline) {
        Converted whole;
        for (;;) {
            Owned<xcb_generic_event_t> event = waitForEvent(deadline);
            if (!event)
                return std::nullopt;
            if ((event->response_type & 0x7f) != XCB_PROPERTY_NOTIFY)
                continue;
            const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event.get());
            if (notify->window != window_ || notify->atom != property_ ||
                notify->state != XCB_PROPERTY_NEW_VALUE)
                continue;
            auto piece = takeProperty();
            if (!piece)
                return std::nullopt;
            if (piece->data.isEmpty())
                return whole;
            // An owner that sends pieces without end would fill the memory within the time
            // limit: past this size the answer counts as one that did not arrive whole.
            if (whole.data.size() + piece->data.size() > maxIncrementalBytes) {
                timedOut_ = true;
                return std::nullopt;
            }
            whole.type = piece->type;
            whole.data += piece->data;
        }
    }

    Owned<xcb_generic_event_t> waitForEvent(Deadline deadline) {
        for (;;) {
            if (xcb_generic_event_t* event = xcb_poll_for_event(connection_))
                return Owned<xcb_generic_event_t>(event);
            if (xcb_connection_has_error(connection_)) {
                timedOut_ = true;
                return nullptr;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - SteadyClock::now());
            if (left.count() <= 0) {
                timedOut_ = true;
                return nullptr;
            }
            pollfd descriptor{xcb_get_file_descriptor(connection_), POLLIN, 0};
            ::poll(&descriptor, 1, static_cast<int>(left.count()) + 1);
        }
    }

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t window_ = XCB_NONE;
    xcb_atom_t clipboard_ = XCB_ATOM_NONE;
    xcb_atom_t property_ = XCB_ATOM_NONE;
    xcb_atom_t incr_ = XCB_ATOM_NONE;
    bool ok_ = false;
    bool timedOut_ = false;
};

class Budget {
public:
    explicit Budget(Limits limits) : limits_(limits), end_(SteadyClock::now() + limits.total) {}
    bool exhausted() const { return SteadyClock::now() >= end_; }
    Deadline nextFormat() const { return std::min(SteadyClock::now() + limits_.perFormat, end_); }

private:
    Limits limits_;
    Deadline end_;
};

bool skipped(const QByteArray& name) {
    static const QSet<QByteArray> names = {
        "TARGETS",          "MULTIPLE",        "TIMESTAMP", "SAVE_TARGETS", "DELETE",
        "INSERT_SELECTION", "INSERT_PROPERTY", "PIXMAP",    "BITMAP",       "DRAWABLE"};
    return name.isEmpty() || names.contains(name);
}

// One text, by every name it goes by: Tavrin's own answers offer them all for its text/plain.
bool isTextTarget(const QByteArray& name) {
    return name == "UTF8_STRING" || name == "STRING" || name == "TEXT" || name == "text/plain" ||
           name == "text/plain;charset=utf-8";
}

// The text as UTF-8, from a reply whose type says how it is encoded.
std::optional<QByteArray> asUtf8(Session& session, const Converted& converted) {
    if (converted.type == XCB_ATOM_STRING)
        return QString::fromLatin1(converted.data).toUtf8();
    if (converted.type == session.atom("UTF8_STRING") ||
        converted.type == session.atom("text/plain") ||
        converted.type == session.atom("text/plain;charset=utf-8"))
        return converted.data;
    return std::nullopt;
}

std::optional<QByteArray> readTextTargets(Session& session, const QList<QByteArray>& offered,
                                          const Budget& budget) {
    // Best first: the encodings that carry every character.
    for (const char* name :
         {"UTF8_STRING", "text/plain;charset=utf-8", "text/plain", "STRING", "TEXT"}) {
        if (!offered.contains(QByteArray(name)) || budget.exhausted())
            continue;
        if (auto converted = session.convert(session.atom(name), budget.nextFormat())) {
            if (auto text = asUtf8(session, *converted))
                return text;
        }
    }
    return std::nullopt;
}

// `allTried` tells whether every format was asked for before the time ran out.
ClipboardContents readAll(Session& session, const Budget& budget, bool& allTried) {
    const QList<xcb_atom_t> targets = session.targets(budget.nextFormat());
    allTried = targets.isEmpty();
    if (targets.isEmpty())
        return {};
    const QList<QByteArray> offered = session.names(targets);

    ClipboardItem item;
    bool textDone = false;
    qsizetype i = 0;
    for (; i < targets.size() && !budget.exhausted(); ++i) {
        const QByteArray& name = offered[i];
        if (skipped(name))
            continue;
        if (isTextTarget(name)) {
            if (textDone)
                continue;
            textDone = true;
            if (auto text = readTextTargets(session, offered, budget))
                item.representations.append({QStringLiteral("text/plain"), *text});
            continue;
        }
        if (auto converted = session.convert(targets[i], budget.nextFormat()))
            item.representations.append({QString::fromLatin1(name), converted->data});
    }
    allTried = i == targets.size();
    if (item.representations.isEmpty())
        return {};
    return {item};
}

}  // namespace

ClipboardContents readContents(const QByteArray& display, Limits limits, Selection selection,
                               bool* complete) {
    const Budget budget(limits);
    Session session(display, selection);
    if (complete)
        *complete = false;
    if (!session.ok())
        return {};
    bool allTried = false;
    ClipboardContents contents = readAll(session, budget, allTried);
    if (complete)
        *complete = allTried && !session.timedOut();
    return contents;
}

std::optional<QString> readText(const QByteArray& display, Limits limits, Selection selection) {
    const Budget budget(limits);
    Session session(display, selection);
    if (!session.ok())
        return std::nullopt;
    const QList<QByteArray> offered = {"UTF8_STRING", "STRING"};
    if (auto text = readTextTargets(session, offered, budget))
        return QString::fromUtf8(*text);
    return std::nullopt;
}

}  // namespace Platform::X11SelectionReader
