#pragma once

#include <QString>
#include <optional>
#include <sys/types.h>

// The password database, read with the reentrant calls: several threads ask it at once
// (the login-shell probe, tool location, the data folder).
namespace Platform::PasswordDatabase {

struct Entry {
    QString home;
    QString shell;
};

std::optional<Entry> forUser(uid_t uid);
std::optional<Entry> forName(const QString& name);

}  // namespace Platform::PasswordDatabase
