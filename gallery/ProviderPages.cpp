// The AI tool's setup control and menu chip in each state.
#include "ComponentSheet.h"
#include "GalleryPages.h"
#include "Panel/ProviderMenuChip.h"
#include "SettingsWindow/Blocks/ProviderSetupControl.h"
#include "support/InertProviderSetup.h"

using Phase = ProviderSetup::Phase;
using State = ProviderStatusStore::State;

namespace {

// Fixed answers, for looking at one state.
class StillServices final : public InertProviderSetup {
public:
    StillServices(Phase phase, State state) : phase_(std::move(phase)), state_(std::move(state)) {}
    Phase phase(ProviderID) const override { return phase_; }
    State state(ProviderID) const override { return state_; }

private:
    Phase phase_;
    State state_;
};

QWidget* control(Phase phase, State state, bool compact) {
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
            {"unknown", [] { return control(Phase::idle(), State::unknown(), false); }},
            {"not found", [] { return control(Phase::idle(), State::notFound(), false); }},
            {"not logged in", [] { return control(Phase::idle(), State::notLoggedIn(), false); }},
            {"ready compact", [] { return control(Phase::idle(), State::ready(), true); }},
            {"ready", [] { return control(Phase::idle(), State::ready(), false); }},
            {"installing", [] { return control(Phase::installing(), State::notFound(), false); }},
            {"waiting",
             [] { return control(Phase::waitingForLogin(), State::notLoggedIn(), false); }},
            {"waiting, page",
             [=] { return control(Phase::waitingForLogin(page), State::notLoggedIn(), false); }},
            {"failed",
             [] {
                 return control(Phase::failed("Die Anmeldung wurde nicht abgeschlossen. Versuch es "
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
