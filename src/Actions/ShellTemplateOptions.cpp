#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <optional>

#include "Actions/ShellProgramOptions.h"
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
    // python: the first operand (the script) and the word of "-c" or "-m" end the options;
    // what follows is the script's own.
    bool operandEnds = false;
    QSet<QString> ending;
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
        t.insert(QStringLiteral("date"),
                 options("-d --date -f --file -r --reference --rfc-3339 --set -s"));
        t.insert(QStringLiteral("head"), options("-n -c --lines --bytes"));
        t.insert(QStringLiteral("tail"),
                 options("-n -c --lines --bytes -s --sleep-interval --pid --max-unchanged-stats"));
        const Options grep = options(
            "-e --regexp -f --file -m --max-count -A -B -C --after-context --before-context "
            "--context --label --include --exclude --exclude-dir --binary-files --devices "
            "--directories --exclude-from --group-separator -D -d");
        for (const char* name : {"grep", "egrep", "fgrep"})
            t.insert(QLatin1String(name), grep);
        t.insert(
            QStringLiteral("rg"),
            options(
                "-e --regexp -f --file -g --glob -t --type -T "
                "--type-not -m --max-count -A -B -C -M "
                "--max-columns --after-context --before-context --color --colors --context "
                "--context-separator --dfa-size-limit --encoding --engine "
                "--field-context-separator --field-match-separator --iglob --ignore-file "
                "--max-depth --max-filesize --path-separator --pre --pre-glob --regex-size-limit "
                "--replace --sort --sortr --threads --type-add --type-clear -E -j -r"));
        t.insert(
            QStringLiteral("sort"),
            options("-k --key -t --field-separator -o --output -S "
                    "--buffer-size -T --temporary-directory --batch-size --check "
                    "--compress-program --files0-from --parallel --random-source --sort -C -c"));
        t.insert(QStringLiteral("uniq"),
                 options("-f -s -w --skip-fields --skip-chars --check-chars"));
        t.insert(
            QStringLiteral("cut"),
            options("-d --delimiter -f --fields -c --characters -b --bytes --output-delimiter"));
        t.insert(QStringLiteral("find"),
                 options("-name -iname -path -ipath -wholename -iwholename -regex -iregex -lname "
                         "-ilname -type -xtype -newer -anewer -cnewer -mtime -mmin -atime -amin "
                         "-ctime -cmin -size -user -group -uid -gid -perm -maxdepth -mindepth "
                         "-samefile -inum -links -printf -fprint -fprint0 -fprintf:2 -fls -used "
                         "-regextype -files0-from -D -context -fstype",
                         true));
        // "-newerXY": compares time X of each file with time Y of the word ("-newermt").
        for (const char x : {'a', 'B', 'c', 'm'}) {
            for (const char y : {'a', 'B', 'c', 'm', 't'})
                t["find"].arguments.insert(
                    QStringLiteral("-newer") + QLatin1Char(x) + QLatin1Char(y), 1);
        }
        t.insert(QStringLiteral("jq"), options("--arg:2 --argjson:2 --slurpfile:2 --rawfile:2 "
                                               "--indent -f --from-file -L"));
        t.insert(
            QStringLiteral("curl"),
            options(
                "-d --data --data-raw --data-binary --data-ascii --data-urlencode -H "
                "--header -o --output -X --request -u --user -A --user-agent -e "
                "--referer -F --form --form-string -b --cookie -c --cookie-jar -T "
                "--upload-file -x --proxy --url -m --max-time --connect-timeout -w "
                "--write-out -r --range -E --cert --cacert --key --json -z "
                "--time-cond --retry -C --continue-at --abstract-unix-socket --alt-svc --aws-sigv4 "
                "--capath --cert-type --ciphers --config --connect-to --create-file-mode --crlfile "
                "--curves --delegation  --dns-interface "
                "--dns-ipv4-addr --dns-ipv6-addr --dns-servers --doh-url --dump-header --egd-file "
                "--engine --etag-compare --etag-save --expect100-timeout --ftp-account "
                "--ftp-alternative-to-user --ftp-method --ftp-port --ftp-ssl-ccc-mode "
                "--happy-eyeballs-timeout-ms --help --hostpubmd5 --hostpubsha256 --hsts "
                "--interface --keepalive-time --key-type --krb --libcurl "
                "--limit-rate --local-port --login-options --mail-auth --mail-from --mail-rcpt "
                "--max-filesize --max-redirs --netrc-file --noproxy --oauth2-bearer --output-dir "
                "--parallel-max --pass --pinnedpubkey --preproxy --proto --proto-default "
                "--proto-redir --proxy-cacert --proxy-capath --proxy-cert --proxy-cert-type "
                "--proxy-ciphers --proxy-crlfile --proxy-header --proxy-key --proxy-key-type "
                "--proxy-pass --proxy-pinnedpubkey --proxy-service-name --proxy-tls13-ciphers "
                "--proxy-tlsauthtype --proxy-tlspassword --proxy-tlsuser --proxy-user --proxy1.0 "
                "--pubkey --quote --random-file --rate --request-target --resolve --retry-delay "
                "--retry-max-time --sasl-authzid --service-name --socks4 --socks4a --socks5 "
                "--socks5-gssapi-service --socks5-hostname --speed-limit --speed-time --stderr "
                "--telnet-option --tftp-blksize --tls-max --tls13-ciphers --tlsauthtype "
                "--tlspassword --tlsuser --trace --trace-ascii --unix-socket --url-query -D -K -P "
                "-Q -U -Y -h -t -y"));
        t.insert(
            QStringLiteral("wget"),
            options("-O --output-document -o --output-file -a --append-output -P "
                    "--directory-prefix --header -U --user-agent --post-data --post-file -t "
                    "--tries -T --timeout --user --password --accept --accept-regex --backups "
                    "--base --bind-address --body-data --body-file --ca-certificate --ca-directory "
                    "--certificate --certificate-type --ciphers --compression --config "
                    "--connect-timeout --crl-file --cut-dirs --default-page --dns-timeout "
                    "--domains --exclude-directories --exclude-domains --execute --follow-tags "
                    "--ftp-password --ftp-user --http-password --http-user --ignore-tags "
                    "--include-directories --input-file --level --limit-rate --load-cookies "
                    "--local-encoding --method --pinnedpubkey --prefer-family --private-key "
                    "--private-key-type --progress --proxy-password --proxy-user --quota "
                    "--read-timeout --referer --regex-type --reject --reject-regex --rejected-log "
                    "--remote-encoding --report-speed --restrict-file-names --retry-on-http-error "
                    "--save-cookies --secure-protocol --start-pos --use-askpass --wait --waitretry "
                    "--warc-dedup --warc-file --warc-header --warc-max-size --warc-tempdir"));
        const Options awk = options("-F -v -f -W");
        for (const char* name : {"awk", "mawk", "nawk"})
            t.insert(QLatin1String(name), awk);
        t.insert(QStringLiteral("gawk"), options("-F -v -f -W --assign --exec --field-separator "
                                                 "--file --include --load --source -E -e -i -l"));
        t.insert(QStringLiteral("sed"), options("-e --expression -f --file --line-length -l"));
        t.insert(QStringLiteral("ls"),
                 options("-I --ignore -w --width -T --tabsize --hide --block-size --format "
                         "--indicator-style --quoting-style --sort --time --time-style"));
        t.insert(
            QStringLiteral("tar"),
            options("-f --file -C --directory -T --files-from -X "
                    "--exclude-from --exclude --add-file --after-date --blocking-factor "
                    "--checkpoint-action --exclude-ignore --exclude-ignore-recursive "
                    "--exclude-tag --exclude-tag-all --exclude-tag-under --format "
                    "--group --group-map --hole-detection --index-file --info-script --label "
                    "--level --listed-incremental --mode --mtime --new-volume-script --newer "
                    "--newer-mtime --no-quote-chars --owner --owner-map --pax-option --quote-chars "
                    "--quoting-style --record-size --rmt-command --rsh-command --sort "
                    "--sparse-version --starting-file --strip-components --suffix --tape-length "
                    "--to-command --transform --use-compress-program --volno-file --warning "
                    "--xattrs-exclude --xattrs-include --xform -F -H -I -K -L -N -V -b -g"));
        const Options copy = options("-t --target-directory -S --suffix --no-preserve --sparse");
        for (const char* name : {"cp", "mv", "ln"})
            t.insert(QLatin1String(name), copy);
        t.insert(QStringLiteral("install"),
                 options("-t --target-directory -S --suffix -m --mode -o "
                         "--owner -g --group --strip-program"));
        t.insert(QStringLiteral("mkdir"), options("-m --mode"));
        t.insert(QStringLiteral("touch"), options("-d --date -r --reference -t --time"));
        t.insert(QStringLiteral("du"),
                 options("-d --max-depth -t --threshold -B --block-size "
                         "--exclude --exclude-from --files0-from --time --time-style -X"));
        t.insert(QStringLiteral("df"), options("-t --type -x --exclude-type -B --block-size"));
        t.insert(
            QStringLiteral("diff"),
            options(
                "-U -L --label -x --exclude -X --exclude-from -I "
                "--ignore-matching-lines -F --GTYPE-group-format --LTYPE-line-format --from-file "
                "--horizon-lines --ifdef --line-format --palette --show-function-line "
                "--starting-file --tabsize --to-file --width -C -D -S -W -c -u"));
        t.insert(QStringLiteral("ssh"), options("-p -i -l -F -b -c -D -E -e -I -L -m -O -Q -R -S "
                                                "-W -w -B -J -o"));
        t.insert(QStringLiteral("rsync"),
                 options("--exclude --include --filter -f --chmod --chown "
                         "--log-file --exclude-from --include-from "
                         "--files-from -T --temp-dir --suffix --address --backup-dir --block-size "
                         "--bwlimit --checksum-choice --checksum-seed --compare-dest "
                         "--compress-choice --compress-level --compress-threads --confine-root "
                         "--contimeout --copy-as --copy-dest --debug --early-input --groupmap "
                         "--iconv --info --link-dest --log-file-format --max-alloc --max-delete "
                         "--max-size --min-size --only-write-batch --out-format --outbuf "
                         "--partial-dir --password-file --port --protocol --read-batch "
                         "--remote-option --rsh --rsync-path --skip-compress --sockopts --stderr "
                         "--stop-after --stop-at --timeout --usermap --write-batch -B -M -e"));
        t.insert(QStringLiteral("notify-send"),
                 options("-u --urgency -t --expire-time -i --icon -a --app-name -c --category -h "
                         "--hint -r --replace-id -A --action"));
        t.insert(QStringLiteral("amixer"), options("-c --card -D --device"));
        t.insert(QStringLiteral("xclip"), options("-selection -t -target -d -display", true));
        t.insert(QStringLiteral("wl-copy"), options("-t --type --seat -s"));
        t.insert(QStringLiteral("perl"), options("-e -E -I"));
        Options python = options("-c -m -W -X --check-hash-based-pycs");
        python.operandEnds = true;
        python.ending = {QStringLiteral("-c"), QStringLiteral("-m")};
        for (const char* name : {"node", "nodejs"})
            t.insert(
                QLatin1String(name),
                options(
                    "--allow-fs-read --allow-fs-write --build-snapshot-config --conditions "
                    "--cpu-prof-dir --cpu-prof-interval --cpu-prof-name --debug-port "
                    "--diagnostic-dir --disable-proto --disable-warning --dns-result-order "
                    "--env-file --env-file-if-exists --eval --experimental-default-type "
                    "--experimental-loader --experimental-policy --experimental-sea-config "
                    "--heap-prof-dir --heap-prof-interval --heap-prof-name "
                    "--heapsnapshot-near-heap-limit --heapsnapshot-signal --icu-data-dir --import "
                    "--input-type --inspect-port --inspect-publish-uid --loader "
                    "--max-http-header-size --network-family-autoselection-attempt-timeout "
                    "--openssl-config --policy-integrity --redirect-warnings --report-dir "
                    "--report-directory --report-filename --report-signal --require --secure-heap "
                    "--secure-heap-min --snapshot-blob --test-concurrency --test-name-pattern "
                    "--test-reporter --test-reporter-destination --test-shard --test-timeout "
                    "--title --tls-cipher-list --tls-keylog --trace-event-categories "
                    "--trace-event-file-pattern --trace-require-module --unhandled-rejections "
                    "--use-largepages --v8-pool-size --watch-path -C -e -r"));
        for (const char* name : {"python", "python3"})
            t.insert(QLatin1String(name), python);
        t.insert(
            QStringLiteral("convert"),
            options(
                "-adaptive-blur -adaptive-resize -adaptive-sharpen -affine -alpha -annotate:2 "
                "-attenuate -authenticate -background -bench -bias -black-threshold -blue-primary "
                "-blue-shift -blur -border -bordercolor -brightness-contrast -canny -caption -cdl "
                "-channel -charcoal -chop -clip-mask -clip-path -clone -colorize -colors "
                "-colorspace -comment -complex -compose -compress -connected-components "
                "-contrast-stretch -convolve -copy:2 -crop -cycle -debug -decipher -define -delay "
                "-delete -density -depth -deskew -direction -display -dispose -distort:2 "
                "-distribute-cache -dither -draw -duplicate -edge -emboss -encipher -encoding "
                "-endian -evaluate:2 -evaluate-sequence -extent -extract -family -features -fill "
                "-filter -floodfill:2 -font -format -frame -function:2 -fuzz -fx -gamma "
                "-gaussian-blur -geometry -gravity -grayscale -hough-lines -implode -insert "
                "-intensity -intent -interlace -interline-spacing -interpolate "
                "-interpolative-resize -interword-spacing -kerning -kuwahara -label -lat -layers "
                "-level -level-colors -limit:2 -linear-stretch -liquid-rescale -list "
                "-local-contrast -log -loop -mask -mattecolor -median -mode -modulate -morph "
                "-morphology:2 -motion-blur -noise -opaque -ordered-dither -orient -page -paint "
                "-perceptible -pointsize -polaroid -poly -posterize -precision -preview -print "
                "-process -profile -quality -radial-blur -raise -random-threshold -red-primary "
                "-region -remap -repage -resample -resize -roll -rotate -rotational-blur -sample "
                "-sampling-factor -scale -scene -seed -segment -selective-blur -sepia-tone -set:2 "
                "-shade -shadow -sharpen -shave -shear -sigmoidal-contrast -size -sketch -smush "
                "-solarize -sparse-color:2 -splice -spread -statistic:2 -stretch -stroke "
                "-strokewidth -style -support -swap -swirl -texture -threshold -thumbnail -tile "
                "-tile-offset -tint -transparent -transparent-color -treedepth -type -undercolor "
                "-units -unsharp -vignette -virtual-pixel -wave -wavelet-denoise -weight "
                "-white-point -white-threshold -write",
                true));
        t.insert(QStringLiteral("journalctl"),
                 options("-u --unit -S --since -U --until -p --priority -t "
                         "--identifier -o --output -g --grep -D --directory --user-unit "
                         "--after-cursor --cursor --cursor-file --facility --field --file --image "
                         "--interval --machine --namespace --output-fields --root --vacuum-files "
                         "--vacuum-size --vacuum-time --verify-key -F -M -c"));
        t.insert(QStringLiteral("systemctl"),
                 options("-p --property -t --type -H --host -M "
                         "--machine --state -n --lines -o "
                         "--output -s --signal --boot-loader-entry --boot-loader-menu "
                         "--check-inhibitors --image --job-mode --kill-whom --legend --preset-mode "
                         "--root --timestamp --what -P"));
        t.insert(QStringLiteral("make"), options("-f --file --makefile -C --directory -I "
                                                 "--include-dir -o --old-file -W --what-if "
                                                 "--assume-new --assume-old --eval --new-file -E"));
        t.insert(QStringLiteral("gh"),
                 options("-t --title -b --body -F --body-file -R --repo -l --label -a "
                         "--assignee -B --base -H --head -m --milestone -p --project -r "
                         "--reviewer -q --jq -L --limit -s --state -S --search -A --author --app "
                         "--branch --discussion-category --json --mention --notes --notes-file "
                         "--notes-start-tag --recover --target --template -n"));
        t.insert(QStringLiteral("vim"),
                 options("-c --cmd --log --startuptime -S -T -W -i -s -u -w"));
        return t;
    }();
    return table;
}

