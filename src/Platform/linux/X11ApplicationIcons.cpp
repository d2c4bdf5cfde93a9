#include "Platform/linux/X11ApplicationIcons.h"

#include <xcb/xcb.h>

#include <QIcon>
#include <cstdlib>

#include "Platform/linux/DesktopEntryName.h"
#include "Platform/linux/XcbConnection.h"

namespace Platform {

namespace {

// Big enough for a 256 × 256 icon with a few smaller ones.
constexpr uint32_t kMaxIconWords = 4 * 1024 * 1024 / 4;

}  // namespace

X11ApplicationIcons::X11ApplicationIcons(std::shared_ptr<XcbConnection> connection)
    : connection_(std::move(connection)) {}

X11ApplicationIcons::~X11ApplicationIcons() = default;

QImage X11ApplicationIcons::icon(const RunningApplication& app, int pixelSize) {
    const QString key = QString::number(app.windowId) + u'/' +
                        app.bundleIdentifier.value_or(app.windowClass) + u'/' +
                        QString::number(pixelSize);
    if (auto found = cache_.constFind(key); found != cache_.constEnd())
        return *found;
    QImage image = windowIcon(app.windowId, pixelSize);
    if (image.isNull())
        image = desktopIcon(app, pixelSize);
    cache_.insert(key, image);
    return image;
}

QImage X11ApplicationIcons::chooseIcon(const quint32* data, qsizetype length, int pixelSize) {
    const quint32* best = nullptr;
    quint32 bestWidth = 0;
    quint32 bestHeight = 0;
    qsizetype at = 0;
    while (length - at >= 2) {
        const quint32 width = data[at];
        const quint32 height = data[at + 1];
        // Sizes come from another program: check them before trusting them.
        if (width == 0 || height == 0 || width > 1024 || height > 1024 ||
            qsizetype(width) * qsizetype(height) > length - at - 2)
            break;
        const quint32* pixels = data + at + 2;
        const bool bigEnough = int(height) >= pixelSize;
        const bool bestBigEnough = best && int(bestHeight) >= pixelSize;
        if (!best || (bigEnough && (!bestBigEnough || height < bestHeight)) ||
            (!bigEnough && !bestBigEnough && height > bestHeight)) {
            best = pixels;
            bestWidth = width;
            bestHeight = height;
        }
        at += 2 + qsizetype(width) * qsizetype(height);
    }
    if (!best)
        return {};
    QImage image(int(bestWidth), int(bestHeight), QImage::Format_ARGB32);
    for (quint32 y = 0; y < bestHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
        for (quint32 x = 0; x < bestWidth; ++x)
            line[x] = best[y * bestWidth + x];
    }
    return image;
}

std::optional<QString> X11ApplicationIcons::iconName(const QByteArray& desktopFile) {
    bool inEntry = false;
    for (const QByteArray& raw : desktopFile.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry || !line.startsWith("Icon"))
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals < 0 || line.left(equals).trimmed() != "Icon")
            continue;
        const QString value = QString::fromUtf8(line.mid(equals + 1).trimmed());
        if (!value.isEmpty())
            return value;
    }
    return std::nullopt;
}

QImage X11ApplicationIcons::windowIcon(quint32 window, int pixelSize) {
    if (!connection_ || window == 0)
        return {};
    xcb_connection_t* c = connection_->connection();
    const auto cookie = xcb_get_property(c, 0, window, connection_->atom("_NET_WM_ICON"),
                                         XCB_ATOM_CARDINAL, 0, kMaxIconWords);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(c, cookie, nullptr);
    if (!reply)
        return {};
    QImage image;
    if (reply->format == 32) {
        const auto* data = static_cast<const quint32*>(xcb_get_property_value(reply));
        image = chooseIcon(data, xcb_get_property_value_length(reply) / 4, pixelSize);
    }
    std::free(reply);
    return image;
}

QImage X11ApplicationIcons::desktopIcon(const RunningApplication& app, int pixelSize) {
    QStringList ids;
    if (app.bundleIdentifier)
        ids.append(*app.bundleIdentifier);
    // Desktop-file ids are case-sensitive; window classes are often the id capitalised
    // ("Firefox" for firefox.desktop).
    for (const QString& name : {app.windowClass, app.windowInstance}) {
        if (name.isEmpty())
            continue;
        ids.append(name);
        ids.append(name.toLower());
    }
    ids.removeDuplicates();
    for (const QString& id : std::as_const(ids)) {
        const std::optional<QByteArray> contents = DesktopEntryName::contentsForId(id);
        if (!contents)
            continue;
        const std::optional<QString> name = iconName(*contents);
        if (!name)
            continue;
        const QIcon icon = name->startsWith(u'/') ? QIcon(*name) : QIcon::fromTheme(*name);
        const QImage image = icon.pixmap(pixelSize, pixelSize).toImage();
        if (!image.isNull())
            return image;
    }
    return {};
}

}  // namespace Platform
