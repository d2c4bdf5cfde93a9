#include "BrowserScenario.h"

namespace {

// The user inserts the reply into a page that is busy for a moment, and goes on to another
// window before the page has pasted: the page still gets the reply, never what the clipboard
// held before, and the user hears only what is so.
class MovingOnScenario : public BrowserScenario {
protected:
    // An xterm the user goes to; the browser has the keyboard again when this returns.
    void startOtherWindow() {
        desktop.startClient(QStringLiteral("xterm"),
                            {"-T", "scenario-other", "-geometry", "40x8+900+600"});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                other = runProgram(QStringLiteral("xdotool"),
                                   {QStringLiteral("search"), QStringLiteral("--name"),
                                    QStringLiteral("^scenario-other$")})
                            .trimmed()
                            .toULongLong();
                return other != 0 && desktop.focusedWindow() == other;
            },
            10000));
        activate(window);
    }

    void activate(quint64 target) {
        runProgram(QStringLiteral("xdotool"),
                   {QStringLiteral("windowactivate"), QString::number(target)});
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusedWindow() == target; }, 5000));
    }

    // The reply asked for and inserted; `movesOnAfterMs` later the user goes to the other
    // window. The text area must end up holding `after`, the clipboard "vorher".
    void insertAndMoveOn(int movesOnAfterMs, const QString& after) {
        QTemporaryDir record;
        openThePanel(record);
        if (HasFatalFailure())
            return;
        desktop.type(QStringLiteral("Antworte kurz"));
        desktop.key(QStringLiteral("Return"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.replyText() == reply; }, 15000))
            << "no reply in the panel";
        ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.replyDone(); }, 10000))
            << "the reply never ended";
        desktop.key(QStringLiteral("ctrl+Return"));
        QTest::qWait(movesOnAfterMs);
        activate(other);

        EXPECT_TRUE(QTest::qWaitFor([&] { return areaText() == after; }, 8000))
            << "the page did not get the reply: " << areaText().toStdString();
        // Long enough for a clipboard given back too early to have been pasted instead.
        QTest::qWait(1500);
        EXPECT_EQ(areaText().toStdString(), after.toStdString());
        EXPECT_TRUE(QTest::qWaitFor([] { return xclipOut() == "vorher"; }, 6000))
            << "the user's clipboard is lost";
        EXPECT_FALSE(
            tavrinShows(QStringLiteral("Nicht eingefügt – der Text liegt in der Zwischenablage")))
            << "told that the reply did not go in";
    }

    quint64 other = 0;
};

TEST_F(MovingOnScenario, InChromiumABusyPageGetsTheReplyAfterTheUserWentToAnotherWindow) {
    pageOptions = QStringLiteral("busy=800");
    startChromium();
    if (HasFatalFailure())
        return;
    startOtherWindow();
    if (HasFatalFailure())
        return;
    insertAndMoveOn(350, "Hallo " + reply);
}

// The reply is the very text it replaces: the text stays as it was, and only the caret at the
// end of the reply tells that the paste has landed.
TEST_F(MovingOnScenario, InChromiumABusyPageGetsTheReplyThatIsTheSelectedText) {
    pageOptions = QStringLiteral("busy=800&reply=") + QUrl::toPercentEncoding(reply);
    startChromium();
    if (HasFatalFailure())
        return;
    startOtherWindow();
    if (HasFatalFailure())
        return;
    insertAndMoveOn(350, "Hallo " + reply);
}

}  // namespace