// git's options before the subcommand, and those of each subcommand: "-m" is a message to
// commit but a flag to log, "-C" a folder before the subcommand but a flag to diff.
const QHash<QString, Options>& gitTables() {
    static const QHash<QString, Options> table = [] {
        QHash<QString, Options> t;
        t.insert(QString(),
                 options("-C -c --git-dir --work-tree --namespace --config-env --super-prefix"));
        t.insert(QStringLiteral("commit"),
                 options("-m --message -F --file -C --reuse-message -c --reedit-message "
                         "--author --date -t --template --fixup --squash --cleanup "
                         "--pathspec-from-file --trailer"));
        t.insert(QStringLiteral("tag"),
                 options("-m --message -F --file -u --local-user --cleanup --contains --format "
                         "--merged --no-contains --no-merged --points-at --sort"));
        t.insert(QStringLiteral("merge"), options("-m --message -F --file -s --strategy -X "
                                                  "--strategy-option --cleanup --into-name"));
        t.insert(QStringLiteral("checkout"),
                 options("-b -B --orphan --conflict --pathspec-from-file"));
        t.insert(QStringLiteral("switch"),
                 options("-c --create -C --force-create --orphan --conflict"));
        t.insert(QStringLiteral("worktree"), options("-b -B --expire --reason"));
        t.insert(QStringLiteral("stash"), options("-m --message --pathspec-from-file"));
        t.insert(QStringLiteral("notes"), options("-m --message -F --file --ref -s"));
        t.insert(QStringLiteral("remote"), options("-t -m"));
        t.insert(QStringLiteral("grep"),
                 options("-e -f -A -B -C -m --max-count --after-context --before-context --context "
                         "--max-depth --threads"));
        t.insert(QStringLiteral("clone"),
                 options("-b --branch -o --origin --depth --reference --bundle-uri --config "
                         "--filter --jobs --reference-if-able --separate-git-dir --server-option "
                         "--shallow-exclude --shallow-since --template --upload-pack -c -j -u"));
        t.insert(
            QStringLiteral("rebase"),
            options("--onto -s --strategy -X --strategy-option --empty --exec --whitespace -C -x"));
        // shortlog reads the revision options of log, but its "-n" sorts and "-c" groups.
        const char* const revisions =
            "--max-count --author --grep --since --until --after "
            "--before --skip";
        t.insert(QStringLiteral("log"),
                 options((QByteArray(revisions) +
                          " -n --committer --decorate-refs --decorate-refs-exclude -L")
                             .constData()));
        t.insert(QStringLiteral("shortlog"),
                 options((QByteArray(revisions) + " --group").constData()));
        t.insert(QStringLiteral("fetch"),
                 options("--depth --shallow-since --deepen --filter --jobs --negotiation-tip "
                         "--refmap --server-option --shallow-exclude --upload-pack -j -o"));
        t.insert(QStringLiteral("pull"),
                 options("--depth --cleanup --deepen --negotiation-tip --refmap --server-option "
                         "--shallow-exclude --shallow-since --strategy --strategy-option "
                         "--upload-pack -X -o -s"));
        t.insert(QStringLiteral("cherry-pick"),
                 options("-m --mainline --strategy -X --cleanup --strategy-option"));
        t.insert(QStringLiteral("revert"),
                 options("-m --mainline --cleanup --strategy --strategy-option -X"));
        t.insert(QStringLiteral("blame"),
                 options("-L --contents --ignore-rev --ignore-revs-file -S"));
        t.insert(QStringLiteral("describe"), options("--match --exclude --abbrev --candidates"));
        t.insert(QStringLiteral("branch"),
                 options("-u --set-upstream-to --contains --format --merged --no-contains "
                         "--no-merged --points-at --sort"));
        t.insert(QStringLiteral("restore"), options("-s --source --conflict --pathspec-from-file"));
        return t;
    }();
    return table;
}

