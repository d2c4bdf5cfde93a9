#include "BrowserScenario.h"

namespace {

TEST_F(BrowserScenario, InFirefoxTheRoadRunsBesideTheTextArea) {
    startFirefox();
    if (HasFatalFailure())
        return;
    runTheRoad(QStringLiteral("firefox"));
    if (HasFatalFailure())
        return;
    comeForwardAndPress(3);
}

TEST_F(BrowserScenario, InChromiumTheRoadRunsBesideTheTextArea) {
    startChromium();
    if (HasFatalFailure())
        return;
    runTheRoad(QStringLiteral("chromium"));
    if (HasFatalFailure())
        return;
    comeForwardAndPress(3);
}

// A rich-text editor of the kind web mail and chat pages write in: its paragraphs' words, not
// the marks that stand for them, are the field's text and selection in the request.
TEST_F(BrowserScenario, InFirefoxARichTextEditorIsReadThroughItsParagraphs) {
    richText = true;
    startFirefox();
    if (HasFatalFailure())
        return;
    runTheRoad(QStringLiteral("firefox-editor"));
    if (HasFatalFailure())
        return;
    comeForwardAndPress(1);
}

// The editor's paragraphs, not the marks that stand for them, tell that the user typed after
// the reply.
TEST_F(BrowserScenario, InFirefoxARichTextEditorKeepsWhatWasTypedAfterTheReply) {
    richText = true;
    startFirefox();
    if (HasFatalFailure())
        return;
    runTheRoad(QStringLiteral("firefox-editor-typed-after"), QStringLiteral(" Gruss"));
}

TEST_F(BrowserScenario, InChromiumARichTextEditorIsReadThroughItsParagraphs) {
    richText = true;
    startChromium();
    if (HasFatalFailure())
        return;
    runTheRoad(QStringLiteral("chromium-editor"));
    if (HasFatalFailure())
        return;
    comeForwardAndPress(1);
}

// A page busy as the paste goes out (a heavy page, a loaded machine) pastes when its renderer
// runs again, and only then reads the clipboard: it gets the reply, never what the user had
// copied.
TEST_F(BrowserScenario, InChromiumABusyPageGetsTheReplyNeverTheEarlierClipboard) {
    startChromium();
    if (HasFatalFailure())
        return;
    insertWhileBusy(Busy::pages, 3000);
}

// A chat sends the reply on the Return that follows it, not what the field held before.
TEST_F(BrowserScenario, InChromiumABusyChatSendsTheReply) {
    startChromium();
    if (HasFatalFailure())
        return;
    insertWhileBusy(Busy::pages, 3000, true);
}

TEST_F(BrowserScenario, InChromiumABusyRichTextEditorGetsTheReply) {
    richText = true;
    startChromium();
    if (HasFatalFailure())
        return;
    insertWhileBusy(Busy::pages, 3000);
}

// The browser itself busy for longer than a paste may take: nothing is claimed, and the reply
// goes in when it wakes, with the user's clipboard back after it.
TEST_F(BrowserScenario, InChromiumABrowserBusyForLongGetsTheReplyWhenItWakes) {
    startChromium();
    if (HasFatalFailure())
        return;
    insertWhileBusy(Busy::browser, 8000);
}

TEST_F(BrowserScenario, InFirefoxABusyPageGetsTheReplyNeverTheEarlierClipboard) {
    startFirefox();
    if (HasFatalFailure())
        return;
    insertWhileBusy(Busy::pages, 3000);
}

TEST_F(BrowserScenario, InFirefoxABrowserBusyForLongGetsTheReplyWhenItWakes) {
    startFirefox();
    if (HasFatalFailure())
        return;
    insertWhileBusy(Busy::browser, 8000);
}

}  // namespace
