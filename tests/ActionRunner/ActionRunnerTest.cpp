#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "AI/CLIEnvironment.h"
#include "ActionRunner/ActionRunner.h"
#include "ActionRunner/ActionTarget.h"
#include "Platform/fake/FakeUrlOpener.h"
#include "support/Files.h"
#include "support/ScopedEnv.h"

namespace {

using Params = QMap<QString, QString>;

// The fake gh sits in ~/.local/bin, which is always on the tools' search path, and records
// its calls in a private folder.
class ActionRunnerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString bin = QDir::homePath() + "/.local/bin";
        QDir().mkpath(bin);
        QFile::remove(bin + "/gh");
        ASSERT_TRUE(QFile::copy(TAVRIN_FIXTURES_DIR "/gh", bin + "/gh"));
    }

    AIResult<ActionRunner::Result> run(const AssistantAction& action, const Params& params,
                                       const std::optional<Project>& project = std::nullopt) {
        std::optional<AIResult<ActionRunner::Result>> result;
        auto running = ActionRunner::run(action, params, project, opener,
                                         [&](AIResult<ActionRunner::Result> r) { result = r; });
        EXPECT_FALSE(result.has_value()) << "the completion must come after run() returns";
        EXPECT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 20000));
        return result.value_or(AIResult<ActionRunner::Result>(AIError::failed("timed out")));
    }

    QList<QStringList> calls() const {
        QList<QStringList> all;
        for (int n = 1; QFile::exists(records.filePath(QString("call-%1").arg(n))); ++n) {
            QStringList arguments =
                QString::fromUtf8(readFile(records.filePath(QString("call-%1").arg(n))))
                    .split(QChar(0));
            arguments.removeLast();  // after the last NUL
            all.append(arguments);
        }
        return all;
    }

    static QString message(const AIResult<ActionRunner::Result>& result) {
        return result ? result.value().message : result.failure().errorDescription();
    }

    QTemporaryDir records;
    ScopedEnv recordsVariable{"FAKE_GH_DIR", records.path()};
    Platform::FakeUrlOpener opener;
    AssistantAction issue = AssistantAction::builtIns().at(0);
    AssistantAction comment = AssistantAction::builtIns().at(1);
};

Project projectWith(std::optional<QString> path, std::optional<QString> repo) {
    Project project;
    project.id = QUuid::createUuid();
    project.name = "Tavrin";
    project.path = std::move(path);
    project.repo = std::move(repo);
    return project;
}

AssistantAction shellAction(const QString& command, const QStringList& parameters) {
    AssistantAction action;
    action.id = "run";
    action.name = "Befehl";
    action.kind = AssistantAction::Kind::shell;
    action.templateText = command;
    action.parameters = parameters;
    return action;
}

}  // namespace

TEST_F(ActionRunnerTest, IssueWithLabelsRunsGhWithEachLabel) {
    QTemporaryDir folder;
    const auto result = run(
        issue, {{"title", "  Crash on start \n"}, {"body", "  "}, {"labels", "bug, wontfix, ,"}},
        projectWith(folder.path(), "octo/app"));
    ASSERT_TRUE(result) << message(result).toStdString();
    EXPECT_EQ(
        result.value(),
        (ActionRunner::Result{"Issue erstellt", QUrl("https://github.com/octo/app/issues/42")}));
    EXPECT_EQ(calls(), (QList<QStringList>{{"issue", "create", "--repo", "octo/app", "--title",
                                            "Crash on start", "--body", "  ", "--label", "bug",
                                            "--label", "wontfix"}}));
    EXPECT_EQ(readFile(records.filePath("cwd-1")).trimmed(), QFile::encodeName(folder.path()));
}

