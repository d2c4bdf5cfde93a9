#pragma once

// How the scenarios and the press benchmark start Debian's browsers: each with a fresh profile
// in `profile`, on a local page, off the network, with its accessibility tree on the bus.
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

namespace Browsers {

// Firefox shows its tree when the bus's IsEnabled was on before it started; a profile folder
// that does not exist opens a "Profile Missing" dialog instead. The preferences keep it away
// from its first-run pages and off the network: every connection goes to a closed local port.
inline QStringList firefoxArguments(const QString& profile, const QString& page) {
    QDir().mkpath(profile);
    QFile prefs(profile + QStringLiteral("/user.js"));
    if (prefs.open(QIODevice::WriteOnly))
        prefs.write(R"(
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("browser.aboutwelcome.enabled", false);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("datareporting.policy.firstRunURL", "");
user_pref("datareporting.healthreport.uploadEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("app.update.auto", false);
user_pref("app.normandy.enabled", false);
user_pref("extensions.update.enabled", false);
user_pref("browser.safebrowsing.malware.enabled", false);
user_pref("browser.safebrowsing.phishing.enabled", false);
user_pref("browser.safebrowsing.downloads.enabled", false);
user_pref("network.captive-portal-service.enabled", false);
user_pref("network.connectivity-service.enabled", false);
user_pref("network.proxy.type", 1);
user_pref("network.proxy.http", "127.0.0.1");
user_pref("network.proxy.http_port", 9);
user_pref("network.proxy.ssl", "127.0.0.1");
user_pref("network.proxy.ssl_port", 9);
user_pref("network.proxy.no_proxies_on", "");
user_pref("browser.tabs.warnOnClose", false);
user_pref("browser.sessionstore.resume_from_crash", false);
)");
    return {QStringLiteral("--no-remote"), QStringLiteral("--profile"), profile, page};
}

// As the README tells users to start it, so that it shows its tree; as root it has to leave
// its sandbox. The rest keeps it off the network and quiet on a machine without a GPU.
inline QStringList chromiumArguments(const QString& profile, const QString& page) {
    return {QStringLiteral("--no-sandbox"),
            QStringLiteral("--test-type"),
            QStringLiteral("--force-renderer-accessibility"),
            QStringLiteral("--user-data-dir=") + profile,
            QStringLiteral("--no-first-run"),
            QStringLiteral("--no-default-browser-check"),
            QStringLiteral("--disable-background-networking"),
            QStringLiteral("--disable-component-update"),
            QStringLiteral("--disable-sync"),
            QStringLiteral("--disable-default-apps"),
            QStringLiteral("--disable-gpu"),
            QStringLiteral("--password-store=basic"),
            QStringLiteral("--window-position=40,40"),
            QStringLiteral("--window-size=900,640"),
            page};
}

}  // namespace Browsers
