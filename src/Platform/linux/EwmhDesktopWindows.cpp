#include "Platform/linux/EwmhDesktopWindows.h"

#include <xcb/xcb.h>

#include <cstdlib>

#include "Platform/ScreenPixels.h"
#include "Platform/linux/DesktopEntryName.h"
#include "Platform/linux/XcbConnection.h"
#include "Platform/linux/XcbReply.h"

namespace Platform {

namespace {

xcb_get_property_cookie_t askProperty(xcb_connection_t* c, quint32 window, quint32 property,
                                      quint32 type, quint32 longs = 1024) {
    return xcb_get_property(c, 0, window, property, type, 0, longs);
}

QByteArray bytesOf(xcb_connection_t* c, xcb_get_property_cookie_t cookie, quint32 type) {
    auto reply = owned(xcb_get_property_reply(c, cookie, nullptr));
    if (!reply || reply->type != type || reply->format != 8)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

std::vector<quint32> cardinalsOf(xcb_connection_t* c, xcb_get_property_cookie_t cookie,
                                 quint32 type) {
    auto reply = owned(xcb_get_property_reply(c, cookie, nullptr));
    if (!reply || reply->type != type || reply->format != 32)
        return {};
    const auto* values = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}

}  // namespace

EwmhDesktopWindows::EwmhDesktopWindows(std::shared_ptr<XcbConnection> connection)
    : connection_(std::move(connection)) {}

std::optional<RunningApplication> EwmhDesktopWindows::frontApplication() {
    if (!connection_)
        return std::nullopt;
    const quint32 window = connection_->activeWindow();
    if (window == 0 || window == connection_->root())
        return std::nullopt;
    xcb_connection_t* c = connection_->connection();
    const quint32 utf8 = connection_->atom("UTF8_STRING");
    auto pidCookie = askProperty(c, window, connection_->atom("_NET_WM_PID"), XCB_ATOM_CARDINAL);
    auto gtkCookie = askProperty(c, window, connection_->atom("_GTK_APPLICATION_ID"), utf8);
    auto kdeCookie = askProperty(c, window, connection_->atom("_KDE_NET_WM_DESKTOP_FILE"), utf8);

    RunningApplication application;
    application.windowId = window;
    const std::vector<quint32> pid = cardinalsOf(c, pidCookie, XCB_ATOM_CARDINAL);
    application.processIdentifier = pid.empty() ? 0 : static_cast<qint32>(pid.front());
    QString desktopId = QString::fromUtf8(bytesOf(c, gtkCookie, utf8));
    if (desktopId.isEmpty())
        desktopId = QString::fromUtf8(bytesOf(c, kdeCookie, utf8));
    if (const auto windowClass = connection_->windowClass(window)) {
        application.windowInstance = windowClass->first;
        application.windowClass = windowClass->second;
    }
    if (!desktopId.isEmpty())
        application.bundleIdentifier = desktopId;
    else if (!application.windowClass.isEmpty())
        application.bundleIdentifier = application.windowClass;
    application.localizedName = DesktopEntryName::forWindow(
        desktopId, application.windowInstance, application.windowClass);
    return application;
}

std::vector<DesktopWindows::Window> EwmhDesktopWindows::windows() {
    if (!connection_)
        return {};
    xcb_connection_t* c = connection_->connection();
    const quint32 root = connection_->root();
    const quint32 utf8 = connection_->atom("UTF8_STRING");
    const quint32 typeAtom = connection_->atom("_NET_WM_WINDOW_TYPE");
    const quint32 normal = connection_->atom("_NET_WM_WINDOW_TYPE_NORMAL");
    const quint32 dialog = connection_->atom("_NET_WM_WINDOW_TYPE_DIALOG");
    std::vector<quint32> stacking = cardinalsOf(
        c,
        askProperty(c, root, connection_->atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW, 4096),
        XCB_ATOM_WINDOW);

    // All questions first, then the answers: one round trip for the whole list.
    struct Pending {
        quint32 id;
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
        xcb_get_property_cookie_t type, pid, netName, name;
    };
    std::vector<Pending> pending;
    pending.reserve(stacking.size());
    // The list runs from bottom to top.
    for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {
        const quint32 id = *it;
        pending.push_back({id, xcb_get_window_attributes(c, id), xcb_get_geometry(c, id),
                           xcb_translate_coordinates(c, id, root, 0, 0),
                           askProperty(c, id, typeAtom, XCB_ATOM_ATOM, 32),
                           askProperty(c, id, connection_->atom("_NET_WM_PID"), XCB_ATOM_CARDINAL),
                           askProperty(c, id, connection_->atom("_NET_WM_NAME"), utf8),
                           askProperty(c, id, XCB_ATOM_WM_NAME, XCB_ATOM_STRING)});
    }

    // X11 counts device pixels; frames are Qt's logical ones.
    const ScreenPixels pixels = ScreenPixels::ofQt();
    std::vector<Window> windows;
    for (const Pending& p : pending) {
        auto attributes = owned(xcb_get_window_attributes_reply(c, p.attributes, nullptr));
        auto geometry = owned(xcb_get_geometry_reply(c, p.geometry, nullptr));
        auto origin = owned(xcb_translate_coordinates_reply(c, p.origin, nullptr));
        const std::vector<quint32> types = cardinalsOf(c, p.type, XCB_ATOM_ATOM);
        const std::vector<quint32> pid = cardinalsOf(c, p.pid, XCB_ATOM_CARDINAL);
        QString title = QString::fromUtf8(bytesOf(c, p.netName, utf8));
        const QByteArray plainTitle = bytesOf(c, p.name, XCB_ATOM_STRING);
        if (title.isEmpty())
            title = QString::fromLatin1(plainTitle);
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE || !geometry || !origin)
            continue;
        // A window without a type is a normal one; docks, menus and the desktop are not
        // windows the user writes in.
        if (!types.empty() && types.front() != normal && types.front() != dialog)
            continue;
        Window window;
        window.id = p.id;
        window.processId = pid.empty() ? 0 : static_cast<qint32>(pid.front());
        window.title = title;
        window.frame = pixels.toLogical(
            QRectF(origin->dst_x, origin->dst_y, geometry->width, geometry->height));
        windows.push_back(window);
    }
    return windows;
}

}  // namespace Platform
