// The windows outside the panel: the onboarding's steps, the dictation display, the tray
// menu, the shortcut conflict notice and the undo toast, light and dark.
#include <QLinearGradient>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include "App/FakeMenuBarOperations.h"
#include "App/MenuBarMenu.h"
#include "App/ShortcutConflictNotice.h"
#include "App/ShortcutConflicts.h"
#include "Design/Theme.h"
#include "GalleryOutput.h"
#include "GalleryPages.h"
#include "GallerySamples.h"
#include "Onboarding/FakeOnboardingCoordinator.h"
#include "Onboarding/OnboardingView.h"
#include "Onboarding/OnboardingWindowController.h"
#include "Output/UndoToast.h"
#include "Output/UndoToastView.h"
#include "Platform/fake/FakeAppearance.h"
#include "Platform/fake/FakeClock.h"
#include "Platform/fake/FakeInstalledApplications.h"
#include "Platform/fake/FakeWindowManagerInfo.h"
#include "Voice/DictationError.h"
#include "Voice/DictationHUDView.h"
#include "Voice/QuickDictationModel.h"
#include "support/FakeShortcuts.h"

void GalleryPages::onboardingSteps() {
    using State = ProviderStatusStore::State;
    const QString folder = GalleryOutput::folder(QStringLiteral("onboarding"));
    for (const bool dark : {false, true}) {
        Platform::FakeAppearance appearance;
        appearance.setDark(dark);
        FakeOnboardingCoordinator coordinator;
        Theme theme(appearance, coordinator.clock());
        coordinator.trust.trusted = true;
        coordinator.setup.set(ProviderID::claudeCLI,
                              State::ready(QStringLiteral("ada@example.org")));
        coordinator.setup.set(ProviderID::codexCLI, State{State::Kind::notFound, {}});
        OnboardingWindowController controller(coordinator);
        controller.show();
        for (int step = 0; step < 3; ++step) {
            // Past the new step's fade.
            QTest::qWait(OnboardingView::fadeDuration + 100);
            GalleryOutput::save(controller.window()->grab().toImage(),
                                folder + QStringLiteral("/step%1-%2.png")
                                             .arg(step)
                                             .arg(GalleryOutput::appearance(dark)));
            controller.view()->primaryAction();
        }
    }
    // The permissions step on a desktop where asking for the microphone cannot help: no sound
    // input, no settings program for it.
    for (const bool dark : {false, true}) {
        Platform::FakeAppearance appearance;
        appearance.setDark(dark);
        FakeOnboardingCoordinator coordinator;
        Theme theme(appearance, coordinator.clock());
        coordinator.paneOpener.available = false;
        coordinator.microphone.current = Platform::AuthorizationStatus::denied;
        coordinator.speech.current = Platform::AuthorizationStatus::authorized;
        OnboardingWindowController controller(coordinator);
        controller.show();
        controller.view()->primaryAction();
        QTest::qWait(OnboardingView::fadeDuration + 100);
        GalleryOutput::save(
            controller.window()->grab().toImage(),
            folder +
                QStringLiteral("/step1-no-microphone-%1.png").arg(GalleryOutput::appearance(dark)));
    }
    // The connect step after an install without network and a sign-in that was not finished:
    // the messages wrap, the names and states stay whole.
    for (const bool dark : {false, true}) {
        Platform::FakeAppearance appearance;
        appearance.setDark(dark);
        FakeOnboardingCoordinator coordinator;
        Theme theme(appearance, coordinator.clock());
        coordinator.setup.set(ProviderID::claudeCLI, GallerySamples::installFailed(),
                              State::notFound());
        coordinator.setup.set(ProviderID::codexCLI, GallerySamples::signInFailed(),
                              State::notLoggedIn());
        OnboardingWindowController controller(coordinator);
        controller.show();
        controller.view()->primaryAction();
        controller.view()->primaryAction();
        QTest::qWait(OnboardingView::fadeDuration + 100);
        GalleryOutput::save(controller.window()->grab().toImage(),
                            folder + QStringLiteral("/step2-install-message-%1.png")
                                         .arg(GalleryOutput::appearance(dark)));
        // A sign-in under way: its progress text stays whole beside its buttons.
        coordinator.setup.set(
            ProviderID::claudeCLI,
            ProviderSetup::Phase::waitingForLogin(QUrl(QStringLiteral("https://example.org/in"))),
            State::notLoggedIn());
        QCoreApplication::processEvents();
        GalleryOutput::save(controller.window()->grab().toImage(),
                            folder + QStringLiteral("/step2-signing-in-%1.png")
                                         .arg(GalleryOutput::appearance(dark)));
    }
}

