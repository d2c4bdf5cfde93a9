#include <gtest/gtest.h>

#include "Panel/MarkdownBlock.h"
#include "Panel/MarkdownInline.h"

namespace {

using B = MarkdownBlock;
using Item = MarkdownBlock::Item;

B paragraph(const QString& text) {
    return {B::Paragraph{text}};
}
B list(QList<Item> items) {
    return {B::List{std::move(items)}};
}
Item bullet(const QString& text, int indent = 0) {
    return {indent, std::nullopt, text};
}
Item numbered(const QString& number, const QString& text) {
    return {0, number, text};
}

TEST(MarkdownBlockTest, SplitsRepliesIntoBlocks) {
    struct Case {
        const char* name;
        QString source;
        QList<B> blocks;
    };
    const Case cases[] = {
        {"empty", "", {}},
        {"blank lines only", "\n  \n\t\n", {}},
        {"two lines stay one paragraph", "eins\nzwei", {paragraph("eins\nzwei")}},
        {"a blank line parts them", "eins\n\nzwei", {paragraph("eins"), paragraph("zwei")}},
        {"heading then text", "## Titel\nText", {{B::Heading{2, "Titel"}}, paragraph("Text")}},
        {"second space after the hashes stays", "#  Titel", {{B::Heading{1, " Titel"}}}},
        {"not headings", "#Titel\n###\n####### sieben", {paragraph("#Titel\n###\n####### sieben")}},
        {"continuation line joins the item",
         "- eins\n  weiter\n- zwei",
         {list({bullet("eins\nweiter"), bullet("zwei")})}},
        {"unindented line ends the list",
         "- eins\nweiter",
         {list({bullet("eins")}), paragraph("weiter")}},
        {"indentation levels",
         "- a\n    - b\n        - c\n\t- d",
         {list({bullet("a"), bullet("b", 2), bullet("c", 3), bullet("d", 2)})}},
        {"all bullet markers",
         "* a\n\u2022 b\n+ c",
         {list({bullet("a"), bullet("b"), bullet("c")})}},
        {"numbers end in a dot",
         "1) eins\n12. zwei\n1234. drei",
         {list({numbered("1.", "eins"), numbered("12.", "zwei")}), paragraph("1234. drei")}},
        {"numbers of other scripts and planes",
         "\u0663. arabisch\n\U0001D7CF. fett",
         {list({numbered("\u0663.", "arabisch"), numbered("\U0001D7CF.", "fett")})}},
        {"no space or nothing after the delimiter", "1.x\n2.", {paragraph("1.x\n2.")}},
        {"paragraph then list then quote",
         "Text\n- a\n> zitat",
         {paragraph("Text"), list({bullet("a")}), {B::Quote{"zitat"}}}},
        {"quote lines join", "> eins\n>zwei", {{B::Quote{"eins\nzwei"}}}},
        {"rules", " --- \n***\n___", {{B::Rule{}}, {B::Rule{}}, {B::Rule{}}}},
        {"spaced dashes are a bullet", "- - -", {list({bullet("- -")})}},
        {"tabs become spaces outside code", "a\tb", {paragraph("a    b")}},
        {"paragraph lines are trimmed", "  a  \n b ", {paragraph("a\nb")}},
        {"code keeps tabs and closes on a named fence",
         "```swift\n\tlet x\n```python\nnach",
         {{B::Code{"\tlet x"}}, paragraph("nach")}},
        {"an unclosed fence keeps its lines", "```\neins\nzwei", {{B::Code{"eins\nzwei"}}}},
        {"a fence on the last line", "Text\n```", {paragraph("Text"), {B::Code{""}}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MarkdownBlock::parse(c.source), c.blocks) << c.name;
    }
}

using InlineRun = MarkdownInline::Run;

InlineRun plain(const QString& text) {
    return {text};
}
InlineRun styled(const QString& text, bool strong, bool emphasis, bool strike = false) {
    return {text, strong, emphasis, strike};
}
InlineRun code(const QString& text) {
    return {text, false, false, false, true};
}
InlineRun linked(const QString& text, const char* url) {
    return {text, false, false, false, false, QUrl(url)};
}

TEST(MarkdownInlineTest, StylesRunsAndKeepsWhatDoesNotPair) {
    struct Case {
        const char* name;
        QString source;
        QList<InlineRun> runs;
    };
    const Case cases[] = {
        {"empty", "", {}},
        {"plain keeps breaks and spaces", "a  b\nc", {plain("a  b\nc")}},
        {"emphasis and strong",
         "*a* und **b** und __c__",
         {styled("a", false, true), plain(" und "), styled("b", true, false), plain(" und "),
          styled("c", true, false)}},
        {"strong inside emphasis", "***beides***", {styled("beides", true, true)}},
        {"strike-through", "~~weg~~", {styled("weg", false, false, true)}},
        {"unbalanced markers stay", "**offen und *halb", {plain("**offen und *halb")}},
        {"underscores inside words stay", "snake_case_name", {plain("snake_case_name")}},
        {"spaced stars are no emphasis", "2 * 3 * 4", {plain("2 * 3 * 4")}},
        {"code span", "nimm `a*b*c` hier", {plain("nimm "), code("a*b*c"), plain(" hier")}},
        {"double backticks hold one", "``a ` b``", {code("a ` b")}},
        {"an unclosed backtick is text", "a ` b", {plain("a ` b")}},
        {"escapes", "\\*kein\\* \\q", {plain("*kein* \\q")}},
        {"link", "[Seite](https://example.org/a_b)", {linked("Seite", "https://example.org/a_b")}},
        {"strong link text",
         "[**fett**](http://x.org)",
         {{"fett", true, false, false, false, QUrl("http://x.org")}}},
        {"link with title", "[a](mailto:a@b.de \"Titel\")", {linked("a", "mailto:a@b.de")}},
        {"unsafe scheme shows its source",
         "[klick](javascript:alert(1))",
         {plain("[klick](javascript:alert(1))")}},
        {"file links show their source",
         "[f](file:///etc/passwd)",
         {plain("[f](file:///etc/passwd)")}},
        {"file autolink keeps its brackets", "<file:///etc> x", {plain("<file:///etc> x")}},
        {"no address is no link", "[a] (b)", {plain("[a] (b)")}},
        {"image shows its description", "![Bild](https://x.org/a.png)", {plain("Bild")}},
        {"autolinks",
         "<https://x.org> <a@b.de>",
         {linked("https://x.org", "https://x.org"), plain(" "), linked("a@b.de", "mailto:a@b.de")}},
        {"html stays text", "<b>fett</b>", {plain("<b>fett</b>")}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MarkdownInline::parse(c.source), c.runs) << c.name;
    }
}

}  // namespace

namespace MarkdownInline {
void PrintTo(const Run& run, std::ostream* out) {
    *out << '"' << run.text.toStdString() << '"' << (run.strong ? " strong" : "")
         << (run.emphasis ? " emphasis" : "") << (run.strikethrough ? " strike" : "")
         << (run.code ? " code" : "") << ' ' << run.link.toString().toStdString();
}
}  // namespace MarkdownInline