Options gitOptions(const QString& subcommand) {
    return gitTables().value(subcommand);
}

// Programs that run another program with the rest of their words: their own options come
// first, then `operands` words of their own, then (env, sudo) settings, then the command. A
// "--" ends only their own options.
struct Wrapper {
    Options own;
    int operands = 0;
    bool assignments = false;
    // Whether the command is handed to a shell as its script, where a value is code: sg's
    // always, watch's unless told to run it itself, sudo's with -s or -i.
    enum class Shell { never, always, unlessExec, withShellOption };
    Shell shell = Shell::never;
    // tmux: the first operand names a command, whose own options follow it; an option
    // whose word is a shell command ("tmux -c").
    const QHash<QString, Options>* subcommands = nullptr;
    QString codeOption;
};

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
                          "--command-timeout --other-user --user --host"),
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
        t.insert(
            QStringLiteral("strace"),
            {options("-e -o -p -s -u -E -P -b -I -X -a --abbrev --absolute-timestamps --attach "
                     "--columns --const-print-style --daemonize --decode-fds --decode-pids "
                     "--detach-on --env --fault --inject --interruptible --kvm --output --quiet "
                     "--raw --read --signal --status --string-limit --strings-in-hex "
                     "--summary-columns --summary-sort-by --summary-syscall-overhead --trace "
                     "--trace-path --user --verbose --write -O -S -U -Y -q -x"),
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
                 {options("-t --target -S --setuid -G --setgid --wdns"), 0, false});
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
        t.insert(QStringLiteral("fakeroot"), {options("--faked --fd-base --lib -i -s")});
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
                          "--sandbox-expose-path-ro-try --sandbox-expose-path-try")});
        // From their manuals: proxychains' configuration file, torsocks' user and address.
        for (const char* name : {"proxychains", "proxychains4"})
            t.insert(QLatin1String(name), {options("-f")});
        t.insert(QStringLiteral("torsocks"),
                 {options("-u -p -a -P --user --pass --address --port")});
        for (const char* name : {"nohup", "setsid", "unbuffer", "busybox", "firejail", "catchsegv"})
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

