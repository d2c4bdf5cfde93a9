#include <gtest/gtest.h>

#include "Output/FieldRestorer.h"
#include "Platform/fake/FakeAccessibilityTree.h"

using Platform::FakeAccessibilityTree;
using Platform::FakeAccessible;

namespace {

constexpr qint32 pid = 31;
const QString before = QStringLiteral("Liebe Anna,\nhallo Welt und danke.\n");
const QString after = QStringLiteral("Liebe Anna,\nhallo Hallo Anna, gern. und danke.\n");

// An application whose window has an editable field in focus (unless told otherwise).
struct Desk {
    explicit Desk(bool focused = true) {
        tree.applications.insert(pid, application);
        application->focusedWindowValue = window;
        if (focused)
            window->focusedElementValue = field;
        field->editable = true;
    }
    FakeAccessibilityTree tree;
    std::shared_ptr<FakeAccessible> application = std::make_shared<FakeAccessible>();
    std::shared_ptr<FakeAccessible> window = std::make_shared<FakeAccessible>();
    std::shared_ptr<FakeAccessible> field = std::make_shared<FakeAccessible>();
};

// The undo writes the earlier text back only into the focused field, only while it holds what
// the insertion left, and never into a password field.
TEST(FieldRestorerTest, WritesTheEarlierTextBackOnlyOverTheInsertion) {
    const struct {
        const char* name;
        QString holds;
        bool password;
        bool writable;
        bool focused;
        bool restored;
    } cases[] = {
        {"holds what the paste left", after, false, true, true, true},
        {"the user typed since", after + "x", false, true, true, false},
        {"a password field", after, true, true, true, false},
        {"the field cannot be written", after, false, false, true, false},
        {"the focus went elsewhere", after, false, true, false, false},
    };
    for (const auto& c : cases) {
        Desk desk(c.focused);
        FakeAccessibilityTree& tree = desk.tree;
        const std::shared_ptr<FakeAccessible>& field = desk.field;
        field->password = c.password;
        field->writable = c.writable;
        field->textValue = c.holds;

        EXPECT_EQ(FieldRestorer::restoreFocused(tree, pid, after, before), c.restored) << c.name;
        EXPECT_EQ(field->textValue, c.restored ? before : c.holds) << c.name;
    }
}

// A text that could not be read is not an empty one: the undo would otherwise write over
// whatever the field holds.
TEST(FieldRestorerTest, AFieldThatCannotBeReadIsLeftAlone) {
    const struct {
        const char* name;
        QString holds;
        bool fails;
        std::optional<QString> read;
        // Over a paste said to have left the field empty.
        bool restoredOverEmpty;
    } cases[] = {
        {"text", after, false, after, false},
        {"empty", "", false, QString(), true},
        {"unreadable", after, true, std::nullopt, false},
    };
    for (const auto& c : cases) {
        Desk desk;
        FakeAccessibilityTree& tree = desk.tree;
        const std::shared_ptr<FakeAccessible>& field = desk.field;
        field->textValue = c.holds;
        field->textFails = c.fails;

        EXPECT_EQ(FieldRestorer::focusedText(tree, pid), c.read) << c.name;
        EXPECT_EQ(FieldRestorer::restoreFocused(tree, pid, QString(), before), c.restoredOverEmpty)
            << c.name;
    }
}

}  // namespace
