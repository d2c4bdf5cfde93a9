#include <gtest/gtest.h>

#include "App/TerminalLoginOpener.h"
#include "Platform/fake/FakeClipboard.h"
#include "Platform/fake/FakeTerminalLauncher.h"

using namespace Platform;

namespace {

ClipboardContents plainText(const QByteArray& text) {
    return {ClipboardItem{{{QStringLiteral("text/plain"), text}}}};
}

TEST(TerminalLoginOpener, RunsTheLoginCommandOrLeavesItOnTheClipboard) {
    struct Case {
        ProviderID provider;
        bool terminalStarts;
        QStringList command;
        ClipboardContents clipboardAfter;
    };
    const ClipboardContents before{
        ClipboardItem{{{QStringLiteral("text/plain"), QByteArray("Vorher")},
                       {QStringLiteral("text/html"), QByteArray("<i>Vorher</i>")}}}};
    const Case cases[] = {
        {ProviderID::claudeCLI, true, {"claude", "auth", "login"}, before},
        {ProviderID::codexCLI, true, {"codex", "login"}, before},
        // The user's earlier content is gone: exactly the command is there to paste.
        {ProviderID::claudeCLI, false, {"claude", "auth", "login"}, plainText("claude auth login")},
        {ProviderID::codexCLI, false, {"codex", "login"}, plainText("codex login")},
    };
    for (const Case& c : cases) {
        FakeTerminalLauncher terminals;
        terminals.starts = c.terminalStarts;
        FakeClipboard clipboard;
        clipboard.writeAsOtherProgram(before);
        TerminalLoginOpener(terminals, clipboard).openLogin(c.provider);
        ASSERT_EQ(terminals.commands.size(), 1u);
        EXPECT_EQ(terminals.commands[0], c.command);
        EXPECT_EQ(clipboard.contents, c.clipboardAfter) << c.command.join(' ').toStdString();
    }
}

}  // namespace
