#include <gtest/gtest.h>

#include <QObject>
#include <QTest>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "Platform/AccessibilityWorker.h"

using Platform::AccessibilityTree;
using Platform::AccessibilityWorker;
using Platform::AccessibleRef;
using namespace std::chrono_literals;

namespace {

// What a tree's bus did, seen from the test: the worker's calls and the events sent to it.
struct Bus {
    bool receivesEvents = false;
    std::mutex mutex;
    std::condition_variable changed;
    int sent = 0;
    int handled = 0;
    int processed = 0;
    int waits = 0;
    int idleHandlings = 0;
    bool woken = false;

    void send(int count) {
        std::lock_guard lock(mutex);
        sent += count;
        changed.notify_all();
    }
    bool handledWithin(int count, std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, limit, [&] { return handled >= count; });
    }
    int read(int Bus::*field) {
        std::lock_guard lock(mutex);
        return this->*field;
    }
};

// A tree whose bus the test drives: waitForEvents() sleeps until the test sends an event or
// the worker is woken, like the real one's poll().
class DrivenTree final : public AccessibilityTree {
public:
    explicit DrivenTree(Bus& bus) : bus_(bus) {}
    void setCallTimeout(std::chrono::milliseconds) override {}
    AccessibleRef application(qint32) override { return nullptr; }
    void processEvents() override {
        std::lock_guard lock(bus_.mutex);
        ++bus_.processed;
        handle();
    }
    bool receivesEvents() const override { return bus_.receivesEvents; }
    void waitForEvents() override {
        std::unique_lock lock(bus_.mutex);
        ++bus_.waits;
        bus_.changed.wait(lock, [&] { return bus_.woken || bus_.sent > bus_.handled; });
        bus_.woken = false;
        ++bus_.idleHandlings;
        handle();
    }
    void wakeUp() override {
        std::lock_guard lock(bus_.mutex);
        bus_.woken = true;
        bus_.changed.notify_all();
    }

private:
    void handle() {
        bus_.handled = bus_.sent;
        bus_.changed.notify_all();
    }
    Bus& bus_;
};

// Runs one read through `worker` and waits for its answer on this thread.
bool read(AccessibilityWorker& worker) {
    QObject receiver;
    bool answered = false;
    worker.run(
        &receiver, [](AccessibilityTree* tree) { return tree != nullptr; },
        [&](bool hadTree) { answered = hadTree; });
    return QTest::qWaitFor([&] { return answered; }, 5000);
}

TEST(AccessibilityWorkerTest, BetweenReadsTheWorkerSleepsUntilTheBusSendsSomething) {
    // With a tree that hears nothing from the bus the worker sleeps until a read comes; one
    // that hears the bus is waited on and handles what it sends at once. Neither is woken by
    // a timer: an idle second passes without a single call into the tree.
    Bus quiet;
    Bus listening;
    listening.receivesEvents = true;
    AccessibilityWorker quietWorker([&] { return std::make_unique<DrivenTree>(quiet); });
    AccessibilityWorker listeningWorker([&] { return std::make_unique<DrivenTree>(listening); });
    ASSERT_TRUE(read(quietWorker));
    ASSERT_TRUE(read(listeningWorker));
    ASSERT_TRUE(QTest::qWaitFor([&] { return listening.read(&Bus::waits) == 1; }, 5000));

    std::this_thread::sleep_for(1200ms);
    EXPECT_EQ(quiet.read(&Bus::processed), 1) << "only before the read";
    EXPECT_EQ(quiet.read(&Bus::waits), 0) << "a tree that hears nothing is never waited on";
    EXPECT_EQ(listening.read(&Bus::waits), 1);
    EXPECT_EQ(listening.read(&Bus::processed), 1);
    EXPECT_EQ(listening.read(&Bus::idleHandlings), 0);

    listening.send(2);
    EXPECT_TRUE(listening.handledWithin(2, 5000ms)) << "no read is needed to handle events";
    EXPECT_TRUE(QTest::qWaitFor([&] { return listening.read(&Bus::waits) == 2; }, 5000));
}

TEST(AccessibilityWorkerTest, AReadEndsTheWaitForTheBusAndDestructionDoesToo) {
    Bus bus;
    bus.receivesEvents = true;
    int trees = 0;
    auto worker = std::make_unique<AccessibilityWorker>([&] {
        ++trees;
        return std::make_unique<DrivenTree>(bus);
    });
    ASSERT_TRUE(read(*worker));
    ASSERT_TRUE(QTest::qWaitFor([&] { return bus.read(&Bus::waits) == 1; }, 5000));

    // The bus stays silent: only the posted read can end the wait.
    EXPECT_TRUE(read(*worker));
    EXPECT_EQ(trees, 1) << "the tree is made once and kept";
    ASSERT_TRUE(QTest::qWaitFor([&] { return bus.read(&Bus::waits) == 2; }, 5000));

    const auto before = std::chrono::steady_clock::now();
    worker.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 1s);
}

}  // namespace
