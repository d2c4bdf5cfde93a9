#include <xcb/res.h>
#include <xcb/xcb.h>

#include <algorithm>

#include "Platform/linux/X11SelectionOwner.h"
#include "Platform/linux/XcbReply.h"

// Texts offered to one program alone, and which of that program's requests they answer: the
// ones its paste key asked for, never the user's own paste. The offers are made on the main
// thread; the pastes seen in the raw input are noted on the owner's thread with its state
// locked.

namespace Platform {

namespace {

// Tavrin's key follows its offer at once: a paste key through XTEST within this long is it.
constexpr qint64 ownKeyWithinMs = 1000;

}  // namespace

X11SelectionOwner::FetchToken X11SelectionOwner::offerTo(quint32 window,
                                                         const ClipboardContents& contents,
                                                         std::function<void()> fetched,
                                                         const FetchToken& sameKeyAs) {
    auto token = std::make_shared<std::function<void()>>(std::move(fetched));
    if (!connection_)
        return token;
    Private offer;
    offer.callback = token;
    offer.madeAt.start();
    offer.contents = oneItem(contents);
    if (!offer.contents.isEmpty()) {
        for (const auto& representation : offer.contents.front().representations)
            atom(representation.type.toUtf8());
    }
    for (const quint32 w : {window, focusWindow()}) {
        if (!w || client(w) == client(window_))
            continue;
        offer.clients.push_back(client(w));
        if (const qint64 process = processOf(w); process && process != ownProcess_)
            offer.processes.push_back(process);
    }
    std::lock_guard lock(mutex_);
    std::erase_if(privates_, [](const Private& p) { return p.callback.expired(); });
    // A text that takes an earlier one's place is for the paste key that one was for, and goes
    // wherever that key's paste would have gone.
    const auto earlier = std::find_if(privates_.begin(), privates_.end(), [&](const Private& p) {
        return sameKeyAs && p.callback.lock() == sameKeyAs;
    });
    if (earlier != privates_.end()) {
        offer.awaitingKey = earlier->awaitingKey;
        offer.madeAt = earlier->madeAt;
        offer.userPastedAt = earlier->userPastedAt;
        privates_.erase(earlier);
    } else {
        offer.awaitingKey = !sameKeyAs && tellsUserPastes();
    }
    privates_.push_back(std::move(offer));
    return token;
}

qint64 X11SelectionOwner::processOf(quint32 resource) {
    if (!resources_ || !resource)
        return 0;
    const xcb_res_client_id_spec_t asked{resource, XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID};
    auto reply = owned(xcb_res_query_client_ids_reply(
        connection_, xcb_res_query_client_ids(connection_, 1, &asked), nullptr));
    wake();
    if (!reply)
        return 0;
    for (auto it = xcb_res_query_client_ids_ids_iterator(reply.get()); it.rem;
         xcb_res_client_id_value_next(&it)) {
        // Each answer names what it answers (the client and what was asked of it) and how
        // many bytes its value takes.
        const auto& [answered, bytes] = *it.data;
        if (!(answered.mask & XCB_RES_CLIENT_ID_MASK_LOCAL_CLIENT_PID) || bytes < sizeof(uint32_t))
            continue;
        return *xcb_res_client_id_value_value(it.data);
    }
    return 0;
}

quint32 X11SelectionOwner::pointerWindow() {
    // Each answer names the child of the window asked that holds the pointer: a window
    // manager's frame first, then the program's own windows inside it.
    quint32 window = root_;
    for (int depth = 0; depth < 16; ++depth) {
        auto reply = owned(
            xcb_query_pointer_reply(connection_, xcb_query_pointer(connection_, window), nullptr));
        if (!reply || reply->child == XCB_NONE)
            break;
        window = reply->child;
    }
    return window == root_ ? 0 : window;
}

quint32 X11SelectionOwner::focusWindow() {
    auto reply = owned(
        xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    wake();
    // None and PointerRoot name no window.
    if (!reply || reply->focus <= 1 || reply->focus == root_)
        return 0;
    return reply->focus;
}

void X11SelectionOwner::endPrivates() {
    // Another program's write is the clipboard now: it goes to everyone, the paste included.
    privates_.clear();
    for (auto& transfer : transfers_)
        transfer->privateFor.reset();
}

bool X11SelectionOwner::Private::covers(quint32 client, qint64 process) const {
    if (process && !processes.empty())
        return std::find(processes.cbegin(), processes.cend(), process) != processes.cend();
    return std::find(clients.cbegin(), clients.cend(), client) != clients.cend();
}

const X11SelectionOwner::Private* X11SelectionOwner::privateFor(quint32 requestor, quint32 time) {
    std::erase_if(privates_, [](const Private& p) { return p.callback.expired(); });
    if (privates_.empty())
        return nullptr;
    const qint64 process = processOf(requestor);
    if (process && process == ownProcess_)
        return nullptr;
    const quint32 requestorClient = client(requestor);
    // The latest offer first: a second paste into the same program replaces the first.
    for (auto it = privates_.rbegin(); it != privates_.rend(); ++it) {
        if (!it->covers(requestorClient, process))
            continue;
        // Once the user has pasted in that program, a request is theirs where its stamp says
        // so (programs stamp with the event that asked, or with the time they ask), and
        // wherever it says nothing.
        if (it->userPastedAt && (time == XCB_CURRENT_TIME || !earlier(time, *it->userPastedAt)))
            return nullptr;
        return &*it;
    }
    return nullptr;
}

void X11SelectionOwner::notePaste(const X11PasteWatch::Paste& paste) {
    std::erase_if(privates_, [](const Private& p) { return p.callback.expired(); });
    for (Private& offer : privates_) {
        if (offer.awaitingKey && offer.madeAt.elapsed() > ownKeyWithinMs)
            offer.awaitingKey = false;
    }
    if (paste.kind == X11PasteWatch::Paste::Kind::key && paste.synthetic) {
        // Tavrin's own key: the latest offer still waiting for one.
        for (auto it = privates_.rbegin(); it != privates_.rend(); ++it) {
            if (it->awaitingKey) {
                it->awaitingKey = false;
                return;
            }
        }
    }
    // Other input ends an offer only once its key's read has been served: typing into a
    // program still busy with the key must not cost it the text. Tavrin's own keys (the Return
    // after a paste, an undo) are no input of the user's.
    const bool input = paste.kind == X11PasteWatch::Paste::Kind::input;
    if (input && paste.synthetic)
        return;
    const auto ends = [input](const Private& offer) {
        return !offer.awaitingKey && !offer.userPastedAt && (!input || offer.served);
    };
    if (std::none_of(privates_.cbegin(), privates_.cend(), ends))
        return;
    // The user's: a key goes where the keyboard is, a click where the pointer is.
    const quint32 window = paste.fromButton ? pointerWindow() : focusWindow();
    if (!window)
        return;
    const qint64 process = processOf(window);
    for (Private& offer : privates_) {
        // Before its key (a moment ago) the user's paste cannot be told from the one the key
        // makes; the first paste after it is what counts.
        if (ends(offer) && offer.covers(client(window), process))
            offer.userPastedAt = paste.time;
    }
}

void X11SelectionOwner::noteServed(const FetchToken& token) {
    for (Private& offer : privates_) {
        if (token && offer.callback.lock() == token)
            offer.served = true;
    }
}

}  // namespace Platform
