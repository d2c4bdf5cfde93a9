#include <QRegularExpression>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>
#include <span>

#include "Actions/ShellProgramOptions.h"

// What programs make of a word beyond its options: editors that run "+command", file names
// a program opens through a shell, operators of find's expression, negative numbers, which
// option parsers take "--" as the end of their options, and how shells and the programs that
// hand a command to one take that command. Each entry was tried with the installed program.

namespace ShellProgramOptions {

namespace {

QSet<QString> namesIn(const char* list) {
    QSet<QString> names;
    for (const QString& name : QString::fromLatin1(list).split(QLatin1Char(' ')))
        names.insert(name);
    return names;
}

const QSet<QString>& soxFamily() {
    static const QSet<QString> names = {QStringLiteral("sox"), QStringLiteral("play"),
                                        QStringLiteral("rec"), QStringLiteral("soxi")};
    return names;
}

}  // namespace

bool isShell(const QString& program) {
    static const QSet<QString> shells = {
        QStringLiteral("sh"),    QStringLiteral("bash"),    QStringLiteral("dash"),
        QStringLiteral("zsh"),   QStringLiteral("ksh"),     QStringLiteral("ksh93"),
        QStringLiteral("mksh"),  QStringLiteral("yash"),    QStringLiteral("posh"),
        QStringLiteral("fish"),  QStringLiteral("csh"),     QStringLiteral("tcsh"),
        QStringLiteral("rbash"), QStringLiteral("busybox"), QStringLiteral("ash"),
        QStringLiteral("hush"),  QStringLiteral("lksh"),    QStringLiteral("oksh"),
        QStringLiteral("loksh"), QStringLiteral("xonsh"),   QStringLiteral("nu"),
        QStringLiteral("elvish")};
    return shells.contains(program);
}

bool isInterpreter(const QString& program) {
    static const QSet<QString> interpreters = namesIn(
        "python python2 python3 pypy pypy3 ipython ipython3 perl ruby irb node nodejs deno bun qjs "
        "php lua luajit tclsh wish expect guile julia Rscript R osh octave octave-cli gnuplot sbcl "
        "clisp racket gforth ocaml swipl jshell gp maxima");
    return interpreters.contains(program) || isAwk(program);
}

bool isAwk(const QString& program) {
    return program == QLatin1String("awk") || program == QLatin1String("gawk") ||
           program == QLatin1String("mawk") || program == QLatin1String("nawk");
}

NameSyntax nameSyntax(const QString& program) {
    static const QSet<QString> plusCommands = {
        QStringLiteral("vi"),   QStringLiteral("vim"),  QStringLiteral("nvim"),
        QStringLiteral("ex"),   QStringLiteral("view"), QStringLiteral("vimdiff"),
        QStringLiteral("gvim"), QStringLiteral("rvim"), QStringLiteral("rview"),
        QStringLiteral("less"), QStringLiteral("more")};
    if (plusCommands.contains(program))
        return NameSyntax::plusCommand;
    if (program == QLatin1String("ed") || program == QLatin1String("red"))
        return NameSyntax::bangCommand;
    if (program == QLatin1String("perl"))
        return NameSyntax::perlOpen;
    if (soxFamily().contains(program))
        return NameSyntax::soxOpen;
    if (program == QLatin1String("find"))
        return NameSyntax::findExpression;
    return NameSyntax::plain;
}

bool takesSoxEffects(const QString& program) {
    return soxFamily().contains(program) && program != QLatin1String("soxi");
}

// The effects "sox --help" lists, and the separators of effect chains; sox finds them
// whatever their case.
bool namesSoxEffect(const QString& word) {
    static const QSet<QString> effects = namesIn(
        "allpass band bandpass bandreject bass bend biquad chorus channels compand "
        "contrast dcshift deemph delay dither divide downsample earwax echo echos "
        "equalizer fade fir firfit flanger gain highpass hilbert ladspa loudness lowpass "
        "mcompand noiseprof noisered norm oops overdrive pad phaser pitch rate remix "
        "repeat reverb reverse riaa silence sinc spectrogram speed splice stat stats "
        "stretch swap synth tempo treble tremolo trim upsample vad vol : newfile restart");
    return effects.contains(word.toLower());
}

bool takesFileNames(const QString& program) {
    static const QSet<QString> names = namesIn(
        "find ls cat rm cp mv ln mkdir rmdir touch stat wc du df diff cmp tee file head "
        "tail less more vi vim view ex nvim ed red sox play rec soxi realpath readlink "
        "basename dirname sort uniq nl base64 sha256sum md5sum gzip xz od fold paste "
        "comm join cd");
    return names.contains(program);
}

// Programs that take negative numbers as arguments ("seq -5 5", "-5%" to pactl).
bool takesNegativeNumbers(const QString& program) {
    static const QSet<QString> names = {QStringLiteral("seq"),    QStringLiteral("sleep"),
                                        QStringLiteral("expr"),   QStringLiteral("factor"),
                                        QStringLiteral("numfmt"), QStringLiteral("units"),
                                        QStringLiteral("pactl"),  QStringLiteral("wpctl")};
    return names.contains(program);
}

// Programs whose option parser takes "--" as the end of their options, so that a word after
// it is an operand whatever it begins with. find (whose "--" ends only -H, -L and -P),
// ImageMagick, jq 1.6, echo and the programs no one has tried are not among them; git reads
// "--" as the start of paths and has "--end-of-options" instead. notify-send reads its
// options with GLib, wl-copy with getopt_long and kdeconnect-cli with Qt's parser, which all
// end them at "--".
bool honoursEndOfOptions(const QString& program) {
    static const QSet<QString> names = namesIn(
        "grep egrep fgrep rg sort uniq cut head tail cat ls rm cp mv ln mkdir rmdir "
        "touch chmod chown stat wc du df tr date tar diff cmp tee basename dirname "
        "realpath readlink file install nl fold paste join comm shuf od base64 "
        "sha256sum md5sum gzip xz less vim wget ssh systemctl journalctl seq sleep expr "
        "make cd printf kill env nice timeout sudo xargs sed awk mawk gawk ed red "
        "perl node nodejs python python3 sox play rec soxi sh bash dash zsh notify-send wl-copy "
        "kdeconnect-cli set");
    return names.contains(program);
}

bool namesCommandOption(const QString& option) {
    if (option.startsWith(QLatin1String("--")))
        return abbreviates(option, QStringLiteral("--command"), 3) ||
               abbreviates(option, QStringLiteral("--session-command"), 4);
    static const QRegularExpression letters(QStringLiteral("^-[A-Za-z]*c"));
    return letters.match(option).hasMatch();
}

ShellOption shellOption(const QString& shell, const QString& option) {
    ShellOption read;
    if (option.startsWith(QLatin1String("--"))) {
        read.words = (shell == QLatin1String("bash") && (option == QLatin1String("--rcfile") ||
                                                         option == QLatin1String("--init-file"))) ||
                             (shell == QLatin1String("zsh") && option == QLatin1String("--emulate"))
                         ? 1
                         : 0;
        return read;
    }
    const bool restOfBundle = shell == QLatin1String("zsh") || shell.contains(QLatin1String("ksh"));
    for (qsizetype i = 1; i < option.size(); ++i) {
        const QChar letter = option[i];
        if (letter == QLatin1Char('o') || (letter == QLatin1Char('O') && !restOfBundle)) {
            if (restOfBundle) {
                read.words = i + 1 < option.size() ? 0 : 1;
                return read;
            }
            ++read.words;
        } else if (letter == QLatin1Char('c')) {
            read.command = true;
        } else if (letter == QLatin1Char('s')) {
            read.input = true;
        }
    }
    return read;
}

namespace {

// The first letter of a bundle of `program`'s short options that takes a word, with its
// position; none where no letter does.
std::optional<std::pair<QChar, qsizetype>> wordLetter(const QString& program, const QString& word) {
    if (word.size() < 2 || !word.startsWith(QLatin1Char('-')) ||
        word.startsWith(QLatin1String("--")))
        return std::nullopt;
    for (qsizetype k = 1; k < word.size(); ++k) {
        if (wordsTaken(program, QStringLiteral("-") + word[k]) > 0)
            return std::pair{word[k], k};
    }
    return std::nullopt;
}

}  // namespace

QString shellRunOption(const QString& program, const QStringList& before, const QString& current) {
    const QString previous = before.isEmpty() ? QString() : before.last();
    struct Long {
        const char* name;
        qsizetype shortest;
    };
    static const Long tarOptions[] = {{"--use-compress-program", 5}, {"--to-command", 6},
                                      {"--info-script", 5},          {"--new-volume-script", 7},
                                      {"--rsh-command", 5},          {"--rmt-command", 5},
                                      {"--checkpoint-action", 14}};
    static const Long straceOptions[] = {{"--output", 5}};
    const bool tar = program == QLatin1String("tar");
    if (!tar && program != QLatin1String("strace"))
        return {};
    const QString letters = tar ? QStringLiteral("IF") : QStringLiteral("o");
    const auto named = [&](const QString& word) -> QString {
        for (const Long& option :
             tar ? std::span<const Long>(tarOptions) : std::span<const Long>(straceOptions)) {
            if (abbreviates(word, QLatin1String(option.name), option.shortest))
                return program + QLatin1Char(' ') + QLatin1String(option.name);
        }
        return {};
    };
    // The word glued to its option: "--to-command=…", "-I…", "-o…".
    if (current.startsWith(QLatin1String("--")) && current.contains(QLatin1Char('=')))
        return named(current);
    if (const auto letter = wordLetter(program, current); letter && letters.contains(letter->first))
        return program + QStringLiteral(" -") + letter->first;
    // The word after it; strace's is a file name, whose edges its place says.
    if (!tar)
        return {};
    // tar's old options, a bundle without "-" first ("tar cIf PROGRAM ARCHIVE"), take their
    // words in order after it.
    static const QRegularExpression bundle(QStringLiteral("^[A-Za-z]+$"));
    if (!before.isEmpty() && bundle.match(before.first()).hasMatch()) {
        QString taking;
        for (const QChar letter : before.first()) {
            if (wordsTaken(program, QStringLiteral("-") + letter) > 0)
                taking += letter;
        }
        if (before.size() - 1 < taking.size() && letters.contains(taking[before.size() - 1]))
            return program + QStringLiteral(" -") + taking[before.size() - 1];
    }
    if (previous.startsWith(QLatin1String("--")) && !previous.contains(QLatin1Char('=')))
        return named(previous);
    if (const auto letter = wordLetter(program, previous);
        letter && letter->second == previous.size() - 1 && letters.contains(letter->first))
        return program + QStringLiteral(" -") + letter->first;
    return {};
}

}  // namespace ShellProgramOptions
