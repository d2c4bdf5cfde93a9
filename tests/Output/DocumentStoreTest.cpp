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
        {"Nur eine Zeile", {"Dokument", "Nur eine Zeile"}},
        {"", {"Dokument", QString()}},
        {"#\nText", {"Dokument", "Text"}},
        {"   ### Titel  \n\n  Inhalt  \n", {"Titel", "Inhalt"}},
        {"## Angebot für Müller & Co.\n\nSehr geehrte Damen und Herren,\nanbei.",
         {"Angebot für Müller & Co.", "Sehr geehrte Damen und Herren,\nanbei."}},
        // Windows line endings: the title loses its carriage return, the body keeps its lines.
        {"# Bericht\r\n\r\nZeile eins\r\nZeile zwei\r\n", {"Bericht", "Zeile eins\r\nZeile zwei"}},
        // Only the number signs in front go; one behind a blank belongs to the title.
        {"\t#\t # Titel\t\r\nText", {"# Titel", "Text"}},
        // Cut to 80 user-perceived characters: the accent of the 80th stays with its letter.
        {QString(79, QLatin1Char('a')) + "e\u0301xyz\nText",
         {QString(79, QLatin1Char('a')) + "e\u0301", "Text"}},
        {QStringLiteral("\U0001F600").repeated(81) + "\nText",
         {QStringLiteral("\U0001F600").repeated(80), "Text"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DocumentStore::split(c.text), c.expected) << c.text.toStdString();
}

TEST(DocumentStoreSplitTest, SlugFromTitle) {
    const struct {
        QString title;
        QString expected;
    } cases[] = {
        {"Angebot für Müller & Co.", "Angebot-fuer-Mueller-Co"},
        {"Plan für die Woche", "Plan-fuer-die-Woche"},
        {"!!!", "Dokument"},
        {"Straße", "Strasse"},
        {"GROẞE ÄRZTE ÖFFNEN ÜBER", "GROSSE-AeRZTE-OeFFNEN-UeBER"},
        {"Café", "Cafe"},
        {"Cafe\u0301 O\u0308lberg", "Cafe-Oelberg"},
        {"--Hallo  /  Welt--", "Hallo-Welt"},
        {"Привет 2025", "2025"},
        // Cut at 60 characters right behind a dash, which goes too.
        {QStringLiteral("Wort ").repeated(20), QStringLiteral("Wort-").repeated(11) + "Wort"},
        {QString(59, QLatin1Char('a')) + " b", QString(59, QLatin1Char('a'))},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DocumentStore::slug(c.title), c.expected) << c.title.toStdString();
}

TEST_F(DocumentStoreTest, IsWrittenPrivatelyUnderItsStampAndSlug) {
    // 128 characters; the title's cut at 80 falls inside "und".
    const QString longLine =
        "Zusammenfassung der Besprechung vom Dienstag mit allen Kunden aus dem Vertrieb und "
        "der Entwicklung über alle Pläne im Jahr 2027.";
    ASSERT_EQ(longLine.size(), 128);
    const QString longSlug = "Zusammenfassung-der-Besprechung-vom-Dienstag-mit-allen-Kunde";
    const struct {
        QString text;
        QString name;
        QByteArray contents;
    } cases[] = {
        {"## Angebot für Müller & Co.\n\nSehr geehrte Damen und Herren,\n",
         "2025-03-14T09-05-07 Angebot-fuer-Mueller-Co.md",
         QStringLiteral("# Angebot für Müller & Co.\n\nSehr geehrte Damen und Herren,\n").toUtf8()},
        // A first line longer than a title: the title is cut, the body keeps the whole line.
        {"# " + longLine + "\n\nZweiter Absatz.", "2025-03-14T09-05-07 " + longSlug + ".md",
         ("# " + longLine.left(80) + "\n\n" + longLine + "\n\nZweiter Absatz.\n").toUtf8()},
        {longLine + "\n", "2025-03-14T09-05-07 Dokument.md",
         ("# Dokument\n\n" + longLine + "\n").toUtf8()},
        {longLine + "\n ", "2025-03-14T09-05-07 Dokument 2.md",
         ("# Dokument\n\n" + longLine + "\n").toUtf8()},
        {"## " + longLine + "\nx", "2025-03-14T09-05-07 " + longSlug + " 2.md",
         ("# " + longLine.left(80) + "\n\n" + longLine + "\n\nx\n").toUtf8()},
        // An empty reply still becomes a titled document, with three line feeds.
        {QString(), "2025-03-14T09-05-07 Dokument 3.md", "# Dokument\n\n\n"},
    };
    for (const auto& c : cases) {
        const DocumentStore::SaveResult saved = DocumentStore::save(c.text, clock);
        ASSERT_TRUE(saved.ok()) << saved.error.toStdString();
        EXPECT_EQ(QFileInfo(saved.path).path(), DocumentStore::folder());
        EXPECT_EQ(QFileInfo(saved.path).fileName().toStdString(), c.name.toStdString());
        EXPECT_EQ(readFile(saved.path), c.contents);
        EXPECT_EQ(modeOf(saved.path), 0600u);
        EXPECT_EQ(modeOf(DocumentStore::folder()), 0700u);
    }
}

