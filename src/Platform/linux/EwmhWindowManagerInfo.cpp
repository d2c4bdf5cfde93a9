#include "Platform/linux/EwmhWindowManagerInfo.h"

#include <xcb/xcb.h>

#include "Platform/linux/XcbConnection.h"
#include "Platform/linux/XcbReply.h"

namespace Platform {

namespace {

std::optional<quint32> checkWindowOf(xcb_connection_t* connection, quint32 window,
                                     quint32 property) {
    auto reply = owned(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, XCB_ATOM_WINDOW, 0, 1),
        nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    return *static_cast<const quint32*>(xcb_get_property_value(reply.get()));
}

}  // namespace

EwmhWindowManagerInfo::EwmhWindowManagerInfo(std::shared_ptr<XcbConnection> connection)
    : connection_(std::move(connection)) {}

std::optional<QString> EwmhWindowManagerInfo::name() {
    if (!connection_)
        return std::nullopt;
    xcb_connection_t* connection = connection_->connection();
    const quint32 check = connection_->atom("_NET_SUPPORTING_WM_CHECK");
    const auto window = checkWindowOf(connection, connection_->root(), check);
    // A window manager that has gone leaves the root's property behind; the check window
    // names itself only while its manager lives.
    if (!window || *window == 0 || checkWindowOf(connection, *window, check) != window)
        return std::nullopt;
    auto reply = owned(xcb_get_property_reply(
        connection,
        xcb_get_property(connection, 0, *window, connection_->atom("_NET_WM_NAME"),
                         connection_->atom("UTF8_STRING"), 0, 256),
        nullptr));
    if (!reply || reply->format != 8)
        return std::nullopt;
    const QString name =
        QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                          xcb_get_property_value_length(reply.get()))
            .trimmed();
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

}  // namespace Platform
