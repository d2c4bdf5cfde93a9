#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "Actions/ShellCommand.h"
#include "FuzzInput.h"

// Shell templates built from the input, filled with values that create a canary file if a
// shell ever parses them as code. Each template Tavrin accepts runs the way a shell action
// runs it, started by sh, bash, zsh and ksh as login shells, inside bubblewrap (no network,
// the canary folder as a private /tmp); the canary must never appear.

extern char** environ;

namespace {

// Pieces of shell grammar that an input byte of 0x80 and above stands for; plain ASCII
// bytes stand for themselves.
// clang-format off
const char* const fragments[] = {
    "{{a}}", "{{b}}", "$(", ")", "${", "}", "$((", "))", "((", "[[", "]]", "[", "]", "'", "\"",
    "`", "$'", "\\", "case x in x) ", ";; esac", "<<EOF\n", "\nEOF\n", "<<'EOF'\n", "<<<",
    "let ", "declare ", "typeset ", "local ", "export ", "readonly ", "-i ", "-a ", "-n ",
    "read ", "printf -v ", "test -v ", "[ -v ", "unset ", "mapfile ", "x=", "x[", "]=", "=(",
    "$x", "${x}", "${!x}", "${x:-", "${x[", "${#x}", "$[", "$1", "\"$@\"", "echo ", "printf %s ",
    "f() { ", "; }; f ", "for i in 1; do ", "; done", "if true; then ", "; fi", "# ",
    "\n", " ", "\t", ";", "&&", "||", "|", "&", "\u00a0", "\u3000", "\v", "\f", "\r", "$",
    "=", ":", "-", "+", "*", "?", "!", "~", "@", "#", "%", "^", ",", "/", "{", "(",
    ">", ">&2 ", "2>", "&>", "<(", ">|", "function f { ", "time -p ", "coproc ", "{ ", " }",
    "PS4=", "alias ", "$*", "-v ", "n", "-c ", "'\\n'", "\"\\n\"", "x=let;", "x=read;",
    "{let,:} ", "l?t ", "\\\n", "${x:-let}", "set -- let;", "x[1]=1 ", ">&", "<&", "*(e:",
    ":)", "$~x", "RANDOM=", "OPTIND=", "functions[f]=", "x=(1); ", "print -v ", "wait -p ",
    // numeric conversions and builtins that read a number
    "printf '%d\\n' ", "printf 'Betrag: %.2f EUR\\n' ", "printf '%*s|' ", "print -f '%d\\n' ",
    "exit ", "f() { return ", "shift ", "for i in 1; do break ", "continue ", "repeat ",
    "[ -t ", " ]", "ulimit -n ", "read -t ",
    // integer variables of one shell or another
    "COLUMNS=", "export LINES=", "local COLUMNS=", "SECONDS=", "HISTSIZE=", "SAVEHIST=",
    "SHLVL=", "UID=", "FUNCNEST=", "KEYTIMEOUT=", "LISTMAX=", "MAILCHECK=", "TRY_BLOCK_ERROR=",
    "SRANDOM=", "HISTCMD=", "BASHPID=", " ls",
    // subscripts with and without braces
    "i=", "; a=(x y); echo $a[$i]", "${a[$i]}", "$a[", "${a[i]}", "a[i]=",
    // values where programs read options
    "printf ", "print ", " hallo", " -- ", "git log ", "echo -n ", "cd ",
    // a second shell's script behind options
    "bash -o pipefail -c ", "sh -o errexit -c ", "bash -O extglob -c ", "bash -c -- ",
    "\"$(command -v bash)\" -c ", "script -qc ", "flock l -c ", "su root -c ", "$SHELL -c ",
    // data-only constructs that run
    "[[ -n ", " == main ]]", "${TITLE:-", "read -r v n <<< ", "for ((i=0;i<3;i++)); do ",
    "test -v HOME", "declare -a l=(", "<<EOF\n# ", "\"Eintrag[", "]\"", "$(date +%u) -gt 5 ",
    // values passed on through variables, substitutions and input
    "x={{a}}; ", "\"$x\" ", "$x ", "read -r x <<< ", "set -- ", "\"$1\" ", "${x:+\"$x\"}", "$''",
    "${HOME:+}", "arr=(", "\"${arr[@]}\"", "\"$(echo ", "for r in ", "; do git log \"$r\"; done",
    "$_ ", "| xargs ", "| sh", "| bash", "sh <<< ", "bash < <(echo ", "bash <(echo ",
    "PS4=\"$x\"; ", "set -x; ", ": ${PS4=", "export BASH_ENV=\"$x\"; bash -c true; ",
    // wrappers, subcommands and programs that read more than text
    "env -- ", "timeout -- 5 ", "nice -- ", "git fetch ", "git rebase -m ", "git show -m ",
    "git diff -b ", "ex -sc q ", "vim -es -c q ", "perl -ne 1 ", "make -s ", "date -d ", "head -n ",
    "grep -e ", "jq -n --arg v ", "seq ", "xargs git log ",
    // prefixes that come to nothing, brace expansion, line continuations
    "$\"\"", "$'\\c@'", "\"\\\n\"", "$\"", "{,}", "{\"\",}", "{{{a}},}", "sort -k {1,", "sort -u \\\n",
    // values read back from a file the template writes
    "> f; ", "$(cat f)", "$(< f)", "xargs -a f ", "< f", "| sort $(cat)", "xargs -d, ",
    // names that are arrays, quoted subscripts, shell options
    "X[0]=1; ", "declare X=", "printf -v 'X[0]' 1; ", "coproc X { :; }; ", "unset 'arr[x]'",
    "shopt -s extdebug\n", "shopt -s expand_aliases\n", "BASH_ARGV[0]", "set -k; ",
    // programs known only when they run, scripts through descriptors
    "/dev/fd/3 ", "3<<< ", "/proc/self/fd/0 ", "/dev//stdin ", "$BASH ", "\"$BASH\" -s ",
    "/proc/self/exe ", "b=bash; $b ", "`which sh` ", "/bin/s[h] ", "alias b=bash\nb ",
    "$EDITOR ", "$cmd ",
    // ordinary templates: options after earlier expanding words
    "git commit -m ", " --author=", "--include=*.", " -o ", "--max-time=", "-mtime -",
    "touch -d ", "declare -A f=([k]=1); echo \"${f[",
    // programs that read code from their input, and ways a value gets to one
    "| python3", "| busybox sh", "| sqlite3 n.db", "mapfile -C eval -c 1 ", "| su -c sh",
    "| watch sh", "| env -S 'bash -s'", "f() { sh; }; ", "| f", "mkfifo p; sh < p & ", "> p",
    "cp /dev/stdin f <<< ", "*",
    // text made from a value: expansion operators, pipes through programs, decoders
    "\"${x#v}\" ", "\"${x:1}\" ", "\"${x##*_}\" ", "| sed 's/^v//'", "| cut -c2-", "| rev",
    "| base64 -d", "printf %b ", "echo -e ", "| tr ' ' '-'", "jq -rn --arg v ", " '$v|fromjson'",
    "$!", "sort ", " f", "| xargs sort", "sort -- ",
    // integers in arithmetic, a lone "-" where it is an operand
    "$(( ", " + 1 ))", "git checkout ", "cd ",
    // options that take no word, runners and what they hand to a shell
    "git shortlog -n ", "git shortlog -sn ", "git cherry-pick -s ", "journalctl -n ",
    "xargs -l ", "ionice -t ", "unshare --wd /tmp ", "strace -O 1 ", "env - ", "sudo -s ",
    "sudo -i ", "setpriv ", "fakeroot -s f ", "sg users -c ", "pkexec --user root ",
    "flatpak-spawn --host ", "sh -c ",
    // code readers behind options, versions and paths
    "| python3 -W ignore", "| python3 -X utf8", "| perl -I lib", "| node -r fs",
    "| awk -v x=1 -f -", "| awk -F , -f /dev/stdin", "| python3.11", "| perl5.36.0",
    "| mawk -f -", "| nawk -f /dev/stdin", "ex -s f <<< ", "vim -es f <<EOF\n%s/x/",
    "| make -f -", "make -f - <<EOF\nall:\n\techo ", "bash //dev/stdin <<< ",
    "bash ../../dev/stdin <<< ",
    // programs the template maps to another, coproc's array
    "hash -p /bin/sh git; git ", "BASH_CMDS[git]=/bin/sh; git ", "coproc cat; declare COPROC=",
    // ordinary values that look like options
    "find . -newermt ", "convert a.png -rotate ", " out.png", "python3 -c 'print(1)' ",
    // programs that read other edges of a word: names opened through a shell, "!command",
    // "+command" in Ex mode, find's expression, and values that make one word together
    "sox ", " out.wav", "soxi ", "play -q ", "ed -s ", "vim -es ", "find -- ", " -name x -delete",
    "y={{b}}; ", "\"$x$y\" ", "\"$x\"{{b}}", "\"$x${y:-{{b}}}\"", "git log --author $x",
    // data: a shell's and awk's words after the script, sox's effects, printf -v's values,
    // an integer subscript
    "sh -c 'echo \"$1\"' _ ", " gain ", " trim 0 ", "git log -S ", "printf -v n '%s' ",
    "f=(a b); echo \"${f[", "magick a.png -rotate ",
    // programs under other names, runners the reader does not list, abbreviated options
    "editor -es ", "vim.basic -es ", "| zsh5", "| rksh93", "perl5.36-x86_64-linux-gnu -ne 1 ",
    "sensible-editor ", "setarch x86_64 ", "linux64 ", "/usr/bin/time -q ", "ssh-agent ",
    "ccache ", "fakeroot-tcp ", "timeout --sig KILL 5 ", "nice --adj 5 ", "env --un X ",
    "stdbuf --out L ", "flock --time 5 l ", "xargs --max-a f ", "ed -s ", "mytool ",
    // a line continuation inside an operator, words a value is part of
    ">\\\n&", "<\\\n<", "notes/", "https://x.example/", "o/tmp/canary ", "> /dev/",
    // sox's effects and "--", ImageMagick's "+" options, git's refspecs, options without words
    " trim ", "sox -- a.wav ", "convert a.png ", " -append o.png", "git push -q origin ",
    "git fetch origin ", "diff -u ", "sort -c ", "du --time ", "node s.js ",
    // lists of names and settings read from the input or a file the template wrote
    "| tar -xf b.tar -T -", "| curl -sK -", "curl -sK f", "> l.m3u; sox l.m3u o.wav",
    "xargs --arg f ", "rksh93 ", "ksh ",
    // options cut short or whole where another begins with them, a program through a
    // variable behind a runner, a "--" that may be the runner's
    "sudo --login ", "su --comm ", "script -q --comm ", "env --sp ", "| xargs --repl sh -c 'echo {}'",
    "| make --fil -", "| curl -s --conf -", "| tar -cf b.tar --files -",
    "bwrap --ro-bind / / \"$SHELL\" -c ", "start-stop-daemon -S -x /bin/sh -- -c ",
    "flatpak-spawn --sandbox sh -c ", "rsync -a --compress ", "busybox ash -c ",
    // code from the input: interpreters under versioned names, sed's script, socat's program
    "| tclsh8.6", "| sed -nf - f", "| sed --fil=/dev/stdin f", "| socat - EXEC:sh",
    // a value through variables, loops, functions and substitutions into redirection targets
    "f={{a}}; ", "> \"$f\"", "> \"$1\"", "out={{b}}; exec > \"$out\"; ", "w() { echo x ",
    "; }; w ", "> \"$(echo ", "> \"${x}/", "printf -v f %s ",
    // text nobody can read beside a value: a variable, a default, an address
    "\"$HOME/", "\"$url/", "${ext:-i.bak}", "\"http://", "/stream.mp3\"", "x=o/tmp/canary; ",
    "\"$x\" f", ":", "-o/tmp/canary f",
    // a second shell's script with values as its parameters, through runners
    "sh -c 'ed -s \"$1\"' sh ", "sh -c 'sort \"$1\" f' sh ", "sh -c 'perl -ne 1 \"$1\"' sh ",
    "sh -c 'git log \"$1\"' sh ", "zsh -c 'vim -es \"$1\"' sh ", "env sh -c 'sort $1 f' sh ",
    "bash -c 'printf %s \"$1\"' _ ", "| xargs -I{} sh -c 'sort \"$1\" f' sh {}",
    "sh -c 'echo $(( $1 ))' sh ", "sh -c 'cat | sh' sh ",
    "su -c 'ed -s \"$1\"' root x ", "export f=", "f={{a}} sh -c 'sort \"$f\" f'",
    "env f={{a}} sh -c 'ed -s \"$f\"'", "sh -c 'ed -s \"$2\"' sh $x y",
    // find's -exec and the command it runs
    "find . -exec ed -s ", "find . -exec vim -es ", "find . -exec sort ", "find . -exec sh -c ",
    "find . -exec perl -ne 1 ", " {} \\;", " \\; -print", " {} +",
    // a shell's own options that take a word
    "bash -oc errexit ", "bash -Oc extglob ", "bash +Oc extglob ", "sh -eoc errexit ",
    "dash -oc errexit ", "bash --init-file /dev/null -c ", "bash --rcfile /dev/null -ic ",
    "zsh --emulate sh -c ", "| zsh --emulate sh", "ksh -co errexit ",
    // a program word bash computes behind a runner, a program among a runner's own words
    "/usr/bin/time -q \"$(command -v bash)\" -c ", "ssh-agent `command -v bash` -c ",
    "sh=bash; /usr/bin/time -q $sh -c ", "/usr/bin/time -q ${SHELL:0:0}sh -c ",
    "/usr/bin/time -o ls ", "$sh -c ",
    // files a program reads as its settings, dd's operands
    ">> ~/.gitconfig; git status", "> cfg; ssh -F cfg x true", "| tee -a ~/.ssh/config",
    "dd if=/dev/null ", " status=none",
    // programs known from their manuals, and those nobody knows
    "wl-copy -- ", "mail -s ", "shutdown -k ", "todo.sh add ", "nmcli dev wifi connect x password ",
    "kdeconnect-cli --destination ", "mytool --destination ", "mytool ",
    // names bash fills itself, indirection, the positional parameters it keeps
    "read -r <<< ", "; echo $(( REPLY ))", "; (( REPLY > 1 ))", "echo $(( $_ ))", "$(( $_ * 2 ))",
    "[[ ", " =~ (.*) ]] && echo $(( BASH_REMATCH[1] ))", "while getopts a: o; do (( OPTARG )); done",
    "set -- ", "; sort -- \"${!#}\"", "; sort \"${!#}\"", "; echo $(( ${!#} ))", "${!x}", "${!1}",
    "bash -c 'sort \"$BASH_ARGV\"' _ ", "bash -c 'echo $(( BASH_ARGV ))' _ ", "mapfile -t l <<< ",
    "; sort \"${l[1]}\"", "| while IFS= read -r l; do sort \"$l\"; done", "| xargs -I{} sort {}",
    // a second shell's arithmetic on what the template exports or sets for it
    "N=", " bash -c 'echo $(( N * 2 ))'", "export N=", "; bash -c 'for ((i = 0; i < N; i++)); do :; done'",
    "set -a; N=", "env N=", "find . -maxdepth 0 -exec env N=", " bash -c 'echo $(( N ))' \\;",
    // scripts from input, a descriptor or a process substitution, given values as parameters
    "bash -s -- ", " <<'EOF'\necho $(( $1 ))\nEOF\n", "bash -s ", " <<< 'echo $(( $1 + 1 ))'",
    "printf 'echo $(( $1 ))' | bash -s ", "bash /dev/stdin ", "bash <(printf 'sort \"$1\"') ",
    "sh -s ", " <<< 'sort \"$1\"'",
    // zsh as the second shell, and the user's shell that flock, script and su start
    "zsh -c 'print -r -- $~1' _ ", "zsh -c 'print -r -- $=1' _ ", "zsh -c 'print -r -- ${(e)1}' _ ",
    "zsh -c 'setopt globsubst; print -r -- $1' _ ", "zsh -o globsubst -c 'print -r -- $1' _ ",
    "zsh -c 'print -r -- *(e:\"[[ -n \\$1 ]]\":)' _ ", "zsh -c 'a=(1 2); print $a[$1]' _ ",
    "f=", " flock l -c 'sort \"$f\"'", "export C=", "; script -qc 'echo $(( C ))' /dev/null",
    "| flock l -c sh", "su root -- -c ", "SHELL=/usr/bin/zsh flock l -c 'print -r -- $~f'",
    // programs whose option's word a shell runs, strace's output, xmllint's shell
    "tar -cf t.tar -I ", " x", "c=", "; tar -cf t.tar --use-compress-program=\"$c\" x",
    "; tar -xf t.tar --to-command \"$c\"", "; tar -cf t.tar --checkpoint=1 --checkpoint-action=\"$c\" x",
    "; tar -cf t.tar --checkpoint=1 --checkpoint-action=exec=\"$c\" x", "strace -qqf -o ", " true",
    "| xmllint --shell x.xml", "tar -I 'gzip -", "' -cf t.tgz x",
    // values that become patterns outside quotes, and every name they match
    "x={{a}}; sort $x", "x={{a}}; tar -cf t.tar $x", "sort $x", "tar -cf t.tar $x", "for f in $x; do sort \"$f\"; done",
    // files the template writes and then runs
    "> c; crontab c", "> s; bash s", "> s; at -f s now", "> s.sh; sh ./s.sh",
    // everyday forms: numbers from commands, lines of find and grep, suffixes, keys, functions
    "$(( $(date -d ", " +%s) ))", "$(( $(wc -l < ", ") + 1 ))", "$(( $(grep -c ", " x) ))",
    "find . -iname ", " -print0 | xargs -0 ls -l", "grep -l ", " /etc/*.conf | xargs wc -l",
    "find ", " -name '*.txt' | while read -r f; do wc -w \"$f\"; done", "\"${f%.jpg}-klein.jpg\"",
    "declare -A m=([k]=1); k=", "; echo \"${m[$k]:-x}\"", "greet() { sort \"$1\"; }; greet ",
    "read -r -p ", " v", "mapfile -t z < <(grep ", " f)", "IFS= read -r z < <(head -1 ",
    // a table declared where it may not hold, keys assigned
    "f() { declare -A m; }; f; ", "(declare -A m); ", "declare -A m | cat; ", "echo \"${m[",
    "]}\"", "declare -A m; m[", "]=2; ",
    // files other programs write and then run, names values make in the folder
    "| dd of=s.sh status=none; sh s.sh", "cp /dev/stdin s <<< ", "; sh s", "; sh *.sh",
    "mkdir -p -- ", "; sort *", "; for f in *; do sh -c \"echo $f\"; done",
    "; find . -exec sh -c 'ls {}' \\;", "grep -l --label=", " '' - < x | xargs -I{} sh -c \"{}\"",
    // shells started without their name, code besides a script, zsh's arithmetic
    "capsh -- -c ", "| capsh --", "| x86_64", "| fakeroot-sysv", "git config core.fsmonitor ",
    "; git status", "git config ", "export PERL5OPT=", "; perl -e 1", "TAR_OPTIONS=",
    "zsh -c 'printf \"%d\" \"$1\"' _ ", " zsh -c 'shift n'", "zsh -c 'COLUMNS=$1' _ ",
    "ksh -c 'print -r -- \"$1\"' _ ", "zsh -c 'autoload -U zmv; zmv -W \"*.md\" \"$1\"' _ ",
};
// clang-format on
static_assert(std::size(fragments) <= 0x7f + 0x10000, "every fragment can be picked");

// Values that touch the canary when a shell reads them as code or arithmetic.
// clang-format off
const char* const payloads[] = {
    "$(touch /tmp/canary)",      "`touch /tmp/canary`",      "a[$(touch /tmp/canary)]",
    "x[$(touch /tmp/canary)]=1", "[$(touch /tmp/canary)]=1", "'; touch /tmp/canary; '",
    "\"; touch /tmp/canary; \"", "\ntouch /tmp/canary\n",    "$(touch${IFS}/tmp/canary)",
    "x=$(touch /tmp/canary)",    "a[`touch /tmp/canary`]",   "HOME[$(touch /tmp/canary)]",
    "PATH[`touch /tmp/canary`]", "-va[$(touch /tmp/canary)]", "-oProxyCommand=touch /tmp/canary",
    "--output=/tmp/canary",      "--to-command=touch /tmp/canary",
    // only a shell that parses them turns "can''ary" into "canary"
    "--upload-pack=touch /tmp/can''ary;:", "--exec=touch /tmp/can''ary", "+!touch /tmp/can''ary",
    "x:=$(shell touch /tmp/can''ary)", "touch /tmp/can''ary|", "touch /tmp/can''ary",
    // harmless as given, an option once the template changes them
    "v-o/tmp/canary", "a_-o/tmp/canary", "yranac/pmt/o-", "LW8vdG1wL2NhbmFyeQ==",
    "\\055o/tmp/canary", "\"\\u002do/tmp/canary\"", " o/tmp/canary", "v--output=/tmp/canary",
    // numbers arithmetic takes as they are, and a lone "-"
    "41", "-7", "-",
    // names sox, ed and perl open through a shell, and what follows a lone "-" in one word
    "|touch /tmp/can''ary", " |touch /tmp/can''ary", "touch /tmp/can''ary |  ",
    "!touch /tmp/can''ary", "http://x/$(touch /tmp/can''ary)", "o/tmp/canary",
    // vim's "+command", sox's effects and ImageMagick's "+" options ("/tmp/canary" itself
    // is no payload: a template may write to a file a value names)
    "+call system('touch /tmp/can''ary')|qa!", "spectrogram", "-o/tmp/canary", "+write",
    "x;touch /tmp/can''ary|", "x$(touch /tmp/can''ary)",
    // a Tcl script and sed's "e" command, which run a shell
    "exec sh -c {touch /tmp/can''ary}", "1e touch /tmp/can''ary",
    // nothing at all: the template's text beside it makes the word
    "",
    // a pattern, which may match the names of the folder the template runs in (see trapNames),
    // a zsh glob qualifier, a compressor with a command after it, what xmllint's shell saves
    "*", "?*", "*(e:touch /tmp/canary:)", "19;touch /tmp/canary;", "exec=touch /tmp/canary",
    "save /tmp/canary", "a\n-o/tmp/canary", "  -o/tmp/canary", "\\-o/tmp/canary", ".jpg",
    // zsh's arithmetic takes its parameters by name; a name for the folder, without a "/"
    "argv[$(touch /tmp/canary)]", "x;touch canary",
};
// clang-format on

const char* const loginShells[] = {"sh", "bash", "zsh", "ksh"};

// What the runs came to, printed when the fuzzer ends.
struct Tally {
    long refused = 0;
    long authors = 0;
    long runs[std::size(loginShells)] = {};

