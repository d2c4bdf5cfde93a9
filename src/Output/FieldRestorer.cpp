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

}  // namespace

std::optional<QString> FieldRestorer::focusedText(Platform::AccessibilityTree& tree, qint32 pid) {
    const AccessibleRef field = focusedField(tree, pid);
    if (!field)
        return std::nullopt;
    return field->text();
}

bool FieldRestorer::restoreFocused(Platform::AccessibilityTree& tree, qint32 pid,
                                   const QString& after, const QString& before) {
    const AccessibleRef field = focusedField(tree, pid);
    if (!field || field->text() != after)
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
