#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <filesystem>
#include <string>
#include <vector>

#include "AI/ShellCommand.h"
#include "FuzzInput.h"

// Shell templates built from the input, filled with values that create a canary file if the
// shell ever parses them as code. Each template Tavrin accepts runs in sh and in bash inside
// bubblewrap (no network, the canary folder as a private /tmp); the canary must never appear.

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
};
// clang-format on

// Values that touch the canary when a shell reads them as code or arithmetic.
const char* const payloads[] = {
    "$(touch /tmp/canary)",      "`touch /tmp/canary`",      "a[$(touch /tmp/canary)]",
    "x[$(touch /tmp/canary)]=1", "[$(touch /tmp/canary)]=1", "'; touch /tmp/canary; '",
    "\"; touch /tmp/canary; \"", "\ntouch /tmp/canary\n",    "$(touch${IFS}/tmp/canary)",
    "x=$(touch /tmp/canary)",    "a[`touch /tmp/canary`]",
};

// Templates that hand text to a second interpreter decide themselves what it runs.
bool authorsChoice(const QString& text) {
    static const QRegularExpression interpreter(QStringLiteral(
        "(^|[^A-Za-z0-9_])(eval|trap|source|exec|sh|bash|dash|zsh|ksh|xargs|env|command|"
        "builtin|alias|fc|canary|touch|perl|python3?|awk)([^A-Za-z0-9_]|$)|(^|[;&|(\\s])\\.\\s"));
    return interpreter.match(text).hasMatch();
}

QTemporaryDir& canaryFolder() {
    static QTemporaryDir folder;
    return folder;
}

void emptyCanaryFolder() {
    std::error_code ignored;
    for (const auto& entry :
         std::filesystem::directory_iterator(canaryFolder().path().toStdString(), ignored))
        std::filesystem::remove_all(entry.path(), ignored);
}

// Runs the script in `shell` inside the sandbox; its output goes nowhere.
void runSandboxed(const char* shell, const ShellCommand::Script& script) {
    const std::string folder = canaryFolder().path().toStdString();
    // clang-format off
    std::vector<std::string> words = {
        "timeout", "-s", "KILL", "5",
        "bwrap", "--ro-bind", "/", "/", "--bind", folder, "/tmp", "--dev", "/dev",
        "--unshare-net", "--unshare-pid", "--new-session", "--die-with-parent", "--chdir", "/tmp",
        shell, "-c", script.text.toStdString(), "tavrin"};
    // clang-format on
    for (const QString& argument : script.arguments)
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
    // A sandbox that silently fails would let every input pass: it must create a file.
    const ShellCommand::Script probe{QStringLiteral("touch /tmp/canary"), {}};
    for (const char* shell : {"sh", "bash"}) {
        runSandboxed(shell, probe);
        require(canaryExists(), "bubblewrap runs sh and bash with the canary folder as /tmp");
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
        if (data[i] >= 0x80)
            text += QString::fromUtf8(fragments[(data[i] - 0x80) % std::size(fragments)]);
        else
            text += QLatin1Char(static_cast<char>(data[i]));
    }
    if (text.contains(QChar(0)))
        return 0;  // a shell argument cannot hold a NUL
    const auto script = ShellCommand::script(text, {{"a", first}, {"b", second}});
    if (!script || script->arguments.isEmpty() || authorsChoice(text))
        return 0;
    for (const char* shell : {"sh", "bash"}) {
        runSandboxed(shell, *script);
        if (canaryExists()) {
            std::fprintf(stderr, "%s ran a value of the template:\n%s\nas the script:\n%s\n", shell,
                         qPrintable(text), qPrintable(script->text));
            std::abort();
        }
        emptyCanaryFolder();
    }
    return 0;
}
