#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

// Points HOME and the XDG data, config and cache folders into `home`, so that the stores a
// test or the gallery builds write nothing of the user's. False when `home` could not be made.
inline bool usePrivateHome(const QTemporaryDir& home) {
    if (!home.isValid())
        return false;
    const QByteArray root = QFile::encodeName(home.path());
    qputenv("HOME", root);
    qputenv("XDG_DATA_HOME", root + "/.local/share");
    qputenv("XDG_CONFIG_HOME", root + "/.config");
    qputenv("XDG_CACHE_HOME", root + "/.cache");
    return true;
}
