#include "App/DesktopApplication.h"

#include <QGuiApplication>
#include <QLocale>
#include <QThreadPool>

#include "AI/CLIEnvironment.h"
#include "AI/ClaudeCLIProvider.h"
#include "AI/CodexCLIProvider.h"
#include "Panel/PanelView.h"
#include "Platform/AppPaths.h"
#include "Platform/LoginShell.h"
#include "Platform/linux/AtspiAccessibilityTree.h"
#include "Platform/linux/PocketsphinxRecognizer.h"
#include "Platform/linux/PulseAudioSource.h"
#include "SettingsWindow/Blocks/ToolWatch.h"

DesktopApplication::DesktopApplication(const QString& applicationSupport, Platform::Clock& clock,
                                       Platform::SystemLog& log)
    : clock_(clock),
      log_(log),
      x11_(Platform::XcbConnection::open()),
      settings_(applicationSupport, {loginItem_, log, clock, &notices_}),
      permissions_({trust_, screenCapture_, microphone_, speech_, settingsPanes_}),
      providers_(clock),
      memory_(applicationSupport, clock, &log, &notices_),
      accessibility_([this] { return Platform::AtspiAccessibilityTree::create(&screenPixels_); }),
      desktopWindows_(x11_),
      capture_(desktopWindows_, windowImages_, screenCapture_),
      clipboard_(),
      primary_({}, Platform::X11SelectionReader::Selection::primary),
      keys_(x11_),
      activation_(x11_),
      modifiers_(x11_),
      inserter_({clock, clipboard_, keys_, activation_, modifiers_, trust_, &restorer_, &terminals_,
                 &primary_}),
      collector_({clock, desktopWindows_, trust_, accessibility_, capture_, log,
                  [this](std::function<void(std::optional<QString>)> done) {
                      inserter_.copySelection(std::move(done));
                  }}),
      pages_(accessibility_, trust_),
      context_(collector_, pages_),
      dictation_(DictationBackends{microphone_, speech_,
                                   std::make_shared<Platform::PocketsphinxRecognizer>(),
                                   [] { return std::make_unique<Platform::PulseAudioSource>(); },
                                   clock, QLocale::system().name(), log}),
      compositor_(x11_),
      quickDictation_([this](const QString& language) { return dictation_.make(language); }, clock,
                      &compositor_),
      restorer_(accessibility_, clock),
      undoToast_({clock, inserter_, activation_, terminals_, &compositor_, &restorer_}),
      terminalLauncher_(Platform::LoginShell::path()),
      loginOpener_(terminalLauncher_, clipboard_, settings_),
      defaults_(Platform::AppPaths::userDefaultsFile(), &log, &notices_),
      shortcuts_(defaults_, grabber_, hotKeyLines_),
      applicationIcons_(Platform::XcbConnection::open()),
      fileRevealer_(urlOpener_),
      floatingWindows_(x11_),
      panel_({clock, floatingWindows_, {}}),
      panelHost_(panel_, floatingWindows_),
      providerSetup_(providers_, settings_, clock),
      providerSetupServices_(providers_, providerSetup_, loginOpener_, urlOpener_),
      windowManager_(x11_),
      settingsCoordinator_(
          {settings_,
           permissions_,
           providers_,
           providerSetupServices_,
           clock,
           memory_,
           {shortcuts_, installedApplications_, windowManager_},
           [this](SettingsCoordinator::StyleLearned done) {
               coordinator_.learnStyleNow(std::move(done));
           },
           [this](const QString& language) -> SettingsCoordinator::Recognition {
               return {DictationFactory::locale(language), dictation_.modelLocale(language)};
           }}),
      settingsWindow_(settingsCoordinator_),
      onboardingCoordinator_({settings_,
                              permissions_,
                              providers_,
                              providerSetupServices_,
                              clock,
                              urlOpener_,
                              {shortcuts_, installedApplications_, windowManager_},
                              [this] {
                                  coordinator_.finishOnboarding();
                                  onboardingWindow_.close();
                              }}),
      onboardingWindow_(onboardingCoordinator_),
      coordinator_(AppCoordinator::Services{
          clock,
          log,
          settings_,
          permissions_,
          providers_,
          memory_,
          context_,
          panelHost_,
          quickDictation_,
          shortcuts_,
          [this](ProviderID provider,
                 const AssistantSettings& settings) -> std::unique_ptr<AIProvider> {
              if (provider == ProviderID::codexCLI)
                  return std::make_unique<CodexCLIProvider>(settings.codexPath, clock_);
              return std::make_unique<ClaudeCLIProvider>(settings.claudePath, clock_);
          },
          [this] { return grabber_.lastEventTime(); },
          [] { QThreadPool::globalInstance()->start([] { CLIEnvironment::shellPATH(); }); },
          [this] { onboardingWindow_.show(); },
          [this] { settingsWindow_.show(); },
          [this] { showSettingsOn(SettingsTab::permissions); },
          &applicationIcons_,
          &urlOpener_,
          &fileRevealer_,
          &clipboard_,
          &inserter_,
          &undoToast_,
          [this](const AssistantSettings& settings) { return dictation_.make(settings); },
          &modifiers_,
          &loginOpener_,
          {},
          [this](SettingsTab tab) { settingsCoordinator_.setSettingsTab(tab); },
      }) {
    // The panel's tool chip says whether the tool answers; the panel comes and goes all day.
    new ToolWatch(&panel_.panel(), providers_, clock);
}

void DesktopApplication::showSettingsOn(SettingsTab tab) {
    settingsCoordinator_.setSettingsTab(tab);
    settingsWindow_.show();
}
