#include <gtest/gtest.h>

#include <chrono>
#include <initializer_list>

#include "Context/AXContextReader.h"
#include "Platform/fake/FakeAccessibilityTree.h"

using AXContextReader::FieldInfo;
using Platform::FakeAccessibilityTree;
using Platform::FakeAccessible;

namespace {

constexpr qint32 pid = 4242;
const QRectF windowFrame(100, 100, 800, 600);
const QRectF fieldFrame(150, 500, 300, 24);

struct Desktop {
    FakeAccessibilityTree tree;
    std::shared_ptr<FakeAccessible> application = std::make_shared<FakeAccessible>();
    std::shared_ptr<FakeAccessible> window = std::make_shared<FakeAccessible>();
    std::shared_ptr<FakeAccessible> field = std::make_shared<FakeAccessible>();

    Desktop() {
        tree.applications.insert(pid, application);
        application->focusedWindowValue = window;
        window->roleValue = "AXWindow";
        window->nameValue = "  Entwurf – Mail \n";
        window->frameValue = windowFrame;
        window->focusedElementValue = field;
        field->roleValue = "AXTextField";
        field->editable = true;
        field->frameValue = fieldFrame;
    }

    FieldInfo read() { return AXContextReader::read(tree, pid); }

    // The focused field is a rich-text editor whose paragraphs hold `texts`, "Welt" selected in
    // the second.
    void makeEditor(std::initializer_list<const char*> texts) {
        field->roleValue = "section";
        field->textValue = QString(static_cast<int>(texts.size()), QChar(0xFFFC));
        field->selectionRangeValue = Platform::TextRange{1, 2};
        for (const char* text : texts) {
            auto paragraph = std::make_shared<FakeAccessible>();
            paragraph->roleValue = "paragraph";
            paragraph->textValue = text;
            field->embedded.push_back(paragraph);
        }
        field->embedded[1]->selectionRangeValue = Platform::TextRange{6, 10};
    }
};

TEST(AXContextReaderTest, FrameIsPlausibleOnlyWhereAFieldCanBe) {
    const struct {
        const char* name;
        QRectF field;
        std::optional<QRectF> window;
        bool plausible;
    } cases[] = {
        {"width 29 dropped", {10, 10, 29, 20}, std::nullopt, false},
        {"width 30 kept", {10, 10, 30, 20}, std::nullopt, true},
        {"height 12 kept", {10, 10, 100, 12}, std::nullopt, true},
        {"height 11.9 dropped", {10, 10, 100, 11.9}, std::nullopt, false},
        {"height 500 kept", {10, 10, 100, 500}, std::nullopt, true},
        {"height 500.5 dropped", {10, 10, 100, 500.5}, std::nullopt, false},
        {"origin dropped", {0, 0, 100, 20}, std::nullopt, false},
        {"origin on one axis kept", {0, 5, 100, 20}, std::nullopt, true},
        // Centre (x, 110) against a window from 0 to 100 high.
        {"centre 3 outside kept", {10, 100, 100, 20}, QRectF(0, 0, 400, 107), true},
        {"centre 5 outside dropped", {10, 100, 100, 20}, QRectF(0, 0, 400, 105), false},
        {"centre inside", {10, 10, 100, 20}, QRectF(0, 0, 400, 300), true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AXContextReader::isPlausible(c.field, c.window), c.plausible) << c.name;
}

TEST(AXContextReaderTest, ReadsWindowAndFieldWithTrimmedTexts) {
    Desktop desktop;
    desktop.field->nameValue = "An";
    desktop.field->textValue = "  Hallo Welt\n";
    desktop.field->selection = QString(" Welt ");
    const FieldInfo info = desktop.read();
    EXPECT_EQ(info.windowTitle, "Entwurf – Mail");
    EXPECT_EQ(info.windowFrame, windowFrame);
    EXPECT_EQ(info.role, "AXTextField");
    EXPECT_EQ(info.label, "An");
    EXPECT_EQ(info.value, "Hallo Welt");
    EXPECT_EQ(info.selectedText, "Welt");
    EXPECT_FALSE(info.selectionKnownEmpty);
    EXPECT_TRUE(info.isEditable);
    EXPECT_EQ(info.frame, fieldFrame);
}

TEST(AXContextReaderTest, LabelComesFromPlaceholderThenNameThenLabellingElement) {
    const struct {
        const char* name;
        QString placeholder, accessibleName, labelText;
        std::optional<QString> label;
    } cases[] = {
        {"placeholder wins", "Suchen", "Suche", "Feld", QString("Suchen")},
        {"blank placeholder", "  ", "Suche", "Feld", QString("Suche")},
        {"labelling element last", "", "", " Betreff ", QString("Betreff")},
        {"none", "", " ", "", std::nullopt},
    };
    for (const auto& c : cases) {
        Desktop desktop;
        desktop.field->placeholderValue = c.placeholder;
        desktop.field->nameValue = c.accessibleName;
        desktop.field->labelTextValue = c.labelText;
        EXPECT_EQ(desktop.read().label, c.label) << c.name;
    }
}

TEST(AXContextReaderTest, ValueAndSelectionFollowWhatTheFieldReports) {
    const struct {
        const char* name;
        QString text;
        std::optional<QString> selection;
        std::optional<QString> value, selectedText;
        bool knownEmpty;
    } cases[] = {
        {"value equal to the placeholder is none", "Suchen", QString(), std::nullopt, std::nullopt,
         true},
        {"only spaces is none", "   ", std::nullopt, std::nullopt, std::nullopt, false},
        {"caret without selection", "abc", QString(), QString("abc"), std::nullopt, true},
        {"white-space selection", "a  b", QString("  "), QString("a  b"), std::nullopt, false},
        {"selection unknown", "abc", std::nullopt, QString("abc"), std::nullopt, false},
    };
    for (const auto& c : cases) {
        Desktop desktop;
        desktop.field->placeholderValue = "Suchen";
        desktop.field->textValue = c.text;
        desktop.field->selection = c.selection;
        const FieldInfo info = desktop.read();
        EXPECT_EQ(info.value, c.value) << c.name;
        EXPECT_EQ(info.selectedText, c.selectedText) << c.name;
        EXPECT_EQ(info.selectionKnownEmpty, c.knownEmpty) << c.name;
    }
}

TEST(AXContextReaderTest, AcceptsTextRolesAndEditableElementsOnly) {
    const struct {
        QString role;
        std::optional<bool> editable;
        bool accepted;
    } cases[] = {
        {"AXTextArea", false, true},    {"AXComboBox", std::nullopt, true},
        {"panel", true, true},          {"AXStaticText", std::nullopt, false},
        {"AXStaticText", false, false}, {"push button", std::nullopt, false},
    };
    for (const auto& c : cases) {
        Desktop desktop;
        desktop.field->roleValue = c.role;
        desktop.field->editable = c.editable;
        desktop.field->textValue = "Text";
        const FieldInfo info = desktop.read();
        EXPECT_EQ(info.isEditable, c.accepted) << c.role.toStdString();
        EXPECT_EQ(info.role, c.role);
        EXPECT_EQ(info.windowTitle, "Entwurf – Mail");
        EXPECT_EQ(info.value.has_value(), c.accepted) << c.role.toStdString();
        EXPECT_EQ(info.frame.has_value(), c.accepted) << c.role.toStdString();
    }
}

TEST(AXContextReaderTest, PasswordFieldKeepsItsPlaceButNeverGivesItsText) {
    Desktop desktop;
    desktop.field->password = true;
    desktop.field->nameValue = "Passwort";
    desktop.field->textValue = "geheim";
    desktop.field->selection = QString("geheim");
    const FieldInfo info = desktop.read();
    EXPECT_TRUE(info.isPassword);
    EXPECT_TRUE(info.isEditable);
    EXPECT_EQ(info.label, "Passwort");
    EXPECT_EQ(info.frame, fieldFrame);
    EXPECT_EQ(info.value, std::nullopt);
    EXPECT_EQ(info.selectedText, std::nullopt);
    EXPECT_FALSE(info.selectionKnownEmpty);
    // Not even asked: the text would have crossed the bus.
    EXPECT_FALSE(desktop.field->asked().contains("text"));
    EXPECT_FALSE(desktop.field->asked().contains("selectedText"));
}

TEST(AXContextReaderTest, MissingPiecesGiveWhatIsKnown) {
    {
        Desktop desktop;
        desktop.tree.applications.clear();
        EXPECT_EQ(desktop.read(), FieldInfo());
    }
    {
        // An application that answers without a focused window says so: a later read may find
        // one.
        Desktop desktop;
        desktop.application->focusedWindowValue = nullptr;
        FieldInfo expected;
        expected.noFocusedWindow = true;
        EXPECT_EQ(desktop.read(), expected);
    }
    {
        Desktop desktop;
        desktop.window->focusedElementValue = nullptr;
        desktop.window->frameValue.reset();
        FieldInfo expected;
        expected.windowTitle = "Entwurf – Mail";
        EXPECT_EQ(desktop.read(), expected);
    }
    {
        // Without a window frame any field of plausible size is kept.
        Desktop desktop;
        desktop.window->frameValue.reset();
        desktop.field->frameValue = QRectF(3000, 3000, 200, 20);
        EXPECT_EQ(desktop.read().frame, QRectF(3000, 3000, 200, 20));
    }
}

// Firefox answers the first question for a place with none and knows it a moment later; its
// selection may lag the same way.
TEST(AXContextReaderTest, AFieldWhosePlaceComesLateIsAskedAgain) {
    const struct {
        const char* name;
        int framelessAnswers;
        bool selectionLate;
        std::optional<QRectF> frame;
        std::optional<QString> selection;
    } cases[] = {
        {"place on the second question", 1, false, fieldFrame, "Welt"},
        {"place and selection late", 1, true, fieldFrame, "Welt"},
        {"place after a few questions", 4, false, fieldFrame, "Welt"},
        {"no place at all: the field without one", 1000, false, std::nullopt, "Welt"},
    };
    for (const auto& c : cases) {
        Desktop desktop;
        desktop.field->textValue = "Hallo Welt";
        desktop.field->selection = c.selectionLate ? QString() : QString("Welt");
        int answered = 0;
        desktop.field->beforeAnswer = [&] {
            const QString query = desktop.field->asked().last();
            if (query != "frame")
                return;
            const bool known = answered++ >= c.framelessAnswers;
            desktop.field->frameValue = known ? std::optional(fieldFrame) : std::nullopt;
            if (known)
                desktop.field->selection = QString("Welt");
        };
        const auto started = std::chrono::steady_clock::now();
        const FieldInfo info = desktop.read();
        EXPECT_EQ(info.frame, c.frame) << c.name;
        EXPECT_EQ(info.selectedText, c.selection) << c.name;
        EXPECT_FALSE(info.selectionKnownEmpty) << c.name;
        // The read still fits the collector's 0.4 s.
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(300))
            << c.name;
    }
}

// A role that did not come in time may be a password entry's: its text is neither read nor
// copied.
TEST(AXContextReaderTest, ARoleThatCouldNotBeReadCountsAsAPasswords) {
    const struct {
        const char* name;
        std::optional<bool> password;
        bool hidden;
    } cases[] = {
        {"a plain entry", false, false},
        {"a password entry", true, true},
        {"the role query failed", std::nullopt, true},
    };
    for (const auto& c : cases) {
        Desktop desktop;
        desktop.field->password = c.password;
        desktop.field->textValue = "Hallo Welt";
        const FieldInfo info = desktop.read();
        EXPECT_EQ(info.isPassword, c.hidden) << c.name;
        EXPECT_EQ(info.value, c.hidden ? std::nullopt : std::optional<QString>("Hallo Welt"))
            << c.name;
    }
}

// A web page's rich-text editor: its own text is a mark for each paragraph, its selection sits
// on the marks, and each paragraph knows its own words and which of them are selected.
TEST(AXContextReaderTest, AnEditorThatKeepsItsWordsInChildrenIsReadThroughThem) {
    using Platform::TextRange;
    using std::nullopt;
    const QString whole = "Liebe Jana,\nHallo Welt und danke.\nBis bald";
    const struct {
        const char* name;
        std::optional<TextRange> editor, first, second, third;
        std::optional<QString> value, selectedText;
        bool knownEmpty = false;
        // Which paragraph (1 to 3) answers only after the read's time is up; 0 for none.
        int slow = 0;
        bool linkInSecond = false;
    } cases[] = {
        {"a word in the second paragraph", TextRange{1, 2}, nullopt, TextRange{6, 10}, nullopt,
         whole, "Welt"},
        {"across two paragraphs", TextRange{1, 3}, nullopt, TextRange{15, 21}, TextRange{0, 3},
         whole, "danke.\nBis"},
        {"across three: the middle one whole", TextRange{0, 3}, TextRange{6, 11}, nullopt,
         TextRange{0, 3}, whole, "Jana,\nHallo Welt und danke.\nBis"},
        {"a caret", TextRange{1, 1}, nullopt, nullopt, nullopt, whole, nullopt, true},
        {"a link inside the paragraph", TextRange{1, 2}, nullopt, TextRange{6, 7}, nullopt, whole,
         "Welt", false, 0, true},
        // The collector then sends the copy key.
        {"no paragraph tells its selection", TextRange{1, 2}, nullopt, nullopt, nullopt, whole,
         nullopt},
        {"the editor tells no selection", nullopt, nullopt, TextRange{6, 10}, nullopt, whole,
         nullopt},
        {"a slow paragraph outside the selection", TextRange{1, 2}, nullopt, TextRange{6, 10},
         nullopt, nullopt, "Welt", false, 3},
        {"the selected paragraph is slow", TextRange{1, 2}, nullopt, TextRange{6, 10}, nullopt,
         nullopt, nullopt, false, 2},
    };
    for (const auto& c : cases) {
        Desktop desktop;
        desktop.field->roleValue = "section";
        desktop.field->textValue = QString(3, QChar(0xFFFC));
        desktop.field->selectionRangeValue = c.editor;
        desktop.field->selection = QString(QChar(0xFFFC));
        std::chrono::nanoseconds clock{};
        const std::optional<TextRange> ranges[] = {c.first, c.second, c.third};
        const QString texts[] = {"Liebe Jana,", "Hallo Welt und danke.", "Bis bald"};
        for (int i = 0; i < 3; ++i) {
            auto paragraph = std::make_shared<FakeAccessible>();
            paragraph->roleValue = "paragraph";
            paragraph->textValue = texts[i];
            paragraph->selectionRangeValue = ranges[i];
            if (c.slow == i + 1)
                paragraph->beforeAnswer = [&clock] { clock += std::chrono::seconds(1); };
            desktop.field->embedded.push_back(paragraph);
        }
        if (c.linkInSecond) {
            const auto& second = desktop.field->embedded[1];
            second->textValue = QString("Hallo %1 und danke.").arg(QChar(0xFFFC));
            auto link = std::make_shared<FakeAccessible>();
            link->roleValue = "link";
            link->textValue = "Welt";
            link->selectionRangeValue = TextRange{0, 4};
            second->embedded.push_back(link);
        }
        const FieldInfo info =
            AXContextReader::read(desktop.tree, pid, {}, [&clock] { return clock; });
        EXPECT_EQ(info.value, c.value) << c.name;
        EXPECT_EQ(info.selectedText, c.selectedText) << c.name;
        EXPECT_EQ(info.selectionKnownEmpty, c.knownEmpty) << c.name;
        EXPECT_TRUE(info.isEditable) << c.name;
        EXPECT_EQ(info.frame, fieldFrame) << c.name;
        // The rest of the read keeps its own time limit.
        EXPECT_EQ(desktop.tree.callTimeout(), AXContextReader::callTimeout) << c.name;
    }
}

// A busy browser gives an editor's paragraphs slowly. Whoever takes the words later gets the
// field's place and selection first, and the words that come within its own time after.
TEST(AXContextReaderTest, AnEditorsWordsMayFollowItsPlaceAndSelection) {
    using std::chrono::milliseconds;
    const QString whole = "Liebe Jana,\nHallo Welt und danke.\nBis bald";
    const struct {
        const char* name;
        bool richText;
        // How long each answer of the last paragraph takes.
        milliseconds lastParagraph;
        std::optional<QString> value;
    } cases[] = {
        {"the paragraphs answer at once", true, milliseconds(0), whole},
        {"past the selection's time, within the later one", true, milliseconds(250), whole},
        {"past the later time", true, milliseconds(500), std::nullopt},
        {"a plain text field has its words at once", false, milliseconds(0), "Hallo Welt"},
    };
    for (const auto& c : cases) {
        Desktop desktop;
        std::chrono::nanoseconds clock{};
        if (c.richText) {
            desktop.makeEditor({"Liebe Jana,", "Hallo Welt und danke.", "Bis bald"});
            desktop.field->embedded[2]->beforeAnswer = [&clock, &c] { clock += c.lastParagraph; };
        } else {
            desktop.field->textValue = "Hallo Welt";
            desktop.field->selection = QString("Welt");
        }
        std::vector<FieldInfo> found;
        const AXContextReader::Pace late{
            {}, {}, milliseconds(400), [&found](const FieldInfo& info) { found.push_back(info); }};
        const FieldInfo info = AXContextReader::read(
            desktop.tree, pid, {}, [&clock] { return clock; }, late);
        EXPECT_EQ(info.value, c.value) << c.name;
        EXPECT_EQ(info.selectedText, "Welt") << c.name;
        EXPECT_FALSE(info.textPending) << c.name;
        ASSERT_EQ(found.size(), c.richText ? 1u : 0u) << c.name;
        if (c.richText) {
            // Enough for the panel: where the field is and what is selected in it.
            EXPECT_TRUE(found[0].textPending) << c.name;
            EXPECT_TRUE(found[0].isEditable) << c.name;
            EXPECT_EQ(found[0].frame, fieldFrame) << c.name;
            EXPECT_EQ(found[0].selectedText, "Welt") << c.name;
            EXPECT_EQ(found[0].value, std::nullopt) << c.name;
        }
    }
}

// A busy application answers every question late. Once it has named its focused window, a
// caller that can wait lets each question about its field wait until the field's time is up,
// and asks an editor's selection within half of that time.
TEST(AXContextReaderTest, ABusyApplicationsFieldMayTakeThePacesTime) {
    using std::chrono::milliseconds;
    const struct {
        const char* name;
        milliseconds pace;
        milliseconds fieldQuestion;
        std::optional<QString> selection;
    } cases[] = {
        {"without a pace", milliseconds(0), milliseconds(250), std::nullopt},
        {"a busy application's time", milliseconds(1500), milliseconds(1500), "Welt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Desktop desktop;
        std::chrono::nanoseconds clock{};
        desktop.makeEditor({"Liebe Jana,", "Hallo Welt und danke."});
        // 300 ms for the selected paragraph's three answers.
        desktop.field->embedded[1]->beforeAnswer = [&clock] { clock += milliseconds(100); };
        std::optional<milliseconds> firstQuestion;
        std::optional<milliseconds> fieldQuestion;
        desktop.application->beforeAnswer = [&] { firstQuestion = desktop.tree.callTimeout(); };
        desktop.field->beforeAnswer = [&] {
            if (!fieldQuestion)
                fieldQuestion = desktop.tree.callTimeout();
        };
        bool answering = false;
        AXContextReader::Pace pace;
        pace.field = c.pace;
        pace.answering = [&answering] { answering = true; };
        desktop.tree.setCallTimeout(AXContextReader::callTimeout);
        const FieldInfo info = AXContextReader::read(
            desktop.tree, pid, {}, [&clock] { return clock; }, pace);
        EXPECT_TRUE(answering);
        // Until the application has answered, it may be hung.
        EXPECT_EQ(firstQuestion, milliseconds(250));
        EXPECT_EQ(fieldQuestion, c.fieldQuestion);
        EXPECT_EQ(info.selectedText, c.selection);
        EXPECT_EQ(info.frame, fieldFrame);
    }
}

TEST(AXContextReaderTest, StopsAskingOnceNobodyWaits) {
    Desktop desktop;
    std::stop_source source;
    desktop.window->beforeAnswer = [&] { source.request_stop(); };
    const FieldInfo info = AXContextReader::read(desktop.tree, pid, source.get_token());
    EXPECT_FALSE(info.isEditable);
    EXPECT_TRUE(desktop.field->asked().isEmpty());
}

}  // namespace
