#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "Panel/ProviderMenuChip.h"

using State = ProviderStatusStore::State;
using Entry = ProviderMenuChip::Model::Entry;

namespace {

constexpr ProviderID kClaude = ProviderID::claudeCLI;
constexpr ProviderID kCodex = ProviderID::codexCLI;

ProviderMenuChip::StatusSource states(State claudeState, State codexState) {
    return [=](ProviderID provider) { return provider == kClaude ? claudeState : codexState; };
}

TEST(ProviderMenuChipTest, OffersAMenuOnlyWhenAnotherProviderIsReady) {
    struct Case {
        const char* name;
        ProviderID current;
        State claudeState;
        State codexState;
        bool showsMenu;
        bool isReady;
        QString toolTip;
        std::vector<Entry> entries;
    };
    const Case cases[] = {
        {"both ready",
         kClaude,
         State::ready(QStringLiteral("a@b.de")),
         State::ready(),
         true,
         true,
         {},
         {{kClaude, "Claude", true}, {kCodex, "ChatGPT", false}}},
        {"both ready, codex current",
         kCodex,
         State::ready(),
         State::ready(),
         true,
         true,
         {},
         {{kClaude, "Claude", false}, {kCodex, "ChatGPT", true}}},
        {"other not found",
         kClaude,
         State::ready(),
         State::notFound(),
         false,
         true,
         "Claude ist verbunden",
         {}},
        {"other not logged in",
         kClaude,
         State::ready(),
         State::notLoggedIn(),
         false,
         true,
         "Claude ist verbunden",
         {}},
        {"other unknown",
         kClaude,
         State::ready(),
         State::unknown(),
         false,
         true,
         "Claude ist verbunden",
         {}},
        {"other checking",
         kClaude,
         State::ready(),
         State::checking(),
         false,
         true,
         "Claude ist verbunden",
         {}},
        {"neither ready",
         kCodex,
         State::notFound(),
         State::notLoggedIn(),
         false,
         false,
         "ChatGPT: nicht angemeldet",
         {}},
        {"current checking alone",
         kClaude,
         State::checking(),
         State::notFound(),
         false,
         false,
         "Claude: prüfe …",
         {}},
        {"current not ready, other ready",
         kCodex,
         State::ready(),
         State::checking(),
         true,
         false,
         {},
         {{kClaude, "Claude", false}, {kCodex, "ChatGPT – prüfe …", true}}},
        {"current not logged in, other ready",
         kClaude,
         State::notLoggedIn(),
         State::ready(),
         true,
         false,
         {},
         {{kClaude, "Claude – nicht angemeldet", true}, {kCodex, "ChatGPT", false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto model = ProviderMenuChip::model(c.current, states(c.claudeState, c.codexState));
        EXPECT_EQ(model.showsMenu, c.showsMenu);
        EXPECT_EQ(model.isReady, c.isReady);
        EXPECT_EQ(model.name, ProviderMenuChip::displayName(c.current));
        EXPECT_EQ(model.toolTip, c.toolTip);
        EXPECT_EQ(model.entries, c.entries);
        EXPECT_EQ(model.accessibleName, "Anbieter: " + ProviderMenuChip::displayName(c.current));
    }
}

TEST(ProviderMenuChipTest, FollowsTheStatesOnRefreshAndShowsItsChevronOnlyWithAMenu) {
    State codexState = State::notLoggedIn();
    ProviderMenuChip chip(kClaude, [&](ProviderID provider) {
        return provider == kClaude ? State::ready() : codexState;
    });
    EXPECT_FALSE(chip.shownModel().showsMenu);
    EXPECT_EQ(chip.toolTip(), QStringLiteral("Claude ist verbunden"));
    const int plainWidth = chip.sizeHint().width();

    codexState = State::ready();
    chip.refresh();
    EXPECT_TRUE(chip.shownModel().showsMenu);
    EXPECT_TRUE(chip.toolTip().isEmpty());
    EXPECT_GT(chip.sizeHint().width(), plainWidth);

    chip.setCurrent(kCodex);
    EXPECT_EQ(chip.shownModel().name, QStringLiteral("ChatGPT"));
}

// The panel that holds the chip can go while its menu is open: a second press of the shortcut
// dismisses it. The menu goes with it, once.
TEST(ProviderMenuChipTest, TheOwnerCanGoWhileTheMenuIsOpen) {
    auto* owner = new QWidget;
    auto* chip = new ProviderMenuChip(kClaude, states(State::ready(), State::ready()), owner);
    owner->show();
    QSignalSpy selected(chip, &ProviderMenuChip::selected);
    QPointer<QMenu> opened;
    bool wasOpen = false;
    QTimer::singleShot(0, [&] {
        opened = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        wasOpen = opened && opened->isVisible();
        delete owner;
    });
    chip->findChild<QAbstractButton*>()->click();
    QTest::qWait(20);
    EXPECT_TRUE(wasOpen);
    EXPECT_FALSE(opened);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    EXPECT_EQ(selected.count(), 0);
}

}  // namespace
