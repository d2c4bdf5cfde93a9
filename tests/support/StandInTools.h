#pragma once

#include <QFile>
#include <QTemporaryDir>

#include "Settings/AssistantSettings.h"
#include "support/Files.h"
#include "support/ScopedEnv.h"

// The stand-in `claude` and `codex` programs in tests/fixtures/setup: they take their answers
// from files in a private folder and count their calls there, one line per call.
struct StandInTools {
    QTemporaryDir folder;
    ScopedEnv variable{"FAKE_TOOL_DIR", folder.path()};

    // Settings that point at the stand-ins.
    static AssistantSettings settings() {
        AssistantSettings settings;
        settings.claudePath = QStringLiteral(TAVRIN_FIXTURES_DIR "/setup/claude");
        settings.codexPath = QStringLiteral(TAVRIN_FIXTURES_DIR "/setup/codex");
        return settings;
    }
    QString file(const QString& name) const { return folder.filePath(name); }
    void write(const QString& name, const QByteArray& content = {}) const {
        writeFile(file(name), content);
    }
    void remove(const QString& name) const { QFile::remove(file(name)); }
    int lines(const QString& name) const { return readFile(file(name)).count('\n'); }
    qint64 number(const QString& name) const { return readFile(file(name)).trimmed().toLongLong(); }
};
