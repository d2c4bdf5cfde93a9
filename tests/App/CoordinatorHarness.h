#pragma once

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QPointer>
#include <QStringList>
#include <QTemporaryDir>
#include <memory>
#include <stop_token>
#include <vector>

#include "AI/AIProvider.h"
#include "AI/ClaudeCLIProvider.h"
#include "AI/CodexCLIProvider.h"
#include "AI/ProviderStatusStore.h"
#include "App/AppCoordinator.h"
#include "App/ContextSource.h"
#include "App/PanelHost.h"
#include "Memory/MemoryStore.h"
#include "Output/TextInserter.h"
#include "Output/UndoToast.h"
#include "Output/UndoToastView.h"
#include "Permissions/PermissionsManager.h"
#include "Platform/fake/FakeAccessibilityTrust.h"
#include "Platform/fake/FakeClipboard.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeKeySender.h"
#include "Platform/fake/FakeLoginItem.h"
#include "Platform/fake/FakeMicrophoneAccess.h"
#include "Platform/fake/FakeModifierState.h"
#include "Platform/fake/FakeScreenCaptureAccess.h"
#include "Platform/fake/FakeSettingsPaneOpener.h"
#include "Platform/fake/FakeSpeechRecognitionAccess.h"
#include "Platform/fake/FakeSystemLog.h"
#include "Platform/fake/FakeTerminalWindows.h"
#include "Platform/fake/FakeUrlOpener.h"
#include "Platform/fake/FakeWindowActivation.h"
#include "Settings/SettingsStore.h"
#include "Voice/DictationService.h"
#include "Voice/QuickDictationController.h"
#include "support/FakeShortcuts.h"
#include "support/ScopedEnv.h"

// A read the coordinator waits for; the test answers it when it likes. A dropped handle
// makes the answer vanish, as with the real reads.
template <typename Done>
struct PendingRead {
    std::stop_token token;
    Done done;
    bool alive() const { return !token.stop_requested(); }
};

// The desktop as a test wants it: front application, snapshots, pictures and page text all
// answered by hand.
class FakeContextSource final : public ContextSource {
public:
    std::optional<Platform::RunningApplication> front;
    ContextSnapshot snapshot;
    bool hasSnapshot = true;
    int prefetches = 0;
    std::vector<PendingRead<SnapshotDone>> snapshots;
    std::vector<bool> copySelection;
    std::vector<PendingRead<ScreenshotDone>> screenshots;
    std::vector<ContextSnapshot> screenshotInputs;
    std::vector<PendingRead<PageDone>> pages;
    std::vector<PendingRead<TextDone>> fieldTexts;

    std::optional<Platform::RunningApplication> frontApplication() override { return front; }
    std::optional<Prefetch> prefetchField() override {
        ++prefetches;
        return Prefetch{snapshot.processID, nullptr};
    }
    std::unique_ptr<ContextRead> quickSnapshot(std::optional<Prefetch>, bool copy,
                                               SnapshotDone done) override {
        copySelection.push_back(copy);
        return track(snapshots, std::move(done));
    }
    std::unique_ptr<ContextRead> addScreenshot(const ContextSnapshot& input,
                                               ScreenshotDone done) override {
        screenshotInputs.push_back(input);
        return track(screenshots, std::move(done));
    }
    std::unique_ptr<ContextRead> fieldText(const ContextSnapshot&, TextDone done) override {
        return track(fieldTexts, std::move(done));
    }
    std::unique_ptr<ContextRead> readPage(qint32, int, std::chrono::milliseconds,
                                          PageDone done) override {
        return track(pages, std::move(done));
    }
    QPointF mouseLocation() override { return {500, 400}; }

    // Answers every snapshot read still waited for.
    void answerSnapshots() {
        auto pending = std::move(snapshots);
        snapshots.clear();
        for (auto& read : pending) {
            if (read.alive())
                read.done(hasSnapshot ? std::optional<ContextSnapshot>(snapshot) : std::nullopt);
        }
    }
    // Answers every picture still waited for, with a picture.
    void answerScreenshots() {
        auto pending = std::move(screenshots);
        screenshots.clear();
        for (auto& read : pending) {
            if (!read.alive())
                continue;
            ContextSnapshot shot = snapshot;
            shot.screenshotJPEG = QByteArray("jpeg");
            read.done(shot);
        }
    }
    // Answers every wait for a field's late words with `words`.
    void answerFieldTexts(const std::optional<QString>& words) {
        auto pending = std::move(fieldTexts);
        fieldTexts.clear();
        for (auto& read : pending) {
            if (read.alive())
                read.done(words);
        }
    }
    int alive(const auto& reads) const {
        int count = 0;
        for (const auto& read : reads)
            count += read.alive() ? 1 : 0;
        return count;
    }

private:
    template <typename Done>
    std::unique_ptr<ContextRead> track(std::vector<PendingRead<Done>>& list, Done done) {
        std::stop_source source;
        list.push_back({source.get_token(), std::move(done)});
        return std::make_unique<ContextRead>(source);
    }
};

