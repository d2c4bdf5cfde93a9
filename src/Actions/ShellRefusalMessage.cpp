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
                "gelesen%2, sondern als Befehl oder Einstellung. Setz den Platzhalter dort ein, "
                "wo %3 nur Text liest.");
        case Refusal::Reason::expression:
            return text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 ist %4, und %3 würde %2 als "
                "Teil seines Ausdrucks lesen, nicht als Pfad.");
        case Refusal::Reason::refspec:
            return text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 beginnt mit %4, und %3 würde "
                "%2 nicht als Namen lesen: „:“ löscht den Zweig auf der Gegenseite, „+“ "
                "erzwingt die Änderung.");
        case Refusal::Reason::network:
            return text(
                "Der Befehl wurde nicht ausgeführt: Mit dem Wert von %1 würde die Shell das Ziel "
                "der Umleitung%2 als Netzwerkverbindung öffnen, nicht als Datei. Setz den "
                "Platzhalter dort ein, wo er nur Text ist, etwa als Argument eines Befehls.");
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

QString namesOf(const Refusal& refusal) {
    QStringList names;
    for (const QString& name : refusal.placeholders)
        names.append(quoted(QStringLiteral("{{") + name + QStringLiteral("}}")));
    return names.join(QStringLiteral(", "));
}

// What a program makes of the edge of a value, for the sentence that names it: %1 the
// placeholders, %2 the word as written, %3 the program, %4 the edge.
QString edgeText(const Refusal& refusal) {
    using Edge = Refusal::Edge;
    switch (refusal.edge) {
        case Edge::begins:
            return text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 beginnt mit %4, und %3 würde "
                "%2 als Befehl ausführen.");
        case Edge::ends:
            return text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 endet mit %4 (Leerzeichen "
                "am Rand zählen nicht), und %3 würde %2 als Befehl ausführen.");
        case Edge::address:
            return text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 ist eine Adresse mit %4, und "
                "%3 würde %2 über die Shell abrufen, für die %4 mehr als Text ist.");
        case Edge::contains:
            return refusal.edgeText == QLatin1String("$")
                       ? text(
                             "Der Befehl wurde nicht ausgeführt: Der Wert von %1 enthält „$“, "
                             "und %3 würde ihn in %2 als Teil einer Einstellung auswerten.")
                       : text(
                             "Der Befehl wurde nicht ausgeführt: Der Wert von %1 enthält „=“, "
                             "und %3 würde %2 als Einstellung lesen.");
        case Edge::is:
            return text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 ist %4, der Name eines "
                "Effekts, und %3 würde mit %2 einen neuen Effekt beginnen.");
        case Edge::none:
            break;
    }
    return {};
}

// A program the reader does not know: what some program it knows makes of that edge.
QString unfamiliarText(Refusal::Edge edge) {
    switch (edge) {
        case Refusal::Edge::ends:
            return text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 endet mit %4, und %3 kennt "
                "Tavrin nicht – andere Programme führen %2 dann als Befehl aus.");
        case Refusal::Edge::is:
            return text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 ist %4, und %3 kennt Tavrin "
                "nicht – andere Programme lesen %2 dann als Teil eines Ausdrucks.");
        default:
            return text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 beginnt mit %4, und %3 kennt "
                "Tavrin nicht – andere Programme lesen %2 dann als Option oder als Anweisung, "
                "nicht als Text.");
    }
}

// Forms of the template that run where a program nobody knows would see an edge of a value:
// the value glued to its long option, the sign written before the placeholder, text of the
// template beside it, or the value on the program's input.
QString unfamiliarAdvice(const Refusal& refusal, const QString& placeholder,
                         const QString& program) {
    QStringList forms;
    const bool whole = refusal.construct == placeholder;
    if (!refusal.glued.isEmpty())
        forms.append(text("„%1=%2“ statt „%1 %2“").arg(refusal.glued, placeholder));
    if (whole && refusal.edge == Refusal::Edge::begins && refusal.edgeText == QLatin1String("+"))
        forms.append(text("„+%1“ mit dem Wert ohne „+“").arg(placeholder));
    forms.append(refusal.edge == Refusal::Edge::ends
                     ? text("Text des Befehls hinter dem Platzhalter")
                     : text("Text des Befehls vor dem Platzhalter"));
    if (whole)
        forms.append(text("der Wert über die Eingabe („printf '%s\\n' %1 | %2“), wenn %3 ihn "
                          "dort liest")
                         .arg(placeholder, refusal.program, program));
    const QString last = forms.takeLast();
    return text("So führt Tavrin den Befehl aus: %1.")
        .arg(forms.isEmpty() ? last : forms.join(QStringLiteral(", ")) + text(" oder ") + last);
}

