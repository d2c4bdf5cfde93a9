#pragma once

#include "AI/ProviderSetupServices.h"

class ProviderLoginOpener;

namespace Platform {
class UrlOpener;
}

// The setup control's services over the program's status store and setup flow; the
// application core adds the terminal sign-in and the link opener.
class StoreProviderSetupServices final : public ProviderSetupServices {
    Q_OBJECT

public:
    StoreProviderSetupServices(ProviderStatusStore& status, ProviderSetup& setup,
                               ProviderLoginOpener& loginOpener, Platform::UrlOpener& urlOpener,
                               QObject* parent = nullptr);

    ProviderSetup::Phase phase(ProviderID provider) const override;
    ProviderStatusStore::State state(ProviderID provider) const override;
    void install(ProviderID provider) override;
    void login(ProviderID provider) override;
    void cancel(ProviderID provider) override;
    void openLogin(ProviderID provider) override;
    void openPage(const QUrl& url) override;

private:
    ProviderStatusStore& status_;
    ProviderSetup& setup_;
    ProviderLoginOpener& loginOpener_;
    Platform::UrlOpener& urlOpener_;
};
