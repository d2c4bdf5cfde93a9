#include "Settings/PushToTalkKey.h"

#include <QCoreApplication>

QString rawValue(PushToTalkKey value) {
    switch (value) {
        case PushToTalkKey::fn:
            return QStringLiteral("fn");
        case PushToTalkKey::rightOption:
            return QStringLiteral("rightOption");
        case PushToTalkKey::rightCommand:
            return QStringLiteral("rightCommand");
        case PushToTalkKey::none:
            return QStringLiteral("none");
    }
    return {};
}

std::optional<PushToTalkKey> pushToTalkKeyFromRaw(const QString& raw) {
    for (const PushToTalkKey value : allPushToTalkKeys()) {
        if (rawValue(value) == raw)
            return value;
    }
    return std::nullopt;
}

QList<PushToTalkKey> allPushToTalkKeys() {
    return {PushToTalkKey::fn, PushToTalkKey::rightOption, PushToTalkKey::rightCommand,
            PushToTalkKey::none};
}

QString title(PushToTalkKey value) {
    switch (value) {
        case PushToTalkKey::fn:
            // The key's own label, the same in every language.
            return QStringLiteral("fn");
        case PushToTalkKey::rightOption:
            return QCoreApplication::translate("PushToTalkKey", "rechte Alt-Taste");
        case PushToTalkKey::rightCommand:
            return QCoreApplication::translate("PushToTalkKey", "rechte Super-Taste");
        case PushToTalkKey::none:
            return QCoreApplication::translate("PushToTalkKey", "Aus");
    }
    return {};
}
