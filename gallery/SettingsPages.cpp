// Every tab of the settings window, light and dark, in settings/ of the gallery.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QKeyEvent>

#include "Design/StyledButton.h"
#include "Design/Theme.h"
#include "GalleryOutput.h"
#include "GalleryPages.h"
#include "GallerySamples.h"
#include "GlobalShortcuts/RecorderControl.h"
#include "Platform/fake/FakeAppearance.h"
#include "SettingsWindow/FakeSettingsCoordinator.h"
#include "SettingsWindow/Tabs/DictateOnlyRecorder.h"
#include "SettingsWindow/Tabs/GeneralSettings.h"
#include "SettingsWindow/Tabs/StyleSettings.h"
#include "SettingsWindow/Window/SettingsView.h"
#include "SettingsWindow/Window/SettingsWindowController.h"

void GalleryPages::settingsTabs() {
    const QString folder = GalleryOutput::folder(QStringLiteral("settings"));
    const SettingsTab tabs[] = {
        SettingsTab::general,     SettingsTab::ai,        SettingsTab::voice,
        SettingsTab::permissions, SettingsTab::knowledge, SettingsTab::actions,
        SettingsTab::projects,    SettingsTab::style,     SettingsTab::memory};
    for (const bool dark : {false, true}) {
        Platform::FakeAppearance appearance;
        appearance.setDark(dark);
        FakeSettingsCoordinator coordinator;
        Theme theme(appearance, coordinator.clock());
        coordinator.settings().update([](auto& s) {
            s.claudePath = QStringLiteral("/nonexistent/claude");
            s.codexPath = QStringLiteral("/nonexistent/codex");
            s.aboutMe = QStringLiteral(
                "Ich bin Ada, ich betreibe einen kleinen Online-Shop für "
                "Keramik.");
            AssistantAction deploy;
            deploy.id = QStringLiteral("deploy");
            deploy.name = QStringLiteral("Shop neu bauen");
            deploy.trigger = QStringLiteral("Wenn ich sage, dass der Shop neu gebaut werden soll");
            deploy.kind = AssistantAction::Kind::shell;
            // Long enough to wrap in its field.
            deploy.templateText = QStringLiteral(
                "make -C {{project_path}} deploy && rsync -a {{project_path}}/public/ "
                "shop@example.org:/srv/shop-sync/public/");
            // One that every run would refuse, as an older Tavrin may have stored it.
            AssistantAction anything;
            anything.id = QStringLiteral("anything");
            anything.name = QStringLiteral("Befehl ausführen");
            anything.trigger = QStringLiteral("Wenn ich einen Befehl ausführen lassen will");
            anything.kind = AssistantAction::Kind::shell;
            anything.templateText = QStringLiteral("eval {{cmd}}");
            anything.parameters = {QStringLiteral("cmd")};
            s.customActions = {deploy, anything};
            Project shop;
            shop.id = QUuid::createUuid();
            shop.name = QStringLiteral("Shopsync");
            shop.path = QDir::homePath() + QStringLiteral("/Projekte/shopSync");
            shop.repo = QStringLiteral("acme/shop-sync");
            shop.keywords = {QStringLiteral("shopSync"), QStringLiteral("Keramik")};
            shop.readsCode = true;
            Project bare;
            bare.id = QUuid::createUuid();
            bare.name = QStringLiteral("Neues Projekt");
            bare.readsCode = true;
            s.projects = {shop, bare};
            s.rules = {QStringLiteral("Immer duzen"),
                       QStringLiteral("Keine Ausrufezeichen in Betreffzeilen, auch wenn es eilt "
                                      "und der Kunde selbst mit vielen Ausrufezeichen schreibt")};
            s.learnedStyle = QStringLiteral("Kurz, freundlich, ohne Floskeln.");
            s.activityMemory = MemoryRetention::week;
        });
        const QDateTime now = coordinator.clock().now();
        MemoryStore::Data memory;
        MemoryEntry viewed;
        viewed.id = QUuid::createUuid();
        viewed.date = now.addSecs(-300);
        viewed.app = QStringLiteral("Thunderbird");
        viewed.text = QStringLiteral("Viewed: Mail von Jana wegen der Lieferung");
        viewed.kind = MemoryEntry::Kind::viewed;
        MemoryEntry wrote = viewed;
        wrote.id = QUuid::createUuid();
        wrote.date = now.addSecs(-120);
        wrote.text = QStringLiteral("Antwort an Jana. User asked: freundlicher");
        wrote.kind = MemoryEntry::Kind::wrote;
        MemoryEntry note;
        note.id = QUuid::createUuid();
        note.date = now.addSecs(-86400);
        note.text = QStringLiteral("Rabattcode ist KW47");
        memory.activity = {viewed, wrote};
        memory.saved = {note};
        memory.styleSignals = {QStringLiteral("kürzer"), QStringLiteral("ohne Gruß")};
        coordinator.memory().setData(memory);
        coordinator.trust.trusted = true;
        coordinator.screen.granted = true;
        SettingsWindowController controller(coordinator);
        controller.show();
        SettingsView* view = controller.window();
        for (const SettingsTab tab : tabs) {
            coordinator.setSettingsTab(tab);
            // Tall enough for the whole tab, so the picture shows all of it.
            view->resize(780, 1040);
            // Layout requests travel up one level per pass.
            for (int pass = 0; pass < 8; ++pass)
                QCoreApplication::processEvents();
            const QImage image = view->grab().toImage();
            const QString path =
                folder + QLatin1Char('/') + rawValue(tab) +
                (dark ? QStringLiteral("-dark.png") : QStringLiteral("-light.png"));
            GalleryOutput::save(image, path);
        }
        // The providers after an install without network and a sign-in that was not
        // finished, one of them found away from its typed path: the messages wrap, the names
        // and states stay whole.
        {
            using State = ProviderStatusStore::State;
            State found = State::ready(QStringLiteral("tester@example.org · Max"));
            found.unusedPath = QStringLiteral("~/bin/claude");
            found.program = QStringLiteral("/usr/local/bin/claude");
            coordinator.setup.set(ProviderID::claudeCLI, GallerySamples::installFailed(), found);
            coordinator.setup.set(ProviderID::codexCLI, GallerySamples::signInFailed(),
                                  State::notLoggedIn());
            coordinator.setSettingsTab(SettingsTab::ai);
            view->resize(SettingsView::minimumContentSize);
            for (int pass = 0; pass < 8; ++pass)
                QCoreApplication::processEvents();
            GalleryOutput::save(view->grab().toImage(),
                                folder + (dark ? QStringLiteral("/ai-install-message-dark.png")
                                               : QStringLiteral("/ai-install-message-light.png")));
            // A sign-in under way beside a tool that is missing: the progress text stays whole.
            coordinator.setup.set(ProviderID::claudeCLI,
                                  ProviderSetup::Phase::waitingForLogin(
                                      QUrl(QStringLiteral("https://example.org/sign-in"))),
                                  State::notLoggedIn());
            coordinator.setup.set(ProviderID::codexCLI, ProviderSetup::Phase::idle(),
                                  State::notFound());
            for (int pass = 0; pass < 8; ++pass)
                QCoreApplication::processEvents();
            GalleryOutput::save(view->grab().toImage(),
                                folder + (dark ? QStringLiteral("/ai-signing-in-dark.png")
                                               : QStringLiteral("/ai-signing-in-light.png")));
            coordinator.setup.phases.clear();
            coordinator.setup.states.clear();
            view->resize(780, 1040);
        }
        // The states that change a tab's look: sending after the paste, voice input off.
        const auto saveState = [&](SettingsTab tab, const QString& name) {
            coordinator.setSettingsTab(tab);
            for (int pass = 0; pass < 8; ++pass)
                QCoreApplication::processEvents();
            GalleryOutput::save(view->grab().toImage(), folder + QLatin1Char('/') + name +
                                                            (dark ? QStringLiteral("-dark.png")
                                                                  : QStringLiteral("-light.png")));
        };
        coordinator.settings().update([](auto& s) { s.sendAfterInsert = true; });
        saveState(SettingsTab::general, QStringLiteral("general-send"));
        // The dictate-only recorder listening, then refusing the main shortcut pressed into it.
        // A recorder listens only in the active window.
        view->activateWindow();
        for (int pass = 0; pass < 8 && !view->isActiveWindow(); ++pass)
            QCoreApplication::processEvents();
        for (GeneralSettings* general : view->findChildren<GeneralSettings*>()) {
            if (!general->isVisible())
                continue;
            GlobalShortcuts::RecorderControl* recorder = general->dictateOnlyRecorder()->recorder();
            recorder->setFocus(Qt::MouseFocusReason);
            saveState(SettingsTab::general, QStringLiteral("general-dictate-recording"));
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Space, Qt::AltModifier);
            QApplication::sendEvent(recorder, &press);
        }
        saveState(SettingsTab::general, QStringLiteral("general-dictate-taken"));
        // German chosen where only the US English model is installed.
        coordinator.speechModels = [](const QString& language) {
            return SettingsCoordinator::Recognition{language, QStringLiteral("en-us")};
        };
        coordinator.settings().update([](auto& s) { s.dictationLanguage = QStringLiteral("de-DE"); });
        saveState(SettingsTab::voice, QStringLiteral("voice-missing-model"));
        coordinator.speechModels = nullptr;
        coordinator.settings().update([](auto& s) { s.dictationLanguage = QStringLiteral("auto"); });
        // "Jetzt lernen" with nothing to learn from says so.
        coordinator.memory().clearStyleSignals();
        coordinator.setSettingsTab(SettingsTab::style);
        for (int pass = 0; pass < 8; ++pass)
            QCoreApplication::processEvents();
        // Tabs shown before wait for their deletion: the one on screen is the visible one.
        for (StyleSettings* style : view->findChildren<StyleSettings*>()) {
            if (!style->isVisible())
                continue;
            style->learnButton()->click();
            if (!coordinator.learningRuns.isEmpty())
                coordinator.learningRuns.takeFirst()(QStringLiteral(
                    "Noch nichts zum Lernen – diktiere ein paar Nachrichten oder füge eigene "
                    "Beispieltexte ein."));
        }
        saveState(SettingsTab::style, QStringLiteral("style-nothing-to-learn"));
        coordinator.settings().update([](auto& s) { s.dictationEnabled = false; });
        saveState(SettingsTab::voice, QStringLiteral("voice-off"));
        // A desktop where asking cannot help: no settings program, no sound input, no speech
        // model, no accessibility bus.
        coordinator.trust.trusted = false;
        coordinator.trust.busPresent = false;
        coordinator.paneOpener.available = false;
        coordinator.microphone.current = Platform::AuthorizationStatus::denied;
        coordinator.speech.current = Platform::AuthorizationStatus::restricted;
        coordinator.permissions().refresh();
        saveState(SettingsTab::permissions, QStringLiteral("permissions-nothing-to-ask"));
    }
}
