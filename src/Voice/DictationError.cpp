#include "Voice/DictationError.h"

#include <QCoreApplication>

QString describe(DictationError error) {
    switch (error) {
        case DictationError::unavailable:
            return QCoreApplication::translate(
                "DictationError", "Spracherkennung ist für diese Sprache gerade nicht verfügbar.");
        case DictationError::notAuthorized:
            return QCoreApplication::translate("DictationError",
                                               "Mikrofon und Spracherkennung müssen erlaubt sein.");
        case DictationError::audioFormat:
            return QCoreApplication::translate(
                "DictationError",
                "Das Mikrofon-Format wird von der Spracherkennung nicht unterstützt.");
        case DictationError::microphoneUnavailable:
            return QCoreApplication::translate(
                "DictationError", "Mikrofon nicht erreichbar – Toneinstellungen prüfen.");
        case DictationError::microphoneLost:
            return QCoreApplication::translate("DictationError",
                                               "Mikrofon ausgefallen – Toneinstellungen prüfen.");
        case DictationError::modelUnreadable:
            return QCoreApplication::translate(
                "DictationError", "Sprachmodell fehlt – Pocketsphinx neu installieren.");
    }
    return {};
}
