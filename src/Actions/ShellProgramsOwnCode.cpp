#include <QRegularExpression>
#include <QSet>

#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

// Where a program takes code, or settings that run code, by a way other than its script or
// program text: an option that names a module (perl -M, node --import), a setting a
// configuring command writes (git config core.pager, gh config set, tmux set-option, npm
// config set), an interactive or debugging interpreter that reads its input although it has a
// script, variables a program reads as its own options (TAR_OPTIONS, PERL5OPT), and zsh's zmv,
// which evaluates its replacement. A value there is refused: the template's author wrote none
// of it as code.

using namespace ShellWords;
using namespace ShellProgramOptions;

namespace {

// The word an option takes, glued ("-Mstrict", "--import=x") or as the next word.
QStringList optionWords(const QStringList& words, qsizetype from, qsizetype end,
                        const QStringList& shortOptions, const QStringList& longOptions) {
    QStringList taken;
    for (qsizetype j = from; j < end; ++j) {
        const QString word = unquoted(words[j]);
        if (word == QLatin1String("--"))
            break;
        for (const QString& option : longOptions) {
            if (word == option && j + 1 < end)
                taken.append(words[j + 1]);
            else if (word.startsWith(option + QLatin1Char('=')))
                taken.append(words[j]);
        }
        for (const QString& option : shortOptions) {
            if (word == option && j + 1 < end)
                taken.append(words[j + 1]);
            else if (word.startsWith(option) && !word.startsWith(QLatin1String("--")))
                taken.append(words[j]);
        }
    }
    return taken;
}

// git configuration keys whose value is a command, or names more configuration.
bool runsCommand(const QString& key) {
    static const QRegularExpression keys(
        QStringLiteral(
            "^(core\\.(fsmonitor|pager|editor|sshcommand|hookspath|askpass|gitproxy|"
            "attributesfile|excludesfile)|alias\\..*|pager\\..*|sequence\\.editor|gpg\\..*program|"
            "credential\\..*|include\\..*|includeif\\..*|diff\\..*|merge\\..*|filter\\..*|"
            "difftool\\..*|mergetool\\..*|remote\\..*\\.(uploadpack|receivepack|proxy)|"
            "uploadpack\\..*|web\\.browser|browser\\..*|man\\..*|protocol\\..*|http\\..*|"
            "url\\..*|submodule\\..*|init\\.templatedir|interactive\\..*)$"),
        QRegularExpression::CaseInsensitiveOption);
    return keys.match(key).hasMatch();
}

}  // namespace

