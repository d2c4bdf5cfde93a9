#pragma once

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <functional>
#include <memory>
#include <optional>

#include "AI/AIResult.h"
#include "Actions/AssistantAction.h"
#include "Projects/Project.h"

class ProcessRun;

namespace Platform {
class UrlOpener;
}

// One confirmed action being carried out (made by ActionRunner::run). Destroying it, or
// cancel(), ends a running `gh` or shell command and starts none; no callback comes after
// that.
class ActionRun final : public QObject {
    Q_OBJECT

public:
    // What the action card shows afterwards: a short message and, where there is one, a link.
    struct Result {
        QString message;
        std::optional<QUrl> url;

        bool operator==(const Result&) const = default;
    };
    using Completion = std::function<void(AIResult<Result>)>;

    ActionRun(AssistantAction action, QMap<QString, QString> params, std::optional<Project> project,
              Platform::UrlOpener& opener, Completion done);
    ~ActionRun() override;

    // Begins the work; the completion always comes later, on the main thread.
    void start();
    void cancel();

private:
    void startIssue();
    void startComment();
    void startShell();
    void openLink();
    // Runs `gh` with `arguments`; `then` gets its standard output or its failure.
    void gh(const QStringList& arguments, std::function<void(AIResult<QString>)> then);
    void finish(AIResult<Result> result);
    // Reports a failure found before anything was started.
    void failLater(AIError error);

    AssistantAction action_;
    QMap<QString, QString> params_;
    std::optional<Project> project_;
    Platform::UrlOpener& opener_;
    Completion done_;
    std::unique_ptr<ProcessRun> process_;
};
