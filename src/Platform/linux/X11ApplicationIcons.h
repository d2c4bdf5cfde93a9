#pragma once

#include <QHash>
#include <QImage>
#include <QString>
#include <memory>
#include <optional>

#include "Platform/ApplicationIcons.h"

namespace Platform {

class XcbConnection;

// The window's _NET_WM_ICON, else the Icon= of the application's desktop file looked up in
// the icon theme (or read from its path). Answers are kept per application, so a panel that
// opens again for the same program asks nothing.
class X11ApplicationIcons final : public ApplicationIcons {
public:
    explicit X11ApplicationIcons(std::shared_ptr<XcbConnection> connection);
    ~X11ApplicationIcons() override;

    QImage icon(const RunningApplication& app, int pixelSize) override;

    // The best picture in the cardinals of a _NET_WM_ICON property (width, height, then
    // width × height ARGB pixels, repeated): the smallest at least `pixelSize` high, else the
    // largest. Entries that claim more pixels than the property holds end the reading.
    static QImage chooseIcon(const quint32* data, qsizetype length, int pixelSize);
    // The Icon= value of the [Desktop Entry] group of a desktop file.
    static std::optional<QString> iconName(const QByteArray& desktopFile);

private:
    QImage windowIcon(quint32 window, int pixelSize);
    QImage desktopIcon(const RunningApplication& app, int pixelSize);

    std::shared_ptr<XcbConnection> connection_;
    QHash<QString, QImage> cache_;
};

}  // namespace Platform
