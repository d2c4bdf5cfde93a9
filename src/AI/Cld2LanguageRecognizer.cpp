#include "AI/Cld2LanguageRecognizer.h"

// The detector's header uses FILE without including its declaration.
#include <cld2/public/compact_lang_det.h>

#include <cstdio>

namespace {

// The detector still speaks a few withdrawn ISO 639-1 codes; callers and the model use the
// current ones.
QString currentCode(const char* code) {
    const QString raw = QString::fromLatin1(code);
    if (raw == QLatin1String("iw"))
        return QStringLiteral("he");
    if (raw == QLatin1String("jw"))
        return QStringLiteral("jv");
    return raw;
}

}  // namespace

std::optional<LanguageRecognizer::Hypothesis> Cld2LanguageRecognizer::dominantLanguage(
    const QString& text) const {
    // QString::toUtf8 never yields invalid UTF-8 (lone surrogates become replacement
    // characters), which the detector's unchecked entry point requires.
    const QByteArray utf8 = text.toUtf8();
    if (utf8.isEmpty())
        return std::nullopt;

    CLD2::Language languages[3];
    int percents[3] = {0, 0, 0};
    int textBytes = 0;
    bool reliable = false;
    CLD2::DetectLanguageSummary(utf8.constData(), int(utf8.size()), /*is_plain_text=*/true,
                                languages, percents, &textBytes, &reliable);
    // The summary's return value falls back to English for indeterminate text; the ranked
    // list does not, so the verdict is read from there.
    if (!reliable || languages[0] == CLD2::UNKNOWN_LANGUAGE)
        return std::nullopt;
    return Hypothesis{currentCode(CLD2::LanguageCode(languages[0])), percents[0] / 100.0};
}
