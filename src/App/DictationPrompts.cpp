#include "App/DictationPrompts.h"

#include <QStringList>

namespace {

QString lines(std::initializer_list<const char*> parts) {
    QStringList joined;
    for (const char* part : parts)
        joined << QString::fromUtf8(part);
    return joined.join(QLatin1Char('\n'));
}

}  // namespace

namespace DictationPrompts {

QString decision() {
    return lines({
        "The user held a dictation key and spoke while a text field was focused. Decide what "
        "they want:",
        "TEXT – the speech itself is the text to put into the field (a message, a note, a "
        "reply), possibly with a small instruction about wording or language (e.g. \"translate "
        "this to English\", \"make it more formal\").",
        "TASK – the speech is a request addressed to the assistant to create new content (e.g. "
        "\"write me a short Facebook post about …\", \"draft a reply that says …\", \"summarize "
        "this page\"). The speech describes what to write rather than being it.",
        "Answer with exactly one word: TEXT or TASK.",
    });
}

QString formatting() {
    return lines({
        "You format dictated text before it is pasted into a text field. Keep the speaker's "
        "words, language and meaning; do not add, remove or rephrase content (only fix obvious "
        "speech-recognition errors and punctuation).",
        "Improve readability: split into short paragraphs where the topic shifts. When the "
        "speaker lists several items, steps or points, turn them into a list (\"- \" bullets, or "
        "\"1.\" for sequences). Use no Markdown other than that (no bold, no headings). If the "
        "text is a short flowing message, leave it as one paragraph.",
        "Output ONLY the formatted text.",
    });
}

QString instruction() {
    return lines({
        "You turn dictated speech into the final text that will be inserted into a text field.",
        "The dictation contains an instruction addressed to you, usually at the start or end "
        "(e.g. \"schreib das auf Englisch\", \"übersetz das ins Italienische\", \"formulier das "
        "förmlicher\").",
        "Remove the instruction and apply it to the rest of the dictation.",
        "Keep the meaning exactly and keep the speaker's voice (first person). Translate "
        "faithfully and close to the original wording. Do not add content, greetings or "
        "explanations.",
        "Fix obvious speech-recognition errors and punctuation. Output ONLY the final text.",
    });
}

QString selection() {
    return lines({
        "The user selected a text in an app and spoke an instruction about it. Apply the "
        "instruction to the selected text (e.g. translate, rewrite, shorten, correct, change the "
        "tone). The result will replace the selection.",
        "Keep the meaning exactly unless the instruction says otherwise. Keep formatting and line "
        "breaks where sensible. Output ONLY the resulting text, no quotes, no explanations.",
    });
}

QString selectionRequest(const QString& instruction, const QString& selected) {
    return QStringLiteral("Instruction: ") + instruction + QStringLiteral("\n\nSelected text:\n") +
           selected;
}

}  // namespace DictationPrompts
