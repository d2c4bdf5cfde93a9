#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <vector>

#include "Platform/linux/X11ApplicationIcons.h"

namespace {

using Platform::X11ApplicationIcons;

// A _NET_WM_ICON entry of `side` × `side` pixels, all of `colour`.
void addIcon(std::vector<quint32>& data, quint32 side, quint32 colour) {
    data.push_back(side);
    data.push_back(side);
    data.insert(data.end(), side * side, colour);
}

TEST(X11ApplicationIconsTest, PicksTheSmallestIconThatIsBigEnoughAndRefusesLyingSizes) {
    std::vector<quint32> three;
    addIcon(three, 16, 0xff0000ff);
    addIcon(three, 48, 0xff00ff00);
    addIcon(three, 32, 0xffff0000);
    std::vector<quint32> lying = three;
    lying.push_back(1000);  // claims 1000 × 1000 pixels that are not there
    lying.push_back(1000);
    lying.push_back(0xffffffff);
    std::vector<quint32> onlyALie = {64, 64, 0xffffffff};
    std::vector<quint32> huge = {70000, 70000};

    struct Case {
        const char* name;
        const std::vector<quint32>& data;
        int wanted;
        int side;  // 0: no image
        QRgb colour;
    };
    const Case cases[] = {
        {"exact size", three, 32, 32, 0xffff0000},
        {"next bigger", three, 20, 32, 0xffff0000},
        {"largest when none is big enough", three, 64, 48, 0xff00ff00},
        {"a lying entry ends the reading", lying, 36, 48, 0xff00ff00},
        {"nothing but a lie", onlyALie, 36, 0, 0},
        {"absurd sizes", huge, 36, 0, 0},
    };
    for (const Case& c : cases) {
        const QImage image =
            X11ApplicationIcons::chooseIcon(c.data.data(), qsizetype(c.data.size()), c.wanted);
        EXPECT_EQ(image.height(), c.side) << c.name;
        if (c.side > 0) {
            EXPECT_EQ(image.pixel(c.side - 1, c.side - 1), c.colour) << c.name;
        }
    }
    EXPECT_TRUE(X11ApplicationIcons::chooseIcon(nullptr, 0, 36).isNull());
}

TEST(X11ApplicationIconsTest, ReadsTheIconOfTheDesktopEntryGroupOnly) {
    struct Case {
        const char* name;
        QByteArray file;
        std::optional<QString> icon;
    };
    const Case cases[] = {
        {"theme name", "[Desktop Entry]\nName=Edit\nIcon=accessories-text-editor\n",
         "accessories-text-editor"},
        {"path with blanks around", "[Desktop Entry]\nIcon = /opt/app/icon.png \n",
         "/opt/app/icon.png"},
        {"an action's icon is not the app's",
         "[Desktop Action new]\nIcon=document-new\n[Desktop Entry]\nName=x\n", std::nullopt},
        {"similar keys", "[Desktop Entry]\nIconName=x\nIcon[de]=y\n", std::nullopt},
        {"empty value", "[Desktop Entry]\nIcon=\n", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(X11ApplicationIcons::iconName(c.file), c.icon) << c.name;
}

}  // namespace

namespace {

TEST(X11ApplicationIconsTest, FallsBackToTheIconTheDesktopFileNames) {
    const QString applications =
        QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
    ASSERT_TRUE(QDir().mkpath(applications));
    const QString picture = QDir::temp().filePath(QStringLiteral("tavrin-icon-test.png"));
    QImage green(48, 48, QImage::Format_ARGB32);
    green.fill(QColor(0, 200, 0));
    ASSERT_TRUE(green.save(picture));
    QFile entry(applications + QStringLiteral("/org.example.Notes.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Notes\nIcon=" + picture.toUtf8() + "\n");
    entry.close();

    Platform::X11ApplicationIcons lookup(nullptr);
    Platform::RunningApplication byId;
    byId.bundleIdentifier = QStringLiteral("org.example.Notes");
    const QImage icon = lookup.icon(byId, 36);
    ASSERT_FALSE(icon.isNull());
    EXPECT_EQ(QColor(icon.pixel(icon.width() / 2, icon.height() / 2)), QColor(0, 200, 0));

    Platform::RunningApplication byClass;
    byClass.windowClass = QStringLiteral("org.example.Notes");
    EXPECT_FALSE(lookup.icon(byClass, 36).isNull());

    Platform::RunningApplication unknown;
    unknown.bundleIdentifier = QStringLiteral("org.example.Missing");
    EXPECT_TRUE(lookup.icon(unknown, 36).isNull());
    QFile::remove(picture);
}

}  // namespace