    ~Tally() {
        std::fprintf(stderr, "shell_command: %ld refused, %ld left to the author, runs:", refused,
                     authors);
        for (size_t i = 0; i < std::size(loginShells); ++i)
            std::fprintf(stderr, " %s %ld", loginShells[i], runs[i]);
        std::fprintf(stderr, "\n");
    }
} tally;

// Templates that hand text to a second interpreter decide themselves what it runs: eval and
// the like, sox's ladspa effect (a library it loads), and a value used as the command itself,
// also where a second shell's script or a function runs its parameter ("sh -c '$1' x {{a}}").
// A second shell's script that holds a value itself must be refused.
bool authorsChoice(const QString& text) {
    static const QRegularExpression interpreter(QStringLiteral(
        "(^|[^A-Za-z0-9_])(eval|trap|source|exec|alias|fc|canary|touch|perl(?! -ne 1 )|"
        "python3?|awk|ladspa)([^A-Za-z0-9_]|$)|(^|[;&|(\\s])\\.\\s"));
    // An expansion where a command word stands: at the start of a second shell's script, or
    // after an operator or a keyword.
    static const QRegularExpression shellReadingItsParameters(QStringLiteral(
        "(^|[(){};&|\\n`]|\\s-[A-Za-z]*c\\s+['\"]|\\b(do|then|else|time|exec|command)\\s)\\s*"
        "\\\\?[\"']?\\$"));
    // Options whose word a program runs or reads as code: "vim -c", "git rebase -x",
    // "--upload-pack", "make -f", "sed -e".
    static const QRegularExpression optionTakingCode(
        QStringLiteral("(\\s-[A-Za-z]*[cCxeEfS]|--[A-Za-z-]+)[\\s=]+['\"]?\\{\\{"));
    // A "-" the template writes right before the placeholder makes the value an option.
    static const QRegularExpression dashBeforeValue(
        QStringLiteral("(^|[\\s;&|(])['\"]*-+['\"]*\\{\\{"));
    return interpreter.match(text).hasMatch() || shellReadingItsParameters.match(text).hasMatch() ||
           optionTakingCode.match(text).hasMatch() || dashBeforeValue.match(text).hasMatch();
}

QTemporaryDir& canaryFolder() {
    static QTemporaryDir folder;
    return folder;
}

// A home whose profiles move the positional parameters, as "shift" at their top level does:
// the login shell may then see other values, but never one as its script.
constexpr const char* shiftingHome = "shifting-home";

void emptyCanaryFolder() {
    std::error_code ignored;
    for (const auto& entry :
         std::filesystem::directory_iterator(canaryFolder().path().toStdString(), ignored)) {
        if (entry.path().filename() != shiftingHome)
            std::filesystem::remove_all(entry.path(), ignored);
    }
}

// Names in the folder the template runs in that a pattern made from a value may match: sort
// writes "canary" for "-ocanary", tar runs a checkpoint's command. A pattern the template writes
// itself ("*.txt") would match them too, which is its author's choice: such templates run
// without them.
const char* const trapNames[] = {"-ocanary", "--checkpoint=1",
                                 "--checkpoint-action=exec=touch canary"};

// The files the templates' programs read ("tar -cf t.tar x", "xmllint --shell x.xml"), and
// with `traps` the names above.
void prepareFolder(bool traps) {
    const QString folder = canaryFolder().path() + QLatin1Char('/');
    QFile document(folder + QStringLiteral("x.xml"));
    require(document.open(QIODevice::WriteOnly) && document.write("<a/>\n") == 5, "a document");
    QFile plain(folder + QStringLiteral("x"));
    require(plain.open(QIODevice::WriteOnly), "a file");
    for (const char* name : traps ? std::span(trapNames) : std::span<const char* const>()) {
        QFile file(folder + QLatin1String(name));
        require(file.open(QIODevice::WriteOnly), "a name for patterns to match");
    }
}

void makeShiftingHome() {
    const QString home = canaryFolder().path() + QLatin1Char('/') + QLatin1String(shiftingHome);
    require(QDir().mkpath(home), "a home folder for the shifting profiles");
    for (const char* profile : {"/.profile", "/.zprofile"}) {
        QFile file(home + QLatin1String(profile));
        require(file.open(QIODevice::WriteOnly) && file.write("shift\n") == 6,
                "a shifting profile");
    }
}

// Runs the script as a shell action does, started by `shell` as the login shell, inside the
// sandbox (`shifting`: with the shifting profiles); its output goes nowhere.
void runSandboxed(const char* shell, const ShellCommand::Script& script, bool shifting) {
    const std::string folder = canaryFolder().path().toStdString();
    // Four shells of four seconds each stay inside the twenty seconds libFuzzer gives an
    // input, also where a template waits for good (script without a command starts a shell).
    // clang-format off
    std::vector<std::string> words = {
        "timeout", "-s", "KILL", "4",
        "bwrap", "--ro-bind", "/", "/", "--bind", folder, "/tmp", "--dev", "/dev",
        "--unshare-net", "--unshare-pid", "--new-session", "--die-with-parent", "--chdir", "/tmp"};
    // clang-format on
    if (shifting) {
        const std::string home = std::string("/tmp/") + shiftingHome;
        for (const char* variable : {"HOME", "ZDOTDIR"})
            words.insert(words.end(), {"--setenv", variable, home});
    }
    words.push_back(shell);
    for (const QString& argument : ShellCommand::loginShellArguments(script))
        words.push_back(argument.toStdString());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t child = -1;
    const int spawned = posix_spawnp(&child, "timeout", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    require(spawned == 0, "timeout and bwrap can be started");
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
}

bool canaryExists() {
    return QFileInfo::exists(canaryFolder().path() + QStringLiteral("/canary"));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    require(canaryFolder().isValid(), "a canary folder");
    makeShiftingHome();
    // A sandbox that silently fails would let every input pass: it must create a file.
    const ShellCommand::Script probe{QStringLiteral("touch /tmp/canary"), {}};
    for (const char* shell : loginShells) {
        runSandboxed(shell, probe, false);
        require(canaryExists(), "bubblewrap runs each login shell with the canary folder as /tmp");
        emptyCanaryFolder();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const char* const first = payloads[data[0] % std::size(payloads)];
    const char* const second = payloads[data[1] % std::size(payloads)];
    QString text;
    for (size_t i = 2; i < size && text.size() < 400; ++i) {
        // A byte from 0x80 to 0xfe picks one of the first fragments; 0xff and the two bytes
        // after it pick one of the rest.
        if (data[i] < 0x80) {
            text += QLatin1Char(static_cast<char>(data[i]));
            continue;
        }
        size_t index = data[i] - 0x80;
        if (data[i] == 0xff && i + 2 < size) {
            index += size_t(data[i + 1]) << 8 | data[i + 2];
            i += 2;
        }
        text += QString::fromUtf8(fragments[index % std::size(fragments)]);
    }
    if (text.contains(QChar(0)))
        return 0;  // a shell argument cannot hold a NUL
    const auto script = ShellCommand::script(text, {{"a", first}, {"b", second}});
    if (!script) {
        ++tally.refused;
        return 0;
    }
    if (script->arguments.isEmpty())
        return 0;
    if (authorsChoice(text)) {
        ++tally.authors;
        return 0;
    }
    static const QRegularExpression ownPattern(QStringLiteral("[*?\\[]"));
    const bool traps = !ownPattern.match(text).hasMatch();
    for (size_t i = 0; i < std::size(loginShells); ++i) {
        const char* shell = loginShells[i];
        prepareFolder(traps);
        runSandboxed(shell, *script, data[1] % 2 == 1);
        ++tally.runs[i];
        if (canaryExists()) {
            std::fprintf(stderr, "%s ran a value of the template:\n%s\nas the script:\n%s\n", shell,
                         qPrintable(text), qPrintable(script->text));
            std::abort();
        }
        emptyCanaryFolder();
    }
    return 0;
}