// Only a label the repository lacks is worth a second try: gh refuses such an issue before it
// creates anything. After any other failure the issue may exist already, and a second run
// would make a duplicate in the user's repository.
TEST_F(ActionRunnerTest, FailedIssueIsRetriedWithoutLabelsOnlyForAMissingLabel) {
    const QString badGateway = "HTTP 502: Bad Gateway (https://api.github.com/graphql)";
    struct Case {
        const char* failure;
        const char* error;  // what gh says for "always"; null: the stand-in's 502
        const char* labels;
        int calls;
        bool succeeds;
        QString message;
    };
    const Case cases[] = {
        {"labels", nullptr, "bug, wontfix, ,", 2, true,
         "Issue erstellt (ohne Labels: bug, wontfix gibt es im Repo nicht)"},
        {"always", nullptr, "bug", 1, false, badGateway},
        {"always", nullptr, " , ", 1, false, badGateway},
        // Other things gh finds missing are no reason to drop the labels.
        {"always", "GraphQL: Could not resolve to a Repository with the name 'octo/app'.", "bug", 1,
         false, "GraphQL: Could not resolve to a Repository with the name 'octo/app'."},
        {"always", "could not add label: HTTP 502", "bug", 1, false,
         "could not add label: HTTP 502"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.failure) + " / " + c.labels);
        for (const QString& name : QDir(records.path()).entryList(QDir::Files))
            QFile::remove(records.filePath(name));
        ScopedEnv failure("FAKE_GH_FAIL", c.failure);
        ScopedEnv error("FAKE_GH_ERROR", c.error ? QString(c.error) : QString());
        const auto result =
            run(issue, {{"title", "T"}, {"labels", c.labels}, {"repo", "octo/app"}});
        EXPECT_EQ(bool(result), c.succeeds);
        EXPECT_EQ(message(result), c.message);
        const auto made = calls();
        EXPECT_EQ(made.size(), c.calls);
        if (c.calls == 2) {
            EXPECT_EQ(made.at(1), (QStringList{"issue", "create", "--repo", "octo/app", "--title",
                                               "T", "--body", ""}));
        }
        if (c.succeeds) {
            EXPECT_EQ(result.value().url, QUrl("https://github.com/octo/app/issues/42"));
        }
    }
}

TEST_F(ActionRunnerTest, ChecksComeBeforeAnythingIsStarted) {
    const QString noRepo =
        "Kein GitHub-Repo bekannt. Projekt in den Einstellungen unter „Projekte“ verbinden.";
    struct Case {
        AssistantAction action;
        Params params;
        std::optional<Project> project;
        QString message;
    };
    const Case cases[] = {
        {issue, {{"title", " "}}, std::nullopt, noRepo},
        {issue, {{"title", "T"}, {"repo", ""}}, projectWith(std::nullopt, ""), noRepo},
        {issue,
         {{"title", " \n "}},
         projectWith(std::nullopt, "octo/app"),
         "Der Issue braucht einen Titel."},
        {comment, {{"issue", "abc"}, {"repo", "octo/app"}}, std::nullopt, "Welche Issue-Nummer?"},
        {comment, {{"issue", "#1"}}, std::nullopt, noRepo},
    };
    for (const Case& c : cases) {
        const auto result = run(c.action, c.params, c.project);
        EXPECT_FALSE(result);
        EXPECT_EQ(message(result), c.message);
    }
    EXPECT_TRUE(calls().isEmpty());
}

TEST_F(ActionRunnerTest, CommentTakesTheDigitsOfTheIssue) {
    const auto result =
        run(comment, {{"issue", "Issue #123"}, {"body", "Fixed in 2.1"}, {"repo", ""}},
            projectWith(std::nullopt, "octo/app"));
    ASSERT_TRUE(result) << message(result).toStdString();
    EXPECT_EQ(result.value().message, "Kommentar zu #123 gepostet");
    EXPECT_EQ(result.value().url, QUrl("https://github.com/octo/app/issues/123#issuecomment-7"));
    EXPECT_EQ(calls(), (QList<QStringList>{{"issue", "comment", "123", "--repo", "octo/app",
                                            "--body", "Fixed in 2.1"}}));
}

