// Files the user owns that do not read whole at start: what of them stays in use, what the
// user is told, and that the file as it was is never lost, not even on a full disk.
#include <gtest/gtest.h>

#include <functional>

#include "Memory/MemoryFile.h"
#include "Shelf.h"

// A file that does not read whole at start is kept aside at once, not at the first save, and
// the user is told once where it is and what of it is in use. What reads stays, in the program
// and in the file written back: the other notes of a memory with one bad note, the other
// action beside one of a kind this version does not know, every complete value before a cut.
// The next start reads the file whole and says nothing.
TEST(DamagedFilesTest, AFileThatDoesNotReadIsKeptAsideAtOnceAndToldOnce) {
    AssistantSettings anna;
    anna.onboardingCompleted = true;
    anna.aboutMe = "Ich bin Anna, ich verkaufe Keramik.";
    anna.replyLanguage = "de";
    anna.closePanelAfterInsert = false;
    anna.claudePath = "/opt/claude/bin/claude";
    AssistantAction say;
    say.id = "say";
    say.name = "Vorlesen";
    say.templateText = "say {{text}}";
    say.parameters = {"text"};
    AssistantAction ticket;
    ticket.id = "ticket";
    ticket.name = "Ticket öffnen";
    ticket.kind = AssistantAction::Kind::openURL;
    ticket.templateText = "https://tickets.example/{{nummer}}";
    ticket.parameters = {"nummer"};
    anna.customActions = {say, ticket};
    const QByteArray annaFile = anna.encode();
    AssistantSettings annaWithoutTicket = anna;
    annaWithoutTicket.customActions = {say};
    // The first half ends inside the second action: the keys before it and the first action
    // stay, and the introduction shows again.
    AssistantSettings annaFirstHalf;
    annaFirstHalf.aboutMe = anna.aboutMe;
    annaFirstHalf.closePanelAfterInsert = anna.closePanelAfterInsert;
    annaFirstHalf.claudePath = anna.claudePath;
    annaFirstHalf.customActions = {say};

    const QByteArray id = R"("id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F)";
    const QByteArray oneBadNote = R"({"activity":[{"app":"Mail",)" + id +
                                  R"(0","date":1,"kind":"wrote","text":"Danke"}],)"
                                  R"("saved":[{)" +
                                  id +
                                  R"(1","date":2,"text":"Türcode 4711"},)"
                                  R"({)" +
                                  id +
                                  R"(2","date":3,"text":17},)"
                                  R"({)" +
                                  id +
                                  R"(3","date":4,"text":"Shop schließt um 14 Uhr"}],)"
                                  R"("styleSignals":["kürzer"],"signalsSinceLearning":3})";

    const auto note = [](int n, const QString& text) {
        return MemoryEntry{QUuid(QStringLiteral("0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F%1").arg(n)),
                           QDateTime(QDate(2026, 12, 7), QTime(9, n), Qt::UTC),
                           QStringLiteral("Mail"),
                           std::nullopt,
                           text,
                           MemoryEntry::Kind::wrote};
    };
    MemoryData mia;
    mia.activity = {note(0, "Danke, passt so."), note(1, "Bis morgen")};
    mia.saved = {note(2, "Türcode 4711"), note(3, "Shop schließt um 14 Uhr"),
                 note(4, "Steuer bis 31.7.")};
    mia.styleSignals = {"kürzer"};
    mia.signalsSinceLearning = 3;
    const QByteArray miaFile = MemoryFile::encode(mia);
    MemoryData miaBeforeTheShop;
    miaBeforeTheShop.activity = mia.activity;
    miaBeforeTheShop.saved = {mia.saved.first()};

    const QString partly = "ließen sich nur zum Teil lesen. Was lesbar war, ";
    const QString nothing = "ließen sich nicht lesen";
    const QString repaired =
        "waren am Ende der Datei beschädigt. Tavrin hat sie repariert; es fehlt nichts.";
    AssistantSettings annaAboutMe;
    annaAboutMe.aboutMe = anna.aboutMe;
    const struct {
        const char* what;
        const char* file;
        QByteArray contents;
        // What the store holds after the start, and its file after the first write.
        std::function<bool(Shelf&)> holds;
        // What the notice says was read.
        QString told;
    } cases[] = {
        {"settings.json with an action of a kind this version does not know", "settings.json",
         QByteArray(annaFile).replace(R"("kind": "open_url")", R"("kind": "send_mail")"),
         [&](Shelf& s) { return s.settings->settings() == annaWithoutTicket; }, partly},
        {"settings.json without its closing brace", "settings.json",
         annaFile.left(annaFile.lastIndexOf('}')),
         [&](Shelf& s) { return s.settings->settings() == anna; }, repaired},
        {"settings.json with NULs after it", "settings.json", annaFile + QByteArray(64, '\0'),
         [&](Shelf& s) { return s.settings->settings() == anna; }, repaired},
        // What follows the cut might have been anything.
        {"settings.json cut right after a value", "settings.json",
         annaFile.left(annaFile.indexOf("Keramik.\"") + 9),
         [&](Shelf& s) { return s.settings->settings() == annaAboutMe; }, partly},
        {"settings.json cut at half", "settings.json", annaFile.left(annaFile.size() / 2),
         [&](Shelf& s) { return s.settings->settings() == annaFirstHalf; }, partly},
        {"settings.json with one project that does not read", "settings.json",
         R"({"aboutMe": "Ich bin Anna", "projects": [{"name": "ohne id"}]})",
         [](Shelf& s) {
             return s.settings->settings().aboutMe == "Ich bin Anna" &&
                    s.settings->settings().projects.isEmpty();
         },
         partly},
        {"settings.json that is no JSON", "settings.json", "Über mich: Anna",
         [](Shelf& s) { return s.settings->settings() == AssistantSettings(); }, nothing},
        {"memory.json with one note of the wrong type", "memory.json", oneBadNote,
         [](Shelf& s) {
             const MemoryData& data = s.memory->data();
             return data.saved.size() == 2 && data.saved.at(0).text == "Türcode 4711" &&
                    data.saved.at(1).text == "Shop schließt um 14 Uhr" &&
                    data.activity.size() == 1 && data.styleSignals == QStringList{"kürzer"} &&
                    data.signalsSinceLearning == 3;
         },
         partly},
        {"memory.json without its last byte", "memory.json", miaFile.chopped(1),
         [&](Shelf& s) { return s.memory->data() == mia; }, repaired},
        {"memory.json with a line after it", "memory.json", miaFile + "\n{\"activity\":[",
         [&](Shelf& s) { return s.memory->data() == mia; }, repaired},
        {"memory.json cut inside a note's text", "memory.json",
         miaFile.left(miaFile.indexOf("Shop schl") + 9),
         [&](Shelf& s) { return s.memory->data() == miaBeforeTheShop; }, partly},
        {"memory.json cut inside its first entry", "memory.json", oneBadNote.left(40),
         [](Shelf& s) { return s.memory->data() == MemoryData(); }, nothing},
    };
    // The file written back reads whole, and as the program holds it.
    const auto writtenBack = [](Shelf& s, const QString& file) {
        if (file == "settings.json") {
            const auto onDisk = AssistantSettings::decode(readFile(s.settings->fileURL()));
            return onDisk && !onDisk->droppedUserData && onDisk->settings == s.settings->settings();
        }
        s.memory->flush();
        return MemoryFile::decode(readFile(s.memory->fileURL())) == s.memory->data();
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Shelf shelf(false);
        if (!shelf.disk.unavailable().isEmpty())
            GTEST_SKIP() << shelf.disk.unavailable().toStdString();
        const QString path = shelf.folder() + "/" + c.file;
        writeFile(path, c.contents);

        shelf.start();
        EXPECT_TRUE(c.holds(shelf));
        EXPECT_TRUE(writtenBack(shelf, c.file));
        const QString kept = path + ".unreadable-20261207T221500Z";
        EXPECT_EQ(readFile(kept), c.contents) << "kept before any change";
        EXPECT_EQ(modeOf(kept), 0600u);
        EXPECT_EQ(shelf.notices.told.size(), 1);
        const QString told = shelf.notices.told.value(0);
        EXPECT_TRUE(told.contains(c.told)) << told.toStdString();
        EXPECT_TRUE(told.contains(kept)) << told.toStdString();
        EXPECT_TRUE(shelf.log.lines.contains("[Tavrin] " + path +
                                             " ließ sich nicht lesen; aufbewahrt als " + kept))
            << shelf.log.lines.join('\n').toStdString();

        shelf.restart();
        EXPECT_TRUE(c.holds(shelf)) << "what was read is the file now";
        EXPECT_EQ(shelf.notices.told.size(), 1);
        EXPECT_EQ(QDir(shelf.folder()).entryList({QString(c.file) + ".unreadable-*"}).size(), 1);
    }
}

