#include "Settings/TonePreset.h"

#include <QCoreApplication>

QString rawValue(TonePreset value) {
    switch (value) {
        case TonePreset::casual:
            return QStringLiteral("casual");
        case TonePreset::professional:
            return QStringLiteral("professional");
        case TonePreset::short_:
            return QStringLiteral("short");
        case TonePreset::warm:
            return QStringLiteral("warm");
    }
    return {};
}

std::optional<TonePreset> tonePresetFromRaw(const QString& raw) {
    for (const TonePreset value : allTonePresets()) {
        if (rawValue(value) == raw)
            return value;
    }
    return std::nullopt;
}

QList<TonePreset> allTonePresets() {
    return {TonePreset::casual, TonePreset::professional, TonePreset::short_, TonePreset::warm};
}

QString title(TonePreset value) {
    switch (value) {
        case TonePreset::casual:
            return QCoreApplication::translate("TonePreset", "locker");
        case TonePreset::professional:
            return QCoreApplication::translate("TonePreset", "professionell");
        case TonePreset::short_:
            return QCoreApplication::translate("TonePreset", "kurz");
        case TonePreset::warm:
            return QCoreApplication::translate("TonePreset", "herzlich");
    }
    return {};
}
