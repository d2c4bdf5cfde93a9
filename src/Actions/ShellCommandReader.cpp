#include "Actions/ShellCommandReader.h"

#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <utility>

#include "Actions/ShellWords.h"

namespace ShellValueFlow {

using ShellWords::isBlank;
using ShellWords::unquoted;

static qsizetype skipDouble(QStringView text, qsizetype i);

static qsizetype skipSingle(QStringView text, qsizetype i) {
    while (i < text.size() && text[i] != QLatin1Char('\''))
        ++i;
    return std::min(i + 1, text.size());
}

// `…` and $'…', where a backslash escapes the closing character.
qsizetype skipEscaped(QStringView text, qsizetype i, QChar close) {
    while (i < text.size()) {
        if (text[i] == QLatin1Char('\\'))
            i += 2;
        else if (text[i] == close)
            return i + 1;
        else
            ++i;
    }
    return text.size();
}

static qsizetype skipDouble(QStringView text, qsizetype i) {
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == QLatin1Char('\\')) {
            i += 2;
        } else if (c == QLatin1Char('"')) {
            return i + 1;
        } else if (c == QLatin1Char('$') && i + 1 < text.size() &&
                   (text[i + 1] == QLatin1Char('(') || text[i + 1] == QLatin1Char('{'))) {
            i = skipNested(text, i + 2, text[i + 1]);
        } else if (c == QLatin1Char('`')) {
            i = skipEscaped(text, i + 1, QLatin1Char('`'));
        } else {
            ++i;
        }
    }
    return text.size();
}

qsizetype skipNested(QStringView text, qsizetype i, QChar open) {
    const QChar close = open == QLatin1Char('(') ? QLatin1Char(')') : QLatin1Char('}');
    int depth = 1;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == QLatin1Char('\\')) {
            i += 2;
        } else if (c == QLatin1Char('\'')) {
            i = skipSingle(text, i + 1);
        } else if (c == QLatin1Char('"')) {
            i = skipDouble(text, i + 1);
        } else if (c == QLatin1Char('`')) {
            i = skipEscaped(text, i + 1, QLatin1Char('`'));
        } else if (c == QLatin1Char('$') && i + 1 < text.size() &&
                   (text[i + 1] == QLatin1Char('(') || text[i + 1] == QLatin1Char('{'))) {
            i = skipNested(text, i + 2, text[i + 1]);
        } else if (c == open) {
            ++depth;
            ++i;
        } else if (c == close) {
            if (--depth == 0)
                return i + 1;
            ++i;
        } else {
            ++i;
        }
    }
    return text.size();
}

static bool isOperatorCharacter(QChar c) {
    return QStringView(u";&|()<>").contains(c);
}

qsizetype Reader::wordEnd(QStringView text, qsizetype i) const {
    const qsizetype start = i;
    while (i < text.size()) {
        const QChar c = text[i];
        const QChar next = i + 1 < text.size() ? text[i + 1] : QChar();
        if (c == QLatin1Char('\\')) {
            i += 2;
        } else if (c == QLatin1Char('\'')) {
            i = skipSingle(text, i + 1);
        } else if (c == QLatin1Char('"')) {
            i = skipDouble(text, i + 1);
        } else if (c == QLatin1Char('`')) {
            i = skipEscaped(text, i + 1, QLatin1Char('`'));
        } else if (c == QLatin1Char('$') && next == QLatin1Char('\'')) {
            i = skipEscaped(text, i + 2, QLatin1Char('\''));
        } else if (c == QLatin1Char('$') &&
                   (next == QLatin1Char('(') || next == QLatin1Char('{'))) {
            i = skipNested(text, i + 2, next);
        } else if ((c == QLatin1Char('<') || c == QLatin1Char('>')) && next == QLatin1Char('(') &&
                   i == start) {
            i = skipNested(text, i + 2, QLatin1Char('('));  // a process substitution
        } else if (c == QLatin1Char('(') && i > start &&
                   (text[i - 1] == QLatin1Char('=') ||
                    QStringView(u"@!*?+").contains(text[i - 1]))) {
            i = skipNested(text, i + 1, QLatin1Char('('));  // "name=( … )", "@( … )"
        } else if (isBlank(c) || isOperatorCharacter(c)) {
            break;
        } else {
            ++i;
        }
    }
    return std::min(i, text.size());
}

