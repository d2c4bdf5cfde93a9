#include "Actions/ShellSettingsFiles.h"

#include <QDir>
#include <QList>
#include <QRegularExpression>
#include <utility>

namespace ShellSettingsFiles {

QString owner(const QString& path) {
    // Each file as the end of a path: "*" stands for any name in that folder.
    static const QList<std::pair<QString, QStringList>> owners = {
        {QStringLiteral("git"),
         {".gitconfig", ".git/config", "git/config", "/etc/gitconfig", ".git/hooks/*"}},
        {QStringLiteral("ssh"),
         {".ssh/config", "/etc/ssh/ssh_config", ".ssh/authorized_keys", ".ssh/rc",
          ".ssh/environment"}},
        {QStringLiteral("curl"), {".curlrc"}},
        {QStringLiteral("wget"), {".wgetrc"}},
        {QStringLiteral("bash"),
         {".bashrc", ".bash_profile", ".bash_login", ".bash_aliases", ".bash_logout"}},
        {QStringLiteral("sh"), {".profile"}},
        {QStringLiteral("zsh"), {".zshrc", ".zshenv", ".zprofile", ".zlogin", ".zlogout"}},
        {QStringLiteral("ksh"), {".kshrc", ".mkshrc"}},
        {QStringLiteral("fish"), {".config/fish/*"}},
        {QStringLiteral("Xsession"), {".xsessionrc", ".xprofile", ".xsession", ".xinitrc"}},
        {QStringLiteral("autostart"), {".config/autostart/*"}},
        {QStringLiteral("systemd"), {".config/systemd/user/*"}},
        {QStringLiteral("xdg-open"), {".local/share/applications/*", ".mailcap"}},
        {QStringLiteral("vim"), {".vimrc", ".exrc", ".gvimrc"}},
        {QStringLiteral("tmux"), {".tmux.conf", ".config/tmux/tmux.conf"}},
        {QStringLiteral("npm"), {".npmrc"}},
        {QStringLiteral("gdb"), {".gdbinit"}},
        {QStringLiteral("python3"),
         {"site-packages/*.pth", "dist-packages/*.pth", "sitecustomize.py", "usercustomize.py"}},
        {QStringLiteral("make"), {"Makefile", "makefile", "GNUmakefile"}},
    };
    static const QList<std::pair<QRegularExpression, QString>> patterns = [] {
        QList<std::pair<QRegularExpression, QString>> made;
        for (const auto& [program, files] : owners) {
            for (const QString& file : files) {
                QString pattern = QRegularExpression::escape(file);
                pattern.replace(QStringLiteral("\\*"), QStringLiteral("[^/]*"));
                made.append({QRegularExpression((file.startsWith(QLatin1Char('/'))
                                                     ? QStringLiteral("^")
                                                     : QStringLiteral("(^|/)")) +
                                                pattern + QStringLiteral("$")),
                             program});
            }
        }
        return made;
    }();
    const QString cleaned = QDir::cleanPath(path);
    for (const auto& [pattern, program] : patterns) {
        if (pattern.match(cleaned).hasMatch())
            return program;
    }
    return {};
}

}  // namespace ShellSettingsFiles
