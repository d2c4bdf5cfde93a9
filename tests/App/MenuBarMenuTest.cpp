#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenu>
#include <QTest>

#include "App/FakeMenuBarOperations.h"
#include "App/MenuBarMenu.h"
#include "App/MenuBarModel.h"
#include "Design/Theme.h"

namespace {

using Item = MenuBarItem;
using Operation = MenuBarItem::Operation;

// One line per item: kind, text, then what sets it apart.
QStringList describe(const QList<Item>& items) {
    QStringList lines;
    for (const Item& item : items) {
        switch (item.kind) {
            case Item::Kind::separator:
                lines << "---";
                continue;
            case Item::Kind::section:
                lines << "[" + item.text + "]";
                continue;
            case Item::Kind::action:
                break;
        }
        QString line = item.text;
        if (item.icon == Item::Icon::granted)
            line = "(grün) " + line;
        if (item.icon == Item::Icon::missing)
            line = "(orange) " + line;
        if (item.checkable)
            line += item.checked ? " [x]" : " [ ]";
        if (!item.enabled)
            line += item.toolTip.isEmpty() ? " (aus)" : " (aus: " + item.toolTip + ")";
        if (!item.keyText.isEmpty())
            line += " " + item.keyText;
        lines << line;
    }
    return lines;
}

TEST(MenuBarModel, ItemsFollowProvidersPermissionsAndOnboarding) {
    struct Case {
        const char* name;
        MenuBarState state;
        QStringList expected;
    };
    MenuBarState firstRun;
    firstRun.mainShortcut = QString();  // a stored shortcut without text counts as none
    firstRun.providerStatus = {{ProviderID::claudeCLI, "prüfe …"},
                               {ProviderID::codexCLI, "prüfe …"}};
    // Microphone granted, speech recognition not: the core reports both together.
    firstRun.microphone = false;
    MenuBarState everyday;
    everyday.onboardingCompleted = true;
    everyday.mainShortcut = "Alt+Leertaste";
    everyday.provider = ProviderID::codexCLI;
    everyday.providerStatus = {{ProviderID::claudeCLI, "nicht angemeldet"},
                               {ProviderID::codexCLI, "angemeldet"}};
    everyday.accessibility = everyday.screenRecording = everyday.microphone = true;
    // Where asking for the microphone cannot help, its item is off.
    MenuBarState noMicrophone = everyday;
    noMicrophone.microphone = false;
    noMicrophone.microphoneObstacle = "Kein Mikrofoneingang";
    // Off, and says why when pointed at.
    const char* updates = "Nach Updates suchen … (aus: Updates kommen über die Paketverwaltung)";
    const Case cases[] = {
        {"first run, checks still running, nothing granted",
         firstRun,
         {"Einrichtung fortsetzen …", "---", "Tavrin öffnen", "---", "[Anbieter]",
          "Claude    prüfe … [x]", "ChatGPT    prüfe … [ ]", "---", "[Berechtigungen]",
          "(orange) Barrierefreiheit    Erlauben …", "(orange) Bildschirmaufnahme    Erlauben …",
          "(orange) Mikrofon    Erlauben …", "---", updates, "Einstellungen … Strg+,",
          "Beenden Strg+Q"}},
        {"set up, ChatGPT chosen, everything granted",
         everyday,
         {"Tavrin öffnen Alt+Leertaste", "---", "[Anbieter]", "Claude    nicht angemeldet [ ]",
          "ChatGPT    angemeldet [x]", "---", "[Berechtigungen]", "(grün) Barrierefreiheit",
          "(grün) Bildschirmaufnahme", "(grün) Mikrofon", "---", updates, "Einstellungen … Strg+,",
          "Beenden Strg+Q"}},
        {"no microphone to ask for",
         noMicrophone,
         {"Tavrin öffnen Alt+Leertaste", "---", "[Anbieter]", "Claude    nicht angemeldet [ ]",
          "ChatGPT    angemeldet [x]", "---", "[Berechtigungen]", "(grün) Barrierefreiheit",
          "(grün) Bildschirmaufnahme",
          "(orange) Mikrofon    Erlauben … (aus: Kein Mikrofoneingang)", "---", updates,
          "Einstellungen … Strg+,", "Beenden Strg+Q"}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(describe(MenuBarModel::items(c.state)), c.expected) << c.name;
}

const Item* find(const QList<Item>& items, const QString& prefix) {
    for (const Item& item : items)
        if (item.text.startsWith(prefix))
            return &item;
    return nullptr;
}

TEST(MenuBarModel, ChoosingAnItemCallsTheCore) {
    MenuBarState missing;
    missing.provider = ProviderID::claudeCLI;
    MenuBarState granted = missing;
    granted.accessibility = granted.screenRecording = granted.microphone = true;
    granted.onboardingCompleted = true;
    struct Case {
        MenuBarState state;
        QString item;
        QStringList expected;
    };
    const Case cases[] = {
        {missing, "Einrichtung fortsetzen", {"dismiss", "showOnboarding"}},
        {missing, "Tavrin öffnen", {"invoke"}},
        // The checked provider stays checked and nothing is written.
        {missing, "Claude", {}},
        {missing, "ChatGPT", {"selectProvider codexCLI"}},
        {missing, "Barrierefreiheit", {"requestAccessibility"}},
        {missing, "Bildschirmaufnahme", {"requestScreenRecording"}},
        {missing, "Mikrofon", {"requestMicrophone"}},
        {granted, "Barrierefreiheit", {}},
        {granted, "Mikrofon", {}},
        {missing, "Nach Updates suchen", {}},
        {missing, "Einstellungen", {"openSettings"}},
        {missing, "Beenden", {"quit"}},
    };
    for (const Case& c : cases) {
        FakeMenuBarOperations operations;
        const QList<Item> items = MenuBarModel::items(c.state);
        const Item* item = find(items, c.item);
        ASSERT_NE(item, nullptr) << c.item.toStdString();
        MenuBarModel::perform(*item, operations);
        EXPECT_EQ(operations.calls, c.expected) << c.item.toStdString();
    }
}

QAction* actionNamed(QMenu& menu, const QString& prefix) {
    for (QAction* action : menu.actions())
        if (action->text().startsWith(prefix))
            return action;
    return nullptr;
}

// The strongest contrast of an item's text with the menu's background.
int strongestInk(const QImage& image, const QRect& item) {
    const int background = qGray(image.pixel(item.right() - 2, item.top() + 1));
    int strongest = 0;
    for (int y = item.top(); y <= item.bottom(); ++y)
        for (int x = item.left(); x <= item.right(); ++x)
            strongest = std::max(strongest, std::abs(qGray(image.pixel(x, y)) - background));
    return strongest;
}

// An item that is off ("Nach Updates suchen …") looks dimmer than one that works
// ("Einstellungen …"), on a light and on a dark desktop.
TEST(MenuBarMenu, AnItemThatIsOffLooksDimmer) {
    for (const bool dark : {false, true}) {
        SCOPED_TRACE(dark ? "dark" : "light");
        FakeMenuBarOperations operations;
        QMenu menu;
        if (dark) {
            // As a dark desktop's palette: light text on a dark ground, and the light shade
            // of the style's bevels far brighter than the ground.
            QPalette palette = menu.palette();
            for (const auto role : {QPalette::Window, QPalette::Base, QPalette::Button})
                palette.setColor(role, QColor(40, 40, 44));
            for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                palette.setColor(role, QColor(240, 240, 240));
            palette.setColor(QPalette::Disabled, QPalette::Text, QColor(130, 130, 130));
            palette.setColor(QPalette::Light, QColor(255, 255, 255));
            menu.setPalette(palette);
        }
        MenuBarMenu bar(operations, menu);
        menu.adjustSize();
        const QImage image = menu.grab().toImage();
        QAction* off = actionNamed(menu, "Nach Updates suchen");
        QAction* on = actionNamed(menu, "Einstellungen");
        ASSERT_TRUE(off && on);
        ASSERT_FALSE(off->isEnabled());
        EXPECT_LT(strongestInk(image, menu.actionGeometry(off)),
                  strongestInk(image, menu.actionGeometry(on)));
        // What the user sees of the menu: every item inside it, its text whole.
        for (QAction* action : menu.actions()) {
            const QRect item = menu.actionGeometry(action);
            EXPECT_TRUE(menu.rect().contains(item)) << action->text().toStdString();
            if (action->isSeparator())
                continue;
            EXPECT_LE(menu.fontMetrics().horizontalAdvance(action->text().section('\t', 0, 0)),
                      item.width())
                << action->text().toStdString();
        }
    }
}

TEST(MenuBarMenu, RefreshesOnOpeningAndFollowsChangesWhileOpen) {
    FakeMenuBarOperations operations;
    operations.state.providerStatus = {{ProviderID::claudeCLI, "prüfe …"},
                                       {ProviderID::codexCLI, "prüfe …"}};
    QMenu menu;
    MenuBarMenu bar(operations, menu);
    menu.popup(QPoint(10, 10));
    EXPECT_EQ(operations.calls, QStringList{"refreshStatus"});
    ASSERT_NE(actionNamed(menu, "Claude    prüfe …"), nullptr);
    EXPECT_EQ(actionNamed(menu, "Einstellungen")->text(), "Einstellungen …\tStrg+,");

    // A check finishes while the menu is open.
    operations.state.providerStatus[ProviderID::claudeCLI] = "angemeldet";
    bar.rebuild();
    EXPECT_NE(actionNamed(menu, "Claude    angemeldet"), nullptr);

    // The core rebuilds the menu from inside the chosen item's own signal.
    operations.onCall = [&](const QString&) { bar.rebuild(); };
    actionNamed(menu, "ChatGPT")->trigger();
    EXPECT_EQ(operations.calls.last(), "selectProvider codexCLI");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // Strg+Q works while the menu is open.
    operations.calls.clear();
    QTest::keyClick(&menu, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(operations.calls, QStringList{"quit"});
    EXPECT_FALSE(menu.isVisible());
    // Closed, the menu's keys are nobody's.
    QWidget field;
    field.show();
    QTest::keyClick(&field, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(operations.calls, QStringList{"quit"});
}

}  // namespace
