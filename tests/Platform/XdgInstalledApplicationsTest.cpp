#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "Platform/linux/XdgInstalledApplications.h"
#include "support/Files.h"

using namespace Platform;

namespace {

TEST(XdgInstalledApplications, FoldersFollowTheEnvironmentAndItsDefaults) {
    struct Case {
        QString dataHome;
        QString dataDirs;
        QStringList expected;
    };
    const Case cases[] = {
        {"",
         "",
         {"/home/u/.local/share/applications", "/usr/local/share/applications",
          "/usr/share/applications"}},
        {"/data",
         "/opt/share:/usr/share/",
         {"/data/applications", "/opt/share/applications", "/usr/share/applications"}},
        // Relative entries are invalid and skipped; a repeated folder is looked at once.
        {"relative",
         "share::/usr/share:/usr/share",
         {"/home/u/.local/share/applications", "/usr/share/applications"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(XdgInstalledApplications::applicationFolders(c.dataHome, c.dataDirs, "/home/u"),
                  c.expected)
            << c.dataHome.toStdString() << " " << c.dataDirs.toStdString();
}

TEST(XdgInstalledApplications, TheFirstDesktopFileOfAnIdDecides) {
    QTemporaryDir root;
    const QString user = root.filePath("user/applications");
    const QString system = root.filePath("system/applications");
    writeFile(system + "/ulauncher.desktop", "[Desktop Entry]\nName=Ulauncher\n");
    writeFile(system + "/albert.desktop", "[Desktop Entry]\nName=Albert\n");
    writeFile(user + "/albert.desktop", "[Desktop Entry]\nName=Albert\nHidden = true\n");
    // Hidden in an action's group hides only that action.
    writeFile(user + "/synapse.desktop",
              "[Desktop Entry]\nName=Synapse\n[Desktop Action x]\nHidden=true\n");
    writeFile(system + "/org.kde.krunner.desktop", "[Desktop Entry]\nHidden=false\n");
    const XdgInstalledApplications applications({user, system});
    const std::pair<const char*, bool> cases[] = {
        {"ulauncher.desktop", true}, {"albert.desktop", false},
        {"synapse.desktop", true},   {"org.kde.krunner.desktop", true},
        {"missing.desktop", false},  {"../system/applications/ulauncher.desktop", false},
    };
    for (const auto& [id, installed] : cases)
        EXPECT_EQ(applications.isInstalled(id), installed) << id;
}

}  // namespace
