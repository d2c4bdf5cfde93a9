#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace Platform::DesktopEntryName {

// The German name, else the plain name, of the [Desktop Entry] group of a desktop file.
std::optional<QString> fromContents(const QByteArray& contents);
// The name of the installed application with desktop-file id `id` ("org.gnome.gedit", with or
// without ".desktop"); none when no such file is installed or it names nothing. Cached.
std::optional<QString> forId(const QString& id);

}  // namespace Platform::DesktopEntryName
