#include <QRegularExpression>

#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

// The unquoted command line: words, operators, redirections, subshells and lists, and the
// here-documents whose delimiters it names.

using namespace ShellWords;

// "<<" (not "<<<") makes the next word a here-document's delimiter.
void ShellTemplateReader::settleLessThanSigns() {
    if (lessThanRun_ == 2 && frames_.back().kind == Kind::command)
        frames_.back().hereOperator = true;
    lessThanRun_ = 0;
}

// A line of commands ended: the bodies of its here-documents follow, one after the other.
void ShellTemplateReader::lineEnded() {
    if (hereDocuments_.empty())
        return;
    const HereDocument document = hereDocuments_.front();
    hereDocuments_.erase(hereDocuments_.begin());
    push(Kind::hereDocument);
    Frame& body = frames_.back();
    body.delimiter = document.delimiter;
    body.quotedDelimiter = document.quoted;
    body.stripTabs = document.stripTabs;
}

void ShellTemplateReader::endWord(Frame& frame) {
    if (!frame.inWord)
        return;
    if (std::exchange(frame.redirect, false)) {
        noteWord(frame, true);
        // A redirection's target is neither the command nor one of its arguments.
        if (std::exchange(frame.hereOperator, false)) {
            const bool quoted = frame.word.contains(QLatin1Char('\'')) ||
                                frame.word.contains(QLatin1Char('"')) ||
                                frame.word.contains(QLatin1Char('\\'));
            hereDocuments_.push_back(
                {unquoted(frame.word), quoted, std::exchange(frame.stripTabs, false)});
        }
        frame.duplicates = false;
        frame.word.clear();
        frame.substitutions.clear();
        frame.inWord = false;
        return;
    }
    if (frame.arrayList && frame.listOpened) {
        // An element of "name=( … )": a value, neither the command nor its argument.
        frame.word.clear();
        frame.substitutions.clear();
        frame.inWord = false;
        return;
    }
    frame.listOpened = frame.arrayList;
    noteWord(frame, false);
    const ShellValueFlow::Values values = valuesOfWord(frame);
    given_ |= values;
    frame.wordValues.append(values);
    frame.substitutions.clear();
    frame.words.append(frame.word);
    const qsizetype end = source_.size() - (reading_ ? 1 : 0);
    frame.written.append(source_.mid(frame.wordStart, end - frame.wordStart));
    const QString word = unquoted(frame.word);
    if (commandIndex(frame.words) == frame.words.size() - 1) {
        if (word == QLatin1String("case"))
            ++frame.cases;
        else if (word == QLatin1String("esac") && frame.cases > 0)
            --frame.cases;
        else if (word == QLatin1String("[["))
            frame.conditional = true;
    } else if (frame.conditional && word == QLatin1String("]]")) {
        frame.conditional = false;
    }
    frame.word.clear();
    frame.inWord = false;
}

void ShellTemplateReader::endCommand(Frame& frame) {
    endWord(frame);
    if (namesFromExpansions(frame.words) && !std::exchange(evaluatesVariables_, true)) {
        const qsizetype index = commandIndex(frame.words);
        namesConstruct_ = index >= 0 ? unquoted(frame.words[index]) : QString();
    }
    checkCommand(frame);
    if ((!frame.words.isEmpty() || frame.redirected) &&
        (frame.redirected || !printsOnlyItsOwn(frame.words)))
        frame.printsKept = true;
    frame.redirected = false;
    frame.words.clear();
    frame.written.clear();
    frame.wordValues.clear();
    frame.arrayList = false;
    frame.listOpened = false;
    frame.redirect = false;
    frame.duplicates = false;
    frame.hereOperator = false;
    frame.stripTabs = false;
    frame.conditional = false;
}

// The values a word may hold: its own, those of the variables it expands and what its
// command substitutions may print.
ShellValueFlow::Values ShellTemplateReader::valuesOfWord(const Frame& frame) const {
    static const QRegularExpression reference(QStringLiteral("tavrin_value_([0-9]+)"));
    ShellValueFlow::Values values = flow_.valuesIn(frame.word);
    for (auto found = reference.globalMatch(frame.word); found.hasNext();) {
        const qsizetype number = found.next().captured(1).toLongLong();
        if (number >= 1 && number <= flow_.valueCount)
            values.insert(number);
    }
    for (const ShellValueFlow::Values& substitution : frame.substitutions)
        values |= substitution;
    return values;
}

ShellValueFlow::Values ShellTemplateReader::storedValues() const {
    if (!runsAgain_)
        return given_;
    ShellValueFlow::Values all;
    for (qsizetype number = 1; number <= flow_.valueCount; ++number)
        all.insert(number);
    return all;
}

void ShellTemplateReader::startRedirection(Frame& frame) {
    static const QRegularExpression descriptor(
        QStringLiteral("^([0-9]+|\\{[A-Za-z_][A-Za-z0-9_]*\\})$"));
    if (frame.inWord && descriptor.match(frame.word).hasMatch()) {
        frame.word.clear();  // "2>", "{fd}>": the number belongs to the operator
        frame.inWord = false;
    } else {
        endWord(frame);
    }
    frame.redirect = true;
    frame.redirected = true;
}

