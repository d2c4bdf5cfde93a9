// Start-up: the two shortcuts, the coordinator's life and what the user sees first.

#include <QApplication>

#include "AI/ProviderStatusStore.h"
#include "App/AppCoordinator.h"
#include "GlobalShortcuts/HotKeyRegistry.h"
#include "GlobalShortcuts/Key.h"
#include "GlobalShortcuts/Name.h"
#include "GlobalShortcuts/NamedShortcuts.h"
#include "Output/DocumentStore.h"
#include "Permissions/PermissionsManager.h"
#include "Platform/Clock.h"
#include "Settings/SettingsStore.h"

const GlobalShortcuts::Name& AppCoordinator::invokeAssistant() {
    static const GlobalShortcuts::Name name(
        QStringLiteral("invokeAssistant"),
        GlobalShortcuts::Shortcut(GlobalShortcuts::Key::space,
                                  GlobalShortcuts::Modifiers(GlobalShortcuts::Modifier::Option)));
    return name;
}

const GlobalShortcuts::Name& AppCoordinator::dictateOnly() {
    static const GlobalShortcuts::Name name(QStringLiteral("dictateOnly"));
    return name;
}

AppCoordinator::AppCoordinator(Services services, QObject* parent)
    : PanelActions(parent), s_(std::move(services)) {
    s_.permissions.refresh();
}

AppCoordinator::~AppCoordinator() {
    if (started_ && qApp)
        qApp->removeEventFilter(this);
    cancelSessionWork();
    cancelTask(holdTask_);
    for (CoreTaskPtr& task : pastes_)
        task->cancel();
    for (CoreTaskPtr& task : actionRuns_)
        task->cancel();
    for (CoreTaskPtr& task : routings_)
        task->cancel();
}

void AppCoordinator::setDemoForceScreenHint(bool value) {
    if (demoForceScreenHint_ == value)
        return;
    demoForceScreenHint_ = value;
    emit demoForceScreenHintChanged();
}

void AppCoordinator::start() {
    if (started_)
        return;
    started_ = true;

    s_.shortcuts.create(invokeAssistant());
    s_.shortcuts.create(dictateOnly());
    s_.shortcuts.onKeyDown(invokeAssistant(), [self = QPointer(this)] {
        if (self)
            self->hotkeyDown();
    });
    s_.shortcuts.onKeyUp(invokeAssistant(), [self = QPointer(this)] {
        if (self)
            self->hotkeyUp();
    });
    s_.shortcuts.onKeyDown(dictateOnly(), [self = QPointer(this)] {
        if (self)
            self->dictateOnlyDown();
    });
    s_.shortcuts.onKeyUp(dictateOnly(), [self = QPointer(this)] {
        if (self)
            self->dictateOnlyUp();
    });
    s_.panel.setOnEscape([self = QPointer(this)] {
        if (self)
            self->escape();
    });
    // While the shortcut's key is down its grab owns the keyboard, so Escape pressed during a
    // hold never reaches the panel: it comes through the shortcuts instead.
    connect(&s_.shortcuts.registry(), &GlobalShortcuts::HotKeyRegistry::otherKeyPressed, this,
            [this](int keyCode) {
                if (keyCode == GlobalShortcuts::Key::escape.rawValue && hotkeyIsDown_ &&
                    pressPanelWasKey_ && s_.panel.isShown())
                    escape();
            });
    if (qApp)
        qApp->installEventFilter(this);

    // Every accessibility call of the field reader already gives up after 250 ms.
    DocumentStore::cleanUp(kDocumentDays, s_.clock);
    if (s_.warmSearchPath)
        s_.warmSearchPath();
    s_.providers.refresh(s_.settings.settings());

    const AssistantSettings& settings = s_.settings.settings();
    if (!settings.onboardingCompleted) {
        // The onboarding is also all that a reopen kept until now would show.
        reopenAfterStart_ = false;
        if (s_.showOnboarding)
            s_.showOnboarding();
        return;
    }
    if (!s_.permissions.accessibility() || !s_.permissions.screenRecording()) {
        dismiss();
        s_.providers.refresh(s_.settings.settings());
        if (s_.showPermissionSettings)
            s_.showPermissionSettings();
    }
    if (std::exchange(reopenAfterStart_, false))
        reopen();
}

void AppCoordinator::reopen() {
    // A second start can come in while this one is still starting up.
    if (!started_) {
        reopenAfterStart_ = true;
        return;
    }
    const bool completed = s_.settings.settings().onboardingCompleted;
    dismiss();
    if (!completed) {
        if (s_.showOnboarding)
            s_.showOnboarding();
        return;
    }
    s_.providers.refresh(s_.settings.settings());
    if (s_.showSettings)
        s_.showSettings();
}