// A disk with no room for the copy of a file that does not read whole: the file stays where it
// is, byte for byte, beside no half copy, and nothing replaces it, so that the next start
// finds it again instead of starting on the defaults. The user is told why; once there is room,
// the first change keeps the file aside and saves.
TEST(DamagedFilesTest, AFileThatCannotBeKeptAsideOnAFullDiskStaysWhereItIs) {
    const struct {
        const char* file;
        QByteArray contents;
        std::function<void(Shelf&)> change;
        std::function<bool(Shelf&)> holdsTheChange;
    } cases[] = {
        {"settings.json",
         R"({"aboutMe": "Anna", "customActions": [{"id": "x", "kind": "send_mail"}]})",
         [](Shelf& s) { s.settings->update([](AssistantSettings& a) { a.knowledge = "neu"; }); },
         [](Shelf& s) {
             const auto onDisk = AssistantSettings::decode(readFile(s.settings->fileURL()));
             return onDisk && onDisk->settings.aboutMe == "Anna" &&
                    onDisk->settings.knowledge == "neu";
         }},
        {"memory.json",
         R"({"activity":[],"saved":[{"id":"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9","date":1,)"
         R"("text":"Türcode 4711"},{"text":17}],"styleSignals":[],"signalsSinceLearning":0})",
         [](Shelf& s) {
             s.memory->remember("neu", std::nullopt);
             s.memory->flush();
         },
         [](Shelf& s) {
             const auto onDisk = MemoryFile::decode(readFile(s.memory->fileURL()));
             return onDisk && onDisk->saved.size() == 2 &&
                    onDisk->saved.first().text == "Türcode 4711" &&
                    onDisk->saved.last().text == "neu";
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        Shelf shelf(false);
        if (!shelf.disk.unavailable().isEmpty())
            GTEST_SKIP() << shelf.disk.unavailable().toStdString();
        const QString path = shelf.folder() + "/" + c.file;
        writeFile(path, c.contents);
        const QStringList onlyTheFile{c.file};
        const auto filesOfIt = [&] {
            return QDir(shelf.folder())
                .entryList({QString(c.file) + "*", "." + QString(c.file) + "*"},
                           QDir::AllEntries | QDir::Hidden);
        };
        ASSERT_TRUE(shelf.disk.fill());

        shelf.start();
        EXPECT_EQ(readFile(path), c.contents);
        EXPECT_EQ(filesOfIt(), onlyTheFile);
        EXPECT_EQ(shelf.notices.told.size(), 1);
        EXPECT_TRUE(shelf.notices.told.value(0).contains(
            "bleibt, wie sie ist: Änderungen werden nicht gespeichert, bis sie sich "
            "beiseitelegen lässt. Grund: Der Datenträger ist voll."))
            << shelf.notices.told.value(0).toStdString();

        c.change(shelf);
        EXPECT_EQ(readFile(path), c.contents) << "a change on the full disk replaces nothing";
        shelf.restart();
        EXPECT_EQ(readFile(path), c.contents) << "the next start finds the file";
        EXPECT_EQ(filesOfIt(), onlyTheFile);

        ASSERT_TRUE(shelf.disk.restore());
        c.change(shelf);
        EXPECT_TRUE(c.holdsTheChange(shelf));
        const QStringList kept =
            QDir(shelf.folder()).entryList({QString(c.file) + ".unreadable-*"});
        ASSERT_EQ(kept.size(), 1);
        EXPECT_EQ(readFile(shelf.folder() + "/" + kept.first()), c.contents);
    }
}