// The number posted to is the one the card showed: one number, in any script's digits (gh
// gets them in ASCII), after an optional "#" or "Issue"; a value that holds more than one
// number, or more than a number, is refused rather than read as the digits it holds.
TEST_F(ActionRunnerTest, CommentGoesToTheOneIssueNumberShown) {
    const std::pair<QString, QString> cases[] = {
        {"#\U0001D7CF\U0001D7D0", "12"},
        {" issue  #007 ", "7"},
        {"\u0664\u0662", "42"},
        {"#12 (Antwort auf #7)", ""},
        {"12, 13", ""},
        {"Nr. \u0664\u0662 \U0001F600", ""},
        {"\U00010107x7", ""},
        {"#0", ""},
    };
    for (const auto& [issueText, number] : cases) {
        const qsizetype before = calls().size();
        const auto result = run(comment, {{"issue", issueText}, {"repo", "octo/app"}});
        if (number.isEmpty()) {
            EXPECT_FALSE(result) << issueText.toStdString();
            EXPECT_EQ(calls().size(), before) << issueText.toStdString();
            continue;
        }
        ASSERT_TRUE(result) << issueText.toStdString() << ": " << message(result).toStdString();
        EXPECT_EQ(result.value().message, "Kommentar zu #" + number + " gepostet");
        EXPECT_EQ(calls().last().at(2), number);
    }
}

// The user cancels while gh is still being looked for: the issue must not be created.
TEST_F(ActionRunnerTest, CancelledRunStartsNothing) {
    bool called = false;
    auto running =
        ActionRunner::run(issue, {{"title", "T"}, {"repo", "octo/app"}}, std::nullopt, opener,
                          [&](AIResult<ActionRunner::Result>) { called = true; });
    running->cancel();
    QTest::qWait(1500);
    EXPECT_FALSE(called);
    EXPECT_TRUE(calls().isEmpty());
}

TEST_F(ActionRunnerTest, MissingGhIsReported) {
    QFile::remove(QDir::homePath() + "/.local/bin/gh");
    if (CLIEnvironment::locate("gh", {}))
        GTEST_SKIP() << "a gh program is installed here";
    const auto result = run(issue, {{"title", "T"}, {"labels", "bug"}, {"repo", "octo/app"}});
    ASSERT_FALSE(result);
    // gh has no path setting to point to.
    EXPECT_EQ(result.failure().errorDescription(),
              "GitHub CLI (gh) wurde nicht gefunden. Installiere gh und versuch es noch einmal.");
}

TEST_F(ActionRunnerTest, ShellValuesArriveAsOneLiteralWordEach) {
    const auto action =
        shellAction("printf '[%s]' {{a}} {{b}} {{project_path}} {{repo}}", {"a", "b"});
    struct Case {
        Params params;
        std::optional<Project> project;
        QString output;
    };
    const Case cases[] = {
        {{{"a", "{{b}}"}, {"b", "$(echo INJECTED)"}, {"repo", "ignored"}},
         std::nullopt,
         "[{{b}}][$(echo INJECTED)][][]"},
        {{{"a", "it's; rm -rf x && `id` | *"}, {"b", "{{project_path}}"}},
         projectWith("/nonexistent/folder", "octo/app"),
         "[it's; rm -rf x && `id` | *][{{project_path}}][][octo/app]"},
        {{{"a", "line one\nline two"}}, std::nullopt, "[line one\nline two][][][]"},
    };
    for (const Case& c : cases) {
        const auto result = run(action, c.params, c.project);
        ASSERT_TRUE(result) << message(result).toStdString();
        EXPECT_EQ(result.value().message, c.output);
    }
}

