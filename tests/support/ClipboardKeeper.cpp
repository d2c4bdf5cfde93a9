// A clipboard history as the desktop's managers are: it fetches every new clipboard the moment
// another program takes it (and writes the text it got as a line of its log), and it owns
// CLIPBOARD_MANAGER, so that a program going away can ask it to keep what it serves
// (SAVE_TARGETS): it then fetches that text, serves it as the clipboard's owner and logs
// "saved: TEXT". Runs until it is ended. Usage: ClipboardKeeper LOGFILE [DELAY_MS]: with a
// delay it is a busy history that asks that long after each new clipboard.

#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <chrono>
#include <thread>

namespace {

xcb_connection_t* c;
xcb_window_t window;
FILE* logFile;

xcb_atom_t atom(const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    return result;
}

void logLine(const std::string& line) {
    std::fprintf(logFile, "%s\n", line.c_str());
    std::fflush(logFile);
}

std::string takeProperty(xcb_atom_t property) {
    xcb_get_property_reply_t* reply = xcb_get_property_reply(
        c, xcb_get_property(c, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20),
        nullptr);
    std::string text;
    if (reply)
        text.assign(static_cast<const char*>(xcb_get_property_value(reply)),
                    static_cast<size_t>(xcb_get_property_value_length(reply)));
    std::free(reply);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3)
        return 2;
    const int delayMs = argc == 3 ? std::atoi(argv[2]) : 0;
    logFile = std::fopen(argv[1], "a");
    c = xcb_connect(nullptr, nullptr);
    if (!logFile || xcb_connection_has_error(c))
        return 1;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    window = xcb_generate_id(c);
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                      &events);
    const xcb_atom_t clipboard = atom("CLIPBOARD");
    const xcb_atom_t manager = atom("CLIPBOARD_MANAGER");
    const xcb_atom_t saveTargets = atom("SAVE_TARGETS");
    const xcb_atom_t targets = atom("TARGETS");
    const xcb_atom_t utf8 = atom("UTF8_STRING");
    const xcb_atom_t copied = atom("KEEPER_COPY");
    const xcb_atom_t saving = atom("KEEPER_SAVE");

    const xcb_query_extension_reply_t* fixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (!fixes || !fixes->present)
        return 1;
    std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
    xcb_xfixes_select_selection_input(c, window, clipboard,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER);
    xcb_set_selection_owner(c, window, manager, XCB_CURRENT_TIME);
    xcb_flush(c);
    logLine("ready");

    std::string kept;
    xcb_selection_request_event_t pendingSave{};
    bool saveAsked = false;
    while (xcb_generic_event_t* event = xcb_wait_for_event(c)) {
        const uint8_t type = event->response_type & 0x7f;
        if (type == fixes->first_event + XCB_XFIXES_SELECTION_NOTIFY) {
            auto* notify = reinterpret_cast<xcb_xfixes_selection_notify_event_t*>(event);
            // Every new clipboard of another program is copied at once.
            if (notify->owner != window && notify->owner != XCB_NONE) {
                std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
                xcb_convert_selection(c, window, clipboard, utf8, copied, XCB_CURRENT_TIME);
            }
        } else if (type == XCB_SELECTION_NOTIFY) {
            auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event);
            if (notify->property == copied) {
                logLine("copied: " + takeProperty(copied));
            } else if (notify->property == saving && saveAsked) {
                kept = takeProperty(saving);
                xcb_set_selection_owner(c, window, clipboard, XCB_CURRENT_TIME);
                xcb_selection_notify_event_t done{};
                done.response_type = XCB_SELECTION_NOTIFY;
                done.time = pendingSave.time;
                done.requestor = pendingSave.requestor;
                done.selection = manager;
                done.target = saveTargets;
                done.property = pendingSave.property;
                xcb_send_event(c, 0, pendingSave.requestor, 0, reinterpret_cast<char*>(&done));
                saveAsked = false;
                logLine("saved: " + kept);
            }
        } else if (type == XCB_SELECTION_REQUEST) {
            auto* request = reinterpret_cast<xcb_selection_request_event_t*>(event);
            xcb_atom_t answered = XCB_NONE;
            if (request->selection == manager && request->target == saveTargets) {
                pendingSave = *request;
                saveAsked = true;
                xcb_convert_selection(c, window, clipboard, utf8, saving, XCB_CURRENT_TIME);
                xcb_flush(c);
                std::free(event);
                continue;
            }
            if (request->selection == clipboard && request->target == targets) {
                const xcb_atom_t list[] = {targets, utf8};
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor,
                                    request->property, XCB_ATOM_ATOM, 32, 2, list);
                answered = request->property;
            } else if (request->selection == clipboard && request->target == utf8) {
                xcb_change_property(c, XCB_PROP_MODE_REPLACE, request->requestor,
                                    request->property, utf8, 8,
                                    static_cast<uint32_t>(kept.size()), kept.data());
                answered = request->property;
            }
            xcb_selection_notify_event_t reply{};
            reply.response_type = XCB_SELECTION_NOTIFY;
            reply.time = request->time;
            reply.requestor = request->requestor;
            reply.selection = request->selection;
            reply.target = request->target;
            reply.property = answered;
            xcb_send_event(c, 0, request->requestor, 0, reinterpret_cast<char*>(&reply));
        }
        xcb_flush(c);
        std::free(event);
    }
    return 0;
}
