#pragma once

#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

#include "Platform/AccessibilityTree.h"
#include "Platform/AppPaths.h"
#include "Platform/linux/AtspiAccessibilityTree.h"
#include "support/Programs.h"
#include "support/SoundServer.h"

// True while a process with this id exists and is not a zombie waiting for its parent.
// How long, in milliseconds, an insertion may take on a busy machine before its toast shows:
// the paste first reads the clipboard's owner (up to 1 s), waits for held modifiers (0.8 s)
// and for the field's read (0.7 s), lets the paste land (0.6 s) and reads the field again
// (0.7 s).
inline constexpr int toastWithinMs = 6000;

inline bool processAlive(qint64 pid) {
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) != 0)
        return false;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype end = line.lastIndexOf(')');
    return end < 0 || line.mid(end + 2, 1) != "Z";
}

// A user's desktop for one scenario, inside the X server and session bus the test runs in:
// openbox, the accessibility bus turned on, a private PulseAudio, trayer, and a home of its
// own. Tavrin is started as the README starts it (the program, no arguments), with
// Control+Shift+Space as its shortcut since openbox keeps Alt+Space. Everything it started
// ends with it.
class ScenarioDesktop {
public:
    // `sound`: the sound server's device module (SoundServer::kPipeMicrophone: a microphone
    // the test speaks into through sound()).
    explicit ScenarioDesktop(
        const QString& sound = QStringLiteral("module-null-sink sink_name=speakers"))
        : sound_(sound) {}
    ~ScenarioDesktop() {
        // Tavrin first, while the desktop it lives on is still there.
        stop(tavrin);
        for (auto it = clients_.rbegin(); it != clients_.rend(); ++it)
            stop(**it);
        stop(trayer_);
        stop(windowManager_);
    }

    // Brings the desktop up; false with `problem` set when a piece does not come up.
    bool start() {
        if (!home_.isValid())
            return fail("no temporary home");
        if (!sound_.running())
            return fail("PulseAudio did not start");
        if (const ::testing::AssertionResult started = startWindowManager(windowManager_); !started)
            return fail(started.message());
        turnOnAccessibility();
        trayer_.start(QStringLiteral("trayer"), {"--edge", "top", "--align", "right", "--widthtype",
                                                 "pixel", "--width", "200", "--height", "32"});
        if (!QTest::qWaitFor([&] { return trayWindow() != 0; }, 5000))
            return fail("trayer did not show its panel");

        environment = QProcessEnvironment::systemEnvironment();
        environment.remove("QT_QPA_PLATFORM");
        for (const char* folder : {"home", "config", "data", "cache", "run"})
            QDir().mkpath(home_.filePath(QLatin1String(folder)));
        QFile::setPermissions(home_.filePath("run"), QFileDevice::ReadOwner |
                                                         QFileDevice::WriteOwner |
                                                         QFileDevice::ExeOwner);
        environment.insert("HOME", home_.filePath("home"));
        environment.insert("XDG_CONFIG_HOME", home_.filePath("config"));
        environment.insert("XDG_DATA_HOME", home_.filePath("data"));
        environment.insert("XDG_CACHE_HOME", home_.filePath("cache"));
        environment.insert("XDG_RUNTIME_DIR", home_.filePath("run"));
        const QString defaults =
            home_.filePath("config/") + Platform::AppPaths::applicationId() + "/defaults.conf";
        QDir().mkpath(QFileInfo(defaults).path());
        QSettings settings(defaults, QSettings::IniFormat);
        // Control+Shift+Space in the stored form: Space is 49, Control 0x1000, Shift 0x200.
        settings.setValue(QStringLiteral("GlobalShortcuts_invokeAssistant"),
                          QStringLiteral(R"({"carbonKeyCode":49,"carbonModifiers":4608})"));
        return true;
    }

    // Alt+Space, the shortcut a new user has, instead of the free one.
    void useDefaultShortcut() {
        QSettings(
            home_.filePath("config/") + Platform::AppPaths::applicationId() + "/defaults.conf",
            QSettings::IniFormat)
            .remove(QStringLiteral("GlobalShortcuts_invokeAssistant"));
    }

    QString homePath(const QString& relative = {}) const { return home_.filePath(relative); }
    const SoundServer& sound() const { return sound_; }

