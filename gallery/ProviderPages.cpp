// The AI tool's setup control and menu chip in each state.
#include "ComponentSheet.h"
#include "GalleryPages.h"
#include "Panel/ProviderMenuChip.h"
#include "SettingsWindow/Blocks/ProviderSetupControl.h"
#include "support/InertProviderSetup.h"

using SetupPhase = ProviderSetup::Phase;
using State = ProviderStatusStore::State;

namespace {

// Fixed answers, for looking at one state.
class StillServices final : public InertProviderSetup {
public:
    StillServices(SetupPhase phase, State state)
        : phase_(std::move(phase)), state_(std::move(state)) {}
    SetupPhase phase(ProviderID) const override { return phase_; }
    State state(ProviderID) const override { return state_; }

private:
    SetupPhase phase_;
    State state_;
};

QWidget* control(SetupPhase phase, State state, bool compact) {
    auto* holder = new QWidget;
    auto* services = new StillServices(std::move(phase), std::move(state));
    services->setParent(holder);
    auto* layout = new QHBoxLayout(holder);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new ProviderSetupControl(ProviderID::claudeCLI, *services, compact));
    holder->setFixedWidth(420);
    return holder;
}

QWidget* chip(ProviderID current, State claude, State codex) {
    return new ProviderMenuChip(
        current, [=](ProviderID p) { return p == ProviderID::claudeCLI ? claude : codex; });
}

}  // namespace

void GalleryPages::providerViews() {
    const QUrl page(QStringLiteral("https://example.org/sign-in"));
    ComponentSheet::render(
        "provider-views",
        {
            {"unknown", [] { return control(SetupPhase::idle(), State::unknown(), false); }},
            {"not found", [] { return control(SetupPhase::idle(), State::notFound(), false); }},
            {"not logged in",
             [] { return control(SetupPhase::idle(), State::notLoggedIn(), false); }},
            {"ready compact", [] { return control(SetupPhase::idle(), State::ready(), true); }},
            {"ready", [] { return control(SetupPhase::idle(), State::ready(), false); }},
            {"installing",
             [] { return control(SetupPhase::installing(), State::notFound(), false); }},
            {"waiting",
             [] { return control(SetupPhase::waitingForLogin(), State::notLoggedIn(), false); }},
            {"waiting, page",
             [=] {
                 return control(SetupPhase::waitingForLogin(page), State::notLoggedIn(), false);
             }},
            {"failed",
             [] {
                 return control(
                     SetupPhase::failed("Die Anmeldung wurde nicht abgeschlossen. Versuch es "
                                        "noch einmal oder melde dich im Terminal an."),
                     State::notLoggedIn(), false);
             }},
            {"chip plain ready",
             [] { return chip(ProviderID::claudeCLI, State::ready(), State::notFound()); }},
            {"chip, current not ready",
             [] { return chip(ProviderID::codexCLI, State::ready(), State::notLoggedIn()); }},
            {"chip menu",
             [] { return chip(ProviderID::claudeCLI, State::ready(), State::ready()); }},
        },
        DS::Palette::window, 620);
}
