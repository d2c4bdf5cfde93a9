#include "Panel/SessionProviderChip.h"

#include "AI/ProviderStatusStore.h"
#include "Panel/AssistantSession.h"
#include "Panel/PanelActions.h"

SessionProviderChip::SessionProviderChip(AssistantSession& session, PanelActions& actions,
                                         QWidget* parent)
    : ProviderMenuChip(
          session.provider(),
          [&actions](ProviderID provider) { return actions.providers().state(provider); }, parent),
      actions_(actions) {
    setObjectName(QStringLiteral("providerChip"));
    connect(&session, &AssistantSession::providerChanged, this,
            [this, &session] { setCurrent(session.provider()); });
    connect(&actions_.providers(), &ProviderStatusStore::statesChanged, this,
            &ProviderMenuChip::refresh);
    connect(this, &ProviderMenuChip::selected, this, &SessionProviderChip::choose);
}

void SessionProviderChip::choose(ProviderID provider) {
    // The choice applies to the application's session of the moment; nothing is asked again.
    AssistantSession* current = actions_.session();
    if (current && current->provider() != provider)
        current->setProvider(provider);
}
