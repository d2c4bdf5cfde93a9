#pragma once

// Another X client that owns the CLIPBOARD selection and answers requests from a script: each
// offered target either with its data or, for a stalling target, never. It runs on a thread of
// its own with its own connection, so the test's main thread is free to read.

#include <poll.h>
#include <xcb/xcb.h>

#include <QByteArray>
#include <QList>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

class ScriptedSelectionOwner {
public:
    struct Target {
        QByteArray name;
        QByteArray data;
        bool stalls = false;
        // Answers only after this long, holding up the requests behind it: a slow owner.
        int delayMs = 0;
    };

    // Owns the clipboard once the constructor returns; `answersTargets` false makes even the
    // list of targets stall.
    explicit ScriptedSelectionOwner(QList<Target> targets, bool answersTargets = true)
        : targets_(std::move(targets)), answersTargets_(answersTargets) {
        connection_ = xcb_connect(nullptr, nullptr);
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection_)).data;
        window_ = xcb_generate_id(connection_);
        xcb_create_window(connection_, XCB_COPY_FROM_PARENT, window_, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, 0, nullptr);
        clipboard_ = atom("CLIPBOARD");
        targetsAtom_ = atom("TARGETS");
        for (const Target& target : targets_)
            atoms_.append(atom(target.name.constData()));
        xcb_set_selection_owner(connection_, window_, clipboard_, XCB_CURRENT_TIME);
        free(xcb_get_selection_owner_reply(
            connection_, xcb_get_selection_owner(connection_, clipboard_), nullptr));
        thread_ = std::thread([this] { serve(); });
    }

    ~ScriptedSelectionOwner() {
        stop_ = true;
        thread_.join();
        xcb_disconnect(connection_);
    }

    ScriptedSelectionOwner(const ScriptedSelectionOwner&) = delete;
    ScriptedSelectionOwner& operator=(const ScriptedSelectionOwner&) = delete;

private:
    xcb_atom_t atom(const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection_,
            xcb_intern_atom(connection_, 0, static_cast<uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(reply);
        return result;
    }

    void serve() {
        while (!stop_) {
            xcb_generic_event_t* event = xcb_poll_for_event(connection_);
            if (!event) {
                pollfd descriptor{xcb_get_file_descriptor(connection_), POLLIN, 0};
                ::poll(&descriptor, 1, 20);
                continue;
            }
            if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST)
                answer(*reinterpret_cast<xcb_selection_request_event_t*>(event));
            free(event);
        }
    }

    void answer(const xcb_selection_request_event_t& request) {
        xcb_atom_t property = request.property;
        if (request.target == targetsAtom_) {
            if (!answersTargets_)
                return;
            QList<xcb_atom_t> offered = {targetsAtom_};
            offered.append(atoms_);
            xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                XCB_ATOM_ATOM, 32, static_cast<uint32_t>(offered.size()),
                                offered.constData());
        } else {
            const qsizetype index = atoms_.indexOf(request.target);
            if (index >= 0 && targets_[index].stalls)
                return;
            if (index >= 0 && targets_[index].delayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(targets_[index].delayMs));
            if (index < 0) {
                property = XCB_ATOM_NONE;
            } else {
                const QByteArray& data = targets_[index].data;
                xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, request.requestor, property,
                                    request.target, 8, static_cast<uint32_t>(data.size()),
                                    data.constData());
            }
        }
        xcb_selection_notify_event_t notify{};
        notify.response_type = XCB_SELECTION_NOTIFY;
        notify.time = request.time;
        notify.requestor = request.requestor;
        notify.selection = request.selection;
        notify.target = request.target;
        notify.property = property;
        xcb_send_event(connection_, 0, request.requestor, 0,
                       reinterpret_cast<const char*>(&notify));
        xcb_flush(connection_);
    }

    QList<Target> targets_;
    bool answersTargets_;
    xcb_connection_t* connection_;
    xcb_window_t window_;
    xcb_atom_t clipboard_;
    xcb_atom_t targetsAtom_;
    QList<xcb_atom_t> atoms_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};
