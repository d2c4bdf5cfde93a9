#include <gtest/gtest.h>

#include "Platform/linux/DesktopEntryName.h"

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

}  // namespace
