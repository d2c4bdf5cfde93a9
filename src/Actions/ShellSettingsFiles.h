#pragma once

#include <QString>

// Files a program reads as its own settings or runs by itself, any line of which may run a
// command: git's configuration and hooks, ssh's, the shells' start-up files, a desktop
// session's autostart entries, a makefile, Python's path files and their kin.
namespace ShellSettingsFiles {

// The program that reads the file at `path` (relative to the folder the template runs in,
// which may be the home folder, or absolute, "~/" for the home folder): "" for any other file.
QString owner(const QString& path);

}  // namespace ShellSettingsFiles
