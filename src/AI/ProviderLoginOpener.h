#pragma once

#include "Settings/ProviderID.h"

// Signs the user in to a tool by hand: opens a terminal that runs the tool's own login
// command. The application core provides it; the setup control offers it after a failed
// sign-in.
class ProviderLoginOpener {
public:
    virtual ~ProviderLoginOpener() = default;
    virtual void openLogin(ProviderID provider) = 0;
};
