#include "Settings/ProviderID.h"

QString rawValue(ProviderID value) {
    switch (value) {
        case ProviderID::claudeCLI:
            return QStringLiteral("claudeCLI");
        case ProviderID::codexCLI:
            return QStringLiteral("codexCLI");
    }
    return {};
}

std::optional<ProviderID> providerIDFromRaw(const QString& raw) {
    for (const ProviderID value : allProviderIDs()) {
        if (rawValue(value) == raw)
            return value;
    }
    return std::nullopt;
}

QList<ProviderID> allProviderIDs() {
    return {ProviderID::claudeCLI, ProviderID::codexCLI};
}
