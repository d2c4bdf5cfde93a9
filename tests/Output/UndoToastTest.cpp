#include <gtest/gtest.h>

#include <QImage>
#include <QTest>
#include <cmath>
#include <functional>

#include "Design/Fonts.h"
#include "Design/RoundedBox.h"
#include "Design/StyledButton.h"
#include "Design/Theme.h"
#include "FakeInserterDesk.h"
#include "Output/FieldRestorer.h"
#include "Output/TextInserter.h"
#include "Output/UndoToast.h"
#include "Output/UndoToastView.h"
#include "Platform/AccessibilityWorker.h"
#include "Platform/fake/FakeAccessibilityTree.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/fake/FakeClipboard.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeKeySender.h"
#include "Platform/fake/FakeModifierState.h"
#include "Platform/fake/FakeTerminalWindows.h"
#include "Platform/fake/FakeWindowActivation.h"
#include "support/MaskedPixels.h"

using namespace Platform;

namespace {

using Screen = UndoToast::Screen;

const QSizeF toast(300, 50);
// Two side by side, a panel 30 high along the top of each.
const Screen left{QRectF(0, 0, 1280, 800), QRectF(0, 30, 1280, 770)};
const Screen right{QRectF(1280, 0, 1920, 1080), QRectF(1280, 30, 1920, 1050)};

TEST(UndoToastFrame, PlacesBesideTheAnchorOrFallsBack) {
    struct Case {
        const char* name;
        std::optional<QRectF> anchor;
        QList<Screen> screens;
        std::optional<qsizetype> main;
        std::optional<QRectF> expected;
    };
    const QList<Screen> both{left, right};
    const Case cases[] = {
        {"below the field, left edges aligned", QRectF(100, 200, 400, 24), both, 0,
         QRectF(100, 234, 300, 50)},
        {"no room below: above the field", QRectF(100, 740, 400, 24), both, 0,
         QRectF(100, 680, 300, 50)},
        {"near the right edge: pulled 8 inside", QRectF(1200, 200, 60, 24), both, 0,
         QRectF(972, 234, 300, 50)},
        {"near the left edge of the second screen: kept on it", QRectF(1281, 200, 60, 24), both, 0,
         QRectF(1288, 234, 300, 50)},
        {"field on the second screen, main screen the first", QRectF(2000, 500, 300, 30), both, 0,
         QRectF(2000, 540, 300, 50)},
        {"a caret without width still counts", QRectF(2000, 500, 0, 18), both, 0,
         QRectF(2000, 528, 300, 50)},
        {"under the top panel: pushed down", QRectF(100, -100, 40, 60), both, 0,
         QRectF(100, 38, 300, 50)},
        {"off every screen: on the main one", QRectF(5000, 100, 40, 20), both, 1,
         QRectF(2892, 130, 300, 50)},
        {"no anchor: centred 60 above the bottom of the main screen", std::nullopt, both, 1,
         QRectF(2240 - 150, 1080 - 60 - 50, 300, 50)},
        {"zero size: the same", QRectF(300, 300, 0, 0), both, 0,
         QRectF(640 - 150, 800 - 60 - 50, 300, 50)},
        {"no main screen: the first", std::nullopt, both, std::nullopt, QRectF(490, 690, 300, 50)},
        {"no screen at all: nowhere", QRectF(10, 10, 40, 20), {}, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UndoToast::frame(c.anchor, toast, c.screens, c.main), c.expected) << c.name;
}

struct ToastDesk : FakeInserterDesk {
    ToastDesk() {
        target.localizedName = QStringLiteral("Editor");
        target.windowId = 0x1200007;
        terminal.localizedName = QStringLiteral("Terminal");
        terminal.windowId = 0x1400003;
        terminals.terminalWindows.insert(terminal.windowId);
    }

    FakeTerminalWindows terminals;
    UndoToast toast{{clock, inserter, windows, terminals}};
    RunningApplication target;
    RunningApplication terminal;
    const QRectF field{100, 200, 400, 24};
};

TEST(UndoToast, FadesAwaySixSecondsAfterTheLastShow) {
    ToastDesk desk;
    desk.toast.show(desk.field, desk.target);
    ASSERT_TRUE(desk.toast.isVisible());
    desk.clock.advance(ms(3000));
    desk.toast.show(desk.field, desk.target);
    // The first show's time is up; the second keeps it.
    desk.clock.advance(ms(3500));
    EXPECT_TRUE(desk.toast.isVisible());
    desk.clock.advance(ms(2500));
    EXPECT_FALSE(desk.toast.isVisible());
    desk.clock.advance(UndoToast::kFadeOut);
    EXPECT_FALSE(desk.toast.window()->isVisible());
    EXPECT_EQ(desk.toast.view(), nullptr);
    EXPECT_TRUE(desk.keys.sent.empty());
}

TEST(UndoToast, AShowDuringTheFadeOutStaysUp) {
    ToastDesk desk;
    desk.toast.show(desk.field, desk.target);
    desk.clock.advance(UndoToast::kShownFor + ms(100));  // halfway through the fade-out
    desk.toast.show(QRectF(300, 400, 200, 24), desk.target);
    desk.clock.advance(ms(1000));
    ASSERT_TRUE(desk.toast.isVisible());
    EXPECT_TRUE(desk.toast.window()->isVisible());
    ASSERT_NE(desk.toast.view(), nullptr);
    EXPECT_EQ(desk.toast.window()->pos(), QPoint(300, 434));
    desk.clock.advance(UndoToast::kShownFor + UndoToast::kFadeOut);
    EXPECT_FALSE(desk.toast.window()->isVisible());
}

TEST(UndoToast, UndoFadesOutAndSendsTheUndoKeyToTheTarget) {
    struct Case {
        const char* name;
        bool withTarget;
        bool windowManagerRefuses;
        std::vector<FakeKeySender::Sent> expected;
        // The toast comes back to say that nothing was undone.
        bool told;
    };
    const Case cases[] = {
        {"target comes forward",
         true,
         false,
         {{ms(1120), VirtualKey::Z, EventFlag::Command}},
         false},
        // The key would undo something in whichever window is in front instead.
        {"target does not come forward", true, true, {}, true},
        {"no target: the window in front",
         false,
         false,
         {{ms(1120), VirtualKey::Z, EventFlag::Command}},
         false},
    };
    for (const Case& c : cases) {
        ToastDesk desk;
        desk.windows.refuses = c.windowManagerRefuses;
        const auto target = c.withTarget ? std::optional(desk.target) : std::nullopt;
        desk.toast.show(desk.field, target);
        desk.clock.advance(ms(1000));
        desk.toast.view()->undoButton()->click();
        EXPECT_FALSE(desk.toast.isVisible()) << c.name;
        if (c.withTarget) {
            ASSERT_EQ(desk.windows.activations.size(), 1u) << c.name;
            EXPECT_EQ(desk.windows.activations[0].at, ms(1000)) << c.name;
        }
        desk.clock.advance(ms(500));
        EXPECT_EQ(desk.keys.sent, c.expected) << c.name;
        EXPECT_EQ(desk.toast.isVisible(), c.told) << c.name;
        if (c.told) {
            EXPECT_EQ(desk.toast.view()->message(), UndoToast::refusedText()) << c.name;
            EXPECT_EQ(desk.toast.view()->undoButton(), nullptr) << c.name;
        }
        // The hide timer of the show was cancelled: nothing else happens.
        desk.clock.runUntilIdle();
        EXPECT_EQ(desk.keys.sent, c.expected) << c.name;
        EXPECT_FALSE(desk.toast.window()->isVisible()) << c.name;
    }
}

// The target shows its fields, but the one that took the paste was not read: an undo key would
// take back whatever the keyboard reached since (the user's typing), so none is offered.
TEST(UndoToast, AnUndoThatCouldNeverBeCheckedIsNotOffered) {
    struct Case {
        const char* name;
        bool withTarget;
        bool fieldUnknown;
        bool offered;
    };
    const Case cases[] = {
        {"the field that took the paste is not known", true, true, false},
        {"the target shows no fields: its own undo key", true, false, true},
        {"no target: the window in front", false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToastDesk desk;
        const auto target = c.withTarget ? std::optional(desk.target) : std::nullopt;
        desk.toast.show(desk.field, target, std::nullopt, c.fieldUnknown);
        ASSERT_NE(desk.toast.view(), nullptr);
        EXPECT_EQ(desk.toast.view()->message(), "Eingefügt");
        EXPECT_EQ(desk.toast.view()->undoButton() != nullptr, c.offered);
    }
}

// Where the field's change is known, the undo writes back only over the paste; where it
// cannot, the toast comes back and says that nothing was undone.
TEST(UndoToast, AnUndoThatCannotBeDoneIsTold) {
    struct Case {
        const char* name;
        QString holds;
        QString ends;
        bool told;
    };
    const Case cases[] = {
        {"the field holds what the paste left", "Anna Hallo", "Anna", false},
        {"the user typed since", "Anna Hallo, bis bald", "Anna Hallo, bis bald", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToastDesk desk;
        desk.target.processIdentifier = 77;
        FocusedField focused{77, "GTK 3.24.38", ":1.9:/entry", c.holds};
        auto& entry = focused.field;
        AccessibilityWorker worker{focused.tree.factory()};
        FieldRestorer restorer{worker, desk.clock};
        UndoToast toast{
            {desk.clock, desk.inserter, desk.windows, desk.terminals, nullptr, &restorer}};
        const FieldRestorer::Change change{
            {":1.9:/entry", "Anna", Platform::TextRange{4, 4}},
            {":1.9:/entry", "Anna Hallo", Platform::TextRange{10, 10}}};
        toast.show(desk.field, desk.target, change);
        toast.view()->undoButton()->click();
        desk.clock.advance(UndoToast::kUndoDelay);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return entry->textValue == c.ends && toast.isVisible() == c.told; }, 5000));
        EXPECT_EQ(entry->textValue, c.ends);
        EXPECT_EQ(toast.isVisible(), c.told);
        // The entry's window would hand the undo key to its own shortcuts.
        EXPECT_TRUE(desk.keys.sent.empty());
        if (c.told) {
            EXPECT_EQ(toast.view()->message(), UndoToast::refusedText());
        }
    }
}

// Another window of Tavrin's over the toast (the panel that comes back after an insertion)
// moves it aside, so that both can be seen and clicked.
TEST(UndoToastFrame, KeepsApartFromTavrinsOtherWindows) {
    const QRectF area(8, 38, 1264, 754);
    const QRectF toastAt(100, 234, 300, 50);
    struct Case {
        const char* name;
        QList<QRectF> windows;
        QRectF expected;
    };
    const Case cases[] = {
        {"nothing over it", {QRectF(600, 100, 300, 300)}, toastAt},
        {"the panel at the same top-left point: below the panel",
         {QRectF(100, 234, 460, 300)},
         QRectF(100, 544, 300, 50)},
        {"the panel reaches the bottom: above it",
         {QRectF(100, 200, 460, 600)},
         QRectF(100, 140, 300, 50)},
        {"the panel fills the height: beside it",
         {QRectF(60, 38, 460, 754)},
         QRectF(530, 234, 300, 50)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UndoToast::apart(toastAt, c.windows, area), c.expected) << c.name;
}

// Of Tavrin's other windows only a floating one stands over the toast: the settings window,
// shown or minimized, lies below it, and the toast stays by its field.
TEST(UndoToast, StaysByItsFieldOverWindowsThatDoNotFloat) {
    struct Case {
        const char* name;
        Qt::WindowType type;
        bool minimized;
    };
    const Case cases[] = {
        {"a normal window over the place", Qt::Window, false},
        {"a floating window, minimized", Qt::Tool, true},
    };
    for (const Case& c : cases) {
        ToastDesk desk;
        QWidget other(nullptr, c.type);
        other.setGeometry(QRect(50, 150, 700, 500));
        if (c.minimized)
            other.showMinimized();
        else
            other.show();
        desk.toast.show(desk.field, desk.target);
        QCoreApplication::processEvents();
        const auto placed = UndoToast::frame(desk.field, QSizeF(desk.toast.view()->size()));
        ASSERT_TRUE(placed.has_value()) << c.name;
        EXPECT_EQ(desk.toast.window()->pos(), placed->topLeft().toPoint()) << c.name;
    }
}

TEST(UndoToast, CloseHidesWithoutAKey) {
    ToastDesk desk;
    desk.toast.show(desk.field, desk.target);
    desk.toast.view()->closeButton()->click();
    desk.clock.runUntilIdle();
    EXPECT_FALSE(desk.toast.window()->isVisible());
    EXPECT_TRUE(desk.keys.sent.empty());
    EXPECT_TRUE(desk.windows.activations.empty());
}

// A terminal hears that the paste went in, at once or late, over whatever the toast said
// before; it gets no undo, since its undo key would suspend the program running in it.
TEST(UndoToast, ATerminalIsToldEingefuegtWithoutAnUndo) {
    struct Case {
        const char* name;
        std::function<void(ToastDesk&)> before;
        std::optional<FieldRestorer::Change> change;
        bool fieldUnknown;
    };
    const FieldRestorer::Change read{{":1.4:/term", "$ ", Platform::TextRange{2, 2}},
                                     {":1.4:/term", "$ ls", Platform::TextRange{4, 4}}};
    const Case cases[] = {
        {"the paste went in at once", [](ToastDesk&) {}, std::nullopt, false},
        {"the paste went in late, after the notice that it had not",
         [](ToastDesk& desk) { desk.toast.tell(desk.field, UndoToast::notPastedText()); },
         std::nullopt, true},
        {"the terminal's field was read", [](ToastDesk&) {}, read, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToastDesk desk;
        c.before(desk);
        desk.clock.advance(ms(1000));
        desk.toast.show(desk.field, desk.terminal, c.change, c.fieldUnknown);
        ASSERT_TRUE(desk.toast.isVisible());
        EXPECT_EQ(desk.toast.view()->message(), "Eingefügt");
        EXPECT_EQ(desk.toast.view()->undoButton(), nullptr);
    }
}

// The close mark is the symbol alone: no padding widens the toast, no fill flashes behind
// the mark when it is pressed.
TEST(UndoToast, TheCloseButtonIsTheMarkAlone) {
    UndoToastView view([] {}, [] {});
    StyledButton* close = view.closeButton();
    const QSizeF mark = close->label().size(DS::Font::button());
    EXPECT_EQ(close->sizeHint().width(), int(std::ceil(mark.width())));
    const QImage idle = close->grab().toImage();
    close->setDown(true);
    const QImage pressed = close->grab().toImage();
    ASSERT_EQ(idle.size(), pressed.size());
    int filled = 0;
    for (int y = 0; y < idle.height(); ++y)
        for (int x = 0; x < idle.width(); ++x)
            filled += qAlpha(idle.pixel(x, y)) == 0 && qAlpha(pressed.pixel(x, y)) != 0;
    EXPECT_EQ(filled, 0);
}

// Without a compositor the window is cut to the capsule: every pixel the cut keeps must be
// painted, or it shows black.
TEST(UndoToast, WithoutACompositorEveryPixelInsideTheCutIsPainted) {
    for (const bool dark : {false, true}) {
        UndoToastView view([] {}, [] {});
        Theme::setForcedDark(&view, dark);
        view.setOpaque(true);
        const QImage image = view.grab().toImage();
        EXPECT_EQ(image.size(), view.size());
        // The window is cut by this mask when no compositor runs.
        const QRegion mask(RoundedBox::capsule(view.capsule()).toFillPolygon().toPolygon());
        EXPECT_EQ(translucentPixelsInside(image, mask), 0) << dark;
    }
}

}  // namespace
