#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

// Starts one of our test windows (a Qt or GTK program that prints "window <id>" once it is
// mapped) and returns that id; 0 when it says nothing of the kind within ten seconds. The
// window goes on the X display whatever platform this process draws on, and on the
// accessibility bus, where the field readers look for it.
inline quint32 startTestWindow(QProcess& process, const QString& program,
                               const QStringList& arguments = {}) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!QTest::qWaitFor([&] { return process.canReadLine(); }, 10000))
        return 0;
    const QByteArray first = process.readLine().trimmed();
    return first.startsWith("window ") ? first.mid(7).toUInt() : 0;
}
