#include <gtest/gtest.h>

#include "Memory/MemoryCommand.h"

namespace {

struct Case {
    QString instruction;
    std::optional<QString> expected;
};

void expectNotes(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        EXPECT_EQ(MemoryCommand::note(c.instruction), c.expected)
            << "instruction: " << c.instruction.toStdString();
    }
}

}  // namespace

TEST(MemoryCommandTest, WorkedExamples) {
    expectNotes({
        {"Merk dir bitte: Black Friday 30 % ab 27.11.", "Black Friday 30 % ab 27.11"},
        {"merk dir, dass der Kunde Müller Rabatt bekommt", "Der Kunde Müller Rabatt bekommt"},
        {"Remember that my flight leaves at 7", "My flight leaves at 7"},
        {"merk dir das für später!", ""},
        {"Bitte merk dir", ""},
        {"Wie war das noch mal?", std::nullopt},
    });
}

// Each phrase in every language, followed by a note; the longer phrases must win over the
// shorter ones they begin with, or a word of the phrase would end up in the note.
TEST(MemoryCommandTest, EveryPhraseIsRemovedWhole) {
    for (const char* phrase :
         {"merk dir bitte",    "merke dir bitte", "bitte merk dir",   "bitte merke dir",
          "merk dir",          "merke dir",       "notier dir",       "notiere dir",
          "remember that",     "remember:",       "please remember",  "remember",
          "keep in mind that", "keep in mind",    "recuerda que",     "recuerda",
          "retiens que",       "retiens",         "souviens-toi que", "ricorda che",
          "ricorda",           "onthoud dat",     "onthoud",          "lembre-se de que",
          "lembre que",        "lembre-se"}) {
        EXPECT_EQ(MemoryCommand::note(QString::fromUtf8(phrase) + " x"), "X") << phrase;
    }
    // A phrase in the middle of the instruction, or none at all, is no command.
    for (const char* instruction :
         {"Bitte sag ihm, er soll sich das merken", "x remember that", "", "   "}) {
        EXPECT_EQ(MemoryCommand::note(QString::fromUtf8(instruction)), std::nullopt) << instruction;
    }
}

// The phrase is a plain prefix of the instruction: no word has to end after it.
TEST(MemoryCommandTest, PhraseNeedsNoWordBoundary) {
    expectNotes({
        {"rememberable things", "Able things"},
        {"merk direkt den Termin", "Ekt den Termin"},
        {"recuerdame el lunes", "Me el lunes"},
        {"onthouden is moeilijk", "En is moeilijk"},
        {"please remembered", "Ed"},
        // ... but it must end between two characters, not inside one.
        {"merk dir\u0301 x", std::nullopt},
    });
}

TEST(MemoryCommandTest, CaseBlanksAndLeadingDass) {
    expectNotes({
        {"  \n MERK DIR: x \t\n", "X"},
        {"merk dir dass x", "X"},
        {"merk dir Dass x", "X"},
        {"merk dir das x", "X"},
        {"merk dir dasselbe", "Dasselbe"},
        {"merk dir dass dass x", "Dass x"},
        {"merk dir, dass\tx", "Dass\tx"},
        {"merk dir das Passwort", "Passwort"},
        {"merk dir – termin am montag", "Termin am montag"},
        {"merk dir -- termin", "Termin"},
        {"merk dir: Termin am 3.", "Termin am 3"},
        {"merk dir: Termin am 3,", "Termin am 3"},
        {"merk dir: Termin am 3 –", "Termin am 3"},
        {"merk dir: erste Zeile\nzweite Zeile", "Erste Zeile\nzweite Zeile"},
        {"merk dir ßtraße", "SStraße"},
        {"merk dir e\u0301clair", "E\u0301clair"},
    });
}

TEST(MemoryCommandTest, CommandsWithoutANoteOfTheirOwn) {
    for (const char* instruction :
         {"merk dir bitte.", "merk dir.", "merk dir", "merk dir das!", "Merk dir DAS!!",
          "merk dir das bitte", "merk dir bitte das", "remember this", "remember that.",
          "please remember that", "remember: for later", "keep in mind, please!",
          "merk dir fu\u0308r später", "merk dir, dass das"}) {
        EXPECT_EQ(MemoryCommand::note(QString::fromUtf8(instruction)), QString()) << instruction;
    }
}

// Asking to keep something "as an action" is a request for the model, which learns a new
// action from it; only a note that says more than that is kept.
TEST(MemoryCommandTest, AsAnActionGoesToTheModel) {
    expectNotes({
        {"merk dir das als Aktion", std::nullopt},
        {"Merk dir das als aktion.", std::nullopt},
        {"bitte merk dir das als Aktion!", std::nullopt},
        {"notier dir das als Aktion", std::nullopt},
        {"remember this as an action", std::nullopt},
        {"remember that as an action", std::nullopt},
        {"recuerda esto como una acción", std::nullopt},
        {"retiens ça comme action", std::nullopt},
        {"ricorda questo come un’azione", std::nullopt},
        {"onthoud dit als actie", std::nullopt},
        {"lembre-se disso como uma ação", std::nullopt},
        // The action's name after a colon is the model's to use.
        {"Merk dir das als Aktion: Befehl ausführen", std::nullopt},
        {"remember this as an action : deploy the site", std::nullopt},
        // Something of its own besides "as an action" is still a note.
        {"merk dir das als Aktion für Rechnungen", "Als Aktion für Rechnungen"},
        {"remember this as an actionable item", "This as an actionable item"},
        {"merk dir Peter als Aktion", "Peter als Aktion"},
    });
}
