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