// Where a wrapper's own words end: the position of its command (the end of `words` when it
// has not begun yet), and what the words so far make of the next one.
struct WrapperWalk {
    qsizetype command = 0;
    int taken = 0;
    bool ended = false;
    bool operandsDone = false;
    // The command is a shell's script; the word that makes it one ("-s" of sudo, a tmux
    // command), when there is one.
    bool throughShell = false;
    QString shellWord;
    // The words end in an option whose word is a shell command ("tmux -c").
    bool codeArgument = false;
    // tmux with a command that runs none.
    bool runsNothing = false;
};

WrapperWalk walkWrapper(const QString& program, const Wrapper& wrapper, const QStringList& words,
                        qsizetype i) {
    WrapperWalk walk;
    const Options* table = &wrapper.own;
    int operands = 0;
    bool exec = false;
    QString lastOption;
    qsizetype j = i + 1;
    for (; j < words.size(); ++j) {
        const QString word = unquoted(words[j]);
        if (walk.taken > 0) {
            --walk.taken;
        } else if (!walk.ended && word == QLatin1String("--")) {
            walk.ended = true;
        } else if (!walk.ended && word == QLatin1String("-") && program == QLatin1String("env")) {
            // "env -": the command starts with an empty environment
        } else if (!walk.ended && word.size() > 1 && word.startsWith(QLatin1Char('-'))) {
            walk.taken = wordsTaken(*table, word);
            lastOption = word;
            const bool letters = !word.startsWith(QLatin1String("--"));
            exec = exec || word == QLatin1String("--exec") ||
                   (letters && word.contains(QLatin1Char('x')));
            if (word == QLatin1String("--shell") || word == QLatin1String("--login") ||
                (letters && (word.contains(QLatin1Char('s')) || word.contains(QLatin1Char('i')))))
                walk.shellWord = word;
        } else if (operands < wrapper.operands) {
            ++operands;
            if (wrapper.subcommands) {
                const auto found = wrapper.subcommands->constFind(word);
                if (found == wrapper.subcommands->cend()) {
                    walk.runsNothing = true;
                    return walk;
                }
                table = &*found;
                walk.shellWord = word;
            }
        } else if (wrapper.assignments && word.contains(QLatin1Char('='))) {
            // a setting for the command
        } else {
            break;
        }
    }
    walk.command = j;
    walk.operandsDone = operands == wrapper.operands;
    walk.codeArgument =
        walk.taken > 0 && !wrapper.codeOption.isEmpty() && lastOption == wrapper.codeOption;
    using Shell = Wrapper::Shell;
    walk.throughShell = wrapper.shell == Shell::always ||
                        (wrapper.shell == Shell::unlessExec && !exec) ||
                        (wrapper.shell == Shell::withShellOption && !walk.shellWord.isEmpty());
    if (wrapper.shell != Shell::withShellOption && !wrapper.subcommands)
        walk.shellWord.clear();
    return walk;
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
        const WrapperWalk walk = walkWrapper(program, wrapper, words, i);
        if (walk.runsNothing)
            break;
        if (walk.command == words.size()) {
            if (place) {
                *place = WordPlace{};
                (*place)->program = program;
                (*place)->endOfOptions = !walk.ended && honoursEndOfOptions(program);
                (*place)->options = walk.taken == 0 && !walk.ended;
                (*place)->assignment = walk.taken == 0 && wrapper.assignments && walk.operandsDone;
            }
            return -1;
        }
        i = walk.command;
        program = programName(words[i]);
        if (positions)
            positions->append(i);
    }
    return i;
}