// What the template can do instead, only what works for that program and that word: end the
// options where the program knows "--", write "./" before a relative path; otherwise the
// template has to change.
QString advice(const Refusal& refusal, const QString& placeholder, const QString& program,
               bool appended) {
    if (refusal.reason == Refusal::Reason::refspec)
        return text("Nennt der Wert einen Zweig, schreib „refs/heads/“ davor: %1.")
            .arg(quoted(QStringLiteral("refs/heads/") + placeholder));
    if (refusal.program == QLatin1String("git grep") && refusal.reason == Refusal::Reason::option)
        return text("Schreib „-e“ davor; dann liest „git grep“ den Wert als Muster.");
    if (refusal.unfamiliar)
        return unfamiliarAdvice(refusal, placeholder, program);
    if (refusal.program == QLatin1String("echo") && refusal.reason == Refusal::Reason::option)
        return text("Schreib für „echo“ Text vor den Platzhalter, oder nimm „printf '%s\\n'“.");
    if (refusal.split)
        return text(
            "Setz den Platzhalter oder die Variable, die ihn enthält, in doppelte "
            "Anführungszeichen, damit der Wert ein einziges Wort bleibt.");
    if (refusal.reason == Refusal::Reason::readAsCommand && refusal.edge != Refusal::Edge::none &&
        !refusal.relativePath) {
        if (refusal.program == QLatin1String("perl"))
            return text(
                       "Der Befehl muss dafür geändert werden: Gib %1 die Datei über die Eingabe "
                       "(„< %2“), dann öffnet %1 sie nicht selbst.")
                .arg(program, placeholder);
        if (refusal.edge == Refusal::Edge::address)
            return text(
                       "Der Befehl muss dafür geändert werden: Lade die Adresse zuerst in eine "
                       "Datei (etwa mit „curl -o“) und gib %1 die Datei.")
                .arg(program);
    }
    if (refusal.endOfOptions && (refusal.reason == Refusal::Reason::option ||
                                 refusal.reason == Refusal::Reason::derivedOption)) {
        const QString end = refusal.program.startsWith(QLatin1String("git"))
                                ? QStringLiteral("--end-of-options")
                                : QStringLiteral("--");
        if (appended)
            return text("Schreib %1 an das Ende von %2; danach liest %3 keine Optionen mehr.")
                .arg(quoted(end), quoted(refusal.construct), program);
        return text("Schreib %1 davor; danach liest %2 keine Optionen mehr.")
            .arg(quoted(end), program);
    }
    if (refusal.relativePath && !appended)
        return text("Ist der Wert ein relativer Pfad, schreib „./“ davor: %1.")
            .arg(quoted(QStringLiteral("./") + placeholder));
    return text(
               "Der Befehl muss dafür geändert werden: Setz den Platzhalter dort ein, wo %1 nur "
               "Text liest.")
        .arg(program);
}

}  // namespace

QString refusalMessage(const Refusal& refusal) {
    const QString names = namesOf(refusal);
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
        refusal.reason == Refusal::Reason::readAsCommand ||
        refusal.reason == Refusal::Reason::expression ||
        refusal.reason == Refusal::Reason::refspec) {
        const QString placeholder =
            QStringLiteral("{{") + refusal.placeholders.value(0) + QStringLiteral("}}");
        // The word as written, or the placeholder where the reader had none; the program.
        const QString word = refusal.construct.isEmpty() ? placeholder : refusal.construct;
        const QString program =
            refusal.program.isEmpty() ? text("das Programm") : quoted(refusal.program);
        // Words xargs appends are named by its command.
        const bool appended = word.section(QLatin1Char(' '), 0, 0) == QLatin1String("xargs");
        if (refusal.empty) {
            // The value is empty: the word begins or ends with the template's own text.
            message = refusal.edge == Refusal::Edge::ends
                          ? text(
                                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 ist leer, und "
                                "dann endet %2 mit %4, was %3 nicht als Text liest.")
                          : text(
                                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 ist leer, und "
                                "dann beginnt %2 mit %4, was %3 nicht als Text liest.");
            return message.arg(names, quoted(word), program, quoted(refusal.edgeText)) +
                   QLatin1Char(' ') +
                   text(
                       "Der Befehl muss dafür geändert werden: Setz den Platzhalter dort ein, wo "
                       "auch ein leerer Wert nur Text ergibt.");
        }
        if (refusal.reason == Refusal::Reason::option && refusal.edgeText == QLatin1String("+"))
            message = text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 beginnt mit „+“, und %3 "
                "würde %2 als Option lesen.");
        else if (refusal.reason == Refusal::Reason::option && appended)
            message = text(
                "Der Befehl wurde nicht ausgeführt: Der Wert von %1 beginnt mit „-“, und %3 "
                "würde ihn als Option lesen, wenn %2 ihn anhängt.");
        else if (refusal.reason == Refusal::Reason::option && refusal.split)
            message = text(
                "Der Befehl wurde nicht ausgeführt: Ein Wort im Wert von %1 beginnt mit „-“, "
                "und %3 würde es als Option lesen, weil %2 den Wert in Wörter teilt.");
        else if (refusal.unfamiliar)
            message = unfamiliarText(refusal.edge);
        else if (refusal.reason == Refusal::Reason::readAsCommand &&
                 refusal.edge != Refusal::Edge::none)
            message = edgeText(refusal);
        if (refusal.reason == Refusal::Reason::readAsCommand &&
            refusal.edge == Refusal::Edge::none) {
            // The word is named in passing, where it is more than the placeholder.
            return message.arg(names,
                               word != placeholder
                                   ? QStringLiteral(" (") + quoted(word) + QLatin1Char(')')
                                   : QString(),
                               program);
        }
        message = message.contains(QLatin1String("%4"))
                      ? message.arg(names, quoted(word), program, quoted(refusal.edgeText))
                      : message.arg(names, quoted(word), program);
        return message + QLatin1Char(' ') + advice(refusal, placeholder, program, appended);
    }
    if (!message.contains(QLatin1String("%2")))
        return message.arg(names);
    return message.arg(names, piece);
}

}  // namespace ShellCommand
