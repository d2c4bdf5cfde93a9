#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "AI/ProviderStatusStore.h"
#include "Platform/fake/FakeClock.h"
#include "support/StandInTools.h"

using State = ProviderStatusStore::State;

TEST(ProviderStatusStoreTest, CodexAnswersAreReadByText) {
    const std::pair<std::optional<QString>, State> cases[] = {
        {std::nullopt, State::notLoggedIn()},
        {"", State::notLoggedIn()},
        {"Not logged in", State::notLoggedIn()},
        {"NOT LOGGED IN (ChatGPT)", State::notLoggedIn()},
        {"Logged in using ChatGPT", State::ready("ChatGPT-Konto")},
        {"logged in using CHATGPT", State::ready("ChatGPT-Konto")},
        {"Logged in using an API key - sk-…", State::ready()},
    };
    for (const auto& [output, expected] : cases)
        EXPECT_EQ(ProviderStatusStore::readCodexStatus(output), expected)
            << output.value_or("(none)").toStdString();
}

TEST(ProviderStatusStoreTest, ClaudeAnswersAreReadAsJson) {
    const std::pair<std::optional<QString>, State> cases[] = {
        {std::nullopt, State::notLoggedIn()},
        {"", State::notLoggedIn()},
        {"[true]", State::notLoggedIn()},
        {"{}", State::notLoggedIn()},
        {R"({"loggedIn": false, "email": "a@b.de"})", State::notLoggedIn()},
        {R"({"loggedIn": "true"})", State::notLoggedIn()},
        {R"(warning: update available {"loggedIn": true})", State::notLoggedIn()},
        {R"({"loggedIn": true})", State::ready()},
        {R"({"loggedIn": true, "subscriptionType": "max"})", State::ready("Max")},
        {R"({"loggedIn": true, "email": "a@b.de", "subscriptionType": "pro team"})",
         State::ready("a@b.de · Pro Team")},
        {R"({"loggedIn": true, "email": "", "subscriptionType": "PRO"})", State::ready(" · Pro")},
        {R"({"loggedIn": true, "email": "", "subscriptionType": 3})", State::ready()},
    };
    for (const auto& [output, expected] : cases)
        EXPECT_EQ(ProviderStatusStore::readClaudeStatus(output), expected)
            << output.value_or("(none)").toStdString();
}

TEST(ProviderStatusStoreTest, Texts) {
    const std::tuple<State, const char*, const char*> cases[] = {
        {State::unknown(), "prüfe …", "Prüfe …"},
        {State::checking(), "prüfe …", "Prüfe …"},
        {State::notFound(), "nicht gefunden", "Nicht gefunden"},
        {State::notLoggedIn(), "nicht angemeldet", "Nicht angemeldet"},
        {State::ready(), "angemeldet", "Angemeldet"},
        {State::ready("ChatGPT-Konto"), "angemeldet", "Angemeldet als ChatGPT-Konto"},
    };
    for (const auto& [state, shortText, longText] : cases) {
        EXPECT_EQ(state.shortText(), QString::fromUtf8(shortText));
        EXPECT_EQ(state.longText(), QString::fromUtf8(longText));
    }
}

// Beside the state, what the user must know about the path typed in the settings.
TEST(ProviderStatusStoreTest, PathNotes) {
    const std::tuple<State, const char*> notes[] = {
        {State::ready(), ""},
        {State{State::Kind::ready, "a@b.de", "~/bin/claude", "/usr/bin/claude"},
         "„~/bin/claude“ ist kein Programm; verwendet wird /usr/bin/claude."},
        {State{State::Kind::notFound, std::nullopt, "/opt/%1", {}}, "„/opt/%1“ ist kein Programm."},
    };
    for (const auto& [state, note] : notes)
        EXPECT_EQ(state.pathNote(), QString::fromUtf8(note));
}

// The checks run the stand-in tools for real.
class ProviderStatusStoreRunTest : public ::testing::Test {
protected:
    StandInTools tools;
    const AssistantSettings settings = StandInTools::settings();
    Platform::FakeClock clock;
    ProviderStatusStore store{clock};
};

TEST_F(ProviderStatusStoreRunTest, RefreshShowsCheckingOnlyForUnknownTools) {
    tools.write("claude-status", R"({"loggedIn": true, "email": "a@b.de"})");
    tools.write("codex-status", "Logged in using ChatGPT");
    QSignalSpy changes(&store, &ProviderStatusStore::statesChanged);
    EXPECT_EQ(store.state(ProviderID::codexCLI), State::unknown());

    store.refresh(settings);
    EXPECT_EQ(store.state(ProviderID::claudeCLI), State::checking());
    EXPECT_EQ(store.state(ProviderID::codexCLI), State::checking());
    ASSERT_TRUE(QTest::qWaitFor([&] { return changes.count() == 4; }, 10000));
    EXPECT_EQ(store.state(ProviderID::claudeCLI), State::ready("a@b.de"));
    EXPECT_EQ(store.state(ProviderID::codexCLI), State::ready("ChatGPT-Konto"));

    // A known state stays while the next check runs; an equal result notifies nobody.
    tools.write("codex-status", "Not logged in");
    store.refresh(settings);
    EXPECT_EQ(store.state(ProviderID::codexCLI), State::ready("ChatGPT-Konto"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return changes.count() == 5; }, 10000));
    EXPECT_EQ(store.state(ProviderID::codexCLI), State::notLoggedIn());
    QTest::qWait(200);
    EXPECT_EQ(changes.count(), 5);
    EXPECT_EQ(tools.lines("claude-status-calls"), 2);
}

