#include "Platform/fake/FakeAccessibilityTree.h"

namespace Platform {

std::vector<AccessibleRef> FakeAccessible::children() {
    const auto list = ask("children", childList);
    return {list.begin(), list.end()};
}

AccessibleRef FakeAccessible::childAt(int index) {
    const auto list = ask("childAt", childList);
    if (index < 0 || static_cast<std::size_t>(index) >= list.size())
        return nullptr;
    return list[index];
}

AccessibleRef FakeAccessible::embeddedObject(int characterOffset, int mark) {
    ask("embeddedObject", characterOffset);
    // The offset must point at a mark, as the real tree's lookup by offset needs it to.
    const QList<uint> points = textValue.toUcs4();
    if (characterOffset < 0 || characterOffset >= points.size() ||
        points[characterOffset] != 0xFFFC || mark < 0)
        return nullptr;
    return static_cast<std::size_t>(mark) < embedded.size() ? embedded[mark] : nullptr;
}

QStringList FakeAccessible::asked() const {
    std::lock_guard lock(mutex_);
    return asked_;
}

void FakeAccessibilityTree::setCallTimeout(std::chrono::milliseconds timeout) {
    std::lock_guard lock(mutex_);
    callTimeout_ = timeout;
}

AccessibleRef FakeAccessibilityTree::application(qint32 pid) {
    return applications.value(pid);
}

std::function<std::unique_ptr<AccessibilityTree>()> FakeAccessibilityTree::factory() {
    class Borrowed final : public AccessibilityTree {
    public:
        explicit Borrowed(FakeAccessibilityTree& tree) : tree_(tree) {}
        void setCallTimeout(std::chrono::milliseconds timeout) override {
            tree_.setCallTimeout(timeout);
        }
        AccessibleRef application(qint32 pid) override { return tree_.application(pid); }

    private:
        FakeAccessibilityTree& tree_;
    };
    return [this] { return std::make_unique<Borrowed>(*this); };
}

std::chrono::milliseconds FakeAccessibilityTree::callTimeout() const {
    std::lock_guard lock(mutex_);
    return callTimeout_;
}

}  // namespace Platform
