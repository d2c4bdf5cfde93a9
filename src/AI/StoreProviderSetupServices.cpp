#include "AI/StoreProviderSetupServices.h"

#include "AI/ProviderLoginOpener.h"
#include "Platform/UrlOpener.h"

StoreProviderSetupServices::StoreProviderSetupServices(ProviderStatusStore& status,
                                                       ProviderSetup& setup,
                                                       ProviderLoginOpener& loginOpener,
                                                       Platform::UrlOpener& urlOpener,
                                                       QObject* parent)
    : ProviderSetupServices(parent),
      status_(status),
      setup_(setup),
      loginOpener_(loginOpener),
      urlOpener_(urlOpener) {
    connect(&status_, &ProviderStatusStore::statesChanged, this, &ProviderSetupServices::changed);
    connect(&setup_, &ProviderSetup::phasesChanged, this, &ProviderSetupServices::changed);
}

ProviderSetup::Phase StoreProviderSetupServices::phase(ProviderID provider) const {
    return setup_.phase(provider);
}

ProviderStatusStore::State StoreProviderSetupServices::state(ProviderID provider) const {
    return status_.state(provider);
}

void StoreProviderSetupServices::install(ProviderID provider) {
    setup_.install(provider);
}

void StoreProviderSetupServices::login(ProviderID provider) {
    setup_.login(provider);
}

void StoreProviderSetupServices::cancel(ProviderID provider) {
    setup_.cancel(provider);
}

void StoreProviderSetupServices::openLogin(ProviderID provider) {
    loginOpener_.openLogin(provider);
}

void StoreProviderSetupServices::openPage(const QUrl& url) {
    urlOpener_.open(url);
}
