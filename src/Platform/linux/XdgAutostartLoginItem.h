#pragma once

#include "Platform/LoginItem.h"

namespace Platform {

// An XDG autostart entry, $XDG_CONFIG_HOME/autostart/<application id>.desktop, that starts
// the running executable by its absolute path.
class XdgAutostartLoginItem final : public LoginItem {
public:
    // `executable` defaults to the running program; `autostartFolder` to the user's.
    explicit XdgAutostartLoginItem(QString executable = {}, QString autostartFolder = {});

    std::optional<QString> registerItem() override;
    std::optional<QString> unregisterItem() override;

    QString entryPath() const;
    // The Exec value for `program`: one quoted argument, escaped for the desktop-entry
    // format (quoting rules first, then the string escapes of the file format).
    static QString execValue(const QString& program);

private:
    QString executable_;
    QString folder_;
};

}  // namespace Platform
