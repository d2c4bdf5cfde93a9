#include "Actions/ShellTemplateReader.h"

#include <QRegularExpression>

#include "Actions/ShellWords.h"

using namespace ShellWords;

void ShellTemplateReader::read(QStringView text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        ahead_ = text.mid(i + 1);
        source_ += text[i];
        // Where a word begins in the template, for naming it as written.
        const qsizetype command = &nearestCommand() - frames_.data();
        const bool inWord = frames_[command].inWord;
        reading_ = true;
        step(text[i]);
        reading_ = false;
        if (!inWord && command < qsizetype(frames_.size()) && frames_[command].inWord)
            frames_[command].wordStart = source_.size() - 1;
    }
    ahead_ = {};
}

// A "$" begins an expansion: a variable that may hold a value counts as the value wherever
// bash would evaluate it once more. Arithmetic and subscripts are left to the second look
// over the whole template, which follows variables there itself.
void ShellTemplateReader::dollar() {
    pending_ = Pending::dollar;
    QStringView name = ahead_;
    const bool braced = name.startsWith(QLatin1Char('{'));
    if (zshRules_ && (QStringView(u"~=^").contains(name.left(1)) || name.startsWith(u"{~") ||
                      name.startsWith(u"{=") || name.startsWith(u"{^") || name.startsWith(u"{(")))
        noteReached(Evaluation::code, QStringLiteral("$") + name.left(braced ? 2 : 1).toString(),
                    flow_.everyValue());  // zsh: a pattern, words, or flags such as "(e)"
    if (braced && name.startsWith(u"{!")) {
        // "${!x}" is whatever variable x's text names; "${!#}" the last positional parameter.
        const qsizetype close = name.indexOf(QLatin1Char('}'));
        const ShellValueFlow::Values values =
            flow_.valuesIn(QStringLiteral("$") + name.left(close + 1).toString());
        if (!values.isEmpty())
            evaluated(values);
        return;
    }
    if (braced) {
        name = name.mid(1);
        if (name.startsWith(QLatin1Char('#')))
            name = name.mid(1);
    }
    qsizetype length = nameLength(name);
    if (length == 0 && !name.isEmpty()) {
        if (name[0].isDigit()) {
            length = 1;
            while (braced && length < name.size() && name[length].isDigit())
                ++length;
        } else if (name[0] == QLatin1Char('@') || name[0] == QLatin1Char('*')) {
            length = 1;
        }
    }
    if (length == 0)
        return;
    const ShellValueFlow::Values values = flow_.valuesOf(name.left(length).toString());
    if (!values.isEmpty())
        evaluated(values);
}

// Values a variable brings in here: carried by the command, and evaluated where bash evaluates
// the word once more.
void ShellTemplateReader::evaluated(const ShellValueFlow::Values& values) {
    innermostCommand().carried |= values;
    if (const std::optional<QString> construct = variableEvaluatedHere()) {
        evaluatedValues_ |= values;
        if (evaluatedConstruct_.isEmpty())
            evaluatedConstruct_ = *construct;
    }
}

std::optional<QString> ShellTemplateReader::variableEvaluatedHere() const {
    for (qsizetype i = 0; i < qsizetype(frames_.size()); ++i) {
        const Frame& frame = frames_[i];
        if (frame.kind == Kind::escaping && frame.closing == QLatin1Char('`'))
            return frame.construct;  // backquotes read backslashes before the inner shell parses
        if (frame.kind == Kind::defaultWord && frame.evaluatedDefault)
            return QStringLiteral("${") + frame.head + QStringLiteral("…}");
        // zsh runs a glob qualifier's code ("*(e:…:)") and reads parentheses in a word so.
        if (zshRules_ && frame.kind == Kind::enclosed && frame.construct == QStringLiteral("(…)"))
            return QStringLiteral("(e:…:)");
        if (frame.kind != Kind::command || frame.redirect || substitutesProcess(i))
            continue;
        if (const std::optional<Finding> finding = commandRereads(frame))
            return finding->construct;
    }
    return std::nullopt;
}

// What an enclosing construct does with a value inside: arithmetic and subscripts compute
// it; the rest (operators of "${…}", backquotes, $'…', patterns) the reader does not follow.
std::optional<ShellTemplateReader::Finding> ShellTemplateReader::enclosedFinding(
    const Frame& frame) const {
    if (frame.kind != Kind::enclosed && frame.kind != Kind::escaping)
        return std::nullopt;
    const QString& construct = frame.construct;
    const bool arithmetic =
        construct.startsWith(QLatin1String("((")) || construct.startsWith(QLatin1String("$((")) ||
        construct.startsWith(QLatin1String("$[")) || construct.startsWith(QLatin1Char('['));
    return Finding{arithmetic ? Evaluation::arithmetic : Evaluation::unmodelled, construct, {}};
}

