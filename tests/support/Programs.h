#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>
#include <QWidget>
#include <algorithm>

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

// Starts openbox in `process` and returns once it manages the screen (it has set its
// _NET_SUPPORTING_WM_CHECK window) and takes on new windows; false when it does not within a
// few seconds. A window
// manager that ended before leaves its properties behind, and the X server hands a new client
// the window ids of one that has gone: they are removed first, so that neither passes for the
// new manager's word.
inline bool startWindowManager(QProcess& process) {
    for (const char* property : {"_NET_SUPPORTING_WM_CHECK", "_NET_ACTIVE_WINDOW",
                                 "_NET_CLIENT_LIST", "_NET_CLIENT_LIST_STACKING"})
        runProgram(QStringLiteral("xprop"),
                   {QStringLiteral("-root"), QStringLiteral("-remove"), property});
    process.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    const QStringList check{QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")};
    if (!QTest::qWaitFor(
            [&] { return runProgram(QStringLiteral("xprop"), check).contains("window id"); }, 5000))
        return false;
    // Even then openbox sometimes never takes on a window mapped in its first moments: it stays
    // undecorated and can never be activated. A probe window that it lists among its clients
    // shows that it manages new windows; one it missed is mapped again.
    QWidget probe;
    probe.resize(10, 10);
    const QStringList clients{QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST")};
    return QTest::qWaitFor(
        [&] {
            probe.show();
            const QByteArray id = "0x" + QByteArray::number(quint64(probe.winId()), 16);
            if (QTest::qWaitFor(
                    [&] {
                        const QByteArray listed = runProgram(QStringLiteral("xprop"), clients);
                        return listed.contains(id + ',') || listed.trimmed().endsWith(id);
                    },
                    1000))
                return true;
            probe.hide();
            return false;
        },
        5000);
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
