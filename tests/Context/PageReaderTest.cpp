#include <gtest/gtest.h>

#include <functional>
#include <stop_token>

#include "Context/PageReader.h"
#include "Platform/fake/FakeAccessibilityTree.h"

using Platform::FakeAccessibilityTree;
using Platform::FakeAccessible;
using Node = std::shared_ptr<FakeAccessible>;

namespace {

constexpr qint32 browserPid = 77;

Node node(const QString& role, const QString& text = {}, std::vector<Node> children = {}) {
    auto element = std::make_shared<FakeAccessible>();
    element->roleValue = role;
    element->textValue = text;
    element->childList = std::move(children);
    return element;
}

Node staticText(const QString& text) {
    return node("AXStaticText", text);
}

Node image(const QString& name) {
    auto element = node("AXImage");
    element->nameValue = name;
    return element;
}

const QString sentence = QStringLiteral("Dieser Satz ist lang genug für die Mindestlänge.");

struct Page {
    FakeAccessibilityTree tree;
    Node application = node("application");
    // The clock stands still until a test lets the time run out.
    bool late = false;

    explicit Page(Node window) {
        application->focusedWindowValue = std::move(window);
        tree.applications.insert(browserPid, application);
    }

    std::optional<QString> read(int maxChars = 60000) {
        const PageReader::Now now = [this] { return std::chrono::seconds(late ? 6 : 0); };
        return PageReader::collect(tree, browserPid, maxChars, std::chrono::seconds(6), now);
    }
};

TEST(PageReaderTest, FullPageIsWantedOnlyForItsPhrases) {
    const struct {
        QString request;
        bool wanted;
    } cases[] = {
        {"Fasse die Ganze Seite zusammen", true}, {"was steht im GANZEN ARTIKEL?", true},
        {"summarize the whole website", true},    {"summarize the entire page please", true},
        {"was steht auf dieser Seite?", false},   {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PageReader::wantsFullPage(c.request), c.wanted) << c.request.toStdString();
}

TEST(PageReaderTest, JoinsPiecesInDocumentOrder) {
    const struct {
        const char* name;
        std::vector<Node> content;
        QString expected;
    } cases[] = {
        {"repeat after a full stop dropped",
         {staticText(sentence), staticText("Zweiter Teil"), staticText("Zweiter Teil")},
         sentence + "\nZweiter Teil"},
        {"earlier piece repeated later kept",
         {staticText("eins zwei drei vier"), staticText("fünf sechs sieben acht"),
          staticText("eins zwei drei vier")},
         "eins zwei drei vier fünf sechs sieben acht eins zwei drei vier"},
        {"images by their description, without one nothing",
         {staticText(sentence), image("Logo"), image("")},
         sentence + "\n[Bild: Logo]"},
        {"fields and what they hold left out",
         {staticText(sentence), node("AXTextArea", "Antwortentwurf", {staticText("im Feld drin")}),
          node("AXTextField", "Suche")},
         sentence},
        {"nested groups depth first",
         {node("group", {}, {staticText("Kopf:"), node("group", {}, {staticText("innen")})}),
          staticText("danach kommt noch genug Text")},
         "Kopf:\ninnen danach kommt noch genug Text"},
    };
    for (const auto& c : cases) {
        Page page(node("AXWindow", {}, c.content));
        EXPECT_EQ(page.read(), c.expected) << c.name;
    }
}

TEST(PageReaderTest, PasswordFieldsAreNeverRead) {
    auto secret = node("password text", "geheim");
    secret->password = true;
    Page page(node("AXWindow", {}, {staticText(sentence), secret}));
    EXPECT_EQ(page.read(), sentence);
    EXPECT_FALSE(secret->asked().contains("text"));
}

TEST(PageReaderTest, WebContentIsReadFromContainerTextAndItsEmbeddedChildren) {
    // As web browsers give it: the paragraph's text holds a mark where each link sits.
    auto link = node("link", "ein Link");
    auto photo = image("Foto");
    auto paragraph =
        node("paragraph", QStringLiteral("Vorher steht hier \uFFFC und \uFFFC am Ende."));
    paragraph->embedded = {link, photo};
    auto heading = node("heading", "Überschrift");
    auto document = node("document", QStringLiteral("\uFFFC\uFFFC"));
    document->embedded = {heading, paragraph};
    Page page(node("AXWindow", {}, {document}));
    EXPECT_EQ(page.read(), "Überschrift Vorher steht hier ein Link und [Bild: Foto] am Ende.");
}

TEST(PageReaderTest, ReadsOnlyInsideTheWebAreaWhenThereIsOne) {
    auto web = node("AXWebArea", {}, {staticText(sentence)});
    Page page(node("AXWindow", {},
                   {node("tool bar", {}, {staticText("Zurück Vor Neu laden")}),
                    node("scroll pane", {}, {web})}));
    EXPECT_EQ(page.read(), sentence);
}

TEST(PageReaderTest, GivesNothingBelowFortyCharacters) {
    const QString forty(40, u'x');
    const struct {
        QString text;
        bool present;
    } cases[] = {{QString(39, u'x'), false}, {forty, true}, {"  " + forty + "\n", true}};
    for (const auto& c : cases) {
        Page page(node("AXWindow", {}, {staticText(c.text)}));
        EXPECT_EQ(page.read().has_value(), c.present) << c.text.size();
    }
}

TEST(PageReaderTest, StopsAtMaxCharsAndAtTheDeadline) {
    const QString seventy = QString("a").repeated(69) + "b";
    {
        Page page(node("AXWindow", {}, {staticText(seventy), staticText("nie gelesen")}));
        EXPECT_EQ(page.read(50), QString(50, u'a'));
    }
    {
        const QString first(45, u'c');
        auto text = staticText(first);
        Page page(node("AXWindow", {}, {text, staticText("zu spät")}));
        // Time runs out while the first text is read, after the search for a web area.
        text->beforeAnswer = [&page, &text] { page.late = text->asked().last() == "text"; };
        EXPECT_EQ(page.read(), first);
    }
}

TEST(PageReaderTest, CountsCharactersAsTheUserSeesThem) {
    const QString thumb = QStringLiteral("\U0001F44D");
    const QString accented = QStringLiteral("e\u0301");
    const struct {
        const char* name;
        QString text;
        int maxChars;
        std::optional<QString> expected;
    } cases[] = {
        {"39 accented letters are too few", accented.repeated(39), 60000, std::nullopt},
        {"40 emoji are enough", thumb.repeated(40), 60000, thumb.repeated(40)},
        {"cut after 50 emoji, not 25", thumb.repeated(60), 50, thumb.repeated(50)},
        {"cut after 50 accented letters, marks kept", accented.repeated(60), 50,
         accented.repeated(50)},
    };
    for (const auto& c : cases) {
        Page page(node("AXWindow", {}, {staticText(c.text)}));
        EXPECT_EQ(page.read(c.maxChars), c.expected) << c.name;
    }
}

// A browser that takes 10 ms for every answer, on a clock that moves with the calls.
struct SlowPage {
    FakeAccessibilityTree tree;
    Node application = node("application");
    std::chrono::nanoseconds clock{};
    int calls = 0;
    int callsAfterDeadline = 0;
    std::chrono::nanoseconds deadline = std::chrono::milliseconds(100);
    std::stop_source stopSource;
    std::function<void()> onCall;

    void slow(const Node& element) {
        element->beforeAnswer = [this] {
            if (clock >= deadline)
                ++callsAfterDeadline;
            ++calls;
            clock += std::chrono::milliseconds(10);
            if (onCall)
                onCall();
        };
        for (const Node& child : element->childList)
            slow(child);
        for (const Node& child : element->embedded)
            slow(child);
    }

    std::optional<QString> read(Node window) {
        application->focusedWindowValue = window;
        tree.applications.insert(browserPid, application);
        slow(application);
        slow(window);
        const PageReader::Now now = [this] { return clock; };
        return PageReader::collect(tree, browserPid, 60000, deadline, now, stopSource.get_token());
    }
};

TEST(PageReaderTest, MakesNoCallPastTheDeadlineOrAfterItIsStopped) {
    const auto manyMarks = [] {
        auto container = node("paragraph", QString(3000, QChar(0xFFFC)));
        for (int i = 0; i < 3000; ++i)
            container->embedded.push_back(staticText(sentence));
        return node("AXWindow", {}, {container});
    };
    const auto manyChildren = [] {
        std::vector<Node> children;
        for (int i = 0; i < 10000; ++i)
            children.push_back(staticText(sentence));
        return node("AXWindow", {}, {node("group", {}, std::move(children))});
    };
    const struct {
        const char* name;
        std::function<Node()> window;
        bool stopEarly;
    } cases[] = {
        {"a container with thousands of embedded children", manyMarks, false},
        {"a group with ten thousand children", manyChildren, false},
        {"stopped by the caller after five calls", manyChildren, true},
    };
    for (const auto& c : cases) {
        SlowPage page;
        if (c.stopEarly)
            page.onCall = [&page] {
                if (page.calls == 5)
                    page.stopSource.request_stop();
            };
        page.read(c.window());
        EXPECT_EQ(page.callsAfterDeadline, 0) << c.name;
        EXPECT_LE(page.calls, c.stopEarly ? 5 : 11) << c.name;
        // No single call may wait longer than the time that is left.
        EXPECT_LE(page.tree.callTimeout(), std::chrono::milliseconds(100)) << c.name;
    }
}

TEST(PageReaderTest, WithoutWindowThereIsNoPage) {
    Page page(nullptr);
    EXPECT_EQ(page.read(), std::nullopt);
    // The first window counts when none has the focus.
    page.application->mainWindowValue = node("AXWindow", {}, {staticText(sentence)});
    EXPECT_EQ(page.read(), sentence);
}

}  // namespace
