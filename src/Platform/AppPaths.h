#pragma once

#include <QString>
#include <optional>

namespace Platform {

// Where Tavrin keeps its things. The application id stands in for a bundle identifier.
namespace AppPaths {

QString applicationId();

// The user's home: $HOME, else the password database; empty when neither knows one.
QString homeFolder();

// $XDG_DATA_HOME, else ~/.local/share (not created); none when no home is known. It holds
// the data folders of Tavrin and of its earlier versions.
std::optional<QString> dataHome();

// $XDG_DATA_HOME/<application id>, else ~/.local/share/<application id>, created with
// mode 0700 (and tightened to 0700 when it exists). None when it cannot be made.
std::optional<QString> dataFolder();

// $XDG_CONFIG_HOME, else ~/.config (not created).
QString configHome();

// The file that holds the user defaults.
QString userDefaultsFile();

// The folder for short-lived files, and the harmless place where outside tools start:
// $TMPDIR, else /tmp, resolved. Falls back to /tmp when $TMPDIR names a folder that does not
// exist, where QDir::tempPath() is empty and a file would land at the root and a child would
// start wherever Tavrin happens to be.
QString temporaryFolder();

// `path` as the user is shown it: below the home folder with "~" in its place, so that a
// notice names the file in a line or two.
QString shownPath(const QString& path);

// Creates `path` (and its parents) and sets it to 0700. False when that fails.
bool makePrivateFolder(const QString& path);

}  // namespace AppPaths

}  // namespace Platform