void ShellTemplateReader::finish() {
    for (Frame& frame : frames_) {
        if (frame.kind == Kind::command)
            endCommand(frame);
    }
    for (auto name = flow_.names.cbegin(); name != flow_.names.cend(); ++name) {
        if (isEvaluatedVariable(name.key()))
            evaluatedValues_ |= name.value();
    }
    followInputs();
}

void ShellTemplateReader::stepInCommand(Frame& frame, QChar c) {
    if (escaped_) {
        escaped_ = false;
        frame.word += c;
        frame.inWord = true;
        frame.previous = QChar();
        return;
    }
    const QChar before = std::exchange(frame.previous, c);
    if (std::exchange(frame.ampersand, false) && c != QLatin1Char('>'))
        endCommand(frame);  // "&" ended the command; "&>" redirects
    if (frame.conditional && QStringView(u"&|<>()").contains(c)) {
        // Operators of the test, not of the command line, unless "]]" just ended it.
        endWord(frame);
        if (frame.conditional)
            return;
    }
    if (c == QLatin1Char('<') || c == QLatin1Char('>')) {
        if (c == QLatin1Char('<'))
            ++lessThanRun_;
        else
            settleLessThanSigns();
        startRedirection(frame);
        return;
    }
    settleLessThanSigns();
    if (frame.hereOperator && c == QLatin1Char('-') && before == QLatin1Char('<') &&
        !frame.inWord) {
        frame.stripTabs = true;  // "<<-"
        return;
    }
    if (isBlank(c)) {
        if (c == QLatin1Char('\n') && !frame.arrayList) {
            endCommand(frame);
            lineEnded();
        } else {
            endWord(frame);
        }
        return;
    }
    const bool afterRedirection = before == QLatin1Char('<') || before == QLatin1Char('>');
    if (c == QLatin1Char('&')) {
        if (afterRedirection)
            frame.duplicates = true;  // ">&2"
        else {
            endWord(frame);
            frame.ampersand = true;
        }
        return;
    }
    if (c == QLatin1Char('|') && afterRedirection)
        return;  // ">|"
    if (c == QLatin1Char(';') || c == QLatin1Char('|'))
        return endCommand(frame);
    if (c == QLatin1Char('(')) {
        if (afterRedirection) {
            // "<(…)": a word of this command, which goes on after it.
            frame.redirect = false;
            frame.hereOperator = false;
            frame.word += c;
            frame.inWord = true;
            push(Kind::command);
            frames_.back().processSubstitution = true;
            return;
        }
        if (before == QLatin1Char('(') && !frame.inWord) {
            // "((": an arithmetic command, not a second subshell.
            if (frame.parens > 0)
                --frame.parens;
            return push(Kind::enclosed, QLatin1Char('('), QLatin1Char(')'), 2,
                        QStringLiteral("((…))"));
        }
        if (frame.inWord && opensArrayList(frame.word)) {
            frame.word += c;
            frame.arrayList = true;
            return;
        }
        if (frame.inWord) {
            // Inside a word: a function's "()", or an extended pattern, whose text no value
            // needs to be part of.
            frame.word += c;
            return push(Kind::enclosed, QLatin1Char('('), QLatin1Char(')'), 1,
                        QStringLiteral("(…)"));
        }
        endCommand(frame);
        ++frame.parens;
        return;
    }
    if (c == QLatin1Char(')')) {
        if (frame.arrayList) {
            endWord(frame);
            frame.arrayList = false;
            frame.listOpened = false;
            return;
        }
        endCommand(frame);
        if (frame.parens > 0)
            --frame.parens;
        else if (frame.cases == 0 && frame.nested)
            pop();  // otherwise a case pattern ends here
        return;
    }

    const bool wordStart = !frame.inWord;
    const QString wordBefore = frame.word;
    frame.word += c;
    frame.inWord = true;
    if (c == QLatin1Char('\\')) {
        escaped_ = true;
    } else if (c == QLatin1Char('\'')) {
        push(Kind::singleQuoted);
    } else if (c == QLatin1Char('"')) {
        push(Kind::doubleQuoted);
    } else if (c == QLatin1Char('`')) {
        push(Kind::escaping, {}, QLatin1Char('`'), 0, QStringLiteral("`…`"));
    } else if (c == QLatin1Char('$')) {
        dollar();
    } else if (c == QLatin1Char('#') && wordStart) {
        frame.word.clear();
        frame.inWord = false;
        push(Kind::comment);
    } else if (c == QLatin1Char('[')) {
        if (wordStart && frame.arrayList)
            push(Kind::enclosed, QLatin1Char('['), QLatin1Char(']'), 1,
                 QStringLiteral("[…]="));  // ( [key]=value )
        else if (!wordStart && isName(wordBefore))
            push(Kind::enclosed, QLatin1Char('['), QLatin1Char(']'), 1,
                 wordBefore + QStringLiteral("[…]"));  // name[subscript]
    }
}

// The command at frame `index` gets the path of a process substitution there as its word: the
// values inside reach the commands inside only.
bool ShellTemplateReader::substitutesProcess(qsizetype index) const {
    return index + 1 < qsizetype(frames_.size()) && frames_[index + 1].kind == Kind::command &&
           frames_[index + 1].processSubstitution;
}
