#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "Platform/Clock.h"
#include "Voice/DictationHUD.h"
#include "Voice/DictationService.h"
#include "Voice/QuickDictationModel.h"

struct AssistantSettings;

// Runs one quick dictation at a time (speech outside the panel): owns its engine, feeds the
// status display's model and hides the display when a dictation is over. Main thread.
class QuickDictationController : public QObject {
    Q_OBJECT

public:
    // A new engine for a dictation-language setting.
    using MakeEngine =
        std::function<std::unique_ptr<DictationService>(const QString& dictationLanguage)>;

    // How long finish() waits for an engine that is still starting.
    static constexpr std::chrono::milliseconds kStartLimit{5000};

    QuickDictationController(MakeEngine makeEngine, Platform::Clock& clock,
                             Platform::Compositor* compositor = nullptr, QObject* parent = nullptr);
    ~QuickDictationController() override;

    QuickDictationModel& model() { return model_; }
    DictationHUD& hud() { return hud_; }
    // Whether a dictation was prepared and not yet finished or cancelled.
    bool isRunning() const { return service_ != nullptr; }

    // Creates and starts an engine; false when one is still running or dictation is off.
    bool prepare(const AssistantSettings& settings, bool verbatim);
    // Stops the engine and hands over the final text ("" without an engine).
    void finish(std::function<void(const QString& text)> done);
    // Drops the dictation and hides the display.
    void cancel();
    // Shows a final status and hides the display `after` later, unless another dictation has
    // been prepared meanwhile.
    void finish(const QuickDictationModel::Status& status, std::chrono::milliseconds after);

private:
    void started(std::uint64_t generation, const std::optional<QString>& error);
    void stopEngine();
    // Drops the engine after the current callback has returned: it may be the caller.
    void retireService();

    MakeEngine makeEngine_;
    Platform::Clock& clock_;
    QuickDictationModel model_;
    DictationHUD hud_;
    std::shared_ptr<DictationService> service_;
    // Counts prepare() calls, so that late answers and timers of an earlier dictation do
    // nothing to the current one.
    std::uint64_t generation_ = 0;
    bool starting_ = false;
    std::function<void(const QString&)> finishDone_;
    std::unique_ptr<Platform::Timer> startLimit_;
    std::vector<std::unique_ptr<Platform::Timer>> hideTimers_;
};
