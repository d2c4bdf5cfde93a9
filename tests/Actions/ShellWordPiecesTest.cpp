#include <gtest/gtest.h>

#include <QSet>

#include "Actions/ShellWordPieces.h"

// The words bash may make of a word that may carry a value, written here as text with each
// value's text in braces, "…" for text nobody can read before bash runs, "~" for text made
// from values, and " | " between the words one way makes.

namespace {

QString render(const QList<ShellWordPieces::Word>& words) {
    QStringList rendered;
    for (const ShellWordPieces::Word& word : words) {
        QString text;
        for (const ShellWordPieces::Segment& segment : word) {
            if (!segment.derived.isEmpty())
                text += QStringLiteral("~");
            else if (segment.opaque)
                text += QStringLiteral("…");
            else if (segment.value > 0)
                text += QStringLiteral("{%1}").arg(segment.text);
            else
                text += segment.text;
        }
        rendered.append(text);
    }
    return rendered.join(QStringLiteral(" | "));
}

}  // namespace

TEST(ShellWordPiecesTest, AWordIsSpelledInEveryWayBashMaySpellIt) {
    struct Case {
        const char* flow;  // the template, for what its variables may hold
        const char* word;  // as the template reader holds it
        QStringList values;
        QSet<QString> spellings;
    };
    const Case cases[] = {
        // an empty value stays a piece of its word, so the word still begins with it
        {"", "\"${tavrin_value_1}\":\"${tavrin_value_2}\"", {"", "main"}, {"{}:{main}"}},
        // unquoted, a variable's value splits at blanks; quoted, it stays one word
        {"x=${tavrin_value_1}", "$x", {"a -b"}, {"{a} | {-b}", "", "…"}},
        {"x=${tavrin_value_1}", "\"$x\"", {"a -b"}, {"{a -b}", "", "…"}},
        // a value that ends in a blank parts it from the text after it
        {"x=${tavrin_value_1}", "$x'y'", {"a "}, {"{a} | y", "y", "…y"}},
        // a default may be the value it holds or its own word
        {"", "\"${x:-${tavrin_value_1}}\"", {"-"}, {"{-}", "", "…"}},
        // each element of a brace expansion is a word of its own, the later ones after the first
        {"", "{,x}\"${tavrin_value_1}\"", {"-"}, {"{-}", "{-} | x{-}"}},
        {"", "{1,\"${tavrin_value_1}\"}", {"-"}, {"1", "1 | {-}"}},
        // text made from a value may be anything, also split off as a word of its own
        {"", "$(", {"v"}, {"~", "~ | ~", "", "…"}},
        // where the template sets IFS a sign may begin a word
        {"IFS=,; x=${tavrin_value_1}", "$x", {"a,-b"}, {"{a,} | {-b}", "", "…"}},
        // a suffix removed from what the value holds, computed where the pattern is plain
        {"f=${tavrin_value_1}", "\"${f%.jpg}\"-k", {"foto.jpg"}, {"{foto}-k", "-k", "…-k"}},
        {"f=${tavrin_value_1}", "\"${f%%.*}\"", {"a.b.c"}, {"{a}", "", "…"}},
        {"f=${tavrin_value_1}", "\"${f%[ab]}\"", {"xa"}, {"~", "", "…"}},
        // outside quotes a value is a pattern, which may match any name
        {"x=${tavrin_value_1}", "$x", {"*"}, {"~", "~ | ~", "{*}", "", "…"}},
        {"x=${tavrin_value_1}", "\"$x\"", {"*"}, {"{*}", "", "…"}},
        // what read takes line by line is any one line of a value
        {"read -r x <<< ${tavrin_value_1}", "\"$x\"", {"a\n-b"}, {"{a}", "{-b}", "", "…"}},
    };
    for (const Case& c : cases) {
        const ShellValueFlow::Flow flow = ShellValueFlow::follow(c.flow, c.values.size());
        ShellWordPieces::Context context;
        context.substitutions = QList<ShellValueFlow::Values>{{1}};
        context.separators = QString(c.flow).contains(QLatin1String("IFS="));
        QSet<QString> spelled;
        for (const auto& words :
             ShellWordPieces::spellings(ShellWordPieces::read(c.word, flow, context), c.values))
            spelled.insert(render(words));
        EXPECT_EQ(spelled, c.spellings) << c.word;
    }
}
