#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <optional>

#include "Context/AccessibilityGate.h"
#include "Platform/AccessibleElement.h"

// The text of a field that keeps its words in children: a web page's rich-text editor holds
// each paragraph as a child and has only a U+FFFC mark for it in its own text, and its selection
// sits on the mark while the child knows which of its words are selected. Children are asked
// once each, through the gate; what the gate cuts off leaves an answer unknown, never a bare
// mark in it.
class EmbeddedText {
public:
    static constexpr char16_t mark = u'\uFFFC';

    // `element` with its `text` as read; the element must outlive this.
    EmbeddedText(Platform::AccessibleElement& element, const QString& text);
    ~EmbeddedText();
    EmbeddedText(const EmbeddedText&) = delete;
    EmbeddedText& operator=(const EmbeddedText&) = delete;

    // The whole text, each mark replaced by its child's; a child that is a block of its own
    // (a paragraph, a heading) stands on a line of its own. None when a child could not be read.
    std::optional<QString> text(AccessibilityGate& gate);
    // The selected text, marks resolved likewise; empty for a caret without selection. None when
    // the element says nothing about a selection, a child could not be read, or no child tells
    // which of its words the selection holds.
    std::optional<QString> selection(AccessibilityGate& gate);

    struct Node;

private:
    std::unique_ptr<Node> root_;
};
