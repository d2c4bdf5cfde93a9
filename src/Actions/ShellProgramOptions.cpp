#include "Actions/ShellProgramOptions.h"

#include <optional>

// What each program does with the words after its options: which options take words of their
// own. The programs that run others have theirs in ShellRunnerOptions.cpp.

namespace ShellProgramOptions {

Options options(const char* list, bool singleDashLong) {
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
            "--directories --exclude-from --group-separator -D -d --binary:0");
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
        t.insert(QStringLiteral("sort"),
                 options("-k --key -t --field-separator -o --output -S "
                         "--buffer-size -T --temporary-directory --batch-size "
                         "--compress-program --files0-from --parallel --random-source --sort"));
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
                "-Q -U -Y -h -t -y --crlf:0 --ftp-ssl-ccc:0 --head:0 --netrc:0 --parallel:0 "
                "--socks5-gssapi:0"));
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
        // awk's first operand is its program (unless -f names a file): the words after it
        // are files and assignments, never options.
        Options awk = options("-F -v -f -W");
        awk.operandEnds = true;
        for (const char* name : {"awk", "mawk", "nawk"})
            t.insert(QLatin1String(name), awk);
        Options gawk = options(
            "-F -v -f -W --assign --exec --field-separator --file --include "
            "--load --source -E -e -i -l");
        gawk.operandEnds = true;
        t.insert(QStringLiteral("gawk"), gawk);
        // A shell's first operand is its script, or with -c its command: the words after it
        // are the script's own. "+o name" sets an option as "-o name" does.
        for (const auto& [name, list] : {std::pair{"bash", "-o -O --rcfile --init-file"},
                                         {"sh", "-o"},
                                         {"dash", "-o"},
                                         {"zsh", "-o"},
                                         // ksh's help lists -o without a word
                                         {"ksh", ""},
                                         {"ksh93", ""},
                                         {"mksh", ""}}) {
            Options shell = options(list);
            shell.operandEnds = true;
            shell.plusOptions = true;
            t.insert(QLatin1String(name), shell);
        }
        // sox and its kin: options before each file; effects and their words after the files.
        const Options sox = options(
            "--buffer --combine --dft-min --effects-file --help-effect --help-format "
            "--input-buffer --play-rate-arg --plot --replay-gain --temp -v --volume -t "
            "--type -e --encoding -b --bits --endian -c --channels -r --rate -C "
            "--compression --add-comment --comment --comment-file --help:0");
        for (const char* name : {"sox", "play", "rec"})
            t.insert(QLatin1String(name), sox);
        t.insert(QStringLiteral("soxi"), options(""));
        t.insert(QStringLiteral("printf"), options("-v"));
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
                    "--xattrs-exclude --xattrs-include --xform -F -H -I -K -L -N -V -b -g "
                    "--checkpoint:0 "
                    "--list:0 --sparse:0 --xattrs:0"));
        const Options copy = options("-t --target-directory -S --suffix --no-preserve --sparse");
        for (const char* name : {"cp", "mv", "ln"})
            t.insert(QLatin1String(name), copy);
        t.insert(QStringLiteral("install"),
                 options("-t --target-directory -S --suffix -m --mode -o "
                         "--owner -g --group --strip-program --strip:0"));
        t.insert(QStringLiteral("mkdir"), options("-m --mode"));
        t.insert(QStringLiteral("touch"), options("-d --date -r --reference -t --time"));
        t.insert(QStringLiteral("du"),
                 options("-d --max-depth -t --threshold -B --block-size "
                         "--exclude --exclude-from --files0-from --time-style -X --time:0"));
        t.insert(QStringLiteral("df"), options("-t --type -x --exclude-type -B --block-size"));
        t.insert(
            QStringLiteral("diff"),
            options(
                "-U -L --label -x --exclude -X --exclude-from -I "
                "--ignore-matching-lines -F --GTYPE-group-format --LTYPE-line-format --from-file "
                "--horizon-lines --ifdef --line-format --palette --show-function-line "
                "--starting-file --tabsize --to-file --width -C -D -S -W"));
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
                         "--stop-after --stop-at --timeout --usermap --write-batch -B -M -e "
                         // whole options without a word that begin others with one
                         "--backup:0 --checksum:0 --compress:0 --group:0 --partial:0"));
        t.insert(QStringLiteral("notify-send"),
                 options("-u --urgency -t --expire-time -i --icon -a --app-name -c --category -h "
                         "--hint -r --replace-id -A --action"));
        t.insert(QStringLiteral("amixer"), options("-c --card -D --device"));
        t.insert(QStringLiteral("xclip"), options("-selection -t -target -d -display", true));
        t.insert(QStringLiteral("wl-copy"), options("-t --type --seat -s"));
        // From their manuals (none is installed here): mail's subject, copies, header and
        // sender; kdeconnect-cli's device, texts and numbers; todo.sh's configuration file
        // before its action, whose words are the task; nmcli's options before its object,
        // whose words are its own.
        for (const char* name : {"mail", "mailx"})
            t.insert(QLatin1String(name), options("-s -c -b -a -r"));
        t.insert(QStringLiteral("kdeconnect-cli"),
                 options("-d --device -n --name --ping-msg --share --share-text --send-sms "
                         "--destination --attachment --send-keys --photo --execute-command"));
        Options todo = options("-d");
        todo.operandEnds = true;
        t.insert(QStringLiteral("todo.sh"), todo);
        Options nmcli = options(
            "-c --colors -e --escape -f --fields -g --get-values -m --mode -w "
            "--wait");
        nmcli.operandEnds = true;
        t.insert(QStringLiteral("nmcli"), nmcli);
        t.insert(QStringLiteral("perl"), options("-e -E -I"));
        Options python = options("-c -m -W -X --check-hash-based-pycs");
        python.operandEnds = true;
        python.ending = {QStringLiteral("-c"), QStringLiteral("-m")};
        // node's first operand is its script: the words after it are the script's own, a
        // "--" among them too.
        Options node = options(
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
            "--use-largepages --v8-pool-size --watch-path -C -e -r --build-snapshot:0 --cpu-prof:0 "
            "--heap-prof:0 --inspect:0 --test:0 --watch:0");
        node.operandEnds = true;
        for (const char* name : {"node", "nodejs"})
            t.insert(QLatin1String(name), node);
        for (const char* name : {"python", "python3"})
            t.insert(QLatin1String(name), python);
        const Options magick = options(
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
            true);
        // ImageMagick 7 names its program magick, and keeps convert as another name.
        for (const char* name : {"convert", "magick"})
            t.insert(QLatin1String(name), magick);
        t.insert(QStringLiteral("journalctl"),
                 options("-u --unit -S --since -U --until -p --priority -t "
                         "--identifier -o --output -g --grep -D --directory --user-unit "
                         "--after-cursor --cursor --cursor-file --facility --field --file --image "
                         "--interval --machine --namespace --output-fields --root --vacuum-files "
                         "--vacuum-size --vacuum-time --verify-key -F -M -c --user:0 --verify:0"));
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
                 options("-c --create -C --force-create --orphan --conflict --force:0"));
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
        t.insert(
            QStringLiteral("log"),
            options(
                (QByteArray(revisions) +
                 " -n --committer --decorate-refs --decorate-refs-exclude -L -S -G --decorate:0")
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
        t.insert(QStringLiteral("describe"), options("--match --exclude --candidates"));
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

// How many words `option` takes: named in the table, or the last of a bundle of letters
// ("-am": "-m" takes the message).
int wordsTaken(const Options& table, const QString& option) {
    if (const auto found = table.arguments.constFind(option); found != table.arguments.cend())
        return *found;
    // getopt_long (and git's parser) take any unique prefix of a long option ("--sig" for
    // "--signal"); a prefix of several is refused by the program unless one is the whole
    // option, so the tables list the options without words that are prefixes of others.
    if (!table.singleDashLong && option.size() > 2 && option.startsWith(QLatin1String("--")) &&
        !option.contains(QLatin1Char('='))) {
        std::optional<int> taken;
        for (auto entry = table.arguments.cbegin(); entry != table.arguments.cend(); ++entry) {
            if (!entry.key().startsWith(QLatin1String("--")) || !entry.key().startsWith(option))
                continue;
            if (taken && *taken != *entry)
                return 0;
            taken = *entry;
        }
        return taken.value_or(0);
    }
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

bool abbreviates(const QString& word, const QString& option, qsizetype shortest) {
    const QString name = word.section(QLatin1Char('='), 0, 0);
    return name.size() >= shortest && option.startsWith(name);
}

QList<Table> tables() {
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

int wordsTaken(const QString& program, const QString& option) {
    if (const auto wrapper = wrappers().constFind(program); wrapper != wrappers().cend())
        return wordsTaken(wrapper->own, option);
    return wordsTaken(programs().value(program), option);
}

}  // namespace ShellProgramOptions
