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
// The name a user knows a window's program by: that of its desktop-file id, else of a desktop
// file named like its WM_CLASS (programs that announce no id mostly name their desktop file
// there: "firefox-esr", "chromium", "xterm"), else the class itself.
QString forWindow(const QString& desktopId, const QString& instance, const QString& windowClass);
// The first 256 KiB of the installed desktop file with id `id`; none when there is none. The id
// comes from another program's window, so it only ever names a file in the applications
// folders: an id with "/" names nothing.
std::optional<QByteArray> contentsForId(const QString& id);

}  // namespace Platform::DesktopEntryName
