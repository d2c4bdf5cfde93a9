// What Tavrin costs while it waits with the panel hidden: how often its threads wake up and
// how much memory it keeps, beside a minimal Qt program that only shows a tray icon, measured
// over the same seconds. Tavrin opens and closes its panel once first, so that what a shown
// panel leaves running is counted. The accessibility bus is on, as for a user who allowed it:
// without it Tavrin opens its settings on the permissions tab, whose list reads the
// permissions every second while it shows. The measure stops when any Tavrin window but the
// tray icon shows. Wake-ups are the context switches of every thread
// (/proc/PID/task/*/status). Needs an X server with a window manager, for example:
//   scripts/x11-session sh -c 'openbox --sm-disable & sleep 1; exec IdleBench [SECONDS]'
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>
#include <map>

#include "RealProgram.h"

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

qint64 field(const QByteArray& status, const QByteArray& name) {
    const qsizetype at = status.indexOf("\n" + name + ":");
    if (at < 0)
        return 0;
    return status.mid(at + name.size() + 2, status.indexOf('\n', at + 1) - at - name.size() - 2)
        .trimmed()
        .split(' ')
        .first()
        .toLongLong();
}

// Context switches so far of each thread of `pid`, by thread id, with the thread's name.
std::map<QString, std::pair<QByteArray, qint64>> switches(qint64 pid) {
    std::map<QString, std::pair<QByteArray, qint64>> threads;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& tid : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QByteArray status = "\n" + readAll(tasks + "/" + tid + "/status");
        threads[tid] = {
            readAll(tasks + "/" + tid + "/comm").trimmed(),
            field(status, "voluntary_ctxt_switches") + field(status, "nonvoluntary_ctxt_switches")};
    }
    return threads;
}

void report(const char* name, qint64 pid,
            const std::map<QString, std::pair<QByteArray, qint64>>& before, double seconds) {
    const auto after = switches(pid);
    qint64 total = 0;
    QByteArray busiest;
    for (const auto& [tid, thread] : after) {
        const auto earlier = before.find(tid);
        const qint64 woke = thread.second - (earlier == before.end() ? 0 : earlier->second.second);
        total += woke;
        if (woke > 0)
            busiest += " " + thread.first + "(" + tid.toLatin1() +
                       ")=" + QByteArray::number(woke / seconds, 'f', 2);
    }
    const QByteArray status = "\n" + readAll(QStringLiteral("/proc/%1/status").arg(pid));
    // Most of what is resident are the libraries' pages, which the desktop's other Qt
    // programs share; the anonymous part is the program's own.
    std::printf(
        "  %-16s %6.2f wake-ups/s  %6.1f MB resident (%4.1f MB its own)  threads awake:%s\n", name,
        total / seconds, field(status, "VmRSS") / 1024.0, field(status, "RssAnon") / 1024.0,
        busiest.isEmpty() ? " none" : busiest.constData());
}

// The titles of the windows of class `instance` that show on the screen outside the tray:
// under a window manager a program's windows sit in frames, so the search goes down the tree.
QStringList shownWindows(xcb_connection_t* c, xcb_window_t window, const QByteArray& instance) {
    QStringList titles;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
    if (!tree)
        return titles;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        xcb_get_window_attributes_reply_t* attributes =
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, children[i]), nullptr);
        const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attributes);
        if (!viewable)
            continue;
        const auto property = [&](xcb_atom_t name) {
            xcb_get_property_reply_t* reply = xcb_get_property_reply(
                c, xcb_get_property(c, 0, children[i], name, XCB_GET_PROPERTY_TYPE_ANY, 0, 256),
                nullptr);
            QByteArray value;
            if (reply)
                value = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                                   xcb_get_property_value_length(reply));
            std::free(reply);
            return value;
        };
        const QByteArray windowClass = property(XCB_ATOM_WM_CLASS);
        if (windowClass.startsWith(QByteArray("panel\0trayer", 12)))
            continue;  // the tray and the icons docked in it
        if (windowClass.startsWith(instance + '\0'))
            titles << QString::fromUtf8(property(XCB_ATOM_WM_NAME));
        else
            titles << shownWindows(c, children[i], instance);
    }
    std::free(tree);
    return titles;
}

QStringList shownWindows(const QByteArray& instance) {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    const QStringList titles =
        shownWindows(c, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root, instance);
    xcb_disconnect(c);
    return titles;
}

void key(const char* keys) {
    QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QLatin1String(keys)});
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    Tray tray;
    if (!tray.ready()) {
        std::fprintf(stderr, "trayer did not start\n");
        return 1;
    }
    // As the introduction leaves it when the user allows it.
    enableAccessibilityBus();
    const ProgramHome tavrinHome;
    tavrinHome.useFreeShortcut();
    const ProgramHome minimalHome;
    QProcess tavrin;
    tavrin.setProcessEnvironment(tavrinHome.environment());
    tavrin.setStandardErrorFile(QProcess::nullDevice());
    tavrin.start(QStringLiteral(TAVRIN_EXECUTABLE), {});
    QElapsedTimer waited;
    waited.start();
    while (!tray.holds("tavrin") && waited.elapsed() < 10000)
        QThread::msleep(10);
    QThread::msleep(1000);
    key("ctrl+shift+space");
    QThread::msleep(1500);
    key("Escape");

    QProcess minimal;
    minimal.setProcessEnvironment(minimalHome.environment());
    minimal.start(QStringLiteral(MINIMAL_TRAY_EXECUTABLE), {});
    // Both settle: start-up work, the panel's closing, the accessibility bus's first answers.
    QThread::msleep(3000);

    const auto stopBoth = [&] {
        for (QProcess* process : {&tavrin, &minimal}) {
            process->terminate();
            process->waitForFinished(5000);
        }
    };
    if (const QStringList shown = shownWindows("tavrin"); !shown.isEmpty()) {
        std::fprintf(stderr, "Tavrin shows a window, so it does not idle: %s\n",
                     qPrintable(shown.join(QStringLiteral(", "))));
        stopBoth();
        return 1;
    }
    const auto tavrinBefore = switches(tavrin.processId());
    const auto minimalBefore = switches(minimal.processId());
    QThread::sleep(seconds);
    std::printf("idle with the panel hidden, %d s\n", seconds);
    report("Tavrin", tavrin.processId(), tavrinBefore, seconds);
    report("minimal Qt tray", minimal.processId(), minimalBefore, seconds);
    stopBoth();
    return 0;
}
