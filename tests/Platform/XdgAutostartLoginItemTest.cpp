#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "Platform/linux/XdgAutostartLoginItem.h"
#include "support/Files.h"

using Platform::XdgAutostartLoginItem;

TEST(XdgAutostartLoginItemTest, ExecIsOneQuotedEscapedArgument) {
    const struct {
        QString program;
        QString exec;
    } cases[] = {
        {"/usr/bin/tavrin", R"("/usr/bin/tavrin")"},
        {"/opt/my apps/tavrin", R"("/opt/my apps/tavrin")"},
        {"/opt/100%/tavrin", R"("/opt/100%%/tavrin")"},
        {"/opt/$HOME/`x`/\"q\"", R"("/opt/\\$HOME/\\`x\\`/\\"q\\"")"},
        {"/opt/back\\slash", R"("/opt/back\\\\slash")"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(XdgAutostartLoginItem::execValue(c.program), c.exec) << c.program.toStdString();
}

TEST(XdgAutostartLoginItemTest, RegisterWritesTheEntryAndUnregisterRemovesIt) {
    QTemporaryDir config;
    const QString folder = config.path() + "/autostart";
    XdgAutostartLoginItem item("/opt/Tavrin App/tavrin", folder);
    const QString entry = folder + "/org.tavrin.Tavrin.desktop";
    EXPECT_EQ(item.entryPath(), entry);

    EXPECT_EQ(item.unregisterItem(), std::nullopt) << "nothing registered is no error";
    EXPECT_EQ(item.registerItem(), std::nullopt);
    const QString text = QString::fromUtf8(readFile(entry));
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nType=Application\n"));
    EXPECT_TRUE(text.contains("\nExec=\"/opt/Tavrin App/tavrin\"\n"));

    EXPECT_EQ(item.unregisterItem(), std::nullopt);
    EXPECT_FALSE(QFile::exists(entry));
}

TEST(XdgAutostartLoginItemTest, FailuresAreDescribed) {
    QTemporaryDir config;
    // A file where the autostart folder belongs.
    writeFile(config.path() + "/autostart");
    XdgAutostartLoginItem item("/usr/bin/tavrin", config.path() + "/autostart");
    EXPECT_TRUE(item.registerItem().has_value());
    EXPECT_TRUE(XdgAutostartLoginItem("relative/tavrin", config.path()).registerItem());
}
