#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QObject>
#include <QTest>
#include <memory>
#include <optional>

#include "Platform/AccessibilityWorker.h"
#include "Platform/linux/AtspiAccessibilityTree.h"

using Platform::AccessibilityTree;

namespace {

// The answer of one read through `worker`: whether it had a tree; none when it never came.
std::optional<bool> read(Platform::AccessibilityWorker& worker) {
    QObject receiver;
    std::optional<bool> answer;
    worker.run(
        &receiver, [](AccessibilityTree* tree) { return tree != nullptr; },
        [&](bool hadTree) { answer = hadTree; });
    return QTest::qWaitFor([&] { return answer.has_value(); }, 5000) ? answer : std::nullopt;
}

}  // namespace

TEST(AccessibilityWorkerX11Test, ReadsAndTheEndReachTheWorkerWhileItWaitsOnTheBus) {
    auto worker = std::make_unique<Platform::AccessibilityWorker>(
        [] { return Platform::AtspiAccessibilityTree::create(); });
    ASSERT_EQ(read(*worker), true) << "the session has an accessibility bus";
    // Between the reads the worker sleeps in the bus's poll(); a later read wakes it.
    QTest::qWait(50);
    QElapsedTimer took;
    took.start();
    EXPECT_EQ(read(*worker), true);
    EXPECT_LT(took.elapsed(), 1000);

    QTest::qWait(50);
    took.restart();
    worker.reset();
    EXPECT_LT(took.elapsed(), 1000);
}
