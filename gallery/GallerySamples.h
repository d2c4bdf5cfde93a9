#pragma once

#include "AI/ProviderSetup.h"

// Values several pages of the gallery show.
namespace GallerySamples {

// What an install without network leaves.
inline ProviderSetup::Phase installFailed() {
    return ProviderSetup::Phase::failed(
        QStringLiteral("Claude Code konnte nicht installiert werden. Der Download ist "
                       "fehlgeschlagen: Der Server wurde nicht gefunden. Besteht eine "
                       "Internetverbindung?"));
}

inline ProviderSetup::Phase signInFailed() {
    return ProviderSetup::Phase::failed(QStringLiteral("Die Anmeldung wurde nicht abgeschlossen."));
}

}  // namespace GallerySamples
