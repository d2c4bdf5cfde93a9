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

}  // namespace
