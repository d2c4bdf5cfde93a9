#pragma once

// Watches other programs' windows from a connection of its own: which windows appear and when
// the server has drawn into one. "Drawn" is the Damage extension's report, so it means pixels
// on the screen, the same for every program, whatever toolkit drew them. Every wait has a
// deadline, so a program that never draws makes a failed sample, never a hung benchmark.
#include <poll.h>
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <QByteArray>
#include <QElapsedTimer>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <vector>

// WM_CLASS of a window: instance and class, each ended by a zero byte.
inline QByteArray wmClassOf(xcb_connection_t* c, xcb_window_t window) {
    auto* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64), nullptr);
    if (!reply)
        return {};
    const QByteArray value(static_cast<const char*>(xcb_get_property_value(reply)),
                           xcb_get_property_value_length(reply));
    std::free(reply);
    return value;
}

class WindowWatch {
public:
    using Event = std::unique_ptr<xcb_generic_event_t, decltype(&std::free)>;

    WindowWatch() : c_(xcb_connect(nullptr, nullptr)) {
        if (xcb_connection_has_error(c_))
            return;
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        const xcb_query_extension_reply_t* damage = xcb_get_extension_data(c_, &xcb_damage_id);
        if (!damage || !damage->present)
            return;
        damageEvent_ = damage->first_event + XCB_DAMAGE_NOTIFY;
        std::free(xcb_damage_query_version_reply(
            c_, xcb_damage_query_version(c_, XCB_DAMAGE_MAJOR_VERSION, XCB_DAMAGE_MINOR_VERSION),
            nullptr));
        // Windows of other programs appear, move into frames and map below the root.
        const quint32 mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, root_, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c_);
        ready_ = true;
    }
    ~WindowWatch() {
        for (const auto& [window, damage] : damages_)
            xcb_damage_destroy(c_, damage);
        xcb_disconnect(c_);
    }
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    bool ready() const { return ready_; }
    xcb_connection_t* connection() const { return c_; }
    xcb_window_t root() const { return root_; }

    // From now on, drawing into `window` while it is on screen is reported once until
    // forget() clears it; its own mapping and unmapping are reported too.
    void watch(xcb_window_t window) {
        // A program that ended leaves its window numbers to the next one.
        if (const auto old = damages_.find(window); old != damages_.end())
            xcb_damage_destroy(c_, old->second);
        const xcb_damage_damage_t damage = xcb_generate_id(c_);
        xcb_damage_create(c_, damage, window, XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
        const quint32 mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c_, window, XCB_CW_EVENT_MASK, &mask);
        damages_[window] = damage;
        xcb_flush(c_);
    }
    // Drops what was drawn so far and every event already queued.
    void forget() {
        for (const auto& [window, damage] : damages_)
            xcb_damage_subtract(c_, damage, XCB_NONE, XCB_NONE);
        sync();
        while (xcb_generic_event_t* event = xcb_poll_for_event(c_))
            std::free(event);
    }
    // Waits for the next event until `deadline` (ms of `clock`); none when the time is up or
    // the connection broke.
    Event next(const QElapsedTimer& clock, qint64 deadline) {
        for (;;) {
            if (xcb_generic_event_t* event = xcb_poll_for_queued_event(c_))
                return {event, &std::free};
            const qint64 left = deadline - clock.elapsed();
            if (left <= 0 || xcb_connection_has_error(c_))
                return {nullptr, &std::free};
            pollfd fd{xcb_get_file_descriptor(c_), POLLIN, 0};
            ::poll(&fd, 1, static_cast<int>(left));
            if (xcb_generic_event_t* event = xcb_poll_for_event(c_))
                return {event, &std::free};
        }
    }
    // Waits until `accept` takes an event; false when `deadline` passed first.
    bool waitFor(const QElapsedTimer& clock, qint64 deadline,
                 const std::function<bool(const xcb_generic_event_t&)>& accept) {
        while (Event event = next(clock, deadline)) {
            if (accept(*event))
                return true;
        }
        return false;
    }
    bool isDrawn(const xcb_generic_event_t& event, xcb_window_t window) const {
        return window != XCB_NONE && drawnInto(event) == window;
    }
    // The window an event says was drawn into, else none.
    xcb_window_t drawnInto(const xcb_generic_event_t& event) const {
        if ((event.response_type & 0x7f) != damageEvent_)
            return XCB_NONE;
        return reinterpret_cast<const xcb_damage_notify_event_t&>(event).drawable;
    }
    // The window an event on the root says was made there, else none.
    static xcb_window_t created(const xcb_generic_event_t& event) {
        if ((event.response_type & 0x7f) != XCB_CREATE_NOTIFY)
            return XCB_NONE;
        return reinterpret_cast<const xcb_create_notify_event_t&>(event).window;
    }
    static bool isUnmapped(const xcb_generic_event_t& event, xcb_window_t window) {
        return (event.response_type & 0x7f) == XCB_UNMAP_NOTIFY &&
               reinterpret_cast<const xcb_unmap_notify_event_t&>(event).window == window;
    }
    // The window an event on the root says was mapped or moved into a frame, else none.
    static xcb_window_t appeared(const xcb_generic_event_t& event) {
        switch (event.response_type & 0x7f) {
            case XCB_MAP_NOTIFY:
                return reinterpret_cast<const xcb_map_notify_event_t&>(event).window;
            case XCB_REPARENT_NOTIFY:
                return reinterpret_cast<const xcb_reparent_notify_event_t&>(event).window;
            default:
                return XCB_NONE;
        }
    }

    bool isViewable(xcb_window_t window) const {
        auto* reply =
            xcb_get_window_attributes_reply(c_, xcb_get_window_attributes(c_, window), nullptr);
        const bool viewable = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(reply);
        return viewable;
    }
    bool isOf(xcb_window_t window, const QByteArray& instance) const {
        return window != XCB_NONE && wmClassOf(c_, window).startsWith(instance + '\0');
    }

    // Reports the next drawing into `window` too.
    void rearm(xcb_window_t window) {
        if (const auto found = damages_.find(window); found != damages_.end()) {
            xcb_damage_subtract(c_, found->second, XCB_NONE, XCB_NONE);
            xcb_flush(c_);
        }
    }

    // What a window shows, as 32-bit pixels row by row; empty when it cannot be read.
    struct Picture {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        std::vector<quint32> pixels;
        quint32 at(int column, int row) const { return pixels[row * width + column] & 0xffffff; }
    };
    Picture picture(xcb_window_t window) const {
        Picture picture;
        auto* geometry = xcb_get_geometry_reply(c_, xcb_get_geometry(c_, window), nullptr);
        auto* place = xcb_translate_coordinates_reply(
            c_, xcb_translate_coordinates(c_, window, root_, 0, 0), nullptr);
        auto* image =
            geometry && place
                ? xcb_get_image_reply(c_,
                                      xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                                                    geometry->width, geometry->height, ~0u),
                                      nullptr)
                : nullptr;
        if (image &&
            xcb_get_image_data_length(image) == int(geometry->width) * int(geometry->height) * 4) {
            picture.x = place->dst_x;
            picture.y = place->dst_y;
            picture.width = geometry->width;
            picture.height = geometry->height;
            const auto* data = reinterpret_cast<const quint32*>(xcb_get_image_data(image));
            picture.pixels.assign(data, data + picture.width * picture.height);
        }
        std::free(image);
        std::free(place);
        std::free(geometry);
        return picture;
    }

    bool isInside(xcb_window_t window, xcb_window_t ancestor) const {
        while (window != XCB_NONE && window != root_) {
            auto* tree = xcb_query_tree_reply(c_, xcb_query_tree(c_, window), nullptr);
            window = tree ? tree->parent : XCB_NONE;
            std::free(tree);
            if (window == ancestor)
                return true;
        }
        return false;
    }

private:
    void sync() { std::free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr)); }

    xcb_connection_t* c_;
    xcb_window_t root_ = XCB_NONE;
    quint8 damageEvent_ = 0;
    bool ready_ = false;
    std::map<xcb_window_t, xcb_damage_damage_t> damages_;
};