QList<Token> Reader::tokens(QStringView text) {
    QList<Token> tokens;
    struct Pending {
        qsizetype token;
        QString delimiter;
        bool stripTabs;
        bool quoted;
    };
    QList<Pending> pending;
    qsizetype i = 0;
    while (i < text.size()) {
        const QChar c = text[i];
        if (c == QLatin1Char('\\') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
            i += 2;
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            ++i;
        } else if (c == QLatin1Char('#') && (tokens.isEmpty() || i == 0 || isBlank(text[i - 1]) ||
                                             isOperatorCharacter(text[i - 1]))) {
            while (i < text.size() && text[i] != QLatin1Char('\n'))
                ++i;
        } else if (c == QLatin1Char('\n')) {
            tokens.append({Token::Kind::newline, QStringLiteral("\n")});
            ++i;
            for (const Pending& document : std::exchange(pending, {})) {
                QString body;
                while (i < text.size()) {
                    qsizetype end = text.indexOf(QLatin1Char('\n'), i);
                    if (end < 0)
                        end = text.size();
                    QString line = text.mid(i, end - i).toString();
                    i = std::min(end + 1, text.size());
                    if (document.stripTabs) {
                        while (line.startsWith(QLatin1Char('\t')))
                            line.remove(0, 1);
                    }
                    if (line == document.delimiter)
                        break;
                    body += line + QLatin1Char('\n');
                }
                bodies_.insert(document.token, {body, document.quoted});
            }
        } else if ((c == QLatin1Char('<') || c == QLatin1Char('>')) && i + 1 < text.size() &&
                   text[i + 1] == QLatin1Char('(')) {
            const qsizetype end = wordEnd(text, i);
            tokens.append({Token::Kind::word, text.mid(i, end - i).toString()});
            i = end;
        } else if (isOperatorCharacter(c)) {
            static const QStringView operators[] = {u"<<<", u";;&", u"&>>", u"<<-", u"&&", u"||",
                                                    u";;",  u";&",  u"|&",  u"<<",  u">>", u"<&",
                                                    u">&",  u"<>",  u">|",  u"&>",  u";",  u"&",
                                                    u"|",   u"(",   u")",   u"<",   u">"};
            for (const QStringView op : operators) {
                if (text.mid(i).startsWith(op)) {
                    tokens.append({Token::Kind::op, op.toString()});
                    i += op.size();
                    break;
                }
            }
            const QString& op = tokens.last().text;
            if (op == QLatin1String("<<") || op == QLatin1String("<<-")) {
                while (i < text.size() &&
                       (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
                    ++i;
                const qsizetype end = wordEnd(text, i);
                const QString delimiter = text.mid(i, end - i).toString();
                pending.append({tokens.size(), unquoted(delimiter), op.endsWith(QLatin1Char('-')),
                                unquoted(delimiter) != delimiter});
                tokens.append({Token::Kind::word, delimiter});
                i = end;
            }
        } else {
            const qsizetype end = std::max(wordEnd(text, i), i + 1);
            static const QRegularExpression descriptor(
                QStringLiteral("^([0-9]+|\\{[A-Za-z_][A-Za-z0-9_]*\\})$"));
            const QString word = text.mid(i, end - i).toString();
            i = end;
            if (i < text.size() && (text[i] == QLatin1Char('<') || text[i] == QLatin1Char('>')) &&
                descriptor.match(word).hasMatch())
                continue;  // "2>", "{fd}<": the number belongs to the redirection
            tokens.append({Token::Kind::word, word});
        }
    }
    return tokens;
}

// Commands inside "$(…)", `…` and "<(…)" of a word.
void Reader::readSubstitutions(QStringView word) {
    qsizetype i = 0;
    while (i < word.size()) {
        const QChar c = word[i];
        const QChar next = i + 1 < word.size() ? word[i + 1] : QChar();
        if (c == QLatin1Char('\\')) {
            i += 2;
        } else if (c == QLatin1Char('\'')) {
            i = skipSingle(word, i + 1);
        } else if ((c == QLatin1Char('$') || c == QLatin1Char('<') || c == QLatin1Char('>')) &&
                   next == QLatin1Char('(')) {
            const qsizetype end = skipNested(word, i + 2, QLatin1Char('('));
            Reader(commands_, functions_, c == QLatin1Char('>'))
                .read(word.mid(i + 2, std::max<qsizetype>(end - i - 3, 0)));
            i = end;
        } else if (c == QLatin1Char('`')) {
            const qsizetype end = skipEscaped(word, i + 1, QLatin1Char('`'));
            Reader(commands_, functions_)
                .read(word.mid(i + 1, std::max<qsizetype>(end - i - 2, 0)));
            i = end;
        } else {
            ++i;
        }
    }
}

qsizetype Reader::add(RawCommand command) {
    command.fedAnything = fedAnything_;
    commands_.append(std::move(command));
    return commands_.size() - 1;
}

void Reader::read(QStringView text) {
    static const QSet<QString> openers = {QStringLiteral("while"),  QStringLiteral("until"),
                                          QStringLiteral("if"),     QStringLiteral("for"),
                                          QStringLiteral("select"), QStringLiteral("case"),
                                          QStringLiteral("{")};
    static const QSet<QString> closers = {QStringLiteral("done"), QStringLiteral("fi"),
                                          QStringLiteral("esac"), QStringLiteral("}")};
    // An open compound command: where its commands begin, what feeds it, whether it is case,
    // and whether it is a loop, whose commands run again.
    struct Compound {
        qsizetype first;
        QList<qsizetype> feeders;
        bool isCase;
        bool loop;
    };
    QList<Compound> compounds;
    const QList<Token> list = tokens(text);
    RawCommand current;
    QList<qsizetype> pipeFeeders;
    bool closing = false;  // the current command is the end of a compound command
    qsizetype closedFirst = -1;
    QList<qsizetype> standing;  // "exec <<< …" gives every later command that input
    const auto inherited = [&] {
        QList<qsizetype> feeders = pipeFeeders + standing;
        for (const Compound& compound : compounds)
            feeders += compound.feeders;
        return feeders;
    };
    // Ends the current command; returns the commands whose output a pipe after it reads.
    const auto end = [&]() -> QList<qsizetype> {
        QList<qsizetype> outputs;
        if (current.words.isEmpty() && current.inputs.isEmpty()) {
            if (std::exchange(closing, false) && closedFirst >= 0) {
                for (qsizetype i = closedFirst; i < commands_.size(); ++i)
                    outputs.append(i);  // ")" ended a subshell, whose output a pipe reads
            }
            return outputs;
        }
        current.feeders += inherited();
        current.repeats = std::any_of(compounds.cbegin(), compounds.cend(),
                                      [](const Compound& compound) { return compound.loop; });
        const bool exec = current.words.size() == 1 && !current.inputs.isEmpty() &&
                          unquoted(current.words[0]) == QLatin1String("exec");
        const qsizetype index = add(std::exchange(current, {}));
        if (exec)
            standing.append(index);
        outputs.append(index);
        if (std::exchange(closing, false) && closedFirst >= 0) {
            // A redirection after "done", "fi", "}" or ")" feeds every command inside.
            for (qsizetype i = closedFirst; i < index; ++i) {
                if (!commands_[index].inputs.isEmpty())
                    commands_[i].feeders.append(index);
                outputs.append(i);
            }
        }
        pipeFeeders.clear();
        return outputs;
    };
    const auto open = [&](bool isCase, bool loop) {
        QList<qsizetype> feeders = pipeFeeders;
        compounds.append({commands_.size(), feeders, isCase, loop});
    };
    const auto close = [&] {
        if (compounds.isEmpty())
            return;
        closedFirst = compounds.takeLast().first;
        closing = true;
    };
    for (qsizetype t = 0; t < list.size(); ++t) {
        const Token& token = list[t];
        if (token.kind == Token::Kind::word) {
            readSubstitutions(token.text);
            const QString word = unquoted(token.text);
            if (current.words.isEmpty() && current.inputs.isEmpty()) {
                if (openers.contains(word)) {
                    static const QSet<QString> loops = {
                        QStringLiteral("while"), QStringLiteral("until"), QStringLiteral("for"),
                        QStringLiteral("select")};
                    open(word == QLatin1String("case"), loops.contains(word));
                } else if (closers.contains(word)) {
                    close();
                }
            }
            if (current.words.size() == 1 &&
                unquoted(current.words[0]) == QLatin1String("function"))
                functions_ = true;
            current.words.append(token.text);
            continue;
        }
        if (token.kind == Token::Kind::newline) {
            end();
            continue;
        }
        const QString& op = token.text;
        const bool inCase = !compounds.isEmpty() && compounds.last().isCase;
        if (op == QLatin1String("(")) {
            if (t + 1 < list.size() && list[t + 1].text == QLatin1String(")") &&
                current.words.size() == 1) {
                functions_ = true;  // "name()": a function, called with arguments
                current.words.clear();
                ++t;
                continue;
            }
            if (inCase)
                continue;
            end();
            open(false, false);
            continue;
        }
        if (op == QLatin1String(")")) {
            if (inCase)
                continue;
            end();
            close();
            continue;
        }
        if (op.startsWith(QLatin1Char('<')) || op.startsWith(QLatin1Char('>')) ||
            op.startsWith(QLatin1String("&>"))) {
            if (t + 1 < list.size() && list[t + 1].kind == Token::Kind::word) {
                ++t;
                using Kind = RawInput::Kind;
                if (op == QLatin1String("<") || op == QLatin1String("<>")) {
                    current.inputs.append({Kind::file, list[t].text});
                } else if (op == QLatin1String("<<<")) {
                    current.inputs.append({Kind::hereString, list[t].text});
                } else if (op != QLatin1String(">&") && !op.startsWith(QLatin1Char('<'))) {
                    current.outputs.append(list[t].text);
                } else if (op == QLatin1String("<<") || op == QLatin1String("<<-")) {
                    const auto& [body, quoted] = bodies_.value(t);
                    current.inputs.append(
                        {quoted ? Kind::quotedHereDocument : Kind::hereDocument, body});
                } else if (op == QLatin1String("<&") &&
                           unquoted(list[t].text) != QLatin1String("0") &&
                           unquoted(list[t].text) != QLatin1String("-")) {
                    current.unknownInput = true;
                }
                if (op == QLatin1String("<") || op == QLatin1String("<>"))
                    current.readsFile = true;
                readSubstitutions(list[t].text);
            }
            continue;
        }
        if (op == QLatin1String("|") || op == QLatin1String("|&")) {
            const QList<qsizetype> outputs = end();
            pipeFeeders = outputs;
            continue;
        }
        end();  // ; & && || ;; ;& ;;&
    }
    end();
}

}  // namespace ShellValueFlow
