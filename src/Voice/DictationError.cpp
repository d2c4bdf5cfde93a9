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
    }
    return {};
}
