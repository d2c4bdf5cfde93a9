#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>
#include <variant>

#include "Actions/ShellCommand.h"
#include "Actions/ShellRefusalMessage.h"
#include "LoginShells.h"

// What a template makes of a value before a program reads it: text an expansion, a pipe or a
// decoder makes from it may be anything, a plain integer computes as itself, and a refusal
// tells the template's author what works for the program concerned.

namespace {

using Reason = ShellCommand::Refusal::Reason;

}  // namespace

// Each row ran before: the value looked harmless as the AI gave it, and the template turned
// it into an option ("v-o…" without its "v" is "-o…", sort's output file).
TEST(ShellChangedValuesTest, TextMadeFromAValueWhereOptionsAreReadIsRefused) {
    const QString option = "-o/tmp/canary";
    struct Case {
        QString text;
        QString value;
        Reason reason;
        QString word;  // as the refusal names it
    };
    const Case cases[] = {
        // expansion operators
        {"v={{a}}; sort \"${v#v}\" f", "v" + option, Reason::derivedOption, "\"${v#v}\""},
        {"x={{a}}; sort \"${x:1}\" f", "v" + option, Reason::derivedOption, "\"${x:1}\""},
        {"f={{a}}; sort \"${f##*_}\" f", "a_" + option, Reason::derivedOption, "\"${f##*_}\""},
        {"x={{a}}; y=${x#v}; sort \"$y\" f", "v" + option, Reason::derivedOption, "\"$y\""},
        // a command substitution, a pipe through a program
        {"sort \"$(echo {{a}} | sed 's/^v//')\" f", "v" + option, Reason::derivedOption,
         "\"$(echo {{a}} | sed 's/^v//')\""},
        {"sort \"$(echo {{a}} | cut -c2-)\" f", "v" + option, Reason::derivedOption,
         "\"$(echo {{a}} | cut -c2-)\""},
        {"sort \"$(echo {{a}} | rev)\" f", "yranac/pmt/o-", Reason::derivedOption,
         "\"$(echo {{a}} | rev)\""},
        {"sort \"$(echo {{a}} | tr ' ' '-')\" f", " o/tmp/canary", Reason::derivedOption,
         "\"$(echo {{a}} | tr ' ' '-')\""},
        {"echo {{a}} | tr ' ' '-' | xargs sort", " o/tmp/canary", Reason::derivedOption,
         "xargs sort"},
        // decoders
        {"sort \"$(echo {{a}} | base64 -d)\" f", "LW8vdG1wL2NhbmFyeQ==", Reason::derivedOption,
         "\"$(echo {{a}} | base64 -d)\""},
        {"sort \"$(printf %b {{a}})\" f", "\\055o/tmp/canary", Reason::derivedOption,
         "\"$(printf %b {{a}})\""},
        {"echo -e {{a}} | xargs sort", "\\055o/tmp/canary", Reason::derivedOption, "xargs sort"},
        {"x=$(printf %b {{a}}); sort \"$x\" f", "\\055o/tmp/canary", Reason::derivedOption,
         "\"$x\""},
        {"sort \"$(jq -rn --arg v {{a}} '$v | fromjson')\" f", "\"\\u002do/tmp/canary\"",
         Reason::derivedOption, "\"$(jq -rn --arg v {{a}} '$v | fromjson')\""},
        // "$!" is nothing without a background job
        {"sort $!{{a}} f", option, Reason::option, "$!{{a}}"},
    };
    for (const Case& c : cases) {
        const auto refusal = expectRefused(c.text, c.value, c.reason, c.word);
        if (refusal) {
            EXPECT_EQ(refusal->program, "sort") << c.text.toStdString();
        }
    }
}

// Templates people write that were refused: a lone "-" is no option to cd or git checkout,
// date's own output carries no value, and an integer computes. Each runs in every login
// shell with the value as data; any other value in arithmetic stays refused.
TEST(ShellChangedValuesTest, OrdinaryTemplatesRunInEveryLoginShell) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString git = "git -c user.name=T -c user.email=t@example.invalid";
    struct Case {
        QString text;
        QString value;
        QString expected;  // "%" stands for the folder
    };
    const Case cases[] = {
        {"date -d {{a}} +%F | grep -qx \"$(date +%F)\" && echo heute", "-1 second", "heute\n"},
        {"cd / && cd {{a}} >/dev/null && pwd", "-", "%\n"},
        {"rm -rf r && " + git + " init -q r && cd r && " + git +
             " commit -q --allow-empty -m x && git checkout -q -b eins && git checkout -q -b "
             "zwei && git checkout -q {{a}} && git branch --show-current",
         "-", "eins\n"},
        {"echo $(( {{a}} + 1 ))", "41", "42\n"},
        {"echo $(( {{a}} + 1 ))", "-7", "-6\n"},
        {"(( {{a}} > 3 )) && echo ja", "41", "ja\n"},
        {"n={{a}}; echo $(( n * 2 ))", "-7", "-14\n"},
        {"[[ {{a}} -lt 0 ]] && echo negativ", "-7", "negativ\n"},
        // a quoted variable is one word, whatever blanks and "-" the value holds
        {"x={{a}}; echo \"$x\" | grep -c \"$x\"", "Fix -x", "1\n"},
    };
    for (const Case& c : cases) {
        const auto script = ShellCommand::script(c.text, {{"a", c.value}});
        ASSERT_TRUE(script) << c.text.toStdString() << " with " << c.value.toStdString();
        for (const char* shell : shells) {
            const ShellRun run = runInShell(*script, folder.path(), shell);
            EXPECT_EQ(run.output.toStdString(),
                      QString(c.expected).replace("%", folder.path()).toStdString())
                << shell << ": " << c.text.toStdString();
        }
        if (!c.text.contains("$((") && !c.text.contains("[[") && !c.text.contains("(("))
            continue;
        // octal, a sign bash reads as an operator, a sum, a subscript that runs a command
        for (const QString other : {"010", "+5", "1+1", "a[$(touch canary)]"})
            EXPECT_FALSE(ShellCommand::script(c.text, {{"a", other}}))
                << c.text.toStdString() << " with " << other.toStdString();
    }
}