// Whether the word after `words` belongs to a command a wrapper hands to a shell as its
// script ("sudo -s", "sg GROUP", "watch" without -x, "tmux new-session"), as written; and in
// `given`, whether that command has begun (without one, the shell reads its input).
std::optional<QString> ShellTemplateReader::shellCommand(const QStringList& words, bool* given) {
    qsizetype i = commandIndex(words);
    if (i < 0)
        return std::nullopt;
    QString program = programName(words[i]);
    while (wrappers().contains(program)) {
        const Wrapper& wrapper = wrappers()[program];
        const WrapperWalk walk = walkWrapper(program, wrapper, words, i);
        if (walk.runsNothing)
            return std::nullopt;
        const QString construct =
            walk.shellWord.isEmpty() ? program : program + QLatin1Char(' ') + walk.shellWord;
        if (given)
            *given = walk.command < words.size();
        if (walk.codeArgument)
            return program + QLatin1Char(' ') + wrapper.codeOption;
        if (walk.throughShell &&
            (walk.command < words.size() || (walk.taken == 0 && walk.operandsDone)))
            return construct;
        if (walk.command == words.size())
            return std::nullopt;
        i = walk.command;
        program = programName(words[i]);
    }
    return std::nullopt;
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
        program == QLatin1String("echo") || program == QLatin1String("printf") || table.operandEnds;
    bool ended = false;
    bool endsAfterWord = false;
    int taken = 0;
    int operands = 0;
    QString subcommand;
    for (qsizetype j = i + 1; j < words.size(); ++j) {
        const QString word = unquoted(words[j]);
        if (taken > 0) {
            ended = ended || (--taken == 0 && endsAfterWord);
        } else if (!ended &&
                   ((word == QLatin1String("--") && program != QLatin1String("echo")) ||
                    (word == QLatin1String("--end-of-options") && !subcommand.isEmpty()))) {
            ended = true;
        } else if (!ended && word.size() > 1 && word.startsWith(QLatin1Char('-')) &&
                   !(stopsAtOperand && operands > 0)) {
            taken = wordsTaken(table, word);
            // "-c CODE", or "-cCODE": the options end after the code.
            for (const QString& ending : std::as_const(table.ending)) {
                if (word == ending || (taken > 0 && word.endsWith(ending.back())))
                    endsAfterWord = true;
                else if (word.startsWith(ending) && taken == 0)
                    ended = true;
            }
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

QList<ShellProgramOptions::Table> ShellProgramOptions::tables() {
    QList<Table> all;
    for (auto program = programs().cbegin(); program != programs().cend(); ++program)
        all.append({program.key(), false, program->singleDashLong, program->arguments});
    for (auto wrapper = wrappers().cbegin(); wrapper != wrappers().cend(); ++wrapper)
        all.append({wrapper.key(), true, wrapper->own.singleDashLong, wrapper->own.arguments});
    for (auto command = tmuxCommands().cbegin(); command != tmuxCommands().cend(); ++command)
        all.append({QStringLiteral("tmux ") + command.key(), true, false, command->arguments});
    for (auto git = gitTables().cbegin(); git != gitTables().cend(); ++git) {
        all.append(
            {git.key().isEmpty() ? QStringLiteral("git") : QStringLiteral("git ") + git.key(),
             false, false, git->arguments});
    }
    return all;
}

int ShellProgramOptions::wordsTaken(const QString& program, const QString& option) {
    if (const auto wrapper = wrappers().constFind(program); wrapper != wrappers().cend())
        return ::wordsTaken(wrapper->own, option);
    return ::wordsTaken(programs().value(program), option);
}
