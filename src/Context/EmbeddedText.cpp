#include "Context/EmbeddedText.h"

#include <QSet>
#include <algorithm>
#include <map>

using Platform::AccessibleRef;
using Platform::TextRange;

namespace {

// Links inside links inside paragraphs: deeper than this is no editor's text.
constexpr int maximumDepth = 8;

// Children that begin a line of their own where the editor shows them; any other child (a
// link, an image, an emphasis) runs on in its line.
const QSet<QString>& blockRoles() {
    static const QSet<QString> roles = {
        QStringLiteral("paragraph"), QStringLiteral("heading"),
        QStringLiteral("section"),   QStringLiteral("list"),
        QStringLiteral("list item"), QStringLiteral("block quote"),
        QStringLiteral("table"),     QStringLiteral("table row"),
        QStringLiteral("article"),   QStringLiteral("form"),
        QStringLiteral("panel"),     QStringLiteral("AXTextArea"),
        QStringLiteral("footer"),    QStringLiteral("header"),
        QStringLiteral("landmark"),  QStringLiteral("description list")};
    return roles;
}

// Pieces joined as the editor lays them out: a block on a line of its own.
class Joined {
public:
    void add(const QString& piece, bool block) {
        if (block) {
            if (!text_.isEmpty() && !text_.endsWith(u'\n'))
                text_ += u'\n';
            text_ += piece;
            afterBlock_ = true;
            return;
        }
        if (piece.isEmpty())
            return;
        if (afterBlock_ && !text_.endsWith(u'\n') && !piece.startsWith(u'\n'))
            text_ += u'\n';
        afterBlock_ = false;
        text_ += piece;
    }

    QString text() const { return text_; }

private:
    QString text_;
    bool afterBlock_ = false;
};

}  // namespace

struct EmbeddedText::Node {
    Platform::AccessibleElement& element;
    AccessibleRef keep;
    QList<uint> points;
    bool block = false;
    int depth = 0;
    // By the offset of their mark.
    std::map<int, std::unique_ptr<Node>> children;

    // The child whose mark is at `offset`, the `index`-th mark; null when it cannot be read.
    Node* child(int offset, int index, AccessibilityGate& gate) {
        if (const auto found = children.find(offset); found != children.end())
            return found->second.get();
        if (depth >= maximumDepth || !gate.open())
            return nullptr;
        AccessibleRef object = element.embeddedObject(offset, index);
        if (!object || !gate.open())
            return nullptr;
        const QString text = object->text();
        if (!gate.open())
            return nullptr;
        auto node = std::make_unique<Node>(Node{*object, object, text.toUcs4()});
        node->block = blockRoles().contains(object->role());
        node->depth = depth + 1;
        return children.emplace(offset, std::move(node)).first->second.get();
    }

    // The text from `start` to `end`; `choose` gives each child's part, or none when it
    // cannot be had.
    template <typename Choose>
    std::optional<QString> resolve(int start, int end, AccessibilityGate& gate, Choose choose) {
        Joined joined;
        QList<uint> run;
        int index = static_cast<int>(std::count(points.begin(), points.begin() + start, mark));
        for (int offset = start; offset < end; ++offset) {
            if (points[offset] != mark) {
                run.append(points[offset]);
                continue;
            }
            joined.add(
                QString::fromUcs4(reinterpret_cast<const char32_t*>(run.constData()), run.size()),
                false);
            run.clear();
            Node* found = child(offset, index++, gate);
            const std::optional<QString> part = found ? choose(*found, offset) : std::nullopt;
            if (!part)
                return std::nullopt;
            joined.add(*part, found->block);
        }
        joined.add(
            QString::fromUcs4(reinterpret_cast<const char32_t*>(run.constData()), run.size()),
            false);
        return joined.text();
    }

    std::optional<QString> whole(AccessibilityGate& gate) {
        return resolve(0, static_cast<int>(points.size()), gate,
                       [&gate](Node& child, int) { return child.whole(gate); });
    }

    std::optional<QString> selected(TextRange range, AccessibilityGate& gate) {
        const int size = static_cast<int>(points.size());
        const int start = std::clamp(range.start, 0, size);
        const int end = std::clamp(range.end, start, size);
        return resolve(start, end, gate, [&](Node& child, int offset) -> std::optional<QString> {
            if (!gate.open())
                return std::nullopt;
            const std::optional<TextRange> own = child.element.selectionRange();
            if (own && own->end > own->start)
                return child.selected(*own, gate);
            // A child between the two ends is selected whole; one at an end that has no
            // selection of its own is only touched by it.
            if (offset > start && offset < end - 1)
                return child.whole(gate);
            return QString();
        });
    }
};

EmbeddedText::EmbeddedText(Platform::AccessibleElement& element, const QString& text)
    : root_(std::make_unique<Node>(Node{element, nullptr, text.toUcs4()})) {}

EmbeddedText::~EmbeddedText() = default;

std::optional<QString> EmbeddedText::text(AccessibilityGate& gate) {
    return root_->whole(gate);
}

std::optional<QString> EmbeddedText::selection(AccessibilityGate& gate) {
    if (!gate.open())
        return std::nullopt;
    const std::optional<TextRange> range = root_->element.selectionRange();
    if (!range)
        return std::nullopt;
    if (range->end <= range->start)
        return QString();
    std::optional<QString> selected = root_->selected(*range, gate);
    // The selection is on marks, but no child said which of its words it holds.
    if (selected && selected->isEmpty())
        return std::nullopt;
    return selected;
}
