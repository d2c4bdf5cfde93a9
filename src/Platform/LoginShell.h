#pragma once

#include <QString>
#include <functional>

namespace Platform {

// The shell that runs the user's commands as a login shell ("-lc"). Commands are built
// with POSIX quoting, so only a POSIX-compatible shell may run them: fish or csh would read
// the quoted words differently.
namespace LoginShell {

// The user's shell from the password database when it is bash, zsh, dash, ksh or sh and
// executable, else /bin/bash.
QString path();

// The choice itself, for a given password-database entry and executable test.
QString choose(const QString& databaseShell,
               const std::function<bool(const QString&)>& isExecutable);

}  // namespace LoginShell

}  // namespace Platform
