#pragma once

#include "AI/ProviderSetup.h"

// Values several pages of the gallery show.
namespace GallerySamples {

// What an install without network leaves.
inline ProviderSetup::Phase installFailed() {
    return ProviderSetup::Phase::failed(
        QStringLiteral("Claude Code konnte nicht installiert werden. curl: (6) Could not resolve "
                       "host: claude.ai"));
}

inline ProviderSetup::Phase signInFailed() {
    return ProviderSetup::Phase::failed(QStringLiteral("Die Anmeldung wurde nicht abgeschlossen."));
}

}  // namespace GallerySamples
