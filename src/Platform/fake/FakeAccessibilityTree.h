#pragma once

#include <QHash>
#include <QStringList>
#include <functional>
#include <mutex>

#include "Platform/AccessibilityTree.h"

namespace Platform {

// One element of a fake tree: tests fill in what it answers. Web-like containers put U+FFFC in
// `text` and list the children those marks stand for in `embedded`, in order.
class FakeAccessible final : public AccessibleElement,
                             public std::enable_shared_from_this<FakeAccessible> {
public:
    QString role() override { return ask("role", roleValue); }
    std::optional<bool> isPassword() override { return ask("isPassword", password); }
    QString identity() override { return ask("identity", identityValue); }
    std::optional<bool> isEditable() override { return ask("isEditable", editable); }
    QString name() override { return ask("name", nameValue); }
    QString description() override { return ask("description", descriptionValue); }
    QString placeholder() override { return ask("placeholder", placeholderValue); }
    QString toolkit() override { return ask("toolkit", toolkitValue); }
    bool setText(const QString& text) override {
        if (!ask("setText", writable))
            return false;
        textValue = text;
        // As GTK does: the caret goes to the start.
        selectionRangeValue = TextRange{0, 0};
        return true;
    }
    QString labelText() override { return ask("labelText", labelTextValue); }
    QString text() override { return ask("text", textFails ? QString() : textValue); }
    std::optional<int> characterCount() override {
        return ask("characterCount",
                   textFails ? std::nullopt : std::optional<int>(textValue.toUcs4().size()));
    }
    std::optional<QString> selectedText() override { return ask("selectedText", selection); }
    std::optional<TextRange> selectionRange() override {
        return ask("selectionRange", selectionRangeValue);
    }
    bool setSelectionRange(int start, int end) override {
        if (!ask("setSelectionRange", writable))
            return false;
        selectionRangeValue = TextRange{start, end};
        return true;
    }
    std::optional<QRectF> frame() override { return ask("frame", frameValue); }
    AccessibleRef parent() override { return ask("parent", parentValue); }
    std::vector<AccessibleRef> children() override;
    int childCount() override { return static_cast<int>(ask("childCount", childList).size()); }
    AccessibleRef childAt(int index) override;
    AccessibleRef embeddedObject(int characterOffset, int mark) override;
    AccessibleRef focusedWindow() override { return ask("focusedWindow", focusedWindowValue); }
    AccessibleRef mainWindow() override { return ask("mainWindow", mainWindowValue); }
    AccessibleRef focusedElement() override { return ask("focusedElement", focusedElementValue); }

    QString roleValue;
    // None: the role query failed.
    std::optional<bool> password = false;
    QString identityValue;
    std::optional<bool> editable;
    QString nameValue;
    QString descriptionValue;
    QString placeholderValue;
    QString toolkitValue;
    bool writable = true;
    QString labelTextValue;
    QString textValue;
    // The text cannot be read: it comes back empty, as a failed read does.
    bool textFails = false;
    std::optional<QString> selection;
    // Where the selection lies in `textValue`; tests of web content set it with `selection`.
    std::optional<TextRange> selectionRangeValue;
    std::optional<QRectF> frameValue;
    std::shared_ptr<FakeAccessible> parentValue;
    std::vector<std::shared_ptr<FakeAccessible>> childList;
    std::vector<std::shared_ptr<FakeAccessible>> embedded;
    std::shared_ptr<FakeAccessible> focusedWindowValue;
    std::shared_ptr<FakeAccessible> mainWindowValue;
    std::shared_ptr<FakeAccessible> focusedElementValue;

    // Runs before every answer: a test makes the application slow or hang here.
    std::function<void()> beforeAnswer;
    // The queries asked of this element, in order.
    QStringList asked() const;

private:
    template <typename T>
    T ask(const char* query, const T& value) {
        {
            std::lock_guard lock(mutex_);
            asked_.append(QString::fromLatin1(query));
        }
        if (beforeAnswer)
            beforeAnswer();
        return value;
    }

    mutable std::mutex mutex_;
    QStringList asked_;
};

// Applications by process id. Every element's answer counts as one call.
class FakeAccessibilityTree final : public AccessibilityTree {
public:
    void setCallTimeout(std::chrono::milliseconds timeout) override;
    AccessibleRef application(qint32 pid) override;

    std::chrono::milliseconds callTimeout() const;
    // For an accessibility worker: trees that answer from this one, which must outlive them.
    std::function<std::unique_ptr<AccessibilityTree>()> factory();

    QHash<qint32, std::shared_ptr<FakeAccessible>> applications;

private:
    mutable std::mutex mutex_;
    std::chrono::milliseconds callTimeout_{0};
};

}  // namespace Platform