ShellTemplateReader::Frame& ShellTemplateReader::innermostCommand() {
    for (auto frame = frames_.rbegin(); frame != frames_.rend(); ++frame) {
        if (frame->kind == Kind::command)
            return *frame;
    }
    return frames_.front();
}

ShellTemplateReader::Place ShellTemplateReader::placeOfValue() {
    if (Frame& top = frames_.back(); top.kind == Kind::command) {
        settleLessThanSigns();
        if (std::exchange(top.ampersand, false))
            endCommand(top);
    }
    if (pending_ == Pending::dollarParen) {
        pending_ = Pending::none;
        push(Kind::command);
    }
    dollarName_ = false;
    if (pending_ == Pending::dollar) {
        refusal_ = {Evaluation::unmodelled, QStringLiteral("$"), {}};
        return Place::refused;
    }
    // "${f[{{a}}]}" with f an associative array: the key is a word, expanded once.
    static const QRegularExpression keyOpened(QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)\\[$"));
    Frame& last = frames_.back();
    // "m[{{a}}]=2" likewise, as a command's assignment; the second look refuses the subscript
    // where no "=" follows it.
    static const QRegularExpression elementOpened(
        QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*)\\[…\\]$"));
    static const QRegularExpression assignmentWord(
        QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*(\\[[^\\]]*\\])?\\+?="));
    if (last.kind == Kind::enclosed && last.opening == QLatin1Char('[') && last.depth == 1 &&
        frames_.size() >= 2 && frames_[frames_.size() - 2].kind == Kind::command) {
        const Frame& command = frames_[frames_.size() - 2];
        const QRegularExpressionMatch match = elementOpened.match(last.construct);
        if (match.hasMatch() && associativeNames_.holdsAt(match.captured(1), command.wordStart) &&
            std::all_of(command.words.cbegin(), command.words.cend(),
                        [](const QString& word) { return assignmentWord.match(word).hasMatch(); }))
            return placeOfLookup();
    }
    if (last.kind == Kind::enclosed && last.construct == QStringLiteral("${…}") &&
        last.depth == 1 && !last.lookup && last.word.isEmpty()) {
        const QRegularExpressionMatch match = keyOpened.match(last.head);
        const bool alone = std::count_if(frames_.cbegin(), frames_.cend(), [](const Frame& frame) {
                               return frame.kind == Kind::enclosed || frame.kind == Kind::escaping;
                           }) == 1;
        if (match.hasMatch() && associativeNames_.holdsAt(match.captured(1), source_.size()) &&
            alone) {
            last.lookup = true;
            return placeOfLookup();
        }
        // Any other array's subscript is arithmetic: a plain integer computes as itself.
        if (match.hasMatch() && alone && placeOfLookup() == Place::word) {
            refusal_ = {Evaluation::arithmetic,
                        QStringLiteral("${") + match.captured(1) + QStringLiteral("[…]}"),
                        {}};
            return Place::refused;
        }
    }
    for (qsizetype i = 0; i < qsizetype(frames_.size()); ++i) {
        const Frame& frame = frames_[i];
        // A command substitution inside arithmetic: what reaches the arithmetic is its output,
        // which the second look may show to be a number whatever it reads.
        if (frame.kind == Kind::enclosed &&
            (frame.construct.endsWith(QStringLiteral("((…))")) ||
             frame.construct == QStringLiteral("$[…]")) &&
            std::any_of(frames_.cbegin() + i + 1, frames_.cend(),
                        [](const Frame& inner) { return inner.kind == Kind::command; }))
            continue;
        if (frame.kind == Kind::enclosed || frame.kind == Kind::escaping) {
            refusal_ = *enclosedFinding(frame);
            return Place::refused;
        }
        if (frame.kind == Kind::defaultWord && frame.evaluatedDefault) {
            refusal_ = {
                Evaluation::code, QStringLiteral("${") + frame.head + QStringLiteral("…}"), {}};
            return Place::refused;
        }
        if (frame.kind == Kind::doubleQuoted && frame.construct == QStringLiteral("$\"…\"")) {
            refusal_ = {Evaluation::unmodelled, frame.construct, {}};
            return Place::refused;
        }
        if (frame.kind != Kind::command || substitutesProcess(i))
            continue;
        if (frame.redirect) {
            // A redirection's target is a file name, not an argument of the command; bash
            // expands the target of ">&" a second time, and a here-document's delimiter is
            // never expanded at all.
            if (frame.duplicates) {
                refusal_ = {Evaluation::unmodelled, QStringLiteral(">&"), {}};
                return Place::refused;
            }
            if (frame.hereOperator) {
                refusal_ = {Evaluation::unmodelled, QStringLiteral("<<"), {}};
                return Place::refused;
            }
            continue;
        }
        if (const std::optional<Finding> finding = commandRereads(frame)) {
            refusal_ = *finding;
            return Place::refused;
        }
    }
    const Frame& top = frames_.back();
    switch (top.kind) {
        case Kind::command:
            return Place::word;
        case Kind::singleQuoted:
            return Place::singleQuoted;
        case Kind::doubleQuoted:
            return Place::doubleQuoted;
        case Kind::defaultWord:
            return top.inDoubleQuotes ? Place::doubleQuoted : Place::word;
        case Kind::hereDocument:
            return top.quotedDelimiter ? Place::quotedHereDocument : Place::hereDocument;
        case Kind::comment:
            return Place::comment;
        case Kind::escaping:
        case Kind::enclosed:
            break;
    }
    return Place::refused;
}

void ShellTemplateReader::valueInserted(const QString& reference, QStringView placeholder) {
    static const QRegularExpression number(QStringLiteral("tavrin_value_([0-9]+)"));
    if (const QRegularExpressionMatch match = number.match(reference); match.hasMatch()) {
        innermostCommand().carried.insert(match.captured(1).toLongLong());
        given_.insert(match.captured(1).toLongLong());  // wherever it stands: a here-string too
    }
    masked_ += placeholder;
    pending_ = Pending::none;
    escaped_ = false;
    Frame& command = nearestCommand();
    if (!command.inWord)
        command.wordStart = source_.size();
    source_ += placeholder;
    command.word += reference;
    command.inWord = true;
    frames_.back().previous = QChar();
}

void ShellTemplateReader::push(Kind kind, QChar opening, QChar closing, int depth,
                               const QString& construct) {
    Frame frame;
    frame.construct = construct;
    frame.kind = kind;
    frame.nested = true;
    frame.opening = opening;
    frame.closing = closing;
    frame.depth = depth;
    frames_.push_back(frame);
}

void ShellTemplateReader::pop() {
    if (frames_.size() == 1)
        return;
    const Frame closed = std::move(frames_.back());
    frames_.pop_back();
    // A closed quote or expansion is part of the word it stands in.
    if (closed.kind != Kind::comment && closed.kind != Kind::hereDocument)
        nearestCommand().inWord = true;
    if (closed.kind == Kind::command) {
        // A command substitution: its output may carry what it got.
        Frame& outer = nearestCommand();
        const ShellValueFlow::Values printed =
            closed.carried | (closed.printsKept ? storedValues() : ShellValueFlow::Values{});
        outer.substitutions.append(printed);
        innermostCommand().carried |= printed;
    }
}

ShellTemplateReader::Frame& ShellTemplateReader::nearestCommand() {
    for (auto frame = frames_.rbegin(); frame != frames_.rend(); ++frame) {
        if (frame->kind == Kind::command || frame->kind == Kind::hereDocument)
            return *frame;
    }
    return frames_.front();
}

// Whether bash reads `c`, the next character, as plain text: inside '…', a comment or a
// quoted here-document, and inside "…" or a here-document except for what starts or names
// an expansion.
bool ShellTemplateReader::plainCharacter(QChar c) const {
    if (pending_ != Pending::none)
        return false;
    const Frame& top = frames_.back();
    switch (top.kind) {
        case Kind::singleQuoted:
            return c != QLatin1Char('\'');
        case Kind::comment:
            return c != QLatin1Char('\n');
        case Kind::hereDocument:
            if (top.quotedDelimiter)
                return c != QLatin1Char('\n');
            [[fallthrough]];
        case Kind::doubleQuoted:
            if (escaped_)
                return true;
            if (c == QLatin1Char('$') || c == QLatin1Char('`') || c == QLatin1Char('\\') ||
                c == QLatin1Char('\n') || (c == QLatin1Char('"') && top.kind == Kind::doubleQuoted))
                return false;
            return !(dollarName_ && isNameCharacter(c));
        case Kind::command:
        case Kind::escaping:
        case Kind::enclosed:
        case Kind::defaultWord:
            break;
    }
    return false;
}

bool ShellTemplateReader::joinsLines() const {
    if (escaped_)
        return false;
    const Frame& frame = frames_.back();
    switch (frame.kind) {
        case Kind::singleQuoted:
        case Kind::comment:
            return false;
        case Kind::escaping:
            return frame.closing == QLatin1Char('`');
        case Kind::hereDocument:
            return !frame.quotedDelimiter;
        default:
            return true;
    }
}

void ShellTemplateReader::step(QChar c) {
    masked_ += plainCharacter(c) ? QChar(QLatin1Char(' ')) : c;
    if (dollarName_ && !isNameCharacter(c))
        dollarName_ = false;
    if (pending_ == Pending::dollar) {
        pending_ = Pending::none;
        Frame& command = nearestCommand();
        if (c == QLatin1Char('(')) {
            command.word += c;
            pending_ = Pending::dollarParen;
            return;
        }
        if (c == QLatin1Char('{') || c == QLatin1Char('[')) {
            command.word += c;
            push(Kind::enclosed, c, c == QLatin1Char('{') ? QLatin1Char('}') : QLatin1Char(']'), 1,
                 c == QLatin1Char('{') ? QStringLiteral("${…}") : QStringLiteral("$[…]"));
            frames_.back().readsHead = c == QLatin1Char('{');
            return;
        }
        if (c == QLatin1Char('\'') &&
            (frames_.back().kind == Kind::command ||
             (frames_.back().kind == Kind::defaultWord && !frames_.back().inDoubleQuotes))) {
            command.word += c;
            return push(Kind::escaping, {}, QLatin1Char('\''), 0, QStringLiteral("$'…'"));
        }
        if (c == QLatin1Char('"') && frames_.back().kind == Kind::command) {
            // $"…": bash may replace the text by a translation before it expands it.
            command.word += c;
            command.inWord = true;
            return push(Kind::doubleQuoted, {}, {}, 0, QStringLiteral("$\"…\""));
        }
        if (c == QLatin1Char('_') || (c.unicode() < 128 && c.isLetter()))
            dollarName_ = true;
    } else if (pending_ == Pending::dollarParen) {
        pending_ = Pending::none;
        if (c == QLatin1Char('(')) {
            nearestCommand().word += c;
            return push(Kind::enclosed, QLatin1Char('('), QLatin1Char(')'), 2,
                        QStringLiteral("$((…))"));
        }
        push(Kind::command);
    }

    Frame& frame = frames_.back();
    if (frame.kind != Kind::command && frame.kind != Kind::comment) {
        Frame& command = nearestCommand();
        command.word += c;
        command.inWord = true;
    }
    switch (frame.kind) {
        case Kind::singleQuoted:
            if (c == QLatin1Char('\''))
                pop();
            return;
        case Kind::comment:
            if (c == QLatin1Char('\n')) {
                pop();
                endCommand(nearestCommand());
                lineEnded();
            }
            return;
        case Kind::escaping:
            if (escaped_)
                escaped_ = false;
            else if (c == QLatin1Char('\\'))
                escaped_ = true;
            else if (c == frame.closing)
                pop();
            return;
        case Kind::enclosed:
            stepInEnclosed(frame, c);
            return;
        case Kind::defaultWord:
            stepInside(frame, c);
            return;
        case Kind::hereDocument:
            stepInHereDocument(frame, c);
            return;
        case Kind::doubleQuoted:
            if (escaped_)
                escaped_ = false;
            else if (c == QLatin1Char('\\'))
                escaped_ = true;
            else if (c == QLatin1Char('"'))
                pop();
            else if (c == QLatin1Char('`'))
                push(Kind::escaping, {}, QLatin1Char('`'), 0, QStringLiteral("`…`"));
            else if (c == QLatin1Char('$'))
                dollar();
            return;
        case Kind::command:
            stepInCommand(frame, c);
            return;
    }
}

// Quotes inside are followed, so that a closing character in quotes does not end the
// construct early: reading it as open for longer only refuses more. "${name:-" and its kin
// turn out to be a default word, expanded once like any other.
// The key of an associative array is read like a word inside the quotes around the
// expansion, when the frames outside it let a value stand at all.
ShellTemplateReader::Place ShellTemplateReader::placeOfLookup() {
    for (qsizetype i = 0; i < qsizetype(frames_.size()); ++i) {
        const Frame& frame = frames_[i];
        if (frame.kind == Kind::defaultWord && frame.evaluatedDefault) {
            refusal_ = {
                Evaluation::code, QStringLiteral("${") + frame.head + QStringLiteral("…}"), {}};
            return Place::refused;
        }
        if (frame.kind != Kind::command || frame.redirect || substitutesProcess(i))
            continue;
        if (const std::optional<Finding> finding = commandRereads(frame)) {
            refusal_ = *finding;
            return Place::refused;
        }
    }
    return Place::word;
}

void ShellTemplateReader::stepInEnclosed(Frame& frame, QChar c) {
    if (frame.lookup) {
        // Only "]}" or a default ("]:-x}") may follow the key: any other operator would do more
        // with it than look it up. A default's word is expanded once, like any word.
        static const QStringList endings = {"]}", "]-",  "]:-", "]+", "]:+",
                                            "]?", "]:?", "]=",  "]:="};
        frame.lookupRest += c;
        if (frame.lookupRest.size() > 1 && endings.mid(1).contains(frame.lookupRest)) {
            const Frame& outside = frames_[frames_.size() - 2];
            frame.kind = Kind::defaultWord;
            frame.readsHead = false;
            frame.lookup = false;
            frame.inDoubleQuotes = outside.kind == Kind::doubleQuoted ||
                                   outside.kind == Kind::hereDocument ||
                                   (outside.kind == Kind::defaultWord && outside.inDoubleQuotes);
            return;
        }
        if (std::none_of(endings.cbegin(), endings.cend(), [&](const QString& ending) {
                return ending.startsWith(frame.lookupRest);
            })) {
            static const QRegularExpression anyValue(QStringLiteral("tavrin_value_([0-9]+)"));
            ShellValueFlow::Values values;
            for (auto found = anyValue.globalMatch(nearestCommand().word); found.hasNext();)
                values.insert(found.next().captured(1).toLongLong());
            noteReached(Evaluation::unmodelled, QStringLiteral("${…}"), values);
            frame.lookup = false;
        }
    }
    if (frame.readsHead) {
        static const QRegularExpression defaultOperator(
            QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*|[0-9]+|[@*#?$!-]):?[-=?+]$"));
        static const QRegularExpression beginning(
            QStringLiteral("^([A-Za-z_][A-Za-z0-9_]*|[0-9]+|[@*#?$!-])?:?$"));
        frame.head += c;
        if (const QRegularExpressionMatch match = defaultOperator.match(frame.head);
            match.hasMatch()) {
            const Frame& outside = frames_[frames_.size() - 2];
            frame.kind = Kind::defaultWord;
            frame.readsHead = false;
            frame.evaluatedDefault =
                frame.head.endsWith(QLatin1Char('=')) && isEvaluatedVariable(match.captured(1));
            frame.inDoubleQuotes = outside.kind == Kind::doubleQuoted ||
                                   outside.kind == Kind::hereDocument ||
                                   (outside.kind == Kind::defaultWord && outside.inDoubleQuotes);
            return;
        }
        frame.readsHead = beginning.match(frame.head).hasMatch();
    }
    stepInside(frame, c);
}

// Inside an enclosed construct, or the word of a default (whose frame is still the "${…}" it
// began as): quotes and expansions are followed, and the construct ends with the closing
// character that matches its opening. The word of a default inside "…" is read as "…" is, so
// a single quote there is a plain character; an enclosed construct never has inDoubleQuotes.
void ShellTemplateReader::stepInside(Frame& frame, QChar c) {
    if (escaped_)
        escaped_ = false;
    else if (c == QLatin1Char('\\'))
        escaped_ = true;
    else if (c == QLatin1Char('\'') && !frame.inDoubleQuotes)
        push(Kind::singleQuoted);
    else if (c == QLatin1Char('"'))
        push(Kind::doubleQuoted);
    else if (c == QLatin1Char('`'))
        push(Kind::escaping, {}, QLatin1Char('`'), 0, QStringLiteral("`…`"));
    else if (c == QLatin1Char('$'))
        dollar();
    else if (c == frame.opening)
        ++frame.depth;
    else if (c == frame.closing && --frame.depth == 0)
        pop();
}

// The body's current line is the frame's word; the line that is the delimiter ends it.
void ShellTemplateReader::stepInHereDocument(Frame& frame, QChar c) {
    if (!frame.quotedDelimiter) {
        if (escaped_) {
            escaped_ = false;
            if (c == QLatin1Char('\n'))
                frame.word.chop(2);  // "\" at the end of a line joins it with the next
            return;
        }
        if (c == QLatin1Char('\\')) {
            escaped_ = true;
            return;
        }
        if (c == QLatin1Char('`'))
            return push(Kind::escaping, {}, QLatin1Char('`'), 0, QStringLiteral("`…`"));
        if (c == QLatin1Char('$')) {
            dollar();
            return;
        }
    }
    if (c != QLatin1Char('\n'))
        return;
    QString line = frame.word;
    line.chop(1);
    frame.word.clear();
    if (frame.stripTabs) {
        while (line.startsWith(QLatin1Char('\t')))
            line.remove(0, 1);
    }
    if (line == frame.delimiter) {
        pop();
        lineEnded();
    }
}
