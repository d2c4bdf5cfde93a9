#include "Platform/linux/XcbConnection.h"

#include <xcb/xcb.h>

#include "Platform/linux/XcbReply.h"

namespace Platform {

std::shared_ptr<XcbConnection> XcbConnection::open(const QByteArray& display) {
    xcb_connection_t* connection =
        xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
    if (!connection)
        return nullptr;
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return nullptr;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen) {
        xcb_disconnect(connection);
        return nullptr;
    }
    return std::shared_ptr<XcbConnection>(new XcbConnection(connection, screen->root));
}

XcbConnection::XcbConnection(xcb_connection_t* connection, quint32 root)
    : connection_(connection), root_(root) {}

XcbConnection::~XcbConnection() {
    xcb_disconnect(connection_);
}

quint32 XcbConnection::atom(const char* name) {
    const QByteArray key(name);
    if (auto found = atoms_.constFind(key); found != atoms_.constEnd())
        return *found;
    auto reply = owned(xcb_intern_atom_reply(
        connection_, xcb_intern_atom(connection_, 0, static_cast<uint16_t>(key.size()), name),
        nullptr));
    const quint32 atom = reply ? reply->atom : quint32(XCB_ATOM_NONE);
    if (atom != XCB_ATOM_NONE)
        atoms_.insert(key, atom);
    return atom;
}

void XcbConnection::flush() {
    xcb_flush(connection_);
}

quint32 XcbConnection::activeWindow() {
    auto reply = owned(xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, root_, atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    if (reply && reply->type == XCB_ATOM_WINDOW && reply->format == 32 &&
        xcb_get_property_value_length(reply.get()) >= 4)
        return *static_cast<const quint32*>(xcb_get_property_value(reply.get()));
    // Without a window manager that keeps the property, the focus tells.
    return focusedTopLevel();
}

quint32 XcbConnection::focusedTopLevel() {
    auto focus =
        owned(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    if (!focus || focus->focus == XCB_NONE || focus->focus == XCB_INPUT_FOCUS_POINTER_ROOT)
        return 0;
    // The focus may sit on a child of the application's window; WM_CLASS is on the top-level.
    xcb_window_t window = focus->focus;
    for (int depth = 0; depth < 16 && window != root_; ++depth) {
        if (windowClass(window))
            return window;
        auto tree =
            owned(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, window), nullptr));
        if (!tree || tree->parent == XCB_NONE)
            break;
        window = tree->parent;
    }
    return 0;
}

std::optional<std::pair<QString, QString>> XcbConnection::windowClass(quint32 window) {
    if (window == 0)
        return std::nullopt;
    auto reply = owned(xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256),
        nullptr));
    if (!reply || reply->type != XCB_ATOM_STRING || reply->format != 8)
        return std::nullopt;
    const QByteArray value(static_cast<const char*>(xcb_get_property_value(reply.get())),
                           xcb_get_property_value_length(reply.get()));
    // Two NUL-terminated strings: instance, then class.
    const QList<QByteArray> parts = value.split('\0');
    return std::make_pair(QString::fromLocal8Bit(parts.value(0)),
                          QString::fromLocal8Bit(parts.value(1)));
}

qint64 XcbConnection::windowProcess(quint32 window) {
    if (window == 0)
        return 0;
    auto reply = owned(xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1),
        nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return 0;
    return *static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
}

}  // namespace Platform
