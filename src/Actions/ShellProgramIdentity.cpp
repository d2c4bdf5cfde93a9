#include "Actions/ShellProgramIdentity.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

#include "Actions/ShellProgramOptions.h"
#include "Actions/ShellWords.h"

// A command word is looked up the way the shell will: bash's builtins first, then the search
// path, then every symbolic link on the way to the file (the Debian alternatives are links).
// At each name the versions and flavours Debian installs are left off ("vim.basic",
// "zsh5", "python3.11"). This is file-system work on the thread that asks, so it is bounded:
// a few folders of the search path and a few links, no reading of files.

namespace ShellProgramIdentity {

namespace {

constexpr int searchedFolders = 32;
constexpr int followedLinks = 8;
constexpr qsizetype longestName = 255;

// bash's builtins and keywords: the shell runs them whatever the search path holds, so only
// a bare name is one of them ("/usr/bin/time" is a program, "time" a keyword).
bool isBuiltin(const QString& name) {
    static const QSet<QString> builtins = [] {
        QSet<QString> names;
        for (const QString& name :
             QStringLiteral(
                 ". : [ [[ alias bg bind break builtin caller cd command compgen complete "
                 "compopt continue declare dirs disown echo enable eval exec exit export false "
                 "fc fg getopts hash help history jobs kill let local logout mapfile popd printf "
                 "pushd pwd read readarray readonly return set shift shopt source suspend test "
                 "times trap true type typeset ulimit umask unalias unset wait coproc time")
                 .split(QLatin1Char(' ')))
            names.insert(name);
        return names;
    }();
    return builtins.contains(name);
}

bool familiarProgram(const QString& name) {
    using namespace ShellProgramOptions;
    // su and script hand a command of their own ("-c") or their input to a shell.
    static const QSet<QString> shellRunners = {QStringLiteral("git"), QStringLiteral("su"),
                                               QStringLiteral("script")};
    // Programs whose "+" is data of their own: a tag ("task add +arbeit", "todo.sh add
    // +Garten"), a step up ("brightnessctl set +10%"), minutes from now ("shutdown -h +30").
    static const QSet<QString> plusData = {QStringLiteral("task"), QStringLiteral("timew"),
                                           QStringLiteral("brightnessctl"),
                                           QStringLiteral("shutdown")};
    return shellRunners.contains(name) || plusData.contains(name) || programs().contains(name) ||
           wrappers().contains(name) || isShell(name) || isAwk(name) || isInterpreter(name) ||
           nameSyntax(name) != NameSyntax::plain || takesFileNames(name) ||
           takesNegativeNumbers(name) || honoursEndOfOptions(name);
}

// The family a file's name belongs to: the name itself, or the name without the version,
// architecture or flavour Debian adds to it; a name of no known family stays as it is.
QString familyOf(const QString& name) {
    if (familiarProgram(name))
        return name;
    // "rksh93", "rzsh": a shell started under its restricted name is that shell ("rsh" is the
    // remote shell client)
    if (name.startsWith(QLatin1Char('r')) && name != QLatin1String("rsh") &&
        ShellProgramOptions::isShell(familyOf(name.mid(1))))
        return familyOf(name.mid(1));
    // "python3.11-dbg": the interpreter built for debugging is the interpreter
    if (name.endsWith(QLatin1String("-dbg")) && name.size() > 4) {
        const QString built = familyOf(name.chopped(4));
        if (familiarProgram(built))
            return built;
    }
    static const QRegularExpression python(QStringLiteral("^python([23])\\.[0-9.]+$"));
    if (const QRegularExpressionMatch match = python.match(name); match.hasMatch())
        return QStringLiteral("python") + match.captured(1);
    static const QRegularExpression patterns[] = {
        // "perl5.36.0", "perl5.36-x86_64-linux-gnu", "zsh5", "ksh93", "lua5.4"
        QRegularExpression(QStringLiteral(
            "^([A-Za-z][A-Za-z_]*?)[0-9]+(\\.[0-9]+)*(-[A-Za-z0-9_]+-linux-gnu[A-Za-z0-9]*)?$")),
        // "vim.basic", "vim.tiny", "nc.openbsd": the flavours Debian builds, not any suffix
        // ("sort.py" is a script of its own)
        QRegularExpression(QStringLiteral(
            "^([A-Za-z][A-Za-z0-9_-]*)\\.(basic|tiny|nox|gtk[0-9]*|athena|motif|openbsd|"
            "traditional)$")),
        // "guile-3.0"
        QRegularExpression(QStringLiteral("^([A-Za-z][A-Za-z_]*)-[0-9]+(\\.[0-9]+)*$")),
        // ImageMagick's "convert-im6.q16"
        QRegularExpression(QStringLiteral("^([a-z]+)-im[0-9](\\.q[0-9]+[a-z]*)?$")),
    };
    for (size_t i = 0; i < std::size(patterns); ++i) {
        const QRegularExpressionMatch match = patterns[i].match(name);
        if (!match.hasMatch() || !familiarProgram(match.captured(1)))
            continue;
        // A number alone after the name may make another program ("diff3" is not diff): only
        // shells and interpreters are known under such a version.
        const QString family = match.captured(1);
        const bool numberOnly =
            (i == 0 && match.captured(2).isEmpty() && match.captured(3).isEmpty()) ||
            (i == 2 && match.captured(2).isEmpty());
        if (numberOnly && !ShellProgramOptions::isShell(family) &&
            !ShellProgramOptions::isInterpreter(family))
            continue;
        return family;
    }
    return name;
}

// The file the shell finds for a bare name along the search path.
QString searched(const QString& name) {
    const QStringList folders =
        QString::fromLocal8Bit(qgetenv("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < folders.size() && i < searchedFolders; ++i) {
        if (!folders[i].startsWith(QLatin1Char('/')))
            continue;  // a folder relative to where the action runs: not known here
        const QFileInfo file(folders[i] + QLatin1Char('/') + name);
        if (file.isExecutable() && !file.isDir())
            return file.filePath();
    }
    return {};
}

}  // namespace

bool familiar(const QString& name) {
    return familiarProgram(name) || isBuiltin(name);
}

namespace {

// The lookups of the reading in progress on this thread, if any.
thread_local Lookups* current = nullptr;

QString resolved(const QString& word);

}  // namespace

// A reading inside another (a template checked twice for one card) shares the outer one's
// findings instead of looking again.
Lookups::Lookups() : outer_(current) {
    if (!current)
        current = this;
}

Lookups::~Lookups() {
    if (current == this)
        current = outer_;
}

QString programOf(const QString& word) {
    if (!current)
        return resolved(word);
    if (const auto found = current->found_.constFind(word); found != current->found_.cend())
        return *found;
    const QString program = resolved(word);
    current->found_.insert(word, program);
    return program;
}

bool runnable(const QString& name) {
    return familiarProgram(name);
}

namespace {

QString resolved(const QString& word) {
    const QString plain = ShellWords::unquoted(word);
    const QString typed = plain.mid(plain.lastIndexOf(QLatin1Char('/')) + 1);
    const bool bare = !plain.contains(QLatin1Char('/'));
    if (bare && isBuiltin(typed))
        return typed;
    const QString family = familyOf(typed);
    if (familiarProgram(family) || typed.isEmpty() || plain.size() > longestName ||
        plain.contains(QChar(0)))
        return family;
    // A program named like a builtin is another program ("/usr/bin/time"): its path names it.
    const QString named = isBuiltin(family) ? plain : family;
    // A relative path names a file of the folder the action runs in: not known here.
    QString path = bare ? searched(typed) : plain.startsWith(QLatin1Char('/')) ? plain : QString();
    // A link is followed through the Debian alternatives ("editor" is vim) and to a version of
    // the same name; a program linked under another name may read its name ("shutdown" is
    // systemctl, whose options differ, "git-upload-pack" git): it stays unknown.
    bool alternative = false;
    for (int link = 0; !path.isEmpty() && link < followedLinks; ++link) {
        const QFileInfo file(path);
        if (!file.isSymLink())
            break;
        path = QDir::cleanPath(file.symLinkTarget());
        alternative = alternative || path.startsWith(QLatin1String("/etc/alternatives/"));
        const QString target = familyOf(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
        if (familiarProgram(target) && (alternative || target == family))
            return target;
    }
    return named;
}

}  // namespace

}  // namespace ShellProgramIdentity
