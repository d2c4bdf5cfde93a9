#include "Output/FieldRestorer.h"

#include <chrono>

using Platform::AccessibleRef;

namespace {

// Each question to the application; it is in front and has just taken a paste.
constexpr std::chrono::milliseconds callTimeout{250};

AccessibleRef focusedField(Platform::AccessibilityTree& tree, qint32 pid) {
    const AccessibleRef application = tree.application(pid);
    if (!application)
        return nullptr;
    const AccessibleRef window = application->focusedWindow();
    if (!window)
        return nullptr;
    AccessibleRef element = window->focusedElement();
    if (!element || element->isEditable() != true || element->isPassword())
        return nullptr;
    return element;
}

// A failed read also answers with an empty text: only a field that says it has no characters
// is known to be empty.
std::optional<QString> textOf(Platform::AccessibleElement& field) {
    QString text = field.text();
    if (text.isEmpty() && field.characterCount() != 0)
        return std::nullopt;
    return text;
}

}  // namespace

std::optional<QString> FieldRestorer::focusedText(Platform::AccessibilityTree& tree, qint32 pid) {
    const AccessibleRef field = focusedField(tree, pid);
    if (!field)
        return std::nullopt;
    return textOf(*field);
}

bool FieldRestorer::restoreFocused(Platform::AccessibilityTree& tree, qint32 pid,
                                   const QString& after, const QString& before) {
    const AccessibleRef field = focusedField(tree, pid);
    if (!field || textOf(*field) != after)
        return false;
    return field->setText(before);
}

void FieldRestorer::readFocused(qint32 pid, std::function<void(std::optional<QString>)> done) {
    worker_.run(
        this,
        [pid](Platform::AccessibilityTree* tree) -> std::optional<QString> {
            if (!tree)
                return std::nullopt;
            tree->setCallTimeout(callTimeout);
            return focusedText(*tree, pid);
        },
        std::move(done));
}

void FieldRestorer::restore(qint32 pid, const QString& after, const QString& before,
                            std::function<void(bool)> done) {
    worker_.run(
        this,
        [pid, after, before](Platform::AccessibilityTree* tree) {
            if (!tree)
                return false;
            tree->setCallTimeout(callTimeout);
            return restoreFocused(*tree, pid, after, before);
        },
        std::move(done));
}
