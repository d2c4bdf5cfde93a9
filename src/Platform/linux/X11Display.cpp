#include "Platform/linux/X11Display.h"

#include <xcb/xcb.h>

namespace Platform::X11Display {

bool canConnect(const QString& display) {
    const QByteArray name = display.toLocal8Bit();
    xcb_connection_t* connection = xcb_connect(name.constData(), nullptr);
    const bool ok = connection && xcb_connection_has_error(connection) == 0;
    if (connection)
        xcb_disconnect(connection);
    return ok;
}

}  // namespace Platform::X11Display