// The login shell gets the values as arguments: where a template's grammar once hid a
// value from the quoting, the value is still only printed.
TEST_F(ActionRunnerTest, ShellValuesNeverRunInTheLoginShell) {
    QTemporaryDir folder;
    const QString canary = folder.filePath("canary");
    const QString value = "$(touch " + canary + ")";
    const QStringList templates = {"echo \"$(case x in x) echo {{a}};; esac)\"",
                                   "f() { echo {{a}}; }; f", "echo fertig\u00a0# Notiz: {{a}}"};
    for (const QString& text : templates) {
        const auto result =
            run(shellAction(text, {"a"}), {{"a", value}}, projectWith(folder.path(), std::nullopt));
        ASSERT_TRUE(result) << message(result).toStdString();
        EXPECT_TRUE(result.value().message.endsWith(value)) << result.value().message.toStdString();
        EXPECT_FALSE(QFile::exists(canary)) << text.toStdString();
    }
}

TEST_F(ActionRunnerTest, ShellRunsInTheProjectFolderAndKeepsTheTail) {
    QTemporaryDir folder;
    const Project project = projectWith(folder.path(), std::nullopt);
    const QString tail = QString(299, 'y') + "z";
    struct Case {
        QString command;
        QString message;
        std::optional<QUrl> url;
    };
    const Case cases[] = {
        {"cd {{project_path}} && pwd", folder.path(), std::nullopt},
        {"pwd", folder.path(), std::nullopt},
        {"printf '\\n  \\n\\n'", "Erledigt", std::nullopt},
        {"echo 'see https://example.org/a).'; printf '%0700d' 0; printf '" + tail + "'", tail,
         QUrl("https://example.org/a).")},
    };
    for (const Case& c : cases) {
        const auto result = run(shellAction(c.command, {}), {}, project);
        ASSERT_TRUE(result) << message(result).toStdString();
        EXPECT_EQ(result.value(), (ActionRunner::Result{c.message, c.url}))
            << c.command.toStdString();
    }
    const auto failed = run(shellAction("exit 3", {}), {});
    EXPECT_EQ(message(failed), "Befehl fehlgeschlagen (Code 3)");
    EXPECT_FALSE(QFile::exists(folder.filePath("ran")));
}

