#include "Actions/ShellRefusalMessage.h"

#include <QCoreApplication>

namespace ShellCommand {

namespace {

QString text(const char* german) {
    return QCoreApplication::translate("ActionRunner", german);
}

// Each reason's message with %1 for the placeholders and %2 for the piece of the template;
// each stays one whole sentence to translate.
QString refusalText(Refusal::Reason reason) {
    switch (reason) {
        case Refusal::Reason::evaluated:
            return text(
                "Der Befehl wurde nicht ausgeführt: Die Shell würde den Wert von %1 als Befehl "
                "ausführen%2. Setz den Platzhalter dort ein, wo er nur Text ist, etwa als "
                "Argument eines Befehls.");
        case Refusal::Reason::arithmetic:
            return text(
                "Der Befehl wurde nicht ausgeführt: Die Shell würde den Wert von %1 als Rechnung "
                "auswerten%2. Dort darf ein Wert nur eine ganze Zahl sein, etwa 41 oder -7 (ohne "
                "führende Null und ohne „+“).");
        case Refusal::Reason::variableName:
            return text(
                "Der Befehl wurde nicht ausgeführt: Die Shell würde den Wert von %1 als "
                "Variablennamen lesen%2. Schreib Variablennamen in den Befehl selbst und setz "
                "den Platzhalter nur als Wert ein.");
        case Refusal::Reason::unknownCommand:
            return text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 geht an einen Befehl, "
                "dessen Programm erst beim Ausführen feststeht%2 – das kann Tavrin nicht sicher "
                "prüfen. Schreib den Namen des Programms selbst in den Befehl.");
        case Refusal::Reason::unmodelled:
            return text(
                "Der Befehl wurde nicht ausgeführt: %1 steht in %2 – das kann Tavrin nicht "
                "sicher prüfen. Setz den Platzhalter dort ein, wo er nur Text ist, etwa als "
                "Argument eines Befehls.");
        case Refusal::Reason::shellOption:
            return text(
                "Der Befehl wurde nicht ausgeführt: %2 ändert, wie die Shell den Befehl liest – "
                "wohin der Wert von %1 dann gelangt, kann Tavrin nicht sicher prüfen. Lass die "
                "Einstellung weg.");
        case Refusal::Reason::throughVariable:
            return text(
                "Der Befehl wurde nicht ausgeführt: Ein Wert (%1) kann über eine Variable, eine "
                "Befehlsersetzung oder eine Eingabe an eine Stelle gelangen, an der die Shell "
                "ihn noch einmal auswerten würde%2. Werte nur Variablen aus, die keinen "
                "Platzhalter enthalten, und gib Werte sonst nur als Text weiter.");
        case Refusal::Reason::quotedHereDocument:
            return text(
                "Der Befehl wurde nicht ausgeführt: Der Platzhalter %1 steht in einem "
                "Here-Dokument, dessen Endmarke in Anführungszeichen steht (<<'EOF'); "
                "dort setzt die Shell keinen Wert ein. Schreib die Endmarke ohne "
                "Anführungszeichen (<<EOF).");
        case Refusal::Reason::option:
            return text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 beginnt mit „-“, und %3 "
                "würde %2 als Option lesen.");
        case Refusal::Reason::derivedOption:
            return text(
                "Der Befehl wurde nicht ausgeführt: %2 macht aus dem Wert von %1 einen Text, "
                "der mit „-“ beginnen kann, und %3 würde ihn als Option lesen.");
        case Refusal::Reason::readAsCommand:
            return text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 würde von %3 nicht als Text "
                "gelesen%2, sondern als Befehl oder Einstellung (etwa „+Befehl“ bei vi und less, "
                "NAME=Wert bei env und make, „Befehl|“ bei perl). Setz den Platzhalter dort ein, "
                "wo %3 nur Text liest.");
        case Refusal::Reason::nul:
            return text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 enthält ein "
                "Nullzeichen, das kein Befehl annehmen kann. Entferne es aus dem Wert.");
        case Refusal::Reason::tooLong:
            return text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 ist zu lang, um "
                "ihn einem Befehl zu übergeben (höchstens etwa 130 000 Zeichen). "
                "Kürze ihn.");
    }
    return {};
}

