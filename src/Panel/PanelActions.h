#pragma once

#include <QObject>
#include <QString>
#include <optional>

#include "AI/ReplyKind.h"
#include "Projects/Project.h"
#include "Settings/ProviderID.h"

class AssistantSession;

class PermissionsManager;
class ProviderStatusStore;
class SettingsStore;

namespace Platform {
class ApplicationIcons;
class Clipboard;
class Clock;
class FileRevealer;
class UrlOpener;
}  // namespace Platform

// What the panel needs of the application: the stores it reads and the operations its keys and
// buttons start. The application core implements it; the panel only calls it, on the main
// thread, and never writes settings.
class PanelActions : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    virtual const SettingsStore& settings() const = 0;
    virtual PermissionsManager& permissions() = 0;
    virtual const ProviderStatusStore& providers() const = 0;
    // The session of the open panel; null when there is none.
    virtual AssistantSession* session() const = 0;
    // Shows the screen hint whatever the setting, the permission and its dismissal say.
    virtual bool demoForceScreenHint() const = 0;
    // Times the panel's scrolling, blinking cursor and counted seconds.
    virtual Platform::Clock& clock() = 0;
    // The icons of the applications the panel is opened for; null: the globe stands in.
    virtual Platform::ApplicationIcons* applicationIcons() = 0;
    // Opens the web and mail links of replies; null: links do nothing.
    virtual Platform::UrlOpener* urlOpener() = 0;
    // What the document card shows files with and copies to; null: its buttons do nothing.
    virtual Platform::FileRevealer* fileRevealer() = 0;
    virtual Platform::Clipboard* clipboard() = 0;

    // Escape: closes dictation, stops a running reply or dismisses the panel, in that order.
    virtual void escape() = 0;
    virtual void dismiss() = 0;
    // Return in the instruction field: sends the instruction, or inserts or asks for a draft.
    virtual void primaryAction() = 0;
    virtual void send(const QString& text, std::optional<ReplyKind> forced, bool hidden) = 0;
    virtual void writeNow() = 0;
    // "Neu": another wording of the reply, asked for out of sight; nothing while a reply
    // streams.
    virtual void regenerate() = 0;
    // Sends the last request again as it was (its forced kind, hidden or not); nothing before
    // the first.
    virtual void retryLastRequest() = 0;
    virtual void stopGenerating() = 0;
    virtual void startListening() = 0;
    virtual void finishListening(bool generateAfterwards) = 0;
    virtual void copyDraft() = 0;
    virtual void insert() = 0;
    virtual void dismissScreenHint() = 0;
    virtual void chooseProject(std::optional<Project> project) = 0;
    // Dismisses the panel and opens the settings on the projects tab.
    virtual void manageProjects() = 0;
    virtual void switchProvider(ProviderID provider, bool rewrite) = 0;
    virtual void openLogin(ProviderID provider) = 0;
    // Dismisses the panel and shows the settings window on its AI tab.
    virtual void openAISettings() = 0;
    virtual void runAction() = 0;
    virtual void saveDefinition() = 0;

signals:
    void demoForceScreenHintChanged();
};
