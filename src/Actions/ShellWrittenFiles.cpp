#include <QRegularExpression>
#include <QSet>

#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellSettingsFiles.h"
#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

// The files a template's commands may write, and what the writing may carry: a redirection's
// target, tee's files, and every file a program names when what it writes may hold a value
// (cp, dd, install of its input or of a file the template wrote, awk's and sed's "w", an
// interpreter's open()). A script run from such a file, or a program's settings file among
// them, holds what any command got before.

using namespace ShellWords;
using namespace ShellProgramOptions;

namespace {

bool computedName(const QString& word) {
    static const QRegularExpression singleQuoted(QStringLiteral("'[^']*'"));
    return expands(QString(word).remove(singleQuoted));
}

// The names a word may give a program to write: the word itself, and, where it holds program
// text or settings ("of=s.sh", "{ print > \"s.sh\" }", "-os.sh"), each name-like piece.
QStringList namesIn(const QString& word) {
    if (computedName(word))
        return {word};
    static const QRegularExpression separators(QStringLiteral("[\\s'\"=(),;<>|&{}\\[\\]:+]+"));
    QStringList names;
    for (const QString& piece : unquoted(word).split(separators, Qt::SkipEmptyParts)) {
        names.append(piece);
        if (piece.size() > 2 && piece.startsWith(QLatin1Char('-')))
            names.append(piece.mid(2));
    }
    return names;
}

// Programs that write what they read into the files they name.
bool copiesIntoFiles(const QString& name) {
    static const QSet<QString> copiers = {QStringLiteral("cp"),      QStringLiteral("mv"),
                                          QStringLiteral("install"), QStringLiteral("dd"),
                                          QStringLiteral("ln"),      QStringLiteral("rsync"),
                                          QStringLiteral("tee"),     QStringLiteral("sponge")};
    return copiers.contains(name);
}

// Programs whose program text among their words may write what they are given into any file
// it names.
bool writesWhatItIsGiven(const QString& name) {
    return isInterpreter(name) || isAwk(name) || name == QLatin1String("sed") ||
           name == QLatin1String("perl");
}

// A word that holds program text rather than a file name.
bool programText(const QString& word) {
    static const QRegularExpression code(QStringLiteral("[\\s\"(;]"));
    return code.match(unquoted(word)).hasMatch();
}

}  // namespace

// Whether `word` may name a file a command of the template writes: by the same name, or any
// where either name is one bash computes or a pattern (a glob, find's "{}") that may match it.
bool ShellTemplateReader::writtenFile(const QString& word) const {
    const auto anyName = [](const QString& path) {
        static const QRegularExpression singleQuoted(QStringLiteral("'[^']*'"));
        const QString name = QString(path).remove(singleQuoted).section(QLatin1Char('/'), -1);
        static const QRegularExpression pattern(QStringLiteral("[*?\\[]"));
        return expands(name) || pattern.match(name).hasMatch() || name == QLatin1String("{}");
    };
    const auto nameOf = [](const QString& path) {
        return unquoted(path).section(QLatin1Char('/'), -1);
    };
    return std::any_of(writtenFiles_.cbegin(), writtenFiles_.cend(), [&](const QString& file) {
        return anyName(word) || anyName(file) || nameOf(word) == nameOf(file);
    });
}

void ShellTemplateReader::collectWrites() {
    using Values = ShellValueFlow::Values;
    // Twice: in a loop or a function a command may copy a file a later one writes.
    for (int pass = 0; pass < 2; ++pass) {
        writes_.clear();
        const auto note = [&](const QString& target, const Values& values) {
            if (!writtenFiles_.contains(target))
                writtenFiles_.append(target);
            writes_.append({target, values});
        };
        for (const ShellValueFlow::Command& command : flow_.commands) {
            for (const QString& target : command.outputs)
                note(target, command.output);
            const QStringList& words = command.words;
            const qsizetype program = commandIndex(words);
            if (program < 0)
                continue;
            const QString name = programName(words[program]);
            const bool copies = copiesIntoFiles(name);
            const bool code = writesWhatItIsGiven(name);
            if (!copies && !code)
                continue;
            Values content = command.input | command.changedInput;
            if (code)
                content |= flow_.valuesIn(words.mid(program + 1).join(QLatin1Char(' ')));
            for (qsizetype j = program + 1; j < words.size(); ++j) {
                if (!computedName(words[j]) && writtenFile(words[j]))
                    content |= command.stored;  // cp, mv, ln of a file the template wrote
            }
            if (content.isEmpty())
                continue;
            const bool tee = name == QLatin1String("tee");
            // sed -i and perl -i write into the files they read.
            const bool inPlace =
                code &&
                std::any_of(words.cbegin() + program + 1, words.cend(), [](const QString& w) {
                    const QString option = unquoted(w);
                    return (option.startsWith(QLatin1Char('-')) &&
                            !option.startsWith(QLatin1String("--")) &&
                            option.contains(QLatin1Char('i'))) ||
                           option.startsWith(QLatin1String("--in-place"));
                });
            for (qsizetype j = program + 1; j < words.size(); ++j) {
                if ((tee && unquoted(words[j]).startsWith(QLatin1Char('-'))) ||
                    (code && !inPlace && !programText(words[j])))
                    continue;
                for (const QString& file : tee ? QStringList{words[j]} : namesIn(words[j]))
                    note(file, content);
            }
        }
    }
}

namespace {

// The settings file a name made of variables whose text the template writes out may be
// ("f=.git/config; … >> \"$f\""): the first found.
QString ownerThroughTexts(const QString& target, const ShellValueFlow::Flow& flow) {
    static const QRegularExpression variable(QStringLiteral("\\$\\{?([A-Za-z_][A-Za-z0-9_]*)\\}?"));
    const QString name = unquoted(target);
    const QRegularExpressionMatch match = variable.match(name);
    if (!match.hasMatch() || !flow.texts.contains(match.captured(1)))
        return {};
    for (const QString& text : flow.texts.value(match.captured(1))) {
        QString path = name;
        path.replace(match.capturedStart(), match.capturedLength(), text);
        if (const QString owner = ShellSettingsFiles::owner(path); !owner.isEmpty())
            return owner;
    }
    return {};
}

}  // namespace

// What a command writes into a file some program reads as its settings ("printf … >>
// ~/.gitconfig", "cp /dev/stdin ~/.bashrc"): any text there may be a setting, as in curl -K.
// Where values make the file's name, the name they make may not be such a file.
void ShellTemplateReader::followSettingsFiles() {
    for (const Write& write : std::as_const(writes_)) {
        if (write.values.isEmpty())
            continue;
        QString owner = ShellSettingsFiles::owner(unquoted(write.target));
        if (owner.isEmpty() && computedName(write.target))
            owner = ownerThroughTexts(write.target, flow_);
        WordSpot spot;
        spot.written = write.target;
        WordPlace place;
        if (!owner.isEmpty()) {
            spot.pieces = {
                ShellWordPieces::fromOutside(write.values, {}, ShellWordPieces::Splitting::none)};
            place.program = owner;
            place.settings = true;
        } else if (computedName(write.target)) {
            spot.pieces = ShellWordPieces::read(write.target, flow_);
            if (!ShellWordPieces::carriesValues(spot.pieces))
                continue;
            place.settingsName = true;
        } else {
            continue;
        }
        spot.places = {place};
        wordSpots_.append(spot);
    }
}
