#include <pthread.h>
#include <sched.h>

#include <atomic>
#include <thread>
#include <vector>

#include "Scenarios/BrowserScenario.h"

namespace {

// Two processors kept busy by other work, as on a machine that builds while its user writes:
// everything started after `pin()` runs on the same two, and each has `perCore` loops that
// never sleep.
class BusyCores {
public:
    // Keeps this thread, and every program it starts from now on, on the first two
    // processors it may use.
    void pin() {
        cpu_set_t allowed;
        CPU_ZERO(&allowed);
        sched_getaffinity(0, sizeof(allowed), &allowed);
        for (int cpu = 0; cpu < CPU_SETSIZE && cores_.size() < 2; ++cpu)
            if (CPU_ISSET(cpu, &allowed))
                cores_.push_back(cpu);
        cpu_set_t two;
        CPU_ZERO(&two);
        for (int cpu : cores_)
            CPU_SET(cpu, &two);
        sched_setaffinity(0, sizeof(two), &two);
    }
    void load(int perCore) {
        for (int cpu : cores_) {
            for (int i = 0; i < perCore; ++i) {
                loops_.emplace_back([this, cpu] {
                    cpu_set_t one;
                    CPU_ZERO(&one);
                    CPU_SET(cpu, &one);
                    pthread_setaffinity_np(pthread_self(), sizeof(one), &one);
                    while (!stop_.load(std::memory_order_relaxed)) {
                    }
                });
            }
        }
    }
    void unload() {
        stop_ = true;
        loops_.clear();
    }
    ~BusyCores() { unload(); }

private:
    std::vector<int> cores_;
    std::atomic<bool> stop_{false};
    std::vector<std::jthread> loops_;
};

// A busy browser gives the paragraphs' words later than the field's place and selection: the
// panel opens at once, and the words follow into the request.
// The shortcut is pressed in front of the editor while two busy loops share each of Tavrin's
// and the browser's two processors: the browser gives the paragraphs' words after the field's
// place and selection (some 100–300 ms after the press, the words up to 150 ms later), and the
// request still carries them. How long the read takes is the benchmarks' business, not this
// test's.
TEST_F(BrowserScenario, InFirefoxOnBusyCoresTheEditorsWordsStillReachTheRequest) {
    BusyCores busy;
    richText = true;
    busy.pin();
    startFirefox();
    if (HasFatalFailure())
        return;

    QTemporaryDir record;
    desktop.environment.insert("TAVRIN_FAKE_RECORD", record.filePath("claude"));
    desktop.environment.insert("TAVRIN_FAKE_REPLAY",
                               QStringLiteral(TAVRIN_FIXTURES_DIR "/claude/answer.jsonl"));
    desktop.writeSettings();
    desktop.startTavrin();
    // Once on a quiet machine, as a user's first press after the start.
    ASSERT_TRUE(desktop.openPanel()) << "the panel never took the keyboard";
    desktop.key(QStringLiteral("Escape"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return desktop.focusedWindow() == window; }, 5000));
    QTest::qWait(300);

    busy.load(2);
    desktop.key(QStringLiteral("ctrl+shift+space"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return desktop.focusedPid() == desktop.tavrin.processId(); }, 10000))
        << "the panel never took the keyboard";
    desktop.type(QStringLiteral("Antworte kurz"));
    desktop.key(QStringLiteral("Return"));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return readFile(record.filePath("claude.stdin")).contains("Antworte kurz"); }, 20000))
        << "the instruction never reached the tool";
    busy.unload();
    const QString request = QString::fromUtf8(readFile(record.filePath("claude.stdin")));
    EXPECT_TRUE(request.contains(
        R"(The field already contains: \"Liebe Jana,\nHallo Welt und danke.\nBis bald\")"))
        << request.toStdString();
    EXPECT_TRUE(request.contains("Welt")) << "the tool did not get the selection";
    EXPECT_FALSE(request.contains(QChar(0xFFFC)) || request.contains("\\ufffc"))
        << request.toStdString();
}

}  // namespace