// The refusal names the program and the word as written, and advises only what works for
// that program and that word: "--" for sort (never glued to "-r", which takes no word),
// "--end-of-options" for git, "./" for a file name of find, sox or vim, the input for perl,
// which opens "./name |" through a shell all the same; for a program nobody knows, forms of
// the template that run (`form`, with `formValue` where the value changes too); otherwise
// that the template must change.
TEST(ShellChangedValuesTest, TheOptionRefusalSaysWhatWorksForTheProgram) {
    struct Case {
        const char* text;
        const char* value;
        const char* message;
        const char* form = nullptr;
        const char* formValue = nullptr;
    };
    const Case cases[] = {
        {"sort -r {{a}} notizen.txt", "-o/tmp/x",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ beginnt mit „-“, und „sort“ "
         "würde „{{a}}“ als Option lesen. Schreib „--“ davor; danach liest „sort“ keine Optionen "
         "mehr."},
        {"echo {{a}} | xargs -I{} sort -r {} notizen.txt", "-o/tmp/x",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ beginnt mit „-“, und „sort“ "
         "würde „{}“ als Option lesen. Schreib „--“ davor; danach liest „sort“ keine Optionen "
         "mehr."},
        {"echo {{a}} | xargs sort -r", "-o/tmp/x",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ beginnt mit „-“, und „sort“ "
         "würde ihn als Option lesen, wenn „xargs sort -r“ ihn anhängt. Schreib „--“ an das Ende "
         "von „xargs sort -r“; danach liest „sort“ keine Optionen mehr."},
        {"echo {{a}} | xargs sort -r", "notizen.txt -o/tmp/x",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ beginnt mit „-“, und „sort“ "
         "würde ihn als Option lesen, wenn „xargs sort -r“ ihn anhängt. Schreib „--“ an das Ende "
         "von „xargs sort -r“; danach liest „sort“ keine Optionen mehr."},
        {"x={{a}}; git log --author $x", "ich --output=/tmp/x",
         "Der Befehl wurde nicht ausgeführt: Ein Wort im Wert von „{{a}}“ beginnt mit „-“, und "
         "„git log“ würde es als Option lesen, weil „$x“ den Wert in Wörter teilt. Setz den "
         "Platzhalter oder die Variable, die ihn enthält, in doppelte Anführungszeichen, damit "
         "der Wert ein einziges Wort bleibt."},
        {"perl -ne 'print' {{a}}", "touch /tmp/x |  ",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ endet mit „|“ (Leerzeichen am "
         "Rand zählen nicht), und „perl“ würde „{{a}}“ als Befehl ausführen. Der Befehl muss "
         "dafür geändert werden: Gib „perl“ die Datei über die Eingabe („< {{a}}“), dann öffnet "
         "„perl“ sie nicht selbst."},
        {"sox {{a}} out.wav", "|touch /tmp/x",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ beginnt mit „|“, und „sox“ "
         "würde „{{a}}“ als Befehl ausführen. Ist der Wert ein relativer Pfad, schreib „./“ "
         "davor: „./{{a}}“."},
        {"sox {{a}} out.wav", "https://x.example/$(touch /tmp/x)",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ ist eine Adresse mit „$“, und "
         "„sox“ würde „{{a}}“ über die Shell abrufen, für die „$“ mehr als Text ist. Der Befehl "
         "muss dafür geändert werden: Lade die Adresse zuerst in eine Datei (etwa mit „curl -o“) "
         "und gib „sox“ die Datei."},
        {"find {{a}} -name '*.log' -delete", "!",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ ist „!“, und „find“ würde "
         "„{{a}}“ als Teil seines Ausdrucks lesen, nicht als Pfad. Ist der Wert ein relativer "
         "Pfad, schreib „./“ davor: „./{{a}}“."},
        // a number or a line of text is no path: "./" would not help
        {"find {{a}} -name '*.log'", "-5 Grad",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ beginnt mit „-“, und „find“ "
         "würde „{{a}}“ als Option lesen. Der Befehl muss dafür geändert werden: Setz den "
         "Platzhalter dort ein, wo „find“ nur Text liest."},
        {"x={{a}}; git log \"${x#./}\"", "./--output=/tmp/x.txt",
         "Der Befehl wurde nicht ausgeführt: „\"${x#./}\"“ macht aus dem Wert von „{{a}}“ "
         "einen Text, der mit „-“ beginnen kann, und „git log“ würde ihn als Option lesen. "
         "Schreib „--end-of-options“ davor; danach liest „git log“ keine Optionen mehr."},
        {"find {{a}} -name '*.log'", "-delete",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ beginnt mit „-“, und „find“ "
         "würde „{{a}}“ als Option lesen. Ist der Wert ein relativer Pfad, schreib „./“ davor: "
         "„./{{a}}“."},
        // git grep, checkout, stash and bisect do not take "--end-of-options"
        {"git grep {{a}}", "-O",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ beginnt mit „-“, und „git "
         "grep“ würde „{{a}}“ als Option lesen. Schreib „-e“ davor; dann liest „git grep“ den "
         "Wert als Muster."},
        {"git checkout {{a}}", "-f",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ beginnt mit „-“, und „git "
         "checkout“ würde „{{a}}“ als Option lesen. Der Befehl muss dafür geändert werden: Setz "
         "den Platzhalter dort ein, wo „git checkout“ nur Text liest."},
        {"find \"$(dirname -- {{a}})\" -name '*.log'", "-delete/x",
         "Der Befehl wurde nicht ausgeführt: „\"$(dirname -- {{a}})\"“ macht aus dem Wert von "
         "„{{a}}“ einen Text, der mit „-“ beginnen kann, und „find“ würde ihn als Option lesen. "
         "Der Befehl muss dafür geändert werden: Setz den Platzhalter dort ein, wo „find“ nur "
         "Text liest."},
        // a program nobody knows: no phone number is called a command, and the forms named run
        {"kdeconnect-x --destination {{a}}", "+4917612345678",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ beginnt mit „+“, und "
         "„kdeconnect-x“ kennt Tavrin nicht – andere Programme lesen „{{a}}“ dann als Option oder "
         "als Anweisung, nicht als Text. So führt Tavrin den Befehl aus: „--destination={{a}}“ "
         "statt „--destination {{a}}“, „+{{a}}“ mit dem Wert ohne „+“, Text des Befehls vor dem "
         "Platzhalter oder der Wert über die Eingabe („printf '%s\\n' {{a}} | kdeconnect-x“), "
         "wenn „kdeconnect-x“ ihn dort liest.",
         "kdeconnect-x --destination={{a}}"},
        {"mytool -h {{a}}", "+30",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ beginnt mit „+“, und „mytool“ "
         "kennt Tavrin nicht – andere Programme lesen „{{a}}“ dann als Option oder als Anweisung, "
         "nicht als Text. So führt Tavrin den Befehl aus: „+{{a}}“ mit dem Wert ohne „+“, Text des "
         "Befehls vor dem Platzhalter oder der Wert über die Eingabe („printf '%s\\n' {{a}} | "
         "mytool“), wenn „mytool“ ihn dort liest.",
         "mytool -h +{{a}}", "30"},
        {"mytool -s {{a}} anna@example.org", "-20 % Rabatt",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ beginnt mit „-“, und „mytool“ "
         "kennt Tavrin nicht – andere Programme lesen „{{a}}“ dann als Option oder als Anweisung, "
         "nicht als Text. So führt Tavrin den Befehl aus: Text des Befehls vor dem Platzhalter "
         "oder der Wert über die Eingabe („printf '%s\\n' {{a}} | mytool“), wenn „mytool“ ihn "
         "dort liest.",
         "printf '%s\\n' {{a}} | mytool -s Angebot anna@example.org"},
        // an empty value: the template's text after it begins the word
        {"sort {{a}}-o/tmp/x notizen.txt", "",
         "Der Befehl wurde nicht ausgeführt: Der Wert von „{{a}}“ ist leer, und dann beginnt "
         "„{{a}}-o/tmp/x“ mit „-“, was „sort“ nicht als Text liest. Der Befehl muss dafür geändert "
         "werden: Setz den Platzhalter dort ein, wo auch ein leerer Wert nur Text ergibt."},
    };
    for (const Case& c : cases) {
        const auto prepared = ShellCommand::prepare(c.text, {{"a", c.value}});
        const auto* refusal = std::get_if<ShellCommand::Refusal>(&prepared);
        ASSERT_TRUE(refusal) << c.text << " ran";
        EXPECT_EQ(ShellCommand::refusalMessage(*refusal).toStdString(), c.message);
        if (c.form) {
            EXPECT_TRUE(ShellCommand::script(c.form, {{"a", c.formValue ? c.formValue : c.value}}))
                << c.form;
        }
    }
}