TEST_F(ProviderStatusStoreRunTest, HangingCheckIsJoinedAndGivenUpAfterItsTimeLimit) {
    tools.write("claude-status-hang");

    std::vector<State> answers;
    store.refresh(settings);
    store.refresh(settings);
    store.checkNow(ProviderID::claudeCLI, settings, [&](State s) { answers.push_back(s); });
    store.checkNow(ProviderID::claudeCLI, settings, [&](State s) { answers.push_back(s); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return tools.lines("claude-status-calls") == 1; }, 10000));
    QTest::qWait(300);
    EXPECT_EQ(tools.lines("claude-status-calls"), 1);
    EXPECT_TRUE(answers.empty());

    clock.advance(ProviderStatusStore::checkTimeLimit - std::chrono::milliseconds(1));
    EXPECT_TRUE(answers.empty());
    clock.advance(std::chrono::milliseconds(1));
    EXPECT_EQ(answers, (std::vector<State>{State::unknown(), State::unknown()}));
    EXPECT_EQ(store.state(ProviderID::claudeCLI), State::checking());

    // The next refresh starts afresh, and its answer is stored.
    tools.remove("claude-status-hang");
    tools.write("claude-status", R"({"loggedIn": true})");
    store.refresh(settings);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return store.state(ProviderID::claudeCLI) == State::ready(); }, 10000));
    EXPECT_EQ(tools.lines("claude-status-calls"), 2);
}

TEST_F(ProviderStatusStoreRunTest, CheckNowStoresAndAnswers) {
    tools.write("codex-status", "Logged in using an API key");
    std::optional<State> answer;
    store.checkNow(ProviderID::codexCLI, settings, [&](State s) { answer = s; });
    EXPECT_EQ(store.state(ProviderID::codexCLI), State::unknown());
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 10000));
    EXPECT_EQ(answer, State::ready());
    EXPECT_EQ(store.state(ProviderID::codexCLI), State::ready());
}

// What was found at one path says nothing about another: a path typed into the settings shows
// checking at once and is checked, even while a check at the old path hangs; whoever waited
// for that one gets the new answer.
TEST_F(ProviderStatusStoreRunTest, AnotherPathIsCheckedAfresh) {
    tools.write("claude-status", R"({"loggedIn": true})");
    store.refresh(settings);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return store.state(ProviderID::claudeCLI) == State::ready(); }, 10000));

    tools.write("claude-status-hang");
    std::optional<State> answer;
    store.checkNow(ProviderID::claudeCLI, settings, [&](State s) { answer = s; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return tools.lines("claude-status-calls") == 2; }, 10000));

    AssistantSettings moved = settings;
    moved.claudePath = QStringLiteral(TAVRIN_FIXTURES_DIR "/setup/./claude");
    tools.remove("claude-status-hang");
    tools.write("claude-status", R"({"loggedIn": false})");
    store.refresh(moved);
    EXPECT_EQ(store.state(ProviderID::claudeCLI), State::checking());
    ASSERT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 10000));
    EXPECT_EQ(answer, State::notLoggedIn());
    EXPECT_EQ(store.state(ProviderID::claudeCLI), State::notLoggedIn());
    EXPECT_EQ(tools.lines("claude-status-calls"), 3);

    // Back at a path whose check has answered, the known state stays while it is checked again.
    store.refresh(moved);
    EXPECT_EQ(store.state(ProviderID::claudeCLI), State::notLoggedIn());
}

// A path typed into the settings that names no program is passed over for the tool found
// along the search path: the state says so, and which program it speaks of.
TEST(ProviderStatusStoreTest, AStateSaysWhenTheTypedPathNamesNoProgram) {
    StandInTools tools;
    tools.write("claude-status", R"({"loggedIn": true})");
    const QString searched = QDir::homePath() + "/.local/bin/claude";
    const QString standIn = StandInTools::settings().claudePath;
    const struct {
        const char* name;
        QString typed;
        bool onSearchPath;
        State expected;
    } cases[] = {
        {"found elsewhere", " /nowhere/claude ", true,
         State{State::Kind::ready, std::nullopt, "/nowhere/claude", searched}},
        {"found nowhere", "/nowhere/claude", false,
         State{State::Kind::notFound, std::nullopt, "/nowhere/claude", {}}},
        {"a folder", QDir::homePath(), true,
         State{State::Kind::ready, std::nullopt, QDir::homePath(), searched}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QDir().mkpath(QDir::homePath() + "/.local/bin");
        QFile::remove(searched);
        if (c.onSearchPath) {
            ASSERT_TRUE(QFile::copy(standIn, searched));
        }
        const std::atomic<bool> abandoned{false};
        EXPECT_EQ(ProviderStatusStore::check(ProviderID::claudeCLI, c.typed, abandoned),
                  c.expected);
        QFile::remove(searched);
    }
}