void ShellTemplateReader::followOwnCode(const ShellValueFlow::Command& command, const Walk& found) {
    using Values = ShellValueFlow::Values;
    const QStringList& words = command.words;
    const auto valuesIn = [&](const QStringList& list) {
        return flow_.valuesIn(list.join(QLatin1Char(' ')));
    };
    for (const Walk::Program& program : found.programs) {
        const qsizetype at = program.position;
        const QString name = programName(words[at]);
        const QStringList own = words.mid(at + 1, program.end - at - 1);
        // A module's name that is code: "-Mstrict;system(…)", a "data:" URL.
        if (name == QLatin1String("perl")) {
            noteReached(Evaluation::code, QStringLiteral("perl -M"),
                        valuesIn(optionWords(words, at + 1, program.end, {"-M", "-m"}, {})));
            // The debugger reads its commands from the input.
            if (std::any_of(own.cbegin(), own.cend(), [](const QString& word) {
                    return unquoted(word).startsWith(QLatin1String("-d"));
                }))
                noteReached(Evaluation::code, QStringLiteral("perl -d"),
                            command.input | command.changedInput);
        }
        if (name == QLatin1String("node") || name == QLatin1String("nodejs")) {
            noteReached(Evaluation::code, name + QStringLiteral(" --import"),
                        valuesIn(optionWords(
                            words, at + 1, program.end, {"-r"},
                            {"--import", "--require", "--loader", "--experimental-loader"})));
            if (std::any_of(own.cbegin(), own.cend(), [](const QString& word) {
                    const QString option = unquoted(word);
                    return option == QLatin1String("-i") ||
                           option == QLatin1String("--interactive");
                }))
                noteReached(Evaluation::code, name + QStringLiteral(" -i"),
                            command.input | command.changedInput);
        }
        // An interactive interpreter, or one whose module reads code (code, pdb, asyncio),
        // reads its input although it has a script.
        if (isInterpreter(name) && name.startsWith(QLatin1String("python"))) {
            bool interactive = false;
            for (qsizetype j = 0; j < own.size(); ++j) {
                const QString option = unquoted(own[j]);
                if (!option.startsWith(QLatin1Char('-')) || option == QLatin1String("-c"))
                    break;
                if (option == QLatin1String("-m")) {
                    static const QSet<QString> readers = {"code", "pdb", "asyncio", "idlelib",
                                                          "idlelib.idle"};
                    interactive = interactive || readers.contains(unquoted(own.value(j + 1)));
                    break;
                }
                interactive = interactive || (!option.startsWith(QLatin1String("--")) &&
                                              option.contains(QLatin1Char('i')));
            }
            if (interactive)
                noteReached(Evaluation::code, name + QStringLiteral(" -i"),
                            command.input | command.changedInput);
        }
        // Configuring commands write settings that run commands.
        const QStringList plain = [&] {
            QStringList list;
            for (const QString& word : own)
                list.append(unquoted(word));
            return list;
        }();
        if (name == QLatin1String("git")) {
            const qsizetype config = plain.indexOf(QStringLiteral("config"));
            // Reading or removing a setting writes none.
            static const QSet<QString> reading = {"--get", "--get-all", "--get-regexp", "--list",
                                                  "-l",    "--unset",   "--unset-all",  "get",
                                                  "list",  "unset"};
            if (config >= 0 &&
                std::none_of(plain.cbegin() + config, plain.cend(),
                             [](const QString& word) { return reading.contains(word); })) {
                QStringList operands;
                for (qsizetype j = config + 1; j < own.size(); ++j) {
                    if (!plain[j].startsWith(QLatin1Char('-')))
                        operands.append(own[j]);
                }
                const Values keyValues = valuesIn(operands.mid(0, 1));
                const Values settingValues = valuesIn(operands.mid(1));
                if (!keyValues.isEmpty() || expands(operands.value(0)))
                    noteReached(Evaluation::code, QStringLiteral("git config"),
                                keyValues | settingValues);
                else if (runsCommand(unquoted(operands.value(0))))
                    noteReached(Evaluation::code, QStringLiteral("git config"), settingValues);
            }
        }
        const bool configures =
            (name == QLatin1String("gh") && plain.mid(0, 2) == QStringList{"config", "set"}) ||
            (name == QLatin1String("npm") &&
             (plain.mid(0, 2) == QStringList{"config", "set"} || plain.value(0) == "set")) ||
            (name == QLatin1String("tmux") &&
             std::any_of(plain.cbegin(), plain.cend(), [](const QString& word) {
                 static const QSet<QString> setters = {
                     "set",      "set-option",      "setw",   "set-window-option",
                     "set-hook", "set-environment", "setenv", "source-file",
                     "source"};
                 return setters.contains(word);
             }));
        if (configures)
            noteReached(Evaluation::code, name + QStringLiteral(" config"), valuesIn(own));
        // zmv, zcp and zln evaluate their replacement as zsh code.
        static const QSet<QString> zmv = {"zmv", "zcp", "zln"};
        if (zshRules_ && zmv.contains(name))
            noteReached(Evaluation::code, name, valuesIn(own));
    }
}

// Variables a program reads as options of its own, or as code to load: any value there is a
// word where its options are read.
void ShellTemplateReader::followOptionVariables() {
    for (const char* name : {"TAR_OPTIONS",
                             "PERL5OPT",
                             "PERL5LIB",
                             "PERL5DB",
                             "NODE_OPTIONS",
                             "MAKEFLAGS",
                             "MFLAGS",
                             "GREP_OPTIONS",
                             "LESS",
                             "GZIP",
                             "XZ_OPT",
                             "ZSTD_NBTHREADS",
                             "BZIP2",
                             "RUBYOPT",
                             "PYTHONSTARTUP",
                             "PYTHONPATH",
                             "PYTHONINSPECT",
                             "JAVA_TOOL_OPTIONS",
                             "_JAVA_OPTIONS",
                             "LD_PRELOAD",
                             "LD_LIBRARY_PATH",
                             "GIT_CONFIG_PARAMETERS",
                             "GIT_CONFIG_GLOBAL",
                             "GIT_CONFIG_SYSTEM",
                             "GIT_DIR",
                             "GIT_EXEC_PATH",
                             "SSH_ASKPASS",
                             "SUDO_ASKPASS"}) {
        const QString variable = QLatin1String(name);
        noteReached(Evaluation::code, variable + QLatin1Char('='),
                    flow_.valuesOf(variable) | flow_.changedOf(variable));
    }
}
