#include "AI/AIError.h"

#include <QCoreApplication>

AIError::AIError(Kind kind, QString payload)
    : m_kind(kind), m_payload(std::move(payload)), m_what(errorDescription().toUtf8()) {}

AIError AIError::cliNotFound(const QString& toolName) {
    return AIError(Kind::cliNotFound, toolName);
}

AIError AIError::notLoggedIn(const QString& hint) {
    return AIError(Kind::notLoggedIn, hint);
}

AIError AIError::failed(const QString& message) {
    return AIError(Kind::failed, message);
}

QString AIError::errorDescription() const {
    switch (m_kind) {
        case Kind::cliNotFound:
            return QCoreApplication::translate(
                       "AIError",
                       "%1 wurde nicht gefunden. Pfad in den Einstellungen unter „KI“ prüfen.")
                .arg(m_payload);
        case Kind::notLoggedIn:
            return QCoreApplication::translate("AIError", "Nicht angemeldet: %1").arg(m_payload);
        case Kind::failed:
            return m_payload;
    }
    return m_payload;
}
