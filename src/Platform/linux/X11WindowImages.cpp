#include "Platform/linux/X11WindowImages.h"

#include <unistd.h>
#include <xcb/composite.h>
#include <xcb/xcb.h>

#include <QPainter>
#include <QRegion>
#include <cstdlib>
#include <vector>

#include "Platform/linux/XcbConnection.h"
#include "Platform/linux/XcbReply.h"

namespace Platform {

namespace {

struct Placement {
    quint32 topLevel = 0;  // the ancestor that is a child of the root (a frame, or the window)
    QRect onRoot;          // the window in root coordinates
    QPoint inTopLevel;     // the window's origin inside the top-level
};

std::optional<Placement> placementOf(xcb_connection_t* c, quint32 root, quint32 window) {
    auto attributes =
        owned(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    // An unmapped or minimised window has nothing on screen and gives a black picture.
    if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
        return std::nullopt;
    auto geometry = owned(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    auto origin = owned(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, root, 0, 0), nullptr));
    if (!geometry || !origin || geometry->width == 0 || geometry->height == 0)
        return std::nullopt;
    Placement placement;
    placement.onRoot = QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
    quint32 current = window;
    for (int depth = 0; depth < 16; ++depth) {
        auto tree = owned(xcb_query_tree_reply(c, xcb_query_tree(c, current), nullptr));
        if (!tree)
            return std::nullopt;
        if (tree->parent == root || tree->parent == XCB_NONE)
            break;
        current = tree->parent;
    }
    placement.topLevel = current;
    auto inTop = owned(xcb_translate_coordinates_reply(
        c, xcb_translate_coordinates(c, window, current, 0, 0), nullptr));
    if (inTop)
        placement.inTopLevel = QPoint(inTop->dst_x, inTop->dst_y);
    return placement;
}

qint32 pidOf(XcbConnection& connection, quint32 window) {
    xcb_connection_t* c = connection.connection();
    auto reply = owned(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, connection.atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1),
        nullptr));
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return 0;
    return static_cast<qint32>(*static_cast<const quint32*>(xcb_get_property_value(reply.get())));
}

// A top-level window of this process, or a window manager's frame around one.
bool isOurs(XcbConnection& connection, quint32 window, int depth = 0) {
    if (pidOf(connection, window) == static_cast<qint32>(::getpid()))
        return true;
    if (depth >= 2)
        return false;
    xcb_connection_t* c = connection.connection();
    auto tree = owned(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
    if (!tree)
        return false;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i)
        if (isOurs(connection, children[i], depth + 1))
            return true;
    return false;
}

// The parts of `placement`, in root coordinates, that Tavrin's own windows lie on top of.
QRegion coveredByOurs(XcbConnection& connection, const Placement& placement) {
    xcb_connection_t* c = connection.connection();
    auto tree = owned(xcb_query_tree_reply(c, xcb_query_tree(c, connection.root()), nullptr));
    // Nothing known of what lies on top: all of it may be ours.
    if (!tree)
        return QRegion(placement.onRoot);
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    const int count = xcb_query_tree_children_length(tree.get());
    QRegion covered;
    bool above = false;
    // Bottom to top: only what comes after the window's own top-level covers it.
    for (int i = 0; i < count; ++i) {
        if (children[i] == placement.topLevel) {
            above = true;
            continue;
        }
        if (!above)
            continue;
        const auto other = placementOf(c, connection.root(), children[i]);
        if (other && other->onRoot.intersects(placement.onRoot) && isOurs(connection, children[i]))
            covered += other->onRoot & placement.onRoot;
    }
    return covered;
}

bool compositorRuns(XcbConnection& connection) {
    xcb_connection_t* c = connection.connection();
    auto owner = owned(xcb_get_selection_owner_reply(
        c, xcb_get_selection_owner(c, connection.atom("_NET_WM_CM_S0")), nullptr));
    return owner && owner->owner != XCB_NONE;
}

// The pixels of `rect` of `drawable`; a null image when the server refuses (`error` says why).
QImage imageOf(xcb_connection_t* c, quint32 drawable, const QRect& rect, QString& error) {
    xcb_generic_error_t* failure = nullptr;
    auto reply = owned(xcb_get_image_reply(
        c,
        xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, static_cast<int16_t>(rect.x()),
                      static_cast<int16_t>(rect.y()), static_cast<uint16_t>(rect.width()),
                      static_cast<uint16_t>(rect.height()), ~0u),
        &failure));
    if (failure) {
        error = QStringLiteral("X-Fehler %1 beim Lesen des Fensterbilds").arg(failure->error_code);
        std::free(failure);
        return {};
    }
    if (!reply)
        return {};
    // 24 and 32 bit deep windows both come as 32 bits per pixel on every server in use;
    // anything else is not worth the conversion code.
    if (reply->depth != 24 && reply->depth != 32)
        return {};
    const int length = xcb_get_image_data_length(reply.get());
    const int stride = length / rect.height();
    if (stride < rect.width() * 4)
        return {};
    const QImage view(xcb_get_image_data(reply.get()), rect.width(), rect.height(), stride,
                      QImage::Format_RGB32);
    return view.copy();
}

}  // namespace

X11WindowImages::X11WindowImages() = default;
X11WindowImages::~X11WindowImages() = default;

WindowImages::Grab X11WindowImages::grab(quint32 windowId) {
    if (!connection_)
        connection_ = XcbConnection::open();
    if (!connection_ || windowId == 0)
        return {};
    xcb_connection_t* c = connection_->connection();
    const auto placement = placementOf(c, connection_->root(), windowId);
    if (!placement)
        return {};
    QString error;

    if (compositorRuns(*connection_)) {
        // The compositor keeps each top-level's full content in a pixmap of its own.
        // A window the compositor does not redirect has no such pixmap: then the screen it is.
        const xcb_pixmap_t pixmap = xcb_generate_id(c);
        if (xcb_generic_error_t* refused = xcb_request_check(
                c, xcb_composite_name_window_pixmap_checked(c, placement->topLevel, pixmap))) {
            std::free(refused);
        } else {
            QImage image =
                imageOf(c, pixmap, QRect(placement->inTopLevel, placement->onRoot.size()), error);
            xcb_free_pixmap(c, pixmap);
            xcb_flush(c);
            if (!image.isNull())
                return {image, {}};
            error.clear();
        }
    }

    // Pixels as they are on screen: whatever covers the window is in them. Where a window of
    // ours lies on top (the undo toast after a paste, the panel coming back) the picture is
    // blacked out, as parts off screen are; the rest is still what the user sees.
    auto rootGeometry =
        owned(xcb_get_geometry_reply(c, xcb_get_geometry(c, connection_->root()), nullptr));
    if (!rootGeometry)
        return {};
    const QRect visible =
        placement->onRoot & QRect(0, 0, rootGeometry->width, rootGeometry->height);
    const QRegion covered = coveredByOurs(*connection_, *placement);
    if ((QRegion(visible) - covered).isEmpty())
        return {};
    const QImage part =
        imageOf(c, windowId, visible.translated(-placement->onRoot.topLeft()), error);
    if (part.isNull())
        return {QImage(), error};
    if (visible == placement->onRoot && covered.isEmpty())
        return {part, {}};
    QImage whole(placement->onRoot.size(), QImage::Format_RGB32);
    whole.fill(Qt::black);
    QPainter painter(&whole);
    painter.drawImage(visible.topLeft() - placement->onRoot.topLeft(), part);
    for (const QRect& ours : covered.translated(-placement->onRoot.topLeft()))
        painter.fillRect(ours, Qt::black);
    painter.end();
    return {whole, {}};
}

}  // namespace Platform