class FakePanelHost final : public PanelHost {
public:
    bool shown = false;
    bool key = false;
    int shows = 0;
    int hides = 0;
    int raises = 0;
    AssistantSession* lastShown = nullptr;
    quint32 lastUserTime = 0;
    std::function<void()> onEscape;

    bool isShown() const override { return shown; }
    bool isKey() const override { return shown && key; }
    void raise(quint32 userTime) override {
        ++raises;
        key = true;
        lastUserTime = userTime;
    }
    void show(AssistantSession& session, PanelActions&, quint32 userTime) override {
        ++shows;
        shown = key = true;
        lastShown = &session;
        lastUserTime = userTime;
    }
    void hide() override {
        ++hides;
        shown = key = false;
    }
    void setOnEscape(std::function<void()> callback) override { onEscape = std::move(callback); }
};

// Every request the coordinator sends, with the stream the test writes the reply into.
struct ProviderCalls {
    struct Call {
        ProviderID provider;
        AIRequest request;
        QPointer<ChunkStream> stream;
        std::shared_ptr<bool> cancelled = std::make_shared<bool>(false);
    };
    std::vector<Call> calls;

    // Writes `chunks` into request `index` (the last one when negative) and lets them arrive.
    void feed(const QStringList& chunks, int index = -1) {
        ChunkStream* stream = at(index).stream;
        for (const QString& chunk : chunks)
            stream->yield(chunk);
        QCoreApplication::processEvents();
    }
    void finish(int index = -1) {
        at(index).stream->finish();
        QCoreApplication::processEvents();
    }
    void fail(const AIFailure& failure, int index = -1) {
        at(index).stream->finish(failure);
        QCoreApplication::processEvents();
    }
    Call& at(int index) { return calls.at(index < 0 ? calls.size() + index : size_t(index)); }
};

class RecordingProvider final : public AIProvider {
public:
    RecordingProvider(ProviderCalls& calls, ProviderID id) : calls_(calls), id_(id) {}
    std::unique_ptr<ChunkStream> stream(const AIRequest& request) const override {
        auto stream = std::make_unique<ChunkStream>();
        ProviderCalls::Call call{id_, request, stream.get()};
        stream->setCancelHandler([cancelled = call.cancelled] { *cancelled = true; });
        calls_.calls.push_back(call);
        return stream;
    }

private:
    ProviderCalls& calls_;
    ProviderID id_;
};

// A dictation engine that starts at once and, when stopped, says what `heard` holds.
class SilentEngine final : public DictationService {
public:
    SilentEngine(int& cancels, const QString& heard) : cancels_(cancels), heard_(heard) {}
    void start(StartDone done) override { done(std::nullopt); }
    void stop(StopDone done) override { done(heard_); }
    void cancel() override { ++cancels_; }

private:
    int& cancels_;
    const QString& heard_;
};

// A panel dictation engine the test drives: it records the calls and answers when told.
class ScriptedEngine final : public DictationService {
public:
    struct Log {
        int starts = 0;
        int stops = 0;
        int cancels = 0;
        StartDone start;
        StopDone stop;
        ScriptedEngine* engine = nullptr;
    };
    explicit ScriptedEngine(Log& log) : log_(log) { log_.engine = this; }
    ~ScriptedEngine() override {
        if (log_.engine == this)
            log_.engine = nullptr;
        log_.start = {};
        log_.stop = {};
    }
    void start(StartDone done) override {
        ++log_.starts;
        log_.start = std::move(done);
    }
    void stop(StopDone done) override {
        ++log_.stops;
        log_.stop = std::move(done);
    }
    void cancel() override { ++log_.cancels; }

private:
    Log& log_;
};

// The lines of the "timing" log written while it lives.
class TimingLines {
public:
    TimingLines() {
        lines_ = &lines;
        previous_ = qInstallMessageHandler(&TimingLines::handle);
    }
    ~TimingLines() {
        qInstallMessageHandler(previous_);
        lines_ = nullptr;
    }
    QStringList lines;

private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message) {
        if (lines_ && context.category && QByteArray(context.category) == "timing")
            lines_->append(message);
    }
    static inline QStringList* lines_ = nullptr;
    QtMessageHandler previous_ = nullptr;
};

