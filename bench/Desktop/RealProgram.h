#pragma once

// The real `tavrin` started as a user starts it, in a home of its own, and the tray it docks
// in, for the benchmarks that measure the whole program.
#include <xcb/xcb.h>

#include <QByteArray>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <cstdlib>
#include <cstring>

#include "support/WindowWatch.h"

// A home with settings as after the introduction; the program's data and runtime folders
// live in it, so a running Tavrin of the user's is not disturbed.
class ProgramHome {
public:
    ProgramHome() {
        for (const char* folder : {"home", "config", "data/org.tavrin.Tavrin", "cache", "run"})
            QDir().mkpath(home_.filePath(QLatin1String(folder)));
        QFile::setPermissions(home_.filePath("run"), QFileDevice::ReadOwner |
                                                         QFileDevice::WriteOwner |
                                                         QFileDevice::ExeOwner);
        QFile settings(home_.filePath("data/org.tavrin.Tavrin/settings.json"));
        if (settings.open(QIODevice::WriteOnly))
            settings.write(R"({"onboardingCompleted": true})");
        environment_ = QProcessEnvironment::systemEnvironment();
        environment_.remove("QT_QPA_PLATFORM");
        environment_.insert("HOME", home_.filePath("home"));
        environment_.insert("XDG_CONFIG_HOME", home_.filePath("config"));
        environment_.insert("XDG_DATA_HOME", home_.filePath("data"));
        environment_.insert("XDG_CACHE_HOME", home_.filePath("cache"));
        environment_.insert("XDG_RUNTIME_DIR", home_.filePath("run"));
    }
    const QProcessEnvironment& environment() const { return environment_; }

    // Control+Shift+Space opens the panel: window managers leave it free, unlike Alt+Space.
    void useFreeShortcut() const {
        QSettings defaults(home_.filePath("config/org.tavrin.Tavrin/defaults.conf"),
                           QSettings::IniFormat);
        defaults.setValue(QStringLiteral("GlobalShortcuts_invokeAssistant"),
                          QStringLiteral(R"({"carbonKeyCode":49,"carbonModifiers":4608})"));
    }

private:
    QTemporaryDir home_;
    QProcessEnvironment environment_;
};

// Turns the accessibility bus on, as a user who granted Tavrin access has it; without it
// Tavrin opens its settings on the permissions at every start.
inline void enableAccessibilityBus() {
    // Waits for the bus's reply; the reply itself is not for the benchmark's output.
    QProcess send;
    send.start(QStringLiteral("dbus-send"),
               {"--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                "org.freedesktop.DBus.Properties.Set", "string:org.a11y.Status", "string:IsEnabled",
                "variant:boolean:true"});
    send.waitForFinished(5000);
}

// trayer on the screen (its window of class "panel"): a program's icon docks as a window
// inside it.
class Tray {
public:
    Tray() : c_(xcb_connect(nullptr, nullptr)) {
        trayer_.start(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype",
                                                 "pixel", "--width", "200", "--height", "32"});
        QElapsedTimer waited;
        waited.start();
        while ((panel_ = findPanel()) == 0 && waited.elapsed() < 5000)
            QThread::msleep(20);
    }
    ~Tray() {
        trayer_.kill();
        trayer_.waitForFinished(2000);
        xcb_disconnect(c_);
    }
    bool ready() const { return panel_ != 0; }
    xcb_window_t panel() const { return panel_; }
    // Whether an icon window of the program whose class starts with `instance` sits in it
    // (the tray keeps the frames of icons that left).
    bool holds(const QByteArray& instance) const {
        return panel_ && holds(panel_, instance + '\0');
    }

private:
    // Under a window manager the panel sits in a frame, so the search goes down the tree.
    xcb_window_t findPanel(xcb_window_t window = XCB_NONE) const {
        if (window == XCB_NONE)
            window = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(c_, xcb_query_tree(c_, window), nullptr);
        if (!tree)
            return 0;
        xcb_window_t found = 0;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i)
            found = wmClass(children[i]).startsWith(QByteArray("panel\0trayer", 12))
                        ? children[i]
                        : findPanel(children[i]);
        std::free(tree);
        return found;
    }
    QByteArray wmClass(xcb_window_t window) const { return wmClassOf(c_, window); }
    bool holds(xcb_window_t window, const QByteArray& instance) const {
        xcb_query_tree_reply_t* tree =
            xcb_query_tree_reply(c_, xcb_query_tree(c_, window), nullptr);
        if (!tree)
            return false;
        bool found = false;
        const xcb_window_t* children = xcb_query_tree_children(tree);
        for (int i = 0; i < xcb_query_tree_children_length(tree) && !found; ++i)
            found = wmClass(children[i]).startsWith(instance) || holds(children[i], instance);
        std::free(tree);
        return found;
    }

    xcb_connection_t* c_;
    QProcess trayer_;
    xcb_window_t panel_ = 0;
};
