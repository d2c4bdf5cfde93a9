#include <gtest/gtest.h>

#include <optional>

#include "Actions/ShellReadings.h"

// How a program reads one spelling of a word, as far as values make it: the edges a value
// makes (also where it is empty), text nobody can read before bash runs at its worst beside a
// value, addresses, connections, settings.

namespace {

using Reason = ShellCommand::Refusal::Reason;
using Place = ShellTemplateReader::WordPlace;
using Syntax = ShellProgramOptions::NameSyntax;

// A spelled word written as text: each value's text in braces (numbered from 1 in order),
// "…" for text of the template nobody can read yet, "~" for text made from value 1.
ShellWordPieces::Word spelled(const QString& written) {
    ShellWordPieces::Word word;
    qsizetype value = 0;
    for (qsizetype i = 0; i < written.size(); ++i) {
        const QChar c = written[i];
        if (c == QLatin1Char('{')) {
            const qsizetype end = written.indexOf(QLatin1Char('}'), i);
            word.append({written.mid(i + 1, end - i - 1), ++value});
            i = end;
        } else if (c == QChar(0x2026)) {
            word.append({{}, 0, true});
        } else if (c == QLatin1Char('~')) {
            word.append({{}, 0, true, {1}});
        } else if (word.isEmpty() || word.last().value != 0 || word.last().opaque) {
            word.append({QString(c)});
        } else {
            word.last().text += c;
        }
    }
    return word;
}

// The places a row reads its word at, by what the program makes of it.
const Place options{.options = true, .dashOperand = true};
const Place numbers{.options = true, .numbers = true, .dashOperand = true};
const Place echo{.options = true, .echoOnly = true, .dashOperand = true};
const Place perl{.syntax = Syntax::perlOpen};
const Place sox{.syntax = Syntax::soxOpen};
const Place refspec{.refspec = true};
const Place strict{.options = true, .strict = true, .dashOperand = true};
const Place target{.redirection = true};
const Place settings{.settings = true};
const Place make{.options = true, .assignment = true, .expands = true, .dashOperand = true};
const Place pipedOutput{.syntax = Syntax::pipedOutput};

}  // namespace

TEST(ShellReadingsTest, AProgramReadsTheEdgesValuesMakeAndUnknownTextAtItsWorst) {
    struct Case {
        const char* word;
        Place place;
        std::optional<Reason> reason;  // none: read as text
        qsizetype value = 1;
        bool empty = false;
    };
    const Case cases[] = {
        // an empty value leaves the edge to the template's text after it, before it nothing
        {"{}:{main}", refspec, Reason::refspec, 1, true},
        {"x{}:{main}", refspec, std::nullopt},
        {"cmd |{}", perl, Reason::readAsCommand, 1, true},
        {"{cmd |}{}", perl, Reason::readAsCommand},
        // a lone "-" and a negative number, alone or with unknown text after them
        {"{-}", options, std::nullopt},
        {"{-}…", options, Reason::option},
        {"{-5}", numbers, std::nullopt},
        {"{-5}…", numbers, Reason::option},
        {"{-}{o/x}", options, Reason::option},
        // blanks and backslashes that read or xargs drop before it
        {"{  -o/x}", options, Reason::option},
        {"{\\-o/x}", options, Reason::option},
        // echo reads only a whole "-n", "-e" or "-E", or one unknown text may complete
        {"{-n}", echo, Reason::option},
        {"{-n x}", echo, std::nullopt},
        {"{-}…", echo, Reason::option},
        {"x{-n}", echo, std::nullopt},
        // the end of a name perl opens, after unknown text too
        {"…/{x;cmd |}", perl, Reason::readAsCommand},
        {"notes/{x}", perl, std::nullopt},
        {"notes/~", perl, Reason::readAsCommand},
        // an address sox fetches through a shell: known, or unknown text before the value
        {"http://{x$y}/a", sox, Reason::readAsCommand},
        {"…/{x`y`}", sox, Reason::readAsCommand},
        {"notes/{x$y}", sox, std::nullopt},
        // bash opens "/dev/tcp/…" itself where a value makes part of that beginning
        {"/dev/{tcp/h/1}", target, Reason::network},
        {"…/{tcp/h/1}", target, Reason::network},
        {"{/dev/t}…", target, Reason::network},
        {"/dev/tcp/{h}/80", target, Reason::network},
        {"~", target, Reason::network},
        {"…/notes/{tcp/h/1}", target, std::nullopt},
        {"notes/{x}", target, std::nullopt},
        // text made from a value may begin with anything
        {"~", options, Reason::derivedOption},
        {"x~", options, std::nullopt},
        // settings take no text at all; make expands "$" in a setting the template names
        {"{k = v}", settings, Reason::readAsCommand},
        {"{ }", settings, std::nullopt},
        {"CFLAGS={$(shell x)}", make, Reason::readAsCommand},
        {"{CC=x}", make, Reason::readAsCommand},
        // strace's output file: "|command" and "!command" run one
        {"{|cmd}", pipedOutput, Reason::readAsCommand},
        {"{!cmd}", pipedOutput, Reason::readAsCommand},
        {"trace/{|cmd}", pipedOutput, std::nullopt},
        // a program nobody knows: any edge some program reads as syntax
        {"{+30}", strict, Reason::readAsCommand},
        {"{(}", strict, Reason::expression},
        {"x{+30}", strict, std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<ShellCommand::Reading> reading =
            ShellCommand::judge(spelled(QString::fromUtf8(c.word)), c.place);
        ASSERT_EQ(reading.has_value(), c.reason.has_value()) << c.word;
        if (!reading)
            continue;
        EXPECT_EQ(reading->reason, *c.reason) << c.word;
        EXPECT_EQ(reading->value, c.value) << c.word;
        EXPECT_EQ(reading->empty, c.empty) << c.word;
    }
}
