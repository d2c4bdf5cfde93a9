#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QString>
#include <QStringList>

// Long expected texts live as files under tests/fixtures. A file's single final line feed is
// not part of the text, so the files stay ordinary text files.
inline QString readGolden(const QString& relativePath) {
    QFile file(QStringLiteral(TAVRIN_FIXTURES_DIR "/") + relativePath);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read golden file " << relativePath.toStdString();
        return {};
    }
    QString text = QString::fromUtf8(file.readAll());
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    return text;
}

// Compares line by line first, so that a failure names the first line that differs.
inline void expectGolden(const QString& actual, const QString& relativePath) {
    const QString expected = readGolden(relativePath);
    const QStringList want = expected.split(QLatin1Char('\n'));
    const QStringList got = actual.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < std::min(want.size(), got.size()); ++i) {
        if (want[i] != got[i]) {
            ADD_FAILURE() << relativePath.toStdString() << " line " << i + 1
                          << "\n  expected: " << want[i].toStdString()
                          << "\n  actual:   " << got[i].toStdString();
            return;
        }
    }
    EXPECT_EQ(got.size(), want.size()) << relativePath.toStdString() << ": line count differs";
    EXPECT_EQ(actual, expected);
}