void GalleryPages::dictationDisplay() {
    using Status = QuickDictationModel::Status;
    using Kind = Status::Kind;
    const QString kLong = QStringLiteral(
        "und dann sind wir noch einmal ganz langsam den ganzen Weg zurück zum Bahnhof gegangen, "
        "weil der letzte Zug schon weg war");
    const std::vector<std::pair<QString, std::function<void(QuickDictationModel&)>>> states = {
        {"listening-verbatim", [](QuickDictationModel& m) { m.reset(true); }},
        {"listening", [](QuickDictationModel& m) { m.reset(false); }},
        {"listening-words",
         [&](QuickDictationModel& m) {
             m.setConfirmed(kLong);
             m.setTentative(" und");
         }},
        {"transforming",
         [](QuickDictationModel& m) { m.setStatus(Status::transforming("Formatiert …")); }},
        {"failed",
         [](QuickDictationModel& m) {
             m.setStatus(
                 Status::failed("Spracherkennung ist für diese Sprache gerade nicht verfügbar."));
         }},
        // The longest of the failures.
        {"failed-model",
         [](QuickDictationModel& m) {
             m.setStatus(Status::failed(describe(DictationError::modelUnreadable)));
         }},
        {"not-placed",
         [](QuickDictationModel& m) { m.setStatus(Status::failed(UndoToast::notPlacedText())); }},
        {"inserted", [](QuickDictationModel& m) { m.setStatus(Status::of(Kind::inserted)); }},
        {"to-panel", [](QuickDictationModel& m) { m.setStatus(Status::of(Kind::toPanel)); }},
        {"remembered", [](QuickDictationModel& m) { m.setStatus(Status::of(Kind::remembered)); }},
        {"empty", [](QuickDictationModel& m) { m.setStatus(Status::of(Kind::empty)); }},
    };
    const QString folder = GalleryOutput::folder(QStringLiteral("dictation"));
    for (const bool dark : {false, true}) {
        Platform::FakeAppearance appearance;
        appearance.setDark(dark);
        Platform::FakeClock clock;
        Theme theme(appearance, clock);
        // Every status, one under the other, over a busy backdrop.
        QImage sheet(460, int(states.size()) * 60 + 8, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&sheet);
        QLinearGradient backdrop(0, 0, sheet.width(), sheet.height());
        backdrop.setColorAt(0, dark ? QColor(40, 44, 60) : QColor(235, 238, 245));
        backdrop.setColorAt(1, dark ? QColor(70, 40, 50) : QColor(200, 215, 230));
        painter.fillRect(sheet.rect(), backdrop);
        int y = 4;
        for (const auto& [name, apply] : states) {
            QuickDictationModel model;
            for (int i = 0; i < 14; ++i)
                model.pushLevel(float(i % 5) / 4.0f);
            DictationHUDView view(model);
            apply(model);
            view.show();
            clock.advance(std::chrono::milliseconds(500));
            painter.drawImage(QPoint(20, y), view.grab().toImage());
            y += 60;
        }
        painter.end();
        GalleryOutput::save(
            sheet, folder + QStringLiteral("/hud-%1.png").arg(GalleryOutput::appearance(dark)));
    }
}

void GalleryPages::trayMenu() {
    FakeMenuBarOperations operations;
    operations.state.mainShortcut = "Alt+Leertaste";
    operations.state.providerStatus = {{ProviderID::claudeCLI, "angemeldet"},
                                       {ProviderID::codexCLI, "nicht gefunden"}};
    operations.state.accessibility = true;
    const QString folder = GalleryOutput::folder(QStringLiteral("tray"));
    for (const bool dark : {false, true}) {
        QMenu menu;
        if (dark) {
            QPalette palette = menu.palette();
            palette.setColor(QPalette::Window, QColor(40, 40, 44));
            palette.setColor(QPalette::Base, QColor(40, 40, 44));
            palette.setColor(QPalette::WindowText, QColor(240, 240, 240));
            palette.setColor(QPalette::Text, QColor(240, 240, 240));
            palette.setColor(QPalette::ButtonText, QColor(240, 240, 240));
            menu.setPalette(palette);
            Theme::setForcedDark(&menu);
        }
        MenuBarMenu bar(operations, menu);
        menu.adjustSize();
        GalleryOutput::save(
            menu.grab().toImage(),
            folder + QStringLiteral("/menu-%1.png").arg(GalleryOutput::appearance(dark)));
    }
}