// A refused command starts nothing and says which placeholder is the matter and what to
// change.
TEST_F(ActionRunnerTest, RefusedShellCommandsNameThePlaceholderAndStartNothing) {
    QTemporaryDir folder;
    const Project project = projectWith(folder.path(), std::nullopt);
    struct Case {
        QString command;
        QString value;
        QString message;
    };
    const Case cases[] = {
        {"touch ran; eval {{anzahl}}", "3",
         "Der Befehl wurde nicht ausgeführt: Die Shell würde den Wert von „{{anzahl}}“ als "
         "Befehl ausführen („eval“). Setz den Platzhalter dort ein, wo er nur Text ist, etwa "
         "als Argument eines Befehls."},
        {"touch ran; echo $(( {{anzahl}} + 1 ))", "3x",
         "Der Befehl wurde nicht ausgeführt: Die Shell würde den Wert von „{{anzahl}}“ als "
         "Rechnung auswerten („$((…))“). Dort darf ein Wert nur eine ganze Zahl sein, etwa 41 "
         "oder -7 (ohne führende Null und ohne „+“)."},
        {"touch ran; read {{anzahl}}", "3",
         "Der Befehl wurde nicht ausgeführt: Die Shell würde den Wert von „{{anzahl}}“ als "
         "Variablennamen lesen („read“). Schreib Variablennamen in den Befehl selbst und setz "
         "den Platzhalter nur als Wert ein."},
        {"touch ran; $BASH -s {{anzahl}}", "3",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{anzahl}}“ geht an einen Befehl, "
         "dessen Programm erst beim Ausführen feststeht („$BASH“) – das kann Tavrin nicht "
         "sicher prüfen. Schreib den Namen des Programms selbst in den Befehl."},
        {"touch ran; echo `echo {{anzahl}}`", "3",
         "Der Befehl wurde nicht ausgeführt: „{{anzahl}}“ steht in „`…`“ – das kann Tavrin "
         "nicht sicher prüfen. Setz den Platzhalter dort ein, wo er nur Text ist, etwa als "
         "Argument eines Befehls."},
        {"touch ran; shopt -s extdebug; echo {{anzahl}}", "3",
         "Der Befehl wurde nicht ausgeführt: „shopt -s extdebug“ ändert, wie die Shell den "
         "Befehl liest – wohin der Wert von „{{anzahl}}“ dann gelangt, kann Tavrin nicht "
         "sicher prüfen. Lass die Einstellung weg."},
        {"touch ran; cat <<'EOF'\n{{anzahl}}\nEOF", "3",
         "Der Befehl wurde nicht ausgeführt: Der Platzhalter „{{anzahl}}“ steht in einem "
         "Here-Dokument, dessen Endmarke in Anführungszeichen steht (<<'EOF'); dort setzt die "
         "Shell keinen Wert ein. Schreib die Endmarke ohne Anführungszeichen (<<EOF)."},
        {"touch ran; git checkout {{anzahl}}", "--orphan=x",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{anzahl}}“ beginnt mit „-“, und „git "
         "checkout“ würde „{{anzahl}}“ als Option lesen. Der Befehl muss dafür geändert "
         "werden: Setz den Platzhalter dort ein, wo „git checkout“ nur Text liest."},
        {"touch ran; x={{anzahl}}; eval \"echo $x\"", "3",
         "Der Befehl wurde nicht ausgeführt: Ein Wert („{{anzahl}}“) kann über eine Variable, "
         "eine Befehlsersetzung oder eine Eingabe an eine Stelle gelangen, an der die Shell ihn "
         "noch einmal auswerten würde („eval“). Werte nur Variablen aus, die keinen "
         "Platzhalter enthalten, und gib Werte sonst nur als Text weiter."},
        {"touch ran; less {{anzahl}}", "+!touch ran",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{anzahl}}“ beginnt mit „+“, und "
         "„less“ würde „{{anzahl}}“ als Befehl ausführen. Ist der Wert ein relativer Pfad, "
         "schreib „./“ davor: „./{{anzahl}}“."},
        {"touch ran; echo {{anzahl}}", QString("x") + QChar(0) + "y",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{anzahl}}“ enthält ein Nullzeichen, "
         "das kein Befehl annehmen kann. Entferne es aus dem Wert."},
        {"touch ran; echo {{anzahl}}", QString(140000, 'x'),
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{anzahl}}“ ist zu lang, um ihn "
         "einem Befehl zu übergeben (höchstens etwa 130 000 Zeichen). Kürze ihn."},
    };
    for (const Case& c : cases) {
        const auto result = run(shellAction(c.command, {"anzahl"}), {{"anzahl", c.value}}, project);
        EXPECT_EQ(message(result), c.message) << c.command.toStdString();
        EXPECT_FALSE(QFile::exists(folder.filePath("ran"))) << c.command.toStdString();
    }
}

// The template runs in bash whatever the login shell, after the login shell's profile, whose
// exported variables it sees; no start-up file of bash is read, not even one the profile
// names in BASH_ENV.
TEST_F(ActionRunnerTest, ShellTemplatesRunInBashWithTheProfilesEnvironment) {
    QTemporaryDir folder;
    QTemporaryDir home;
    writeFile(home.filePath(".profile"),
              "export TAVRIN_PROFILE=gelesen BASH_ENV=\"$HOME/.bashrc\"\n");
    writeFile(home.filePath(".bash_profile"), ". \"$HOME/.profile\"\n");
    writeFile(home.filePath(".zprofile"), ". \"$HOME/.profile\"\n");
    // A login bash reads BASH_ENV itself, before it hands over: only bash running the
    // template must not.
    writeFile(home.filePath(".bashrc"),
              "case $BASH_EXECUTION_STRING in exec\\ /usr/bin/env*) ;; *) echo bashrc ;; esac\n");
    ScopedEnv homeVariable("HOME", home.path());
    const auto result = run(shellAction("printf '%s %s' \"${BASH_VERSION:+bash}\" "
                                        "\"$TAVRIN_PROFILE\"",
                                        {}),
                            {}, projectWith(folder.path(), std::nullopt));
    ASSERT_TRUE(result) << message(result).toStdString();
    EXPECT_EQ(result.value().message.toStdString(), "bash gelesen");
}

