#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <memory>
#include <optional>

#include "AI/AIRequest.h"
#include "AI/CLIEnvironment.h"
#include "Settings/ProviderID.h"

class AIProvider;
class ChunkStream;
class SettingsCoordinator;

namespace Platform {
class Timer;
}

// The AI tab's one-shot check that the chosen tool answers: a tiny request with the settings
// of the moment. It gives up after a minute, since a tool that never answers would otherwise
// keep the tab waiting for good, and it ends with its owner: leaving the tab stops the tool.
// A result speaks of the chosen tool at the path it checked: once another tool is chosen or
// that path changes, it goes. When the typed path names no program, the result says so and
// names the program that answered instead.
class ConnectionTest final : public QObject {
    Q_OBJECT

public:
    static constexpr std::chrono::seconds timeLimit{60};

    explicit ConnectionTest(SettingsCoordinator& coordinator, QObject* parent = nullptr);
    ~ConnectionTest() override;

    bool isRunning() const { return running_; }
    // The last test's message for the user; none before the first and while one runs.
    const std::optional<QString>& result() const { return result_; }

    // Does nothing while a test runs.
    void start();

    // Shows of the reply only its opening words, without the reply markers of our prompts.
    // The seconds are written the German way, whatever the system's locale.
    static QString successText(const QString& reply, std::chrono::nanoseconds elapsed);
    static QString failureText(const QString& description);
    static QString timeoutText();

signals:
    // Running or the result changed.
    void changed();

private:
    void ask(const AIRequest& request, const CLIEnvironment::Location& location);
    void finish(const QString& result);
    bool isStale() const;
    void dropIfStale();

    SettingsCoordinator& coordinator_;
    std::unique_ptr<AIProvider> provider_;
    std::unique_ptr<ChunkStream> stream_;
    std::unique_ptr<Platform::Timer> deadline_;
    std::optional<QString> result_;
    bool running_ = false;
    ProviderID checkedProvider_ = ProviderID::claudeCLI;
    QString checkedPath_;
    // What the result adds when the typed path was passed over.
    QString pathNote_;
    // Ends a lookup still under way with the test that started it.
    std::unique_ptr<QObject> lookup_;
};
