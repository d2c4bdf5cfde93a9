#pragma once

#include <QUrl>

#include "AI/ProviderSetupServices.h"

// Setup whose buttons do nothing: installing, signing in and opening pages never start, so a
// view shows only the phase and states its subclass gives.
class InertProviderSetup : public ProviderSetupServices {
public:
    void install(ProviderID) override {}
    void login(ProviderID) override {}
    void cancel(ProviderID) override {}
    void openLogin(ProviderID) override {}
    void openPage(const QUrl&) override {}
};
