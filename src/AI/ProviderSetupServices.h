#pragma once

#include <QObject>
#include <QUrl>

#include "AI/ProviderSetup.h"
#include "AI/ProviderStatusStore.h"
#include "Settings/ProviderID.h"

// What the provider setup control reads and starts: the setup phase and the status of each
// tool, the setup flow's steps, a terminal sign-in and the sign-in page. The control keeps no
// state of its own and redraws on `changed`.
class ProviderSetupServices : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~ProviderSetupServices() override = default;

    virtual ProviderSetup::Phase phase(ProviderID provider) const = 0;
    virtual ProviderStatusStore::State state(ProviderID provider) const = 0;

    // Each starts the step and returns at once; progress shows through `changed`.
    virtual void install(ProviderID provider) = 0;
    virtual void login(ProviderID provider) = 0;
    virtual void cancel(ProviderID provider) = 0;
    virtual void openLogin(ProviderID provider) = 0;
    virtual void openPage(const QUrl& url) = 0;

signals:
    // A phase or a status changed.
    void changed();
};
