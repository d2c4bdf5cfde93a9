#pragma once

#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>

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
// _NET_SUPPORTING_WM_CHECK window); false when it does not within five seconds. A window
// manager of an earlier test leaves the property behind, so it is removed first.
inline bool startWindowManager(QProcess& process) {
    const QString name = QStringLiteral("_NET_SUPPORTING_WM_CHECK");
    runProgram(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("-remove"), name});
    const QStringList property{QStringLiteral("-root"), name};
    process.start(QStringLiteral("openbox"), {QStringLiteral("--sm-disable")});
    return QTest::qWaitFor(
        [&] { return runProgram(QStringLiteral("xprop"), property).contains("window id"); }, 5000);
}
