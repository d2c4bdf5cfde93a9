#pragma once

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QFile>
#include <QList>
#include <QProcess>
#include <QTest>
#include <algorithm>
#include <cstdlib>
#include <cstring>

// Runs a program to its end while the event loop goes on, so that Tavrin can answer its
// clipboard requests meanwhile.
inline QByteArray runProgram(const QString& program, const QStringList& arguments,
                             const QByteArray& input = {}) {
    QProcess process;
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 5000))
        << program.toStdString();
    return process.readAllStandardOutput();
}

// The clipboard as another program reads it: its text, or the data of `target`.
inline QByteArray xclipOut(const QString& target = {}) {
    QStringList arguments{QStringLiteral("-o"), QStringLiteral("-selection"),
                          QStringLiteral("clipboard")};
    if (!target.isEmpty())
        arguments << QStringLiteral("-t") << target;
    return runProgram(QStringLiteral("xclip"), arguments);
}

// Another program (xclip) takes the clipboard with `data`, as text or as `target`. Returns
// once it owns the clipboard: its background process takes it a moment after its parent ended.
inline void xclipIn(const QByteArray& data, const QString& target = {}) {
    QStringList arguments{QStringLiteral("-selection"), QStringLiteral("clipboard")};
    if (!target.isEmpty())
        arguments << QStringLiteral("-t") << target;
    runProgram(QStringLiteral("xclip"), arguments, data);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return target.isEmpty() ? xclipOut() == data
                                    : xclipOut(QStringLiteral("TARGETS")).contains(target.toUtf8());
        },
        5000))
        << "xclip did not take the clipboard";
}

// The primary selection (what was selected last) as another program reads it.
inline QByteArray primaryOut() {
    return runProgram(QStringLiteral("xclip"), {QStringLiteral("-o"), QStringLiteral("-selection"),
                                                QStringLiteral("primary")});
}

// Another program (xclip) selects `data`; returns once it owns the primary selection.
inline void primaryIn(const QByteArray& data) {
    runProgram(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("primary")},
               data);
    EXPECT_TRUE(QTest::qWaitFor([&] { return primaryOut() == data; }, 5000))
        << "xclip did not take the primary selection";
}

// The screen's root window as a window manager's start-up sees it, over a connection of the
// test's own (the test itself may draw on the offscreen platform).
class X11Root {
public:
    X11Root() : connection_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(connection_) == 0)
            root_ = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data->root;
    }
    ~X11Root() {
        if (window_)
            xcb_destroy_window(connection_, window_);
        xcb_disconnect(connection_);
    }
    X11Root(const X11Root&) = delete;
    X11Root& operator=(const X11Root&) = delete;

    bool connected() const { return root_ != 0; }

    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection_, xcb_intern_atom(connection_, 0, uint16_t(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return atom;
    }
    // The windows a WINDOW property of `window` (the root when 0) lists.
    QList<xcb_window_t> windows(const char* property, xcb_window_t window = 0) {
        QList<xcb_window_t> list;
        xcb_get_property_reply_t* reply =
            xcb_get_property_reply(connection_,
                                   xcb_get_property(connection_, 0, window ? window : root_,
                                                    atom(property), XCB_ATOM_WINDOW, 0, 4096),
                                   nullptr);
        if (reply && reply->format == 32) {
            const auto* ids = static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
            list = QList<xcb_window_t>(ids, ids + xcb_get_property_value_length(reply) / 4);
        }
        free(reply);
        return list;
    }
    QByteArray text(xcb_window_t window, const char* property) {
        xcb_get_property_reply_t* reply =
            xcb_get_property_reply(connection_,
                                   xcb_get_property(connection_, 0, window, atom(property),
                                                    XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
                                   nullptr);
        QByteArray value;
        if (reply && reply->format == 8)
            value = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                               xcb_get_property_value_length(reply))
                        .replace('\0', ' ')
                        .trimmed();
        free(reply);
        return value;
    }
    void remove(const char* property) {
        xcb_delete_property(connection_, root_, atom(property));
        roundTrip();
    }
    xcb_window_t selectionOwner(const char* selection) {
        xcb_get_selection_owner_reply_t* reply = xcb_get_selection_owner_reply(
            connection_, xcb_get_selection_owner(connection_, atom(selection)), nullptr);
        const xcb_window_t owner = reply ? reply->owner : 0;
        free(reply);
        return owner;
    }
    // A small window of this connection, shown; the same one again after hideProbe().
    xcb_window_t showProbe() {
        if (!window_) {
            window_ = xcb_generate_id(connection_);
            xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, root_, 0, 0, 10, 10, 0,
                              XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        }
        xcb_map_window(connection_, window_);
        roundTrip();
        return window_;
    }
    void hideProbe() {
        xcb_unmap_window(connection_, window_);
        roundTrip();
    }

private:
    // Waits until the server has handled every request sent so far.
    void roundTrip() {
        free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    }

    xcb_connection_t* connection_;
    xcb_window_t root_ = 0;
    xcb_window_t window_ = 0;
};

