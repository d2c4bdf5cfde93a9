#include "Platform/PasswordDatabase.h"

#include <pwd.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <vector>

namespace Platform::PasswordDatabase {

namespace {

template <typename Lookup>
std::optional<Entry> read(Lookup lookup) {
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 4096);
    passwd record{};
    passwd* found = nullptr;
    int error = 0;
    // Entries larger than the suggested size exist (long GECOS fields); grow and retry.
    while ((error = lookup(&record, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (error != 0 || !found)
        return std::nullopt;
    return Entry{found->pw_dir ? QFile::decodeName(found->pw_dir) : QString(),
                 found->pw_shell ? QFile::decodeName(found->pw_shell) : QString()};
}

}  // namespace

std::optional<Entry> forUser(uid_t uid) {
    return read([uid](passwd* record, char* buffer, size_t size, passwd** found) {
        return ::getpwuid_r(uid, record, buffer, size, found);
    });
}

std::optional<Entry> forName(const QString& name) {
    const QByteArray native = QFile::encodeName(name);
    return read([&native](passwd* record, char* buffer, size_t size, passwd** found) {
        return ::getpwnam_r(native.constData(), record, buffer, size, found);
    });
}

}  // namespace Platform::PasswordDatabase