TEST_F(ActionRunnerTest, LinksAreFilledEncodedAndOpened) {
    AssistantAction link =
        shellAction("https://example.org/search?q={{q}}&from={{from}}", {"q", "from"});
    link.kind = AssistantAction::Kind::openURL;
    const auto result = run(link, {{"q", "a&b c"}, {"from", "x=1+2?#ä"}});
    ASSERT_TRUE(result) << message(result).toStdString();
    const QUrl expected("https://example.org/search?q=a%26b%20c&from=x%3D1%2B2%3F%23%C3%A4");
    EXPECT_EQ(result.value(), (ActionRunner::Result{"Geöffnet", expected}));
    EXPECT_EQ(opener.opened, QList<QUrl>{expected});

    opener.succeeds = false;
    const auto refused = run(link, {{"q", "x"}});
    EXPECT_FALSE(refused);
    EXPECT_EQ(message(refused),
              "Der Link konnte nicht geöffnet werden: "
              "https://example.org/search?q=x&from=");

    link.templateText = "kein Link {{q}}";
    const auto invalid = run(link, {{"q", "x"}});
    EXPECT_EQ(message(invalid), "Ungültiger Link: kein Link x");
}

// What a URL cannot hold is encoded rather than refused; escapes already there are kept.
TEST_F(ActionRunnerTest, LinkTemplatesMayHoldWhatAURLCannot) {
    const struct {
        QString templateText;
        QByteArray opened;  // encoded; empty: refused
    } cases[] = {
        {"https://example.org/a b|c{d}?q={{q}}&r=\"<>\\^`",
         "https://example.org/a%20b%7Cc%7Bd%7D?q=x%20y&r=%22%3C%3E%5C%5E%60"},
        {"https://example.org/50% off/%7E{{q}}%4", "https://example.org/50%25%20off/~x%20y%254"},
        {"mailto:{{q}}@b.de?subject=Hallo Welt", "mailto:x%20y@b.de?subject=Hallo%20Welt"},
        // A host cannot hold them at all.
        {"https://exa mple.org/{{q}}", ""},
        {"https://ex|ample.org/{{q}}", ""},
    };
    for (const auto& c : cases) {
        AssistantAction link = shellAction(c.templateText, {"q"});
        link.kind = AssistantAction::Kind::openURL;
        opener.opened.clear();
        const auto result = run(link, {{"q", "x y"}});
        if (c.opened.isEmpty()) {
            EXPECT_TRUE(message(result).startsWith("Ungültiger Link: "))
                << message(result).toStdString();
            EXPECT_TRUE(opener.opened.isEmpty());
            continue;
        }
        ASSERT_TRUE(result) << message(result).toStdString();
        ASSERT_EQ(opener.opened.size(), 1);
        EXPECT_EQ(opener.opened.first().toEncoded(), c.opened);
        EXPECT_EQ(result.value().url, opener.opened.first());
    }
}