// What became of a window manager that did not come up: whether it still runs or how it
// ended, what it wrote, and who holds the screen's window-manager selection.
inline QString windowManagerState(QProcess& process, X11Root& root) {
    QString words;
    if (process.state() != QProcess::NotRunning) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(process.processId()));
        QFile wchan(QStringLiteral("/proc/%1/wchan").arg(process.processId()));
        const QByteArray line = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
        const qsizetype end = line.lastIndexOf(')');
        words =
            QStringLiteral("%1 still runs (pid %2, state %3, waiting in %4)")
                .arg(process.program())
                .arg(process.processId())
                .arg(QString::fromLatin1(end < 0 ? "?" : line.mid(end + 2, 1)))
                .arg(QString::fromLatin1(wchan.open(QIODevice::ReadOnly) ? wchan.readAll() : "?"));
    } else if (process.error() == QProcess::FailedToStart) {
        words = process.program() + QStringLiteral(" did not start: ") + process.errorString();
    } else {
        words = process.exitStatus() == QProcess::CrashExit
                    ? process.program() + QStringLiteral(" crashed")
                    : QStringLiteral("%1 ended with exit status %2")
                          .arg(process.program())
                          .arg(process.exitCode());
    }
    const QByteArray output = process.readAll().trimmed();
    words += output.isEmpty() ? QStringLiteral("; it wrote nothing")
                              : QStringLiteral("; it wrote:\n") + QString::fromLocal8Bit(output);
    const xcb_window_t owner = root.selectionOwner("WM_S0");
    words += owner
                 ? QStringLiteral("\nthe window-manager selection is held by window 0x%1 (\"%2\")")
                       .arg(owner, 0, 16)
                       .arg(QString::fromUtf8(root.text(owner, "_NET_WM_NAME")))
                 : QStringLiteral("\nno one holds the window-manager selection");
    const QList<xcb_window_t> check = root.windows("_NET_SUPPORTING_WM_CHECK");
    words += check.isEmpty() ? QStringLiteral("; the root names no window manager")
                             : QStringLiteral("; the root names window 0x%1 as its window manager")
                                   .arg(check.first(), 0, 16);
    return words;
}

// Starts openbox in `process` and succeeds once it manages the screen (it has set its
// _NET_SUPPORTING_WM_CHECK window) and takes on new windows; fails within a few seconds
// otherwise, saying what became of openbox. A window manager that ended before leaves its
// properties behind, and the X server hands a new client the window ids of one that has gone:
// they are removed first, so that neither passes for the new manager's word.
inline ::testing::AssertionResult startWindowManager(QProcess& process) {
    X11Root root;
    if (!root.connected())
        return ::testing::AssertionFailure() << "no X server at DISPLAY";
    for (const char* property : {"_NET_SUPPORTING_WM_CHECK", "_NET_ACTIVE_WINDOW",
                                 "_NET_CLIENT_LIST", "_NET_CLIENT_LIST_STACKING"})
        root.remove(property);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    const auto managing = [&] { return !root.windows("_NET_SUPPORTING_WM_CHECK").isEmpty(); };
    if (!QTest::qWaitFor([&] { return managing() || process.state() == QProcess::NotRunning; },
                         5000) ||
        !managing())
        return ::testing::AssertionFailure() << "openbox did not take the screen: "
                                             << windowManagerState(process, root).toStdString();
    // Even then openbox sometimes never takes on a window mapped in its first moments: it stays
    // undecorated and can never be activated. A probe window that it lists among its clients
    // shows that it manages new windows; one it missed is mapped again.
    const bool manages = QTest::qWaitFor(
        [&] {
            const xcb_window_t probe = root.showProbe();
            if (QTest::qWaitFor([&] { return root.windows("_NET_CLIENT_LIST").contains(probe); },
                                1000))
                return true;
            root.hideProbe();
            return false;
        },
        5000);
    if (!manages)
        return ::testing::AssertionFailure() << "openbox took the screen but no new window: "
                                             << windowManagerState(process, root).toStdString();
    return ::testing::AssertionSuccess();
}

// What a user turns on in the desktop's settings: applications started from now on show their
// fields to assistive programs.
inline void turnOnAccessibility() {
    runProgram(QStringLiteral("dbus-send"),
               {QStringLiteral("--session"), QStringLiteral("--print-reply"),
                QStringLiteral("--dest=org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                QStringLiteral("org.freedesktop.DBus.Properties.Set"),
                QStringLiteral("string:org.a11y.Status"), QStringLiteral("string:IsEnabled"),
                QStringLiteral("variant:boolean:true")});
}

// Where a window sits on the screen, as xdotool reports it.
struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    // How far `px`,`py` lies outside the rectangle (0 inside it).
    int distanceTo(int px, int py) const {
        const int dx = std::max({x - px, 0, px - (x + width)});
        const int dy = std::max({y - py, 0, py - (y + height)});
        return std::max(dx, dy);
    }
};

inline ScreenRect windowRect(quint64 window) {
    const QByteArray shell = runProgram(
        QStringLiteral("xdotool"),
        {QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), QString::number(window)});
    ScreenRect r;
    for (const QByteArray& line : shell.split('\n')) {
        const QList<QByteArray> pair = line.split('=');
        if (pair.size() != 2)
            continue;
        const int value = pair[1].toInt();
        if (pair[0] == "X")
            r.x = value;
        else if (pair[0] == "Y")
            r.y = value;
        else if (pair[0] == "WIDTH")
            r.width = value;
        else if (pair[0] == "HEIGHT")
            r.height = value;
    }
    return r;
}

// Diodon keeps its history in Zeitgeist's database, which the session bus starts with the
// session's environment: under the session's data folder (scripts/x11-session keeps it beside
// the runtime folder), in a folder the database does not make itself.
inline void prepareDiodon() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty()) {
        QDir().mkpath(QDir::cleanPath(runtime + QStringLiteral("/../data/zeitgeist")));
    }
}

