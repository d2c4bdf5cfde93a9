#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "LoginShells.h"
#include "support/Files.h"

// A hostile row: a template, the value of its "{{a}}", the refusal expected, and what the
// folder holds where it runs unchecked (`files`: name and content).
struct SandboxedRow {
    QString text;
    QString value;
    ShellCommand::Refusal::Reason reason;
    QString construct;
    QList<std::pair<QString, QByteArray>> files = {};
    QStringList environment = {};
};

// The row is refused, naming the placeholder and the piece of the template; run as written,
// without the reader, in the sandbox (whose home folder is the folder it runs in), it creates
// the canary, so the row is a value that runs there.
inline void expectRefusedAndRunsUnchecked(const SandboxedRow& row) {
    expectRefused(row.text, row.value, row.reason, row.construct);
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    writeFile(folder.filePath("notes.txt"), "Fix eins\nzwei\n");
    for (const auto& [name, content] : row.files)
        writeFile(folder.filePath(name), content);
    runSandboxed(ShellCommand::display(row.text, {{"a", row.value}}), folder.path(),
                 QStringList{"HOME=" + folder.path()} + row.environment);
    EXPECT_TRUE(QFile::exists(folder.filePath("canary")))
        << row.text.toStdString() << " did not run " << row.value.toStdString();
}
