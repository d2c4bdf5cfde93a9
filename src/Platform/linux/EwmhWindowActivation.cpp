#include "Platform/linux/EwmhWindowActivation.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <atomic>
#include <chrono>
#include <cstring>

#include "Platform/linux/XcbConnection.h"
#include "Platform/linux/XcbReply.h"

namespace Platform {

namespace {

xcb_atom_t internAtom(xcb_connection_t* c, const char* name) {
    auto reply = owned(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// One question, on a connection of its own so that the answer, which the program sends to the
// root window, is waited for on this thread alone.
bool pingWindow(const QByteArray& display, quint32 window, std::chrono::milliseconds limit) {
    static std::atomic<quint32> asked{1};
    xcb_connection_t* c = xcb_connect(display.isEmpty() ? nullptr : display.constData(), nullptr);
    if (!c || xcb_connection_has_error(c)) {
        if (c)
            xcb_disconnect(c);
        return false;
    }
    bool answered = false;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t protocols = internAtom(c, "WM_PROTOCOLS");
    const xcb_atom_t ping = internAtom(c, "_NET_WM_PING");
    // Only a program that says it takes part answers.
    auto taken = owned(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, protocols, XCB_ATOM_ATOM, 0, 64), nullptr));
    bool takesPart = false;
    if (taken && taken->format == 32) {
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(taken.get()));
        const int count = xcb_get_property_value_length(taken.get()) / 4;
        for (int i = 0; i < count; ++i)
            takesPart = takesPart || atoms[i] == ping;
    }
    if (takesPart) {
        const uint32_t events = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &events);
        const quint32 stamp = asked.fetch_add(1);
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = protocols;
        event.data.data32[0] = ping;
        event.data.data32[1] = stamp;
        event.data.data32[2] = window;
        xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
        xcb_flush(c);
        const auto until = std::chrono::steady_clock::now() + limit;
        const int fd = xcb_get_file_descriptor(c);
        while (!answered && !xcb_connection_has_error(c)) {
            while (xcb_generic_event_t* raw = xcb_poll_for_event(c)) {
                const auto* reply = reinterpret_cast<const xcb_client_message_event_t*>(raw);
                answered = answered || ((raw->response_type & 0x7f) == XCB_CLIENT_MESSAGE &&
                                        reply->type == protocols && reply->data.data32[0] == ping &&
                                        reply->data.data32[1] == stamp &&
                                        reply->data.data32[2] == window);
                std::free(raw);
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                until - std::chrono::steady_clock::now());
            if (answered || left.count() <= 0)
                break;
            pollfd descriptor{fd, POLLIN, 0};
            ::poll(&descriptor, 1, static_cast<int>(left.count()));
        }
    }
    xcb_disconnect(c);
    return answered;
}

// Whether the program `pid` runs processes of its own executable beside it (a browser's pages,
// an Electron app's windows): its main process answers the window manager while a page's
// process, stopped or busy, still holds a key sent to that page.
bool handsKeysToOtherProcesses(qint64 pid) {
    if (pid <= 0)
        return false;
    const QString exe = QFileInfo(QStringLiteral("/proc/%1/exe").arg(pid)).symLinkTarget();
    if (exe.isEmpty())
        return false;
    const QStringList processes =
        QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : processes) {
        bool number = false;
        entry.toLongLong(&number);
        if (!number)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid …": the name may hold spaces and parentheses.
        const QByteArray line = stat.read(512);
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        if (fields.size() < 2 || fields[1].toLongLong() != pid)
            continue;
        if (QFileInfo(QStringLiteral("/proc/%1/exe").arg(entry)).symLinkTarget() == exe)
            return true;
    }
    return false;
}

}  // namespace

EwmhWindowActivation::EwmhWindowActivation(std::shared_ptr<XcbConnection> connection)
    : connection_(std::move(connection)) {}

bool EwmhWindowActivation::activate(const RunningApplication& application) {
    if (!connection_ || application.windowId == 0)
        return false;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = application.windowId;
    event.type = connection_->atom("_NET_ACTIVE_WINDOW");
    // Source 2: a pager or similar tool acting for the user, which window managers let pass
    // their focus-stealing prevention.
    event.data.data32[0] = 2;
    event.data.data32[1] = XCB_CURRENT_TIME;
    event.data.data32[2] = XCB_NONE;
    xcb_send_event(connection_->connection(), 0, connection_->root(),
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&event));
    connection_->flush();
    return true;
}

void EwmhWindowActivation::ping(const RunningApplication& application, Milliseconds limit,
                                std::function<void(bool)> done) {
    if (!connection_ || application.windowId == 0) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [done = std::move(done)] { done(false); },
            Qt::QueuedConnection);
        return;
    }
    auto* watcher = new QFutureWatcher<bool>();
    QObject::connect(watcher, &QFutureWatcher<bool>::finished, watcher,
                     [watcher, done = std::move(done)] {
                         done(watcher->result());
                         watcher->deleteLater();
                     });
    watcher->setFuture(QtConcurrent::run(
        [display = qgetenv("DISPLAY"), window = application.windowId,
         pid = application.processIdentifier,
         wait = std::chrono::duration_cast<std::chrono::milliseconds>(limit)] {
            // Its answer would speak for the main process alone, not for the page the key
            // went to: such a program cannot be asked.
            if (handsKeysToOtherProcesses(pid))
                return false;
            return pingWindow(display, window, wait);
        }));
}

bool EwmhWindowActivation::isActive(const RunningApplication& application) {
    // Keys go to the focus: the window manager's word alone is not enough, since one that has
    // gone leaves its last active window named on the root window.
    return connection_ && application.windowId != 0 &&
           connection_->activeWindow() == application.windowId &&
           connection_->focusedTopLevel() == application.windowId;
}

}  // namespace Platform
