#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <optional>

#include "Actions/ShellTemplateReader.h"
#include "Actions/ShellWords.h"

// Words a program may read as more than text: an option where a value begins with "-", a
// command where it begins with "+", a setting where it is "NAME=value".

using namespace ShellWords;

namespace {

// A program's options that take words of their own ("-d" of date takes the next word,
// "--arg" of jq the next two): there a value is the argument even when it begins with "-"
// ("date -d '-1 day'"). `singleDashLong`: options like find's "-name" are whole words, never
// bundles of letters.
struct Options {
    QHash<QString, int> arguments;
    bool singleDashLong = false;
};

// "-d --date" or "--arg:2": the options and how many words each takes.
Options options(const char* list, bool singleDashLong = false) {
    Options result;
    result.singleDashLong = singleDashLong;
    for (const QString& option :
         QString::fromLatin1(list).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const qsizetype colon = option.indexOf(QLatin1Char(':'));
        if (colon < 0)
            result.arguments.insert(option, 1);
        else
            result.arguments.insert(option.left(colon), option.mid(colon + 1).toInt());
    }
    return result;
}

const QHash<QString, Options>& programs() {
    static const QHash<QString, Options> table = [] {
        QHash<QString, Options> t;
        t.insert(QStringLiteral("date"), options("-d --date -f --file -r --reference"));
        t.insert(QStringLiteral("head"), options("-n -c --lines --bytes"));
        t.insert(QStringLiteral("tail"),
                 options("-n -c --lines --bytes -s --sleep-interval --pid"));
        const Options grep = options(
            "-e --regexp -f --file -m --max-count -A -B -C --after-context --before-context "
            "--context --label --include --exclude --exclude-dir");
        for (const char* name : {"grep", "egrep", "fgrep"})
            t.insert(QLatin1String(name), grep);
        t.insert(QStringLiteral("rg"), options("-e --regexp -f --file -g --glob -t --type -T "
                                               "--type-not -m --max-count -A -B -C -M "
                                               "--max-columns"));
        t.insert(QStringLiteral("sort"), options("-k --key -t --field-separator -o --output -S "
                                                 "--buffer-size -T --temporary-directory"));
        t.insert(QStringLiteral("uniq"),
                 options("-f -s -w --skip-fields --skip-chars --check-chars"));
        t.insert(QStringLiteral("cut"),
                 options("-d --delimiter -f --fields -c --characters -b --bytes"));
        t.insert(QStringLiteral("find"),
                 options("-name -iname -path -ipath -wholename -iwholename -regex -iregex -lname "
                         "-ilname -type -xtype -newer -anewer -cnewer -mtime -mmin -atime -amin "
                         "-ctime -cmin -size -user -group -uid -gid -perm -maxdepth -mindepth "
                         "-samefile -inum -links -printf -fprint -fprint0 -fprintf:2 -fls -used "
                         "-regextype -files0-from",
                         true));
        t.insert(QStringLiteral("jq"), options("--arg:2 --argjson:2 --slurpfile:2 --rawfile:2 "
                                               "--indent -f --from-file -L"));
        t.insert(QStringLiteral("curl"),
                 options("-d --data --data-raw --data-binary --data-ascii --data-urlencode -H "
                         "--header -o --output -X --request -u --user -A --user-agent -e "
                         "--referer -F --form --form-string -b --cookie -c --cookie-jar -T "
                         "--upload-file -x --proxy --url -m --max-time --connect-timeout -w "
                         "--write-out -r --range -E --cert --cacert --key --json -z "
                         "--time-cond --retry -C --continue-at"));
        t.insert(QStringLiteral("wget"),
                 options("-O --output-document -o --output-file -a --append-output -P "
                         "--directory-prefix --header -U --user-agent --post-data --post-file -t "
                         "--tries -T --timeout --user --password"));
        const Options awk = options("-F -v -f");
        for (const char* name : {"awk", "gawk", "mawk"})
            t.insert(QLatin1String(name), awk);
        t.insert(QStringLiteral("sed"), options("-e --expression -f --file"));
        t.insert(QStringLiteral("ls"), options("-I --ignore -w --width -T --tabsize --hide"));
        t.insert(QStringLiteral("tar"), options("-f --file -C --directory -T --files-from -X "
                                                "--exclude-from --exclude"));
        const Options copy = options("-t --target-directory -S --suffix");
        for (const char* name : {"cp", "mv", "ln"})
            t.insert(QLatin1String(name), copy);
        t.insert(QStringLiteral("install"),
                 options("-t --target-directory -S --suffix -m --mode -o "
                         "--owner -g --group"));
        t.insert(QStringLiteral("mkdir"), options("-m --mode"));
        t.insert(QStringLiteral("touch"), options("-d --date -r --reference -t"));
        t.insert(QStringLiteral("du"), options("-d --max-depth -t --threshold -B --block-size "
                                               "--exclude"));
        t.insert(QStringLiteral("df"), options("-t --type -x --exclude-type -B --block-size"));
        t.insert(QStringLiteral("diff"), options("-U -L --label -x --exclude -X --exclude-from -I "
                                                 "--ignore-matching-lines -F"));
        t.insert(QStringLiteral("ssh"), options("-p -i -l -F -b -c -D -E -e -I -L -m -O -Q -R -S "
                                                "-W -w"));
        t.insert(QStringLiteral("rsync"), options("--exclude --include --filter -f --chmod --chown "
                                                  "--log-file --exclude-from --include-from "
                                                  "--files-from -T --temp-dir --suffix"));
        t.insert(QStringLiteral("notify-send"),
                 options("-u --urgency -t --expire-time -i --icon -a --app-name -c --category -h "
                         "--hint -r --replace-id -A --action"));
        t.insert(QStringLiteral("zenity"), options("--text --title --entry-text --filename "
                                                   "--width --height --column --timeout "
                                                   "--ok-label --cancel-label"));
        t.insert(QStringLiteral("amixer"), options("-c --card -D --device"));
        t.insert(QStringLiteral("ffmpeg"),
                 options("-i -ss -t -to -f -c -codec -vcodec -acodec -b -r -s -vf -af -ar -ac "
                         "-map -metadata -preset -crf -q -qscale -aspect -frames -vframes -threads "
                         "-loglevel",
                         true));
        t.insert(QStringLiteral("xclip"), options("-selection -t -target -d -display", true));
        t.insert(QStringLiteral("wl-copy"), options("-t --type --seat"));
        t.insert(QStringLiteral("perl"), options("-e -E -I"));
        t.insert(QStringLiteral("pandoc"), options("-o --output -f --from -r --read -t --to -w "
                                                   "--write -M --metadata -V --variable "
                                                   "--template -c --css --resource-path"));
        t.insert(QStringLiteral("journalctl"),
                 options("-u --unit -n --lines -S --since -U --until -p --priority -t "
                         "--identifier -o --output -g --grep -D --directory --user-unit"));
        t.insert(QStringLiteral("systemctl"), options("-p --property -t --type -H --host -M "
                                                      "--machine --state -n --lines -o "
                                                      "--output -s --signal"));
        t.insert(QStringLiteral("make"), options("-f --file --makefile -C --directory -I "
                                                 "--include-dir -o --old-file -W --what-if"));
        t.insert(QStringLiteral("gh"),
                 options("-t --title -b --body -F --body-file -R --repo -l --label -a "
                         "--assignee -B --base -H --head -m --milestone -p --project -r "
                         "--reviewer -q --jq -L --limit -s --state -S --search -A --author"));
        t.insert(QStringLiteral("vim"), options("-c --cmd"));
        return t;
    }();
    return table;
}

// git's options before the subcommand, and those of each subcommand: "-m" is a message to
// commit but a flag to log, "-C" a folder before the subcommand but a flag to diff.
Options gitOptions(const QString& subcommand) {
    static const QHash<QString, Options> table = [] {
        QHash<QString, Options> t;
        t.insert(QString(), options("-C -c --git-dir --work-tree --namespace --exec-path"));
        t.insert(QStringLiteral("commit"),
                 options("-m --message -F --file -C --reuse-message -c --reedit-message "
                         "--author --date -t --template --fixup --squash --cleanup"));
        t.insert(QStringLiteral("tag"), options("-m --message -F --file -u --local-user"));
        t.insert(QStringLiteral("merge"), options("-m --message -F --file -s --strategy -X "
                                                  "--strategy-option"));
        t.insert(QStringLiteral("checkout"), options("-b -B --orphan"));
        t.insert(QStringLiteral("switch"), options("-c --create -C --force-create --orphan"));
        t.insert(QStringLiteral("worktree"), options("-b -B"));
        t.insert(QStringLiteral("stash"), options("-m --message"));
        t.insert(QStringLiteral("notes"), options("-m --message -F --file"));
        t.insert(QStringLiteral("remote"), options("-t -m"));
        t.insert(QStringLiteral("grep"), options("-e -f -A -B -C -m --max-count"));
        t.insert(QStringLiteral("clone"), options("-b --branch -o --origin --depth --reference"));
        t.insert(QStringLiteral("rebase"), options("--onto -s --strategy -X --strategy-option"));
        const Options log = options(
            "-n --max-count --author --committer --grep --since "
            "--until --after --before --skip");
        t.insert(QStringLiteral("log"), log);
        t.insert(QStringLiteral("shortlog"), log);
        t.insert(QStringLiteral("fetch"), options("--depth --shallow-since"));
        t.insert(QStringLiteral("pull"), options("--depth"));
        t.insert(QStringLiteral("cherry-pick"), options("-m --mainline -s --strategy -X"));
        t.insert(QStringLiteral("revert"), options("-m --mainline"));
        t.insert(QStringLiteral("blame"), options("-L"));
        t.insert(QStringLiteral("describe"), options("--match --exclude"));
        t.insert(QStringLiteral("branch"), options("-u --set-upstream-to"));
        t.insert(QStringLiteral("restore"), options("-s --source"));
        return t;
    }();
    return table.value(subcommand);
}

// Programs that run another program with the rest of their words: their own options come
// first, then `operands` words of their own, then (env, sudo) settings, then the command. A
// "--" ends only their own options.
struct Wrapper {
    Options own;
    int operands = 0;
    bool assignments = false;
};

const QHash<QString, Wrapper>& wrappers() {
    static const QHash<QString, Wrapper> table = [] {
        QHash<QString, Wrapper> t;
        t.insert(QStringLiteral("env"),
                 {options("-u --unset -C --chdir -S --split-string"), 0, true});
        t.insert(QStringLiteral("sudo"), {options("-u -g -C -D -h -p -r -t -U -T --user --group "
                                                  "--chdir --prompt"),
                                          0, true});
        t.insert(QStringLiteral("doas"), {options("-u -C"), 0, false});
        t.insert(QStringLiteral("timeout"), {options("-s --signal -k --kill-after"), 1, false});
        t.insert(QStringLiteral("nice"), {options("-n --adjustment"), 0, false});
        t.insert(QStringLiteral("stdbuf"),
                 {options("-i -o -e --input --output --error"), 0, false});
        t.insert(QStringLiteral("ionice"), {options("-c -n -t --class --classdata"), 0, false});
        t.insert(QStringLiteral("chrt"), {options(""), 1, false});
        t.insert(QStringLiteral("taskset"), {options(""), 1, false});
        t.insert(QStringLiteral("flock"),
                 {options("-w --timeout -E --conflict-exit-code"), 1, false});
        t.insert(QStringLiteral("chroot"), {options("--userspec --groups"), 1, false});
        t.insert(QStringLiteral("exec"), {options("-a"), 0, false});
        t.insert(QStringLiteral("xargs"),
                 {options("-I -n -L -l -d -a -P -s -E --arg-file --delimiter --max-args "
                          "--max-lines --max-procs --max-chars --eof"),
                  0, false});
        t.insert(QStringLiteral("strace"), {options("-e -o -p -s -u -E -P -b -I -X -a"), 0, false});
        t.insert(QStringLiteral("ltrace"), {options("-e -o -p -s -u -n -a -l"), 0, false});
        t.insert(QStringLiteral("systemd-run"),
                 {options("-p --property -u --unit -E --setenv --slice -M --machine "
                          "--description"),
                  0, false});
        t.insert(QStringLiteral("nsenter"),
                 {options("-t --target -S --setuid -G --setgid"), 0, false});
        t.insert(QStringLiteral("xvfb-run"), {options("-n -s -f -e -p --server-num --server-args "
                                                      "--auth-file --error-file"),
                                              0, false});
        t.insert(QStringLiteral("runuser"),
                 {options("-u -g -G --user --group --supp-group"), 0, false});
        t.insert(QStringLiteral("prlimit"), {options("-p --pid"), 0, false});
        for (const char* name :
             {"nohup", "setsid", "unbuffer", "busybox", "valgrind", "firejail", "unshare",
              "dbus-run-session", "catchsegv", "torsocks", "proxychains", "proxychains4"})
            t.insert(QLatin1String(name), {});
        return t;
    }();
    return table;
}

// Editors and pagers that run "+command" as they start.
bool readsPlusCommands(const QString& program) {
    static const QSet<QString> names = {
        QStringLiteral("vi"),   QStringLiteral("vim"),  QStringLiteral("nvim"),
        QStringLiteral("ex"),   QStringLiteral("view"), QStringLiteral("vimdiff"),
        QStringLiteral("gvim"), QStringLiteral("rvim"), QStringLiteral("rview"),
        QStringLiteral("less"), QStringLiteral("more")};
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
// it is an operand whatever it begins with. find, ImageMagick, echo and the scripts and
// interpreters whose words after the script are the script's own are not among them; git
// reads "--" as the start of paths and has "--end-of-options" instead.
bool honoursEndOfOptions(const QString& program) {
    static const QSet<QString> names = {
        QStringLiteral("grep"),      QStringLiteral("egrep"),      QStringLiteral("fgrep"),
        QStringLiteral("rg"),        QStringLiteral("sort"),       QStringLiteral("uniq"),
        QStringLiteral("cut"),       QStringLiteral("head"),       QStringLiteral("tail"),
        QStringLiteral("cat"),       QStringLiteral("ls"),         QStringLiteral("rm"),
        QStringLiteral("cp"),        QStringLiteral("mv"),         QStringLiteral("ln"),
        QStringLiteral("mkdir"),     QStringLiteral("rmdir"),      QStringLiteral("touch"),
        QStringLiteral("chmod"),     QStringLiteral("chown"),      QStringLiteral("stat"),
        QStringLiteral("wc"),        QStringLiteral("du"),         QStringLiteral("tr"),
        QStringLiteral("date"),      QStringLiteral("tar"),        QStringLiteral("diff"),
        QStringLiteral("cmp"),       QStringLiteral("tee"),        QStringLiteral("basename"),
        QStringLiteral("dirname"),   QStringLiteral("realpath"),   QStringLiteral("readlink"),
        QStringLiteral("file"),      QStringLiteral("install"),    QStringLiteral("nl"),
        QStringLiteral("fold"),      QStringLiteral("paste"),      QStringLiteral("join"),
        QStringLiteral("comm"),      QStringLiteral("shuf"),       QStringLiteral("od"),
        QStringLiteral("base64"),    QStringLiteral("sha256sum"),  QStringLiteral("md5sum"),
        QStringLiteral("gzip"),      QStringLiteral("xz"),         QStringLiteral("less"),
        QStringLiteral("vim"),       QStringLiteral("wget"),       QStringLiteral("ssh"),
        QStringLiteral("systemctl"), QStringLiteral("journalctl"), QStringLiteral("seq"),
        QStringLiteral("sleep"),     QStringLiteral("expr"),       QStringLiteral("make"),
        QStringLiteral("cd"),        QStringLiteral("printf"),     QStringLiteral("kill"),
        QStringLiteral("env"),       QStringLiteral("nice"),       QStringLiteral("timeout"),
        QStringLiteral("sudo"),      QStringLiteral("xargs")};
    return names.contains(program);
}

// How many words `option` takes: named in the table, or the last of a bundle of letters
// ("-am": "-m" takes the message).
int wordsTaken(const Options& table, const QString& option) {
    if (const auto found = table.arguments.constFind(option); found != table.arguments.cend())
        return *found;
    if (table.singleDashLong || option.startsWith(QLatin1String("--")) ||
        option.contains(QLatin1Char('=')))
        return 0;
    for (qsizetype i = 1; i < option.size(); ++i) {
        if (const auto found = table.arguments.constFind(QStringLiteral("-") + option[i]);
            found != table.arguments.cend())
            return i == option.size() - 1 ? *found : 0;  // earlier: the rest is its argument
    }
    return 0;
}

// Whether bash expands braces in `word`: an unquoted "{" with an unquoted "," or ".." before
// its "}".
bool bracesExpand(const QString& word) {
    bool single = false;
    bool dquote = false;
    QList<bool> opened;  // for each open brace: whether it holds a separator yet
    for (qsizetype i = 0; i < word.size(); ++i) {
        const QChar c = word[i];
        if (c == QLatin1Char('\\')) {
            ++i;
        } else if (c == QLatin1Char('\'') && !dquote) {
            single = !single;
        } else if (c == QLatin1Char('"') && !single) {
            dquote = !dquote;
        } else if (single || dquote) {
            continue;
        } else if (c == QLatin1Char('$') && i + 1 < word.size() &&
                   word[i + 1] == QLatin1Char('{')) {
            for (int depth = 0; i < word.size(); ++i) {  // "${…}" is no brace expansion
                if (word[i] == QLatin1Char('{'))
                    ++depth;
                else if (word[i] == QLatin1Char('}') && --depth == 0)
                    break;
            }
        } else if (c == QLatin1Char('{')) {
            opened.append(false);
        } else if (!opened.isEmpty() &&
                   (c == QLatin1Char(',') || (c == QLatin1Char('.') && i + 1 < word.size() &&
                                              word[i + 1] == QLatin1Char('.')))) {
            opened.last() = true;
        } else if (c == QLatin1Char('}') && !opened.isEmpty()) {
            if (opened.takeLast())
                return true;
        }
    }
    return false;
}

}  // namespace

// The position of the program that `words` run, through the wrappers before it (env, sudo,
// timeout …); -1 when the words end among a wrapper's own, with how that wrapper reads the
// next word in `place`.
qsizetype ShellTemplateReader::programIndex(const QStringList& words,
                                            std::optional<WordPlace>* place,
                                            QList<qsizetype>* positions) {
    qsizetype i = commandIndex(words);
    if (i < 0)
        return -1;
    QString program = programName(words[i]);
    if (positions)
        positions->append(i);
    while (wrappers().contains(program)) {
        const Wrapper& wrapper = wrappers()[program];
        bool ended = false;
        int taken = 0;
        int operands = 0;
        qsizetype j = i + 1;
        for (; j < words.size(); ++j) {
            const QString word = unquoted(words[j]);
            if (taken > 0) {
                --taken;
            } else if (!ended && word == QLatin1String("--")) {
                ended = true;
            } else if (!ended && word.size() > 1 && word.startsWith(QLatin1Char('-'))) {
                taken = wordsTaken(wrapper.own, word);
            } else if (operands < wrapper.operands) {
                ++operands;
            } else if (wrapper.assignments && word.contains(QLatin1Char('='))) {
                // a setting for the command
            } else {
                break;
            }
        }
        if (j == words.size()) {
            if (place) {
                *place = WordPlace{};
                (*place)->program = program;
                (*place)->endOfOptions = !ended && honoursEndOfOptions(program);
                (*place)->options = taken == 0 && !ended;
                (*place)->assignment =
                    taken == 0 && wrapper.assignments && operands == wrapper.operands;
            }
            return -1;
        }
        i = j;
        program = programName(words[i]);
        if (positions)
            positions->append(i);
    }
    return i;
}

QList<qsizetype> ShellTemplateReader::programPositions(const QStringList& words) {
    QList<qsizetype> positions;
    programIndex(words, nullptr, &positions);
    return positions;
}

// How the program that `words` run reads the word after them: none when that word is the
// command word, an assignment, a word of a shell keyword, or a word an option takes.
std::optional<ShellTemplateReader::WordPlace> ShellTemplateReader::placeAfter(
    const QStringList& words) {
    const qsizetype index = commandIndex(words);
    if (index < 0)
        return std::nullopt;
    static const QSet<QString> keywords = {
        QStringLiteral("[["),      QStringLiteral("for"),     QStringLiteral("select"),
        QStringLiteral("case"),    QStringLiteral("in"),      QStringLiteral("function"),
        QStringLiteral("export"),  QStringLiteral("local"),   QStringLiteral("declare"),
        QStringLiteral("typeset"), QStringLiteral("readonly")};
    if (keywords.contains(programName(words[index])))
        return std::nullopt;
    std::optional<WordPlace> amongWrappers;
    const qsizetype i = programIndex(words, &amongWrappers);
    if (i < 0)
        return amongWrappers;
    const QString program = programName(words[i]);

    Options table =
        program == QLatin1String("git") ? gitOptions(QString()) : programs().value(program);
    const bool stopsAtOperand =
        program == QLatin1String("echo") || program == QLatin1String("printf");
    bool ended = false;
    int taken = 0;
    int operands = 0;
    QString subcommand;
    for (qsizetype j = i + 1; j < words.size(); ++j) {
        const QString word = unquoted(words[j]);
        if (taken > 0) {
            --taken;
        } else if (!ended &&
                   ((word == QLatin1String("--") && program != QLatin1String("echo")) ||
                    (word == QLatin1String("--end-of-options") && !subcommand.isEmpty()))) {
            ended = true;
        } else if (!ended && word.size() > 1 && word.startsWith(QLatin1Char('-')) &&
                   !(stopsAtOperand && operands > 0)) {
            taken = wordsTaken(table, word);
        } else {
            ++operands;
            if (program == QLatin1String("git") && operands == 1) {
                table = gitOptions(word);
                subcommand = QLatin1Char(' ') + word;
            }
        }
    }
    if (taken > 0)
        return WordPlace{};
    WordPlace place;
    place.options = !ended && !(stopsAtOperand && operands > 0);
    place.echoOnly = place.options && program == QLatin1String("echo");
    place.plusCommand = !ended && readsPlusCommands(program);
    place.assignment = program == QLatin1String("make");
    place.expands = program == QLatin1String("make");
    place.opened = program == QLatin1String("perl");
    place.numbers = takesNegativeNumbers(program);
    // Option parsers leave a lone "-" alone; su reads it as "-l".
    place.dashOperand = program != QLatin1String("su");
    place.program = unquoted(words[i]) + subcommand;
    if (const QString before = unquoted(words.last()); words.size() > i + 1 && before.size() > 1 &&
                                                       before.startsWith(QLatin1Char('-')) &&
                                                       before != QLatin1String("--"))
        place.option = before;
    place.endOfOptions =
        place.options &&
        (program == QLatin1String("git") ? !subcommand.isEmpty() : honoursEndOfOptions(program));
    return place;
}

// A word that holds values, or expansions that may bring them, where a program may read
// them as more than text.
void ShellTemplateReader::noteLeadingValues(const Frame& frame) {
    if (frame.conditional)
        return;
    static const QRegularExpression reference(QStringLiteral("^\\$\\{tavrin_value_([0-9]+)\\}"));
    const QString& word = frame.word;
    OptionSpot spot;
    bool leading = true;
    bool inDoubleQuotes = false;
    bool severalWords = false;  // an expansion that may give more words than one
    qsizetype substitution = 0;
    qsizetype i = 0;
    const auto reached = [&](const ShellValueFlow::Values& values, bool splits,
                             bool derived = false) {
        if (values.isEmpty())
            return;
        if (leading || (!inDoubleQuotes && splits))
            (derived ? spot.derived : spot.reached) |= values;
        severalWords = severalWords || (!inDoubleQuotes && splits);
    };
    const auto expansion = [&](QStringView text) {
        ShellValueFlow::Values given;
        ShellValueFlow::Values derived;
        flow_.split(text, given, derived);
        reached(given, true);
        reached(derived, true, true);
    };
    while (i < word.size()) {
        const QChar c = word[i];
        const QStringView rest = QStringView(word).mid(i);
        if (c == QLatin1Char('"')) {
            inDoubleQuotes = !inDoubleQuotes;
            ++i;
        } else if (rest.startsWith(u"\\\n")) {
            i += 2;  // a line continuation, inside quotes or out: nothing
        } else if (rest.startsWith(u"$\"") && !inDoubleQuotes) {
            ++i;  // $"…" is "…", perhaps translated
        } else if (c == QLatin1Char('\'') && !inDoubleQuotes) {
            const qsizetype end = word.indexOf(QLatin1Char('\''), i + 1);
            if (end != i + 1) {
                leading = false;
                spot.alone = false;
            }
            i = end < 0 ? word.size() : end + 1;
        } else if (const QRegularExpressionMatch match = reference.match(rest); match.hasMatch()) {
            if (leading)
                spot.numbers.append(match.captured(1).toLongLong());
            i += match.capturedLength();
        } else if (rest.startsWith(u"$'") && !inDoubleQuotes) {
            qsizetype end = i + 2;
            while (end < word.size() && word[end] != QLatin1Char('\''))
                end += word[end] == QLatin1Char('\\') ? 2 : 1;
            // $'…' with text in it, unless an escape begins it: "\c@" or "\x00" ends the
            // string right there, so it may come to nothing.
            if (end != i + 2 && word[i + 2] != QLatin1Char('\\')) {
                leading = false;
                spot.alone = false;
            }
            i = std::min(end + 1, word.size());
        } else if (rest.startsWith(u"$((")) {
            leading = false;  // a number the template computes
            spot.alone = false;
            int depth = 0;
            for (; i < word.size(); ++i) {
                if (word[i] == QLatin1Char('('))
                    ++depth;
                else if (word[i] == QLatin1Char(')') && --depth == 0)
                    break;
            }
            ++i;
        } else if (rest.startsWith(u"$(")) {
            // The reader keeps a command substitution's text out of the word: "$(" is left.
            reached(frame.substitutions.value(substitution++), true, true);
            i += 2;
        } else if (rest.startsWith(u"${")) {
            int depth = 0;
            qsizetype end = i + 1;
            for (; end < word.size(); ++end) {
                if (word[end] == QLatin1Char('{'))
                    ++depth;
                else if (word[end] == QLatin1Char('}') && --depth == 0)
                    break;
            }
            const QStringView content = QStringView(word).mid(i + 2, end - i - 2);
            expansion(QStringView(word).mid(i, end + 1 - i));
            severalWords = severalWords || content.contains(u"[@]") || content.contains(u"[*]") ||
                           content.startsWith(QLatin1Char('@')) ||
                           content.startsWith(QLatin1Char('*'));
            i = std::min(end + 1, word.size());
        } else if (c == QLatin1Char('$') && i + 1 < word.size() &&
                   (isNameStart(word[i + 1]) || word[i + 1].isDigit() ||
                    word[i + 1] == QLatin1Char('@') || word[i + 1] == QLatin1Char('*'))) {
            qsizetype length = nameLength(rest.mid(1));
            if (length == 0)
                length = 1;
            expansion(rest.mid(0, 1 + length));
            severalWords =
                severalWords || word[i + 1] == QLatin1Char('@') || word[i + 1] == QLatin1Char('*');
            i += 1 + length;
        } else if (rest.startsWith(u"$!")) {
            i += 2;  // the last background job's number: nothing when there is none
        } else if (c == QLatin1Char('`')) {
            qsizetype end = i + 1;
            while (end < word.size() && word[end] != QLatin1Char('`'))
                end += word[end] == QLatin1Char('\\') ? 2 : 1;
            reached(flow_.valuesIn(QStringView(word).mid(i, end - i)), true, true);
            i = std::min(end + 1, word.size());
        } else if (!inDoubleQuotes && QStringView(u"*?[").contains(c)) {
            // A pattern may match a file whose name is all that comes before the value, or
            // nothing: what begins the word is not known.
            spot.alone = false;
            ++i;
        } else {
            leading = false;
            spot.alone = false;
            i += c == QLatin1Char('\\') ? 2 : 1;
        }
    }
    spot.separators = assignedNames_.contains(QStringLiteral("IFS"));
    const qsizetype end = source_.size() - (reading_ ? 1 : 0);
    spot.written = source_.mid(frame.wordStart, end - frame.wordStart);
    std::optional<WordPlace> place = placeAfter(frame.words);
    // make expands the value of a "NAME=…" word: any value in it counts, wherever it stands.
    static const QRegularExpression anyReference(QStringLiteral("tavrin_value_([0-9]+)"));
    const qsizetype equals = word.indexOf(QLatin1Char('='));
    if (place && place->expands && equals > 0 && !word.left(equals).contains(QLatin1Char('$'))) {
        OptionSpot setting;
        setting.place.expands = true;
        setting.reached = spot.reached | flow_.valuesIn(word);
        setting.derived = spot.derived;
        for (auto found = anyReference.globalMatch(word); found.hasNext();)
            setting.reached.insert(found.next().captured(1).toLongLong());
        if (!setting.reached.isEmpty())
            optionSpots_.append(setting);
    }
    if (spot.numbers.isEmpty() && spot.reached.isEmpty() && spot.derived.isEmpty() &&
        !(place && bracesExpand(word) && word.contains(QLatin1String("tavrin_value_"))))
        return;
    // A command word that expands to several words makes the rest arguments of a program
    // nobody knows.
    if (!place && commandIndex(frame.words) < 0 && !isAssignment(word) && severalWords &&
        !(spot.reached.isEmpty() && spot.derived.isEmpty())) {
        place = WordPlace{};
        place->options = true;
        spot.numbers.clear();
    }
    if (!place)
        return;
    spot.place = *place;
    if (bracesExpand(word)) {
        // "{,}{{a}}", "{{{a}},x}": brace expansion may give each value a word of its own.
        static const QRegularExpression anyValue(QStringLiteral("tavrin_value_([0-9]+)"));
        for (auto found = anyValue.globalMatch(word); found.hasNext();) {
            OptionSpot alone = spot;
            alone.numbers = {found.next().captured(1).toLongLong()};
            alone.alone = true;
            optionSpots_.append(alone);
        }
    }
    optionSpots_.append(spot);
}