TEST_F(DocumentStoreTest, SameTitleInTheSameSecondKeepsEveryDocument) {
    QStringList names;
    for (const char* body : {"eins", "zwei", "drei"}) {
        const DocumentStore::SaveResult saved =
            DocumentStore::save("Notiz\n" + QLatin1String(body), clock);
        ASSERT_TRUE(saved.ok());
        names << QFileInfo(saved.path).fileName();
        EXPECT_EQ(readFile(saved.path), QByteArray("# Notiz\n\n") + body + "\n");
    }
    EXPECT_EQ(names, QStringList({"2025-03-14T09-05-07 Notiz.md", "2025-03-14T09-05-07 Notiz 2.md",
                                  "2025-03-14T09-05-07 Notiz 3.md"}));
}

TEST_F(DocumentStoreTest, CleanUpDeletesOnlyOldDocumentFilesAndLinks) {
    const QString folder = DocumentStore::folder();
    const QString old = write("alt.md", 15);
    const QString recent = write("neu.md", 13);
    const QString otherKind = write("alt.txt", 15);
    const QString upperCase = write("alt.MD", 15);

    // A directory that looks like a document, with a file inside: neither is touched.
    ASSERT_TRUE(QDir(folder).mkdir("x.md"));
    const QString inner = write("x.md/innen.md", 15);
    age(folder + "/x.md", 15);

    // An old link goes, the old file it points to (outside the naming rule) stays.
    const QString target = write("ziel.txt", 15);
    const QString link = folder + "/verweis.md";
    ASSERT_TRUE(QFile::link(target, link));
    age(link, 15);

    DocumentStore::cleanUp(14, clock);

    EXPECT_FALSE(QFileInfo::exists(old));
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    for (const QString& kept : {recent, otherKind, upperCase, inner, target})
        EXPECT_TRUE(QFileInfo::exists(kept)) << kept.toStdString();
    EXPECT_TRUE(QFileInfo(folder + "/x.md").isDir());
}

// A data folder that cannot be made (here below a regular file, which not even root can
// change) fails the save with the system's reason, not with a vague one of our own.
TEST_F(DocumentStoreTest, FolderThatCannotBeMadeFailsWithTheWriteError) {
    QTemporaryFile blocker;
    ASSERT_TRUE(blocker.open());
    const struct {
        QString dataHome;
        QString home;
    } cases[] = {
        {blocker.fileName() + "/data", QDir::homePath()},
        {QString(), blocker.fileName() + "/home"},
    };
    for (const auto& c : cases) {
        ScopedEnv data("XDG_DATA_HOME", c.dataHome);
        ScopedEnv home("HOME", c.home);
        const DocumentStore::SaveResult saved = DocumentStore::save("Titel\nText", clock);
        EXPECT_FALSE(saved.ok());
        EXPECT_TRUE(saved.error.contains("Wo ein Ordner sein sollte, liegt eine Datei."))
            << saved.error.toStdString();
    }
}
