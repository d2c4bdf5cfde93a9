#pragma once

#include <QObject>
#include <QString>
#include <optional>

#include "AI/ReplyKind.h"
#include "Projects/Project.h"
#include "Settings/ProviderID.h"

class AssistantSession;

namespace Platform {
class Clipboard;
class FileRevealer;
class UrlOpener;
}  // namespace Platform
class PermissionsManager;
class ProviderStatusStore;
class SettingsStore;

// What the panel needs of the application: the stores it reads and the operations its keys and
// buttons start. The application core implements it; the panel only calls it, on the main
// thread, and never writes settings.
class PanelActions : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // A request as it was sent, for sending it again.
    struct LastRequest {
        QString input;
        std::optional<ReplyKind> forced;
        bool hidden = false;
    };

    virtual const SettingsStore& settings() const = 0;
    virtual PermissionsManager& permissions() = 0;
    virtual const ProviderStatusStore& providers() const = 0;
    // The session of the open panel; null when there is none.
    virtual AssistantSession* session() const = 0;
    // Shows the screen hint whatever the setting, the permission and its dismissal say.
    virtual bool demoForceScreenHint() const = 0;
    // The last request sent in this run; none before the first.
    virtual std::optional<LastRequest> lastRequest() const = 0;
    // What the cards open, show and copy through.
    virtual Platform::UrlOpener& urlOpener() = 0;
    virtual Platform::FileRevealer& fileRevealer() = 0;
    virtual Platform::Clipboard& clipboard() = 0;

    // Escape: closes dictation, stops a running reply or dismisses the panel, in that order.
    virtual void escape() = 0;
    virtual void dismiss() = 0;
    // Return in the instruction field: sends the instruction, or inserts or asks for a draft.
    virtual void primaryAction() = 0;
    virtual void send(const QString& text, std::optional<ReplyKind> forced, bool hidden) = 0;
    virtual void writeNow() = 0;
    virtual void stopGenerating() = 0;
    virtual void startListening() = 0;
    virtual void finishListening(bool generateAfterwards) = 0;
    virtual void copyDraft() = 0;
    virtual void insert() = 0;
    virtual void dismissScreenHint() = 0;
    virtual void chooseProject(std::optional<Project> project) = 0;
    virtual void switchProvider(ProviderID provider, bool rewrite) = 0;
    virtual void openLogin(ProviderID provider) = 0;
    // Dismisses the panel and shows the settings window on its AI tab.
    virtual void openAISettings() = 0;
    virtual void runAction() = 0;
    virtual void saveDefinition() = 0;

signals:
    void demoForceScreenHintChanged();
};