// A link is one address, and a value may not move the host the template writes: the card
// shows the finished address with its host in ASCII, and the run opens exactly that.
TEST_F(ActionRunnerTest, ALinkOpensTheHostItsCardShows) {
    const QString spaces(150, QLatin1Char(' '));
    const struct {
        QString templateText;
        QString value;
        QString host;     // empty: refused
        QString refusal;  // a piece of the message
    } cases[] = {
        {"https://evil.example/collect?x=\n\n\nhttps://github.com/acme/app/issues?q={{v}}", "a", "",
         "eine einzige Adresse"},
        {"https://github.com/acme/app/issues?q={{v}}\u202E", "a", "", "eine einzige Adresse"},
        {"https://{{v}}.atlassian.net/browse/1", "evil.example/" + spaces + "acme", "", "„v“"},
        {"https://github.com{{v}}", "@evil.example/x", "", "„v“"},
        {"https://github.com:{{v}}/", "1@evil.example", "", "„v“"},
        {"https://{{v}}.atlassian.net/browse/1", "acme", "acme.atlassian.net", ""},
        {"https://g\u0456thub.com/acme/{{v}}", "app", "xn--gthub-n2e.com", ""},
        // The template names no host: the value is the whole of it, and the card says which.
        {"https://{{v}}/x", "evil.example", "evil.example", ""},
    };
    for (const auto& c : cases) {
        AssistantAction link = shellAction(c.templateText, {"v"});
        link.kind = AssistantAction::Kind::openURL;
        const QMap<QString, QString> params{{"v", c.value}};
        opener.opened.clear();
        const auto result = run(link, params);
        const auto finished = ActionTarget::link(link, params);
        if (c.host.isEmpty()) {
            EXPECT_FALSE(result) << c.templateText.toStdString();
            EXPECT_TRUE(opener.opened.isEmpty()) << c.templateText.toStdString();
            EXPECT_TRUE(message(result).contains(c.refusal)) << message(result).toStdString();
            EXPECT_EQ(ActionTarget::refusal(link, params), message(result));
            continue;
        }
        ASSERT_TRUE(result) << c.templateText.toStdString() << ": "
                            << message(result).toStdString();
        ASSERT_EQ(opener.opened.size(), 1);
        EXPECT_EQ(opener.opened.first().host(QUrl::FullyEncoded), c.host);
        ASSERT_TRUE(std::holds_alternative<ActionTarget::Link>(finished));
        EXPECT_EQ(std::get<ActionTarget::Link>(finished).host, c.host);
        const QString preview = ActionRunner::preview(link, params, std::nullopt).value_or("");
        EXPECT_EQ(preview, QString::fromLatin1(opener.opened.first().toEncoded()));
        EXPECT_TRUE(preview.startsWith("https://" + c.host + "/")) << preview.toStdString();
    }
}

// The values come from the model: they may fill in a web address, but only the template
// may name another kind of link (a file, a script URL, another program's scheme).
TEST_F(ActionRunnerTest, ValuesCannotChooseWhatKindOfLinkIsOpened) {
    struct Case {
        QString templateText;
        QString value;
        bool opened;
    };
    const Case cases[] = {
        {"{{v}}", "https://example.org/a b", true}, {"{{v}}", "HTTP://example.org", true},
        {"mailto:{{v}}", "a@b.de", true},           {"file://{{v}}", "/home/a/notes.txt", true},
        {"{{v}}", "file:///usr/bin/xterm", false},  {"{{v}}", "javascript:alert(1)", false},
        {"{{v}}", "mailto:a@b.de", false},          {"{{v}}/x", "smb://host", false},
        {"{{v}}", "/usr/bin/xterm", false},
    };
    for (const Case& c : cases) {
        AssistantAction link = shellAction(c.templateText, {"v"});
        link.kind = AssistantAction::Kind::openURL;
        opener.opened.clear();
        const auto result = run(link, {{"v", c.value}});
        EXPECT_EQ(bool(result), c.opened)
            << c.value.toStdString() << ": " << message(result).toStdString();
        EXPECT_EQ(opener.opened.size(), c.opened ? 1 : 0) << c.value.toStdString();
        if (!c.opened) {
            EXPECT_TRUE(message(result).startsWith("Ungültiger Link: ")) << c.value.toStdString();
        }
    }
}

TEST(ActionRunnerFirstURLTest, TakesEverythingUpToWhiteSpace) {
    const std::pair<QString, std::optional<QUrl>> cases[] = {
        {"Created (https://github.com/o/r/issues/1).", QUrl("https://github.com/o/r/issues/1).")},
        {"a http://x.org/p b https://y.org", QUrl("http://x.org/p")},
        {"no link here", std::nullopt},
        {"HTTPS://upper.case", std::nullopt},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ActionRunner::firstURL(text), expected) << text.toStdString();
}
