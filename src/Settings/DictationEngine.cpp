#include "Settings/DictationEngine.h"

QString rawValue(DictationEngine value) {
    switch (value) {
        case DictationEngine::appleOnDevice:
            return QStringLiteral("appleOnDevice");
        case DictationEngine::whisperLocal:
            return QStringLiteral("whisperLocal");
    }
    return {};
}

std::optional<DictationEngine> dictationEngineFromRaw(const QString& raw) {
    for (const DictationEngine value : allDictationEngines()) {
        if (rawValue(value) == raw)
            return value;
    }
    return std::nullopt;
}

QList<DictationEngine> allDictationEngines() {
    return {DictationEngine::appleOnDevice, DictationEngine::whisperLocal};
}