    // settings.json as a user who finished the introduction and uses the stand-in `claude`
    // has it; `extra` adds fields ("key": value, …).
    void writeSettings(const QByteArray& extra = {}) {
        const QString folder = home_.filePath("data/") + Platform::AppPaths::applicationId();
        QDir().mkpath(folder);
        QFile file(folder + QStringLiteral("/settings.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(R"({"onboardingCompleted": true, "includeScreenshot": false, )"
                   R"("claudePath": ")" TAVRIN_FIXTURES_DIR R"(/bin/claude", )"
                   R"("codexPath": ")" TAVRIN_FIXTURES_DIR R"(/bin/codex")" +
                   (extra.isEmpty() ? QByteArray() : ", " + extra) + "}");
    }

    // Another application on this desktop, started with the desktop's environment.
    QProcess& startClient(const QString& program, const QStringList& arguments) {
        clients_.push_back(std::make_unique<QProcess>());
        QProcess& client = *clients_.back();
        QProcessEnvironment clientEnvironment = environment;
        clientEnvironment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        client.setProcessEnvironment(clientEnvironment);
        client.start(program, arguments);
        return client;
    }

    // `channels`: ForwardedOutputChannel keeps what Tavrin writes to standard error for the test.
    void startTavrin(QProcess::ProcessChannelMode channels = QProcess::ForwardedErrorChannel) {
        tavrin.setProcessEnvironment(environment);
        tavrin.setProcessChannelMode(channels);
        tavrin.start(QStringLiteral(TAVRIN_EXECUTABLE), {});
        ASSERT_TRUE(tavrin.waitForStarted());
    }

    // Presses the shortcut until Tavrin, started a moment ago, has grabbed it and its panel
    // has the keyboard.
    bool openPanel() {
        return QTest::qWaitFor(
            [&] {
                key(QStringLiteral("ctrl+shift+space"));
                return QTest::qWaitFor([&] { return focusedPid() == tavrin.processId(); }, 1500);
            },
            20000);
    }

    void key(const QString& keys) {
        runProgram(QStringLiteral("xdotool"), {QStringLiteral("key"), keys});
    }
    void type(const QString& text) {
        runProgram(QStringLiteral("xdotool"),
                   {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), text});
    }
    void movePointer(int x, int y) {
        runProgram(QStringLiteral("xdotool"),
                   {QStringLiteral("mousemove"), QString::number(x), QString::number(y)});
    }
    quint64 focusedWindow() {
        return runProgram(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")})
            .trimmed()
            .toULongLong();
    }
    qint64 focusedPid() {
        return runProgram(QStringLiteral("xdotool"),
                          {QStringLiteral("getwindowfocus"), QStringLiteral("getwindowpid")})
            .trimmed()
            .toLongLong();
    }

    // trayer's panel window, 0 while it has none.
    static quint64 trayWindow() {
        return runProgram(QStringLiteral("xdotool"),
                          {QStringLiteral("search"), QStringLiteral("--classname"),
                           QStringLiteral("^panel$")})
            .split('\n')
            .first()
            .toULongLong();
    }

    // Where Tavrin's icon sits in the tray: its centre on the screen, or nothing while the
    // tray has not taken it.
    std::optional<QPoint> trayIconCentre() const {
        const QByteArray tree = runProgram(QStringLiteral("xwininfo"),
                                           {QStringLiteral("-root"), QStringLiteral("-tree")});
        const qsizetype panel = tree.indexOf("(\"panel\" \"trayer\")");
        if (panel < 0)
            return std::nullopt;
        const qsizetype icon = tree.indexOf("(\"tavrin\" \"Tavrin\")", panel);
        if (icon < 0)
            return std::nullopt;
        // "…("tavrin" "Tavrin")  22x22+0+0  +1100+5"
        const QByteArray line = tree.mid(icon, tree.indexOf('\n', icon) - icon);
        const QList<QByteArray> parts = line.simplified().split(' ');
        if (parts.size() < 4)
            return std::nullopt;
        const QList<QByteArray> size = parts[2].split('x');
        const QList<QByteArray> place = parts[3].mid(1).split('+');
        if (size.size() != 2 || place.size() != 2)
            return std::nullopt;
        return QPoint(place[0].toInt() + size[0].toInt() / 2,
                      place[1].toInt() + size[1].split('+').first().toInt() / 2);
    }

    // Tavrin's element of `role` (as the accessibility bus names roles: "push button") whose
    // name is `name`, or null; searched through every window of the program.
    Platform::AccessibleRef element(const QString& role, const QString& name) {
        Platform::AccessibleRef found;
        walk([&](const Platform::AccessibleRef& e, int) {
            if (!found && e->role() == role && e->name() == name)
                found = e;
            return !found;
        });
        return found;
    }
    // The reply the panel shows (the text of its answer view), empty while there is none.
    QString replyText() {
        QString reply;
        walk([&](const Platform::AccessibleRef& e, int) {
            if (e->role() == QLatin1String("AXTextArea"))
                reply = e->text();
            return reply.isEmpty();
        });
        return reply;
    }
    // Whether an element of Tavrin's of `role` named `name` is on the screen: a hidden one has
    // no place there.
    bool onScreen(const QString& role, const QString& name) {
        bool shown = false;
        walk([&](const Platform::AccessibleRef& e, int) {
            shown = e->role() == role && e->name() == name && e->frame();
            return !shown;
        });
        return shown;
    }
    // Whether the panel shows its reply done, as its user sees it: its "Einfügen" button, and
    // Control+Return with it, is on the screen. While the reply streams, that key does nothing.
    bool replyDone() { return onScreen(QStringLiteral("push button"), QStringLiteral("Einfügen")); }
    // The text of the first field another program (`pid`) shows that can be typed in and is
    // not a password, as a screen reader reads it; nothing when there is none.
    std::optional<QString> fieldText(qint64 pid) {
        std::optional<QString> text;
        walk(pid, [&](const Platform::AccessibleRef& e, int) {
            if (e->isEditable() == true && e->isPassword() == false)
                text = e->text();
            return !text;
        });
        return text;
    }
    // Clicks the middle of Tavrin's element as a user would; false when it is not there.
    bool click(const QString& role, const QString& name) {
        const Platform::AccessibleRef target = element(role, name);
        const std::optional<QRectF> frame = target ? target->frame() : std::nullopt;
        if (!frame)
            return false;
        movePointer(int(frame->center().x()), int(frame->center().y()));
        runProgram(QStringLiteral("xdotool"), {QStringLiteral("click"), QStringLiteral("1")});
        return true;
    }
    // What Tavrin shows to assistive programs: one line an element, indented by depth.
    QString accessibleTree() {
        QString lines;
        walk([&](const Platform::AccessibleRef& e, int depth) {
            const QString text = e->text();
            lines +=
                QString(depth * 2, QLatin1Char(' ')) + e->role() + QStringLiteral(" \"") +
                e->name() + QStringLiteral("\"") +
                (text.isEmpty() ? QString() : QStringLiteral(" text \"%1\"").arg(text.left(80))) +
                QLatin1Char('\n');
            return true;
        });
        return lines;
    }

    // A picture of the whole screen in the build folder; returns its path.
    static QString screenshot(const QString& name) {
        const QString path = QStringLiteral(TAVRIN_BINARY_DIR "/scenario-") + name + ".png";
        runProgram(QStringLiteral("import"),
                   {QStringLiteral("-window"), QStringLiteral("root"), path});
        return path;
    }

    // What the screen showed, in words: every visible window that has a title with its title and
    // process, and which one had the keyboard.
    QString screenInWords() {
        QString words = QStringLiteral("windows on the screen:\n");
        const QList<QByteArray> windows =
            runProgram(QStringLiteral("xdotool"),
                       {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                        QStringLiteral("--name"), QStringLiteral("")})
                .trimmed()
                .split('\n');
        for (const QByteArray& window : windows) {
            if (window.isEmpty())
                continue;
            const QString id = QString::fromLatin1(window);
            const QByteArray title =
                runProgram(QStringLiteral("xdotool"), {QStringLiteral("getwindowname"), id})
                    .trimmed();
            if (title.isEmpty())
                continue;
            const ScreenRect r = windowRect(window.toULongLong());
            words += QStringLiteral("  %1 \"%2\" pid %3 at %4,%5 %6x%7\n")
                         .arg(id, QString::fromUtf8(title),
                              QString::fromLatin1(runProgram(QStringLiteral("xdotool"),
                                                             {QStringLiteral("getwindowpid"), id})
                                                      .trimmed()))
                         .arg(r.x)
                         .arg(r.y)
                         .arg(r.width)
                         .arg(r.height);
        }
        words += QStringLiteral("keyboard with window %1 of pid %2; Tavrin is pid %3 (%4)\n")
                     .arg(focusedWindow())
                     .arg(focusedPid())
                     .arg(tavrin.processId())
                     .arg(tavrin.state() == QProcess::Running ? QStringLiteral("running")
                                                              : QStringLiteral("ended"));
        return words;
    }

    // Visits Tavrin's elements (or those of program `pid`) depth first until `visit` returns
    // false.
    template <typename Visit>
    void walk(Visit visit) {
        walk(tavrin.processId(), visit);
    }
    template <typename Visit>
    void walk(qint64 pid, Visit visit) {
        if (!tree_) {
            tree_ = Platform::AtspiAccessibilityTree::create();
            if (!tree_)
                return;
            tree_->setCallTimeout(std::chrono::milliseconds(2000));
        }
        const Platform::AccessibleRef application = tree_->application(qint32(pid));
        if (!application)
            return;
        std::function<bool(const Platform::AccessibleRef&, int)> down =
            [&](const Platform::AccessibleRef& e, int depth) {
                if (!visit(e, depth))
                    return false;
                if (depth < 30)
                    for (const Platform::AccessibleRef& child : e->children())
                        if (child && !down(child, depth + 1))
                            return false;
                return true;
            };
        down(application, 0);
    }

    // The identity of the element that has the keyboard in program `pid`, as the bus tells it;
    // empty while it tells none.
    QString focusedElement(qint64 pid) {
        QString identity;
        walk(pid, [&](const Platform::AccessibleRef& application, int) {
            const Platform::AccessibleRef window = application->focusedWindow();
            const Platform::AccessibleRef element = window ? window->focusedElement() : nullptr;
            identity = element ? element->identity() : QString();
            return false;
        });
        return identity;
    }

    QString problem;
    QProcessEnvironment environment;
    QProcess tavrin;

private:
    bool fail(const char* why) {
        problem = QString::fromUtf8(why);
        return false;
    }
    static void stop(QProcess& process) {
        if (process.state() == QProcess::NotRunning)
            return;
        process.terminate();
        if (!process.waitForFinished(5000)) {
            process.kill();
            process.waitForFinished(2000);
        }
    }

    std::unique_ptr<Platform::AccessibilityTree> tree_;
    QTemporaryDir home_;
    SoundServer sound_;
    QProcess windowManager_;
    QProcess trayer_;
    std::vector<std::unique_ptr<QProcess>> clients_;
};

// Directly below the field or, where there is no room, directly above it, and left-aligned
// with it; the scenarios keep the pointer far away.
inline void expectBeside(const ScreenRect& shown, const QRectF& field) {
    const bool below = shown.y >= int(field.bottom()) - 2 && shown.y < int(field.bottom()) + 60;
    const bool above = shown.y + shown.height <= int(field.top()) + 2 &&
                       shown.y + shown.height > int(field.top()) - 60;
    EXPECT_TRUE(below || above) << "the panel at y " << shown.y << " to " << shown.y + shown.height
                                << " is not by the field from " << field.top() << " to "
                                << field.bottom();
    EXPECT_GE(shown.x, int(field.left()) - 20);
    EXPECT_LT(shown.x, int(field.left()) + 60) << "the panel is not by the field";
}

// A scenario: the desktop comes up before, and afterwards the screen is kept as a picture in
// the build folder; when the scenario failed, the picture's path and what the screen showed
// are printed.
class ScenarioTest : public ::testing::Test {
protected:
    ScenarioTest() = default;
    explicit ScenarioTest(const QString& sound) : desktop(sound) {}

    void SetUp() override { ASSERT_TRUE(desktop.start()) << desktop.problem.toStdString(); }
    void TearDown() override {
        const QString name =
            QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
        const QString picture = ScenarioDesktop::screenshot(name);
        if (HasFailure())
            std::fprintf(stderr, "The screen at the end: %s\n%sTavrin's accessible elements:\n%s",
                         qPrintable(picture), qPrintable(desktop.screenInWords()),
                         qPrintable(desktop.accessibleTree()));
    }

    // Whether Tavrin shows an element named `name`.
    bool tavrinShows(const QString& name) {
        bool found = false;
        desktop.walk([&](const Platform::AccessibleRef& e, int) {
            found = e->name() == name;
            return !found;
        });
        return found;
    }

    ScenarioDesktop desktop;
};
