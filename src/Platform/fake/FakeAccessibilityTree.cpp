#include "Platform/fake/FakeAccessibilityTree.h"

#include <algorithm>

namespace Platform {

std::vector<AccessibleRef> FakeAccessible::children() {
    const auto list = ask("children", childList);
    return {list.begin(), list.end()};
}

AccessibleRef FakeAccessible::embeddedObject(int characterOffset) {
    ask("embeddedObject", characterOffset);
    // The n-th mark of the text stands for the n-th embedded child.
    const QList<uint> points = textValue.toUcs4();
    if (characterOffset < 0 || characterOffset >= points.size() ||
        points[characterOffset] != 0xFFFC)
        return nullptr;
    const auto index = static_cast<std::size_t>(
        std::count(points.begin(), points.begin() + characterOffset, 0xFFFCu));
    return index < embedded.size() ? embedded[index] : nullptr;
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
