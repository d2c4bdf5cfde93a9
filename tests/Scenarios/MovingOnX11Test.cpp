#include "BrowserScenario.h"

namespace {

// The user inserts the reply into a page that is busy for a moment, and goes on to another
// window before the page has pasted: the page still gets the reply, never what the clipboard
// held before, and the user hears only what is so.
class MovingOnScenario : public BrowserScenario {
protected:
    // Chromium on the message page with `options`, and the other window the user goes to; the
    // page has the keyboard. The reply is asked for and inserted, and `movesOnAfterMs` later
    // the user goes to the other window. The text area must end up holding `after`, the
    // clipboard "vorher".
    void insertAndMoveOn(const QString& options, int movesOnAfterMs, const QString& after) {
        pageOptions = options;
        startChromium();
        if (HasFatalFailure())
            return;
        openOtherWindow();
        activate(window);
        if (HasFatalFailure())
            return;
        QTemporaryDir record;
        askForTheReply(record);
        if (HasFatalFailure())
            return;
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
};

TEST_F(MovingOnScenario, InChromiumABusyPageGetsTheReplyAfterTheUserWentToAnotherWindow) {
    insertAndMoveOn(QStringLiteral("busy=800"), 350, "Hallo " + reply);
}

// The reply is the very text it replaces: the text stays as it was, and only the caret at the
// end of the reply tells that the paste has landed.
TEST_F(MovingOnScenario, InChromiumABusyPageGetsTheReplyThatIsTheSelectedText) {
    insertAndMoveOn(QStringLiteral("busy=800&reply=") + QUrl::toPercentEncoding(reply), 350,
                    "Hallo " + reply);
}

}  // namespace
