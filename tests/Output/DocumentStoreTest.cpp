#include <fcntl.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include "Output/DocumentStore.h"
#include "Platform/fake/FakeClock.h"
#include "support/Files.h"
#include "support/ScopedEnv.h"

namespace {

class DocumentStoreTest : public ::testing::Test {
protected:
    void SetUp() override { QDir(DocumentStore::folder()).removeRecursively(); }

    // Sets the entry's own modification time (a link's, not its target's).
    void age(const QString& path, int days) {
        const qint64 seconds = clock.now().toSecsSinceEpoch() - qint64(days) * 86400;
        const timespec times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(
            ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW),
            0);
    }

    QString write(const QString& name, int days) {
        const QString path = DocumentStore::folder() + QLatin1Char('/') + name;
        writeFile(path);
        age(path, days);
        return path;
    }

    Platform::FakeClock clock{QDateTime(QDate(2025, 3, 14), QTime(9, 5, 7), Qt::UTC)};
};

}  // namespace

namespace DocumentStore {
void PrintTo(const Parts& parts, std::ostream* out) {
    *out << "{\"" << parts.title.toStdString() << "\", \"" << parts.body.toStdString() << "\"}";
}
}  // namespace DocumentStore

TEST(DocumentStoreSplitTest, TitleLineAndBody) {
    const struct {
        QString text;
        DocumentStore::Parts expected;
    } cases[] = {
        {QStringLiteral("Nur eine Zeile"),
         {QStringLiteral("Dokument"), QStringLiteral("Nur eine Zeile")}},
        {QStringLiteral(""), {QStringLiteral("Dokument"), QString()}},
        {QStringLiteral("#\nText"), {QStringLiteral("Dokument"), QStringLiteral("Text")}},
        {QStringLiteral("   ### Titel  \n\n  Inhalt  \n"),
         {QStringLiteral("Titel"), QStringLiteral("Inhalt")}},
        {QStringLiteral("## Angebot für Müller & Co.\n\nSehr geehrte Damen und Herren,\nanbei."),
         {QStringLiteral("Angebot für Müller & Co."),
          QStringLiteral("Sehr geehrte Damen und Herren,\nanbei.")}},
        // Windows line endings: the title loses its carriage return, the body keeps its lines.
        {QStringLiteral("# Bericht\r\n\r\nZeile eins\r\nZeile zwei\r\n"),
         {QStringLiteral("Bericht"), QStringLiteral("Zeile eins\r\nZeile zwei")}},
        // Only the number signs in front go; one behind a blank belongs to the title.
        {QStringLiteral("\t#\t # Titel\t\r\nText"),
         {QStringLiteral("# Titel"), QStringLiteral("Text")}},
        // Cut to 80 user-perceived characters: the accent of the 80th stays with its letter.
        {QString(79, QLatin1Char('a')) + QStringLiteral("e\u0301xyz\nText"),
         {QString(79, QLatin1Char('a')) + QStringLiteral("e\u0301"), QStringLiteral("Text")}},
        {QStringLiteral("\U0001F600").repeated(81) + QStringLiteral("\nText"),
         {QStringLiteral("\U0001F600").repeated(80), QStringLiteral("Text")}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DocumentStore::split(c.text), c.expected) << c.text.toStdString();
}

TEST(DocumentStoreSplitTest, SlugFromTitle) {
    const struct {
        QString title;
        QString expected;
    } cases[] = {
        {QStringLiteral("Angebot für Müller & Co."), QStringLiteral("Angebot-fur-Muller-Co")},
        {QStringLiteral("!!!"), QStringLiteral("Dokument")},
        {QStringLiteral("Straße"), QStringLiteral("Straße")},
        {QStringLiteral("Café"), QStringLiteral("Cafe")},
        {QStringLiteral("Cafe\u0301 Ölberg"), QStringLiteral("Cafe-Olberg")},
        {QStringLiteral("--Hallo  /  Welt--"), QStringLiteral("Hallo-Welt")},
        {QStringLiteral("Привет 2025"), QStringLiteral("2025")},
        {QStringLiteral("Wort ").repeated(20), QStringLiteral("Wort-").repeated(12)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DocumentStore::slug(c.title), c.expected) << c.title.toStdString();
}

TEST_F(DocumentStoreTest, IsWrittenPrivatelyUnderItsStampAndSlug) {
    const struct {
        QString text;
        QString name;
        QByteArray contents;
    } cases[] = {
        {QStringLiteral("## Angebot für Müller & Co.\n\nSehr geehrte Damen und Herren,\n"),
         QStringLiteral("2025-03-14T09-05-07 Angebot-fur-Muller-Co.md"),
         QStringLiteral("# Angebot für Müller & Co.\n\nSehr geehrte Damen und Herren,\n").toUtf8()},
        // An empty reply still becomes a titled document, with three line feeds.
        {QString(), QStringLiteral("2025-03-14T09-05-07 Dokument.md"), "# Dokument\n\n\n"},
    };
    for (const auto& c : cases) {
        const DocumentStore::SaveResult saved = DocumentStore::save(c.text, clock);
        ASSERT_TRUE(saved.ok()) << saved.error.toStdString();
        EXPECT_EQ(saved.path, DocumentStore::folder() + QLatin1Char('/') + c.name);
        EXPECT_EQ(readFile(saved.path), c.contents);
        EXPECT_EQ(modeOf(saved.path), 0600u);
        EXPECT_EQ(modeOf(DocumentStore::folder()), 0700u);
    }
}

TEST_F(DocumentStoreTest, SameTitleInTheSameSecondKeepsEveryDocument) {
    QStringList names;
    for (const char* body : {"eins", "zwei", "drei"}) {
        const DocumentStore::SaveResult saved =
            DocumentStore::save(QStringLiteral("Notiz\n") + QLatin1String(body), clock);
        ASSERT_TRUE(saved.ok());
        names << QFileInfo(saved.path).fileName();
        EXPECT_EQ(readFile(saved.path), QByteArray("# Notiz\n\n") + body + "\n");
    }
    EXPECT_EQ(names, QStringList({QStringLiteral("2025-03-14T09-05-07 Notiz.md"),
                                  QStringLiteral("2025-03-14T09-05-07 Notiz 2.md"),
                                  QStringLiteral("2025-03-14T09-05-07 Notiz 3.md")}));
}

TEST_F(DocumentStoreTest, CleanUpDeletesOnlyOldDocumentFilesAndLinks) {
    const QString folder = DocumentStore::folder();
    const QString old = write(QStringLiteral("alt.md"), 15);
    const QString recent = write(QStringLiteral("neu.md"), 13);
    const QString otherKind = write(QStringLiteral("alt.txt"), 15);
    const QString upperCase = write(QStringLiteral("alt.MD"), 15);

    // A directory that looks like a document, with a file inside: neither is touched.
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("x.md")));
    const QString inner = write(QStringLiteral("x.md/innen.md"), 15);
    age(folder + QStringLiteral("/x.md"), 15);

    // An old link goes, the old file it points to (outside the naming rule) stays.
    const QString target = write(QStringLiteral("ziel.txt"), 15);
    const QString link = folder + QStringLiteral("/verweis.md");
    ASSERT_TRUE(QFile::link(target, link));
    age(link, 15);

    DocumentStore::cleanUp(14, clock);

    EXPECT_FALSE(QFileInfo::exists(old));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    for (const QString& kept : {recent, otherKind, upperCase, inner, target})
        EXPECT_TRUE(QFileInfo::exists(kept)) << kept.toStdString();
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/x.md")).isDir());
}

TEST_F(DocumentStoreTest, WithoutAHomeNothingIsWrittenAnywhereElse) {
    // A home below a regular file cannot be made, not even by root.
    QTemporaryFile blocker;
    ASSERT_TRUE(blocker.open());
    ScopedEnv data("XDG_DATA_HOME", QString());
    ScopedEnv home("HOME", blocker.fileName() + QStringLiteral("/home"));
    const DocumentStore::SaveResult saved =
        DocumentStore::save(QStringLiteral("Titel\nText"), clock);
    EXPECT_FALSE(saved.ok());
    EXPECT_FALSE(saved.error.isEmpty());
}
