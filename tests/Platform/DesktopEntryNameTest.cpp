#include <gtest/gtest.h>

#include "Platform/linux/DesktopEntryName.h"
#include "support/Files.h"

using Platform::DesktopEntryName::forId;
using Platform::DesktopEntryName::fromContents;

namespace {

TEST(DesktopEntryNameTest, GermanNameOfTheDesktopEntryGroupWins) {
    const struct {
        const char* name;
        QByteArray contents;
        std::optional<QString> expected;
    } cases[] = {
        {"German before plain", "[Desktop Entry]\nName=Text Editor\nName[de]=Texteditor\n",
         QString("Texteditor")},
        {"plain without German", "[Desktop Entry]\nName[fr]=Éditeur\nName=Text Editor\n",
         QString("Text Editor")},
        {"other groups ignored",
         "[Desktop Action new-window]\nName[de]=Neues Fenster\n[Desktop Entry]\nName=Files\n",
         QString("Files")},
        {"blank values and comments skipped",
         "# Name=Kommentar\n[Desktop Entry]\nName[de]=  \nName = Rechner \n", QString("Rechner")},
        {"no entry group", "Name=Lose\n", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fromContents(c.contents), c.expected) << c.name;
}

TEST(DesktopEntryNameTest, IdNamesAnInstalledFileAndNothingElse) {
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    writeFile(data + "/applications/org.example.Notes.desktop",
              "[Desktop Entry]\nName=Notes\nName[de]=Notizen\n");
    writeFile(data + "/secret.desktop", "[Desktop Entry]\nName=Geheim\n");
    EXPECT_EQ(forId("org.example.Notes"), "Notizen");
    EXPECT_EQ(forId("org.example.Notes.desktop"), "Notizen");
    EXPECT_EQ(forId("../secret"), std::nullopt);
    // The application icons read the same files through the same door.
    EXPECT_TRUE(Platform::DesktopEntryName::contentsForId("org.example.Notes"));
    EXPECT_EQ(Platform::DesktopEntryName::contentsForId("../secret"), std::nullopt);
    EXPECT_EQ(forId("org.example.Missing"), std::nullopt);
}

// The panel's header names the program in front: by its desktop file, also when the window
// announces no id and only its WM_CLASS leads there.
TEST(DesktopEntryNameTest, AWindowIsNamedByItsDesktopFileWhereverItsNameLeadsThere) {
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    writeFile(data + "/applications/firefox-esr.desktop", "[Desktop Entry]\nName=Firefox ESR\n");
    writeFile(data + "/applications/chromium.desktop", "[Desktop Entry]\nName=Chromium\n");
    writeFile(data + "/applications/org.example.Mail.desktop", "[Desktop Entry]\nName=Post\n");
    const struct {
        const char* desktopId;
        const char* instance;
        const char* windowClass;
        const char* expected;
    } cases[] = {
        {"org.example.Mail", "mail", "Mail", "Post"},
        {"", "Navigator", "firefox-esr", "Firefox ESR"},
        {"", "chromium", "Chromium", "Chromium"},
        {"", "", "Chromium", "Chromium"},
        {"", "unknown", "Unknown", "Unknown"},
        {"", "", "", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Platform::DesktopEntryName::forWindow(c.desktopId, c.instance, c.windowClass),
                  QString(c.expected))
            << c.windowClass;
}

}  // namespace
