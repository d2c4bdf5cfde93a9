#include <QHash>
#include <QString>
#include <utility>

#include "Actions/ShellProgramOptions.h"

// Programs that run another program with the rest of their words: their own options, the
// words before the command, and whether they hand the command to a shell.

namespace ShellProgramOptions {

// tmux's commands that run a shell command, or type keys into a shell.
const QHash<QString, Options>& tmuxCommands() {
    static const QHash<QString, Options> table = [] {
        QHash<QString, Options> t;
        const Options session = options("-c -e -F -f -n -s -t -x -y");
        const Options window = options("-c -e -F -n -t");
        const Options split = options("-c -e -F -l -t");
        const Options respawn = options("-c -e -t");
        const Options popup = options("-b -c -d -e -h -s -S -t -T -w -x -y");
        const Options keys = options("-N -t");
        for (const auto& [names, table] : {std::pair{"new-session new", &session},
                                           {"new-window neww", &window},
                                           {"split-window splitw", &split},
                                           {"respawn-pane respawnp", &respawn},
                                           {"respawn-window respawnw", &respawn},
                                           {"display-popup popup", &popup},
                                           {"send-keys send", &keys}}) {
            for (const QString& name : QString::fromLatin1(names).split(QLatin1Char(' ')))
                t.insert(name, *table);
        }
        return t;
    }();
    return table;
}

const QHash<QString, Wrapper>& wrappers() {
    static const QHash<QString, Wrapper> table = [] {
        QHash<QString, Wrapper> t;
        t.insert(QStringLiteral("env"),
                 {options("-u --unset -C --chdir -S --split-string"), 0, true});
        // sudo's "-h" takes a host only glued to it or where a host may follow (which sudoers
        // refuses); alone it asks for help.
        t.insert(QStringLiteral("sudo"),
                 {options("-a -c -C -D -g -p -r -R -t -T -U -u --auth-type --login-class "
                          "--close-from --chdir --group --prompt --role --chroot --type "
                          "--command-timeout --other-user --user --host --login:0"),
                  0, true, Wrapper::Shell::withShellOption});
        t.insert(QStringLiteral("doas"), {options("-u -C"), 0, false});
        t.insert(QStringLiteral("timeout"), {options("-s --signal -k --kill-after"), 1, false});
        t.insert(QStringLiteral("nice"), {options("-n --adjustment"), 0, false});
        t.insert(QStringLiteral("stdbuf"),
                 {options("-i -o -e --input --output --error"), 0, false});
        t.insert(QStringLiteral("ionice"),
                 {options("-c -n --class --classdata --pgid --pid --uid -P -p -u"), 0, false});
        t.insert(QStringLiteral("chrt"),
                 {options("--sched-deadline --sched-period --sched-runtime -D -P -T"), 1, false});
        t.insert(QStringLiteral("taskset"), {options(""), 1, false});
        t.insert(QStringLiteral("flock"),
                 {options("-w --timeout -E --conflict-exit-code --command -c"), 1, false});
        t.insert(QStringLiteral("chroot"), {options("--userspec --groups"), 1, false});
        t.insert(QStringLiteral("exec"), {options("-a"), 0, false});
        t.insert(QStringLiteral("xargs"),
                 {options("-I -n -L -d -a -P -s -E --arg-file --delimiter --max-args "
                          "--max-lines --max-procs --max-chars --process-slot-var"),
                  0, false});
        t.insert(QStringLiteral("strace"),
                 // -q, -x and -Y take no word, and the long options whose word is optional take
                 // one only glued with "=" (tried with strace 6.1)
                 {options("-e -o -p -s -u -E -P -b -I -X -a --abbrev --attach "
                          "--columns --const-print-style --decode-pids "
                          "--detach-on --env --fault --inject --interruptible --kvm --output "
                          "--raw --read --signal --status --string-limit "
                          "--summary-columns --summary-sort-by --summary-syscall-overhead --trace "
                          "--summary:0 --absolute-timestamps:0 --daemonize:0 --decode-fds:0 "
                          "--quiet:0 --strings-in-hex:0 "
                          "--trace-path --user --verbose --write -O -S -U"),
                  0, false});
        t.insert(QStringLiteral("ltrace"),
                 {options("-e -o -p -s -u -n -a -l --align --config --debug --indent --library "
                          "--output -A -D -F -x"),
                  0, false});
        t.insert(
            QStringLiteral("systemd-run"),
            {options(
                 "-p --property -u --unit -E --setenv --slice -M --machine "
                 "--description --gid --host --nice --on-active --on-boot --on-calendar "
                 "--on-startup --on-unit-active --on-unit-inactive --path-property --service-type "
                 "--socket-property --timer-property --uid --working-directory -H"),
             0, false});
        t.insert(QStringLiteral("nsenter"),
                 {options("-t --target -S --setuid -G --setgid --wdns --wd:0"), 0, false});
        // "-w --wait": older versions wait that many seconds for the server.
        t.insert(QStringLiteral("xvfb-run"), {options("-n -s -f -e -p --server-num --server-args "
                                                      "--auth-file --error-file --xauth-protocol "
                                                      "-w --wait"),
                                              0, false});
        t.insert(QStringLiteral("runuser"),
                 {options("-u -g -G --user --group --supp-group --command --session-command "
                          "--shell --whitelist-environment -c -s -w"),
                  0, false});
        t.insert(QStringLiteral("prlimit"), {options("-p --pid --output -o"), 0, false});
        t.insert(QStringLiteral("sg"), {options(""), 1, false, Wrapper::Shell::always});
        t.insert(QStringLiteral("watch"),
                 {options("--equexit --interval -n -q"), 0, false, Wrapper::Shell::unlessExec});
        t.insert(QStringLiteral("tmux"),
                 {options("-c -f -L -S -T"), 1, false, Wrapper::Shell::always, &tmuxCommands(),
                  QStringLiteral("-c")});
        t.insert(QStringLiteral("setpriv"),
                 {options("--ambient-caps --apparmor-profile --bounding-set --egid --euid --groups "
                          "--inh-caps --pdeathsig --regid --reuid --rgid --ruid --securebits "
                          "--selinux-label")});
        // fakeroot's flavours run the same way.
        for (const char* name : {"fakeroot", "fakeroot-sysv", "fakeroot-tcp"})
            t.insert(QLatin1String(name), {options("--faked --fd-base --lib -i -s")});
        t.insert(QStringLiteral("unshare"),
                 {options("--boottime --map-group --map-groups --map-user --map-users --monotonic "
                          "--propagation --root --setgid --setgroups --setuid --wd -G -R -S -w")});
        t.insert(
            QStringLiteral("valgrind"),
            {options(
                "--alignment --allow-mismatched-debuginfo --aspace-minaddr "
                "--avg-transtab-entry-size --child-silent-after-fork --debuginfo-server "
                "--default-suppressions --demangle --dsymutil --error-exitcode --error-limit "
                "--error-markers --errors-for-leak-kinds --exit-on-first-error "
                "--expensive-definedness-checks --extra-debuginfo-path --fair-sched --free-fill "
                "--freelist-big-blocks --freelist-vol --fullpath-after --gen-suppressions "
                "--ignore-range-below-sp --ignore-ranges --input-fd --keep-debuginfo "
                "--keep-stacktraces --kernel-variant --leak-check --leak-check-heuristics "
                "--leak-resolution --log-fd --log-file --log-socket --main-stacksize --malloc-fill "
                "--max-stackframe --max-threads --merge-recursive-frames --num-callers "
                "--num-transtab-sectors --partial-loads-ok --read-inline-info --read-var-info "
                "--redzone-size --require-text-symbol --resync-filter --run-cxx-freeres "
                "--run-libc-freeres --show-below-main --show-emwarns --show-error-list "
                "--show-leak-kinds --show-mismatched-frees --show-possibly-lost --show-reachable "
                "--sigill-diagnostics --sim-hints --smc-check --soname-synonyms --suppressions "
                "--time-stamp --tool --trace-children --trace-children-skip "
                "--trace-children-skip-by-arg --track-fds --track-origins --undef-value-errors "
                "--unw-stack-scan-frames --unw-stack-scan-thresh --valgrind-stacksize --vgdb "
                "--vgdb-error --vgdb-poll --vgdb-prefix --vgdb-shadow-registers --vgdb-stop-at "
                "--workaround-gcc296-bugs --xml --xml-fd --xml-file --xml-socket "
                "--xml-user-comment --xtree-leak --xtree-leak-file --xtree-memory "
                "--xtree-memory-file")});
        t.insert(QStringLiteral("dbus-run-session"), {options("--config-file --dbus-daemon")});
        t.insert(QStringLiteral("pkexec"), {options("-u --user")});
        t.insert(QStringLiteral("flatpak-spawn"),
                 {options("--forward-fd --env --unset-env --directory --app-path --usr-path "
                          "--sandbox-expose --sandbox-expose-ro --sandbox-expose-path "
                          "--sandbox-expose-path-ro --sandbox-flag --env-fd "
                          "--sandbox-expose-path-ro-try --sandbox-expose-path-try --sandbox:0")});
        // From their manuals: proxychains' configuration file, torsocks' user and address.
        for (const char* name : {"proxychains", "proxychains4"})
            t.insert(QLatin1String(name), {options("-f")});
        t.insert(QStringLiteral("torsocks"),
                 {options("-u -p -a -P --user --pass --address --port")});
        for (const char* name : {"nohup", "setsid", "unbuffer", "busybox", "firejail", "catchsegv"})
            t.insert(QLatin1String(name), {});
        // setarch: the architecture, then flags of no word.
        t.insert(QStringLiteral("setarch"), {options(""), 1});
        // and its names for one architecture each, which take none
        for (const char* name :
             {"linux32", "linux64", "i386", "i486", "i586", "i686", "x86_64", "uname26"})
            t.insert(QLatin1String(name), {});
        for (const char* name : {"unshare", "chroot", "fakeroot", "fakeroot-sysv", "fakeroot-tcp",
                                 "nsenter", "pkexec", "firejail", "setarch", "linux32", "linux64",
                                 "i386", "i486", "i586", "i686", "x86_64", "uname26"})
            t[QLatin1String(name)].shellWithoutCommand = true;
        return t;
    }();
    return table;
}

}  // namespace ShellProgramOptions
