#include "Platform/linux/X11FloatingWindows.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <cstdlib>

#include "Platform/linux/XcbConnection.h"
#include "Platform/linux/XcbReply.h"

namespace Platform {

namespace {

// The screen part of DISPLAY (":0.1" → 1); the compositor's selection is per screen.
int screenOfDisplay() {
    const QByteArray display = qgetenv("DISPLAY");
    const int colon = display.lastIndexOf(':');
    const int dot = display.indexOf('.', colon < 0 ? 0 : colon);
    return dot < 0 ? 0 : display.mid(dot + 1).toInt();
}

constexpr quint32 kStateAdd = 1;
// Source of an activation request: an application with a user time, or a tool acting for the
// user when no time is known (window managers let the latter past focus-stealing prevention).
constexpr quint32 kSourceApplication = 1;
constexpr quint32 kSourceUser = 2;
constexpr quint32 kAllDesktops = 0xFFFFFFFF;

}  // namespace

X11FloatingWindows::X11FloatingWindows(std::shared_ptr<XcbConnection> connection)
    : connection_(std::move(connection)), screenNumber_(screenOfDisplay()) {}

void X11FloatingWindows::syncWithQt() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    // A reply comes only after the server has handled every earlier request of Qt's.
    xcb_connection_t* qt = x11->connection();
    std::free(xcb_get_input_focus_reply(qt, xcb_get_input_focus(qt), nullptr));
}

bool X11FloatingWindows::holdAllKeys(quint64 window) {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || window == 0)
        return false;
    // On Qt's own connection, reporting keys as usual: they keep reaching the window that has
    // the focus, through Qt, while no other program's key grab can fire.
    xcb_connection_t* qt = x11->connection();
    auto reply =
        owned(xcb_grab_keyboard_reply(qt,
                                      xcb_grab_keyboard(qt, 1, quint32(window), XCB_CURRENT_TIME,
                                                        XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
                                      nullptr));
    return reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
}

void X11FloatingWindows::releaseAllKeys() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    xcb_ungrab_keyboard(x11->connection(), XCB_CURRENT_TIME);
    xcb_flush(x11->connection());
}

bool X11FloatingWindows::isCompositing() {
    if (!connection_)
        return false;
    xcb_connection_t* c = connection_->connection();
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screenNumber_);
    auto reply = owned(xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, connection_->atom(name.constData())), nullptr));
    return reply && reply->owner != XCB_NONE;
}

bool X11FloatingWindows::windowManagerRuns() {
    xcb_connection_t* c = connection_->connection();
    auto reply = owned(xcb_get_property_reply(
        c,
        xcb_get_property(c, 0, connection_->root(), connection_->atom("_NET_SUPPORTING_WM_CHECK"),
                         XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    if (!reply || xcb_get_property_value_length(reply.get()) < 4)
        return false;
    // A window manager that has gone leaves the property behind: its window must still exist.
    const quint32 check = *static_cast<const quint32*>(xcb_get_property_value(reply.get()));
    auto attributes =
        owned(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, check), nullptr));
    return attributes != nullptr;
}

bool X11FloatingWindows::isViewable(quint32 window) {
    if (window == 0)
        return false;
    xcb_connection_t* c = connection_->connection();
    auto attributes =
        owned(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

void X11FloatingWindows::sendToRoot(quint32 window, quint32 type, quint32 d0, quint32 d1,
                                    quint32 d2, quint32 d3) {
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = type;
    event.data.data32[0] = d0;
    event.data.data32[1] = d1;
    event.data.data32[2] = d2;
    event.data.data32[3] = d3;
    xcb_send_event(connection_->connection(), 0, connection_->root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
}

void X11FloatingWindows::keepOnTop(quint64 window) {
    if (!connection_ || window == 0)
        return;
    syncWithQt();
    xcb_connection_t* c = connection_->connection();
    const auto id = static_cast<quint32>(window);
    const quint32 states[] = {connection_->atom("_NET_WM_STATE_STICKY"),
                              connection_->atom("_NET_WM_STATE_ABOVE"),
                              connection_->atom("_NET_WM_STATE_SKIP_TASKBAR"),
                              connection_->atom("_NET_WM_STATE_SKIP_PAGER")};
    const quint32 wmState = connection_->atom("_NET_WM_STATE");
    const quint32 wmDesktop = connection_->atom("_NET_WM_DESKTOP");
    // A window not yet managed takes its states from its property; Qt merges its own into it.
    xcb_change_property(c, XCB_PROP_MODE_APPEND, id, wmState, XCB_ATOM_ATOM, 32, 4, states);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, wmDesktop, XCB_ATOM_CARDINAL, 32, 1,
                        &kAllDesktops);
    // A managed window changes them only through the window manager.
    sendToRoot(id, wmState, kStateAdd, states[0], states[1], kSourceApplication);
    sendToRoot(id, wmState, kStateAdd, states[2], states[3], kSourceApplication);
    sendToRoot(id, wmDesktop, kAllDesktops, kSourceApplication, 0);
    connection_->flush();
}

void X11FloatingWindows::noteKeyboardOwner(quint64 window) {
    if (!connection_ || window == 0)
        return;
    const quint32 owner = connection_->activeWindow();
    if (owner != static_cast<quint32>(window))
        previousFocus_ = owner;
}

void X11FloatingWindows::takeKeyboard(quint64 window, quint32 userTime) {
    if (!connection_ || window == 0)
        return;
    syncWithQt();
    xcb_connection_t* c = connection_->connection();
    const auto id = static_cast<quint32>(window);
    const quint32 time = userTime != 0 ? userTime : quint32(XCB_CURRENT_TIME);
    const quint32 raise = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(c, id, XCB_CONFIG_WINDOW_STACK_MODE, &raise);
    if (windowManagerRuns()) {
        sendToRoot(id, connection_->atom("_NET_ACTIVE_WINDOW"),
                   userTime != 0 ? kSourceApplication : kSourceUser, time, previousFocus_);
    } else if (isViewable(id)) {
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, id, time);
    }
    connection_->flush();
}

void X11FloatingWindows::giveBackKeyboard(quint64 window) {
    if (!connection_ || window == 0)
        return;
    const quint32 previous = previousFocus_;
    previousFocus_ = 0;
    if (previous == 0 || previous == static_cast<quint32>(window) || !isViewable(previous))
        return;
    if (windowManagerRuns()) {
        sendToRoot(previous, connection_->atom("_NET_ACTIVE_WINDOW"), kSourceUser, XCB_CURRENT_TIME,
                   0);
    } else {
        xcb_set_input_focus(connection_->connection(), XCB_INPUT_FOCUS_PARENT, previous,
                            XCB_CURRENT_TIME);
    }
    connection_->flush();
}

}  // namespace Platform
