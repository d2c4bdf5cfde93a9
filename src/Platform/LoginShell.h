#pragma once

#include <QString>
#include <functional>

namespace Platform {

// The shell that starts the user's commands as a login shell ("-lc"), so that the user's
// profile sets their search path and environment. What it is given to run is a short POSIX
// script (shell actions hand their template on to bash), so only a POSIX-compatible shell
// may run it: fish or csh would read its words differently.
namespace LoginShell {

// The user's shell from the password database when it is bash, zsh, dash, ksh or sh and
// executable, else /bin/bash.
QString path();

// The choice itself, for a given password-database entry and executable test.
QString choose(const QString& databaseShell,
               const std::function<bool(const QString&)>& isExecutable);

}  // namespace LoginShell

}  // namespace Platform