void GalleryPages::shortcutConflict() {
    using GlobalShortcuts::Key;
    using GlobalShortcuts::Modifier;
    const GlobalShortcuts::Shortcut altSpace(Key::space, Modifier::Option);
    const GlobalShortcuts::Name main{"invokeAssistant", altSpace};
    const GlobalShortcuts::Name dictateOnly{"dictateOnly"};
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    FakeShortcuts keys;
    Platform::FakeInstalledApplications applications;
    Platform::FakeWindowManagerInfo windowManager;
    windowManager.windowManager = QStringLiteral("Openbox");
    applications.installed = {"ulauncher.desktop", "org.kde.krunner.desktop"};
    keys.grabber.taken.insert({altSpace.carbonKeyCode, altSpace.carbonModifiers});
    keys.shortcuts.create(main);
    const QString folder = GalleryOutput::folder(QStringLiteral("shortcut-conflict"));
    for (const bool dark : {false, true}) {
        QWidget window;
        Theme::setForcedDark(&window, dark);
        window.setAutoFillBackground(true);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, dark ? QColor(31, 31, 34) : QColor(242, 242, 245));
        window.setPalette(palette);
        auto* notice = new ShortcutConflictNotice({keys.shortcuts, applications, windowManager},
                                                  main, dictateOnly, &window);
        notice->setGeometry(10, 10, 420,
                            notice->heightForWidth(420) > 0 ? notice->heightForWidth(420)
                                                            : notice->sizeHint().height());
        window.resize(440, notice->height() + 20);
        GalleryOutput::save(
            window.grab().toImage(),
            folder + QStringLiteral("/notice-%1.png").arg(GalleryOutput::appearance(dark)));
    }
    QLocale::setDefault(QLocale::system());
}

void GalleryPages::undoToast() {
    const QString folder = GalleryOutput::folder(QStringLiteral("undo-toast"));
    for (const bool dark : {false, true}) {
        UndoToastView view([] {}, [] {});
        Theme::setForcedDark(&view, dark);
        view.setOpaque(true);
        GalleryOutput::save(
            view.grab().toImage(),
            folder + QStringLiteral("/toast-%1.png").arg(GalleryOutput::appearance(dark)));
        // Where an undo could never be checked, none is offered.
        UndoToastView withoutUndo(std::function<void()>(), [] {});
        Theme::setForcedDark(&withoutUndo, dark);
        withoutUndo.setOpaque(true);
        GalleryOutput::save(withoutUndo.grab().toImage(),
                            folder + QStringLiteral("/toast-without-undo-%1.png")
                                         .arg(GalleryOutput::appearance(dark)));
        // A paste of which the field kept only the beginning: said, and undone as any.
        UndoToastView partial(UndoToast::partialText(), [] {}, nullptr, [] {});
        Theme::setForcedDark(&partial, dark);
        partial.setOpaque(true);
        GalleryOutput::save(
            partial.grab().toImage(),
            folder + QStringLiteral("/partial-%1.png").arg(GalleryOutput::appearance(dark)));
        // The same place after an undo that could not be done, after a paste that did not
        // happen, when the clipboard would not take the text either, when the user copied
        // something meanwhile, when the user's clipboard could not be kept, when it would not
        // take a copy, when the program has not answered an earlier paste key, and when the
        // Return could not follow the paste.
        const std::pair<const char*, QString> notices[] = {
            {"refused", UndoToast::refusedText()},
            {"not-pasted", UndoToast::notPastedText()},
            {"not-placed", UndoToast::notPlacedText()},
            {"overwritten", UndoToast::overwrittenText()},
            {"unsaved", UndoToast::unsavedText()},
            {"not-copied", UndoToast::notCopiedText()},
            {"busy", UndoToast::busyText()},
            {"not-sent", UndoToast::notSentText()},
            {"not-sent-unseen", UndoToast::notSentUnseenText()}};
        for (const auto& [name, text] : notices) {
            UndoToastView notice(text, [] {});
            Theme::setForcedDark(&notice, dark);
            notice.setOpaque(true);
            GalleryOutput::save(
                notice.grab().toImage(),
                folder + QStringLiteral("/%1-%2.png")
                             .arg(QLatin1String(name), GalleryOutput::appearance(dark)));
        }
    }
}
