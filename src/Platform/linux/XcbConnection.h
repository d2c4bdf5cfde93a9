#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <memory>
#include <optional>

// Declared here so that code building the backends needs no XCB headers.
struct xcb_connection_t;

namespace Platform {

// A private connection to the X server for the backends that talk to other clients (keys,
// window activation, modifier state, the clipboard's bookkeeping). Qt's own connection stays
// Qt's. Main thread only.
class XcbConnection {
public:
    // None when no X server answers at `display` (empty: $DISPLAY). The backends take a null
    // connection and then do nothing.
    static std::shared_ptr<XcbConnection> open(const QByteArray& display = {});
    ~XcbConnection();
    XcbConnection(const XcbConnection&) = delete;
    XcbConnection& operator=(const XcbConnection&) = delete;

    xcb_connection_t* connection() const { return connection_; }
    quint32 root() const { return root_; }
    // The atom of `name`, interned once and remembered.
    quint32 atom(const char* name);
    // Sends what is queued to the server.
    void flush();

    // The client window the window manager reports as active (_NET_ACTIVE_WINDOW), else the
    // top-level window that has the input focus; 0 when neither is known.
    quint32 activeWindow();
    // The top-level window that has the keyboard focus, the one synthetic keys reach; 0 when
    // the focus is on no application's window.
    quint32 focusedTopLevel();
    // WM_CLASS of `window` as (instance, class); none when it has none.
    std::optional<std::pair<QString, QString>> windowClass(quint32 window);
    // The process `window` says it belongs to (_NET_WM_PID); 0 when it says none.
    qint64 windowProcess(quint32 window);

private:
    XcbConnection(xcb_connection_t* connection, quint32 root);

    xcb_connection_t* connection_;
    quint32 root_;
    QHash<QByteArray, quint32> atoms_;
};

}  // namespace Platform
