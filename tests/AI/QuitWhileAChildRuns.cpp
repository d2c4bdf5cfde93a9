// Runs the script it is given, prints "group N" once the script's first line (its process
// group) came, cancels the run and quits at once: the child is still there as the program
// ends, which the line process test watches from outside.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <cstdio>

#include "AI/LineProcess.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    QList<QByteArray> lines;
    auto run = LineProcess::run(
        QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QString::fromLocal8Bit(argv[1])},
        std::nullopt, QDir::tempPath(), [&](const QByteArray& line) { lines << line; }, {});
    const QDeadlineTimer deadline(5000);
    while (lines.isEmpty() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    if (lines.isEmpty())
        return 1;
    std::printf("group %s\n", lines[0].constData());
    std::fflush(stdout);
    run->cancel();
    return 0;
}