QString quoted(const QString& piece) {
    return QStringLiteral("„") + piece + QStringLiteral("“");
}

// What the template can do instead of an option refused, only what works for that program:
// bind the word to the option before it, end the options where the program knows "--", write
// "./" before a relative path; otherwise the template has to change.
QString optionAdvice(const Refusal& refusal, const QString& piece, const QString& program) {
    if (refusal.program == QLatin1String("echo"))
        return text("Schreib für „echo“ Text vor den Platzhalter, oder nimm „printf '%s\\n'“.");
    QStringList advice;
    if (!refusal.option.isEmpty()) {
        const QString glued =
            refusal.option +
            (refusal.option.startsWith(QLatin1String("--")) ? QStringLiteral("=") : QString()) +
            piece;
        advice.append(text("Gehört der Wert zu %1, schreib ihn direkt daran: %2.")
                          .arg(quoted(refusal.option), quoted(glued)));
    }
    if (refusal.endOfOptions) {
        const bool git = refusal.program.startsWith(QLatin1String("git"));
        advice.append(
            text("Schreib %1 davor; danach liest %2 keine Optionen mehr.")
                .arg(quoted(git ? QStringLiteral("--end-of-options") : QStringLiteral("--")),
                     program));
    } else if (refusal.reason == Refusal::Reason::option) {
        advice.append(text("Ist der Wert ein relativer Pfad, schreib „./“ davor: %1.")
                          .arg(quoted(QStringLiteral("./") + piece)));
    }
    if (advice.isEmpty())
        return text(
                   "Der Befehl muss dafür geändert werden: Setz den Platzhalter dort ein, wo %1 "
                   "nur Text liest.")
            .arg(program);
    return advice.join(QLatin1Char(' '));
}

}  // namespace

QString refusalMessage(const Refusal& refusal) {
    QStringList names;
    for (const QString& name : refusal.placeholders)
        names.append(quoted(QStringLiteral("{{") + name + QStringLiteral("}}")));
    // Where the piece is named in passing, it follows in parentheses, and is left out when
    // there is none; where the sentence is about it, it always stands.
    const bool inSentence = refusal.reason == Refusal::Reason::unmodelled ||
                            refusal.reason == Refusal::Reason::shellOption;
    // Where the reader could not say which piece it was, those sentences name it in general.
    const QString unnamed = refusal.reason == Refusal::Reason::shellOption
                                ? text("Eine Einstellung der Shell")
                                : text("einem Teil des Befehls");
    const QString piece = refusal.construct.isEmpty() ? (inSentence ? unnamed : QString())
                          : inSentence
                              ? quoted(refusal.construct)
                              : QStringLiteral(" (") + quoted(refusal.construct) + QLatin1Char(')');
    QString message = refusalText(refusal.reason);
    if (refusal.reason == Refusal::Reason::option ||
        refusal.reason == Refusal::Reason::derivedOption ||
        refusal.reason == Refusal::Reason::readAsCommand) {
        // The word as written, or the placeholder where the reader had none; the program.
        const QString word =
            refusal.construct.isEmpty()
                ? QStringLiteral("{{") + refusal.placeholders.value(0) + QStringLiteral("}}")
                : refusal.construct;
        const QString program =
            refusal.program.isEmpty() ? text("das Programm") : quoted(refusal.program);
        if (refusal.reason == Refusal::Reason::readAsCommand) {
            // The word is named in passing, where it is more than the placeholder.
            const bool more =
                word != QStringLiteral("{{") + refusal.placeholders.value(0) + QStringLiteral("}}");
            return message.arg(
                names.join(QStringLiteral(", ")),
                more ? QStringLiteral(" (") + quoted(word) + QLatin1Char(')') : QString(), program);
        }
        message = message.arg(names.join(QStringLiteral(", ")), quoted(word), program);
        return message + QLatin1Char(' ') + optionAdvice(refusal, word, program);
    }
    if (!message.contains(QLatin1String("%2")))
        return message.arg(names.join(QStringLiteral(", ")));
    return message.arg(names.join(QStringLiteral(", ")), piece);
}

}  // namespace ShellCommand