// The coordinator over fakes and virtual time, with real stores in a temporary home.
struct CoordinatorHarness {
    explicit CoordinatorHarness(std::function<void(AssistantSettings&)> configure = {}) {
        QLoggingCategory::setFilterRules(QStringLiteral("timing.info=true"));
        trust.trusted = true;
        screen.granted = true;
        microphone.current = Platform::AuthorizationStatus::authorized;
        speech.current = Platform::AuthorizationStatus::authorized;
        settings.update([&](AssistantSettings& s) {
            s.onboardingCompleted = true;
            // The status checks at start run the stand-in tools, never a real one.
            s.claudePath = QStringLiteral(TAVRIN_FIXTURES_DIR "/bin/claude");
            s.codexPath = QStringLiteral(TAVRIN_FIXTURES_DIR "/bin/codex");
            if (configure)
                configure(s);
        });
        context.front = Platform::RunningApplication{QStringLiteral("Mail"),
                                                     QStringLiteral("org.example.Mail"), 42};
        context.snapshot.appName = QStringLiteral("Mail");
        context.snapshot.bundleID = QStringLiteral("org.example.Mail");
        context.snapshot.processID = 42;
        context.snapshot.windowTitle = QStringLiteral("Posteingang");
        context.snapshot.fieldFrame = QRectF(100, 200, 300, 40);
        context.snapshot.pointer = QPointF(250, 220);
    }

    AppCoordinator& make() {
        coordinator = std::make_unique<AppCoordinator>(AppCoordinator::Services{
            clock,
            log,
            settings,
            permissions,
            providers,
            memory,
            context,
            panelHost ? *panelHost : static_cast<PanelHost&>(panel),
            quickDictation,
            shortcuts.shortcuts,
            [this](ProviderID id,
                   const AssistantSettings& settings) -> std::unique_ptr<AIProvider> {
                if (realProviders && id == ProviderID::claudeCLI)
                    return std::make_unique<ClaudeCLIProvider>(settings.claudePath, clock);
                if (realProviders)
                    return std::make_unique<CodexCLIProvider>(settings.codexPath, clock);
                return std::make_unique<RecordingProvider>(provider, id);
            },
            [] { return quint32(4242); },
            [this] { ++searchPathWarmups; },
            [this] { ++onboardingShown; },
            [this] { ++settingsShown; },
            [this] { ++permissionSettingsShown; },
            nullptr,
            &urlOpener,
            nullptr,
            &clipboard,
            &inserter,
            &undoToast,
            [this](const AssistantSettings&) -> std::unique_ptr<DictationService> {
                return std::make_unique<ScriptedEngine>(engine);
            },
            &modifiers,
            loginOpener,
            [this] { ++quits; },
            [this](SettingsTab tab) { settingsTabs.push_back(tab); },
        });
        return *coordinator;
    }

    // Opens the panel: a tap's invocation with the snapshot answered.
    AssistantSession& open() {
        if (!coordinator)
            make();
        coordinator->invoke();
        context.answerSnapshots();
        return *coordinator->session();
    }

    QTemporaryDir home;
    ScopedEnv dataHome{"XDG_DATA_HOME", home.path() + QStringLiteral("/data")};
    Platform::FakeClock clock;
    Platform::FakeSystemLog log;
    Platform::FakeLoginItem loginItem;
    SettingsStore settings{home.path(), {loginItem, log, clock}};
    Platform::FakeAccessibilityTrust trust;
    Platform::FakeScreenCaptureAccess screen;
    Platform::FakeMicrophoneAccess microphone;
    Platform::FakeSpeechRecognitionAccess speech;
    Platform::FakeSettingsPaneOpener panes;
    PermissionsManager permissions{{trust, screen, microphone, speech, panes}};
    ProviderStatusStore providers{clock};
    MemoryStore memory{home.path(), clock};
    FakeContextSource context;
    FakePanelHost panel;
    // The real panel in place of `panel`, where a test needs its views built.
    PanelHost* panelHost = nullptr;
    int engineCancels = 0;
    // What the quick dictation's engine recognises.
    QString heard;
    int enginesBuilt = 0;
    QuickDictationController quickDictation{[this](const QString&) {
                                                ++enginesBuilt;
                                                return std::make_unique<SilentEngine>(engineCancels,
                                                                                      heard);
                                            },
                                            clock};
    FakeShortcuts shortcuts;
    ProviderCalls provider;
    ScriptedEngine::Log engine;
    Platform::FakeUrlOpener urlOpener;
    Platform::FakeClipboard clipboard{&clock};
    Platform::FakeKeySender keys{&clock};
    Platform::FakeWindowActivation windows{&clock};
    Platform::FakeModifierState modifiers;
    Platform::FakeTerminalWindows terminals;
    TextInserter inserter{{clock, clipboard, keys, windows, modifiers, trust}};
    UndoToast undoToast{{clock, inserter, windows, terminals}};
    // The real tools' providers, at the settings' paths, instead of the recording one.
    bool realProviders = false;
    int searchPathWarmups = 0;
    int onboardingShown = 0;
    int settingsShown = 0;
    int permissionSettingsShown = 0;
    int quits = 0;
    std::vector<SettingsTab> settingsTabs;
    ProviderLoginOpener* loginOpener = nullptr;
    std::unique_ptr<AppCoordinator> coordinator;
};
