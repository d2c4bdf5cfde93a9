#include "Platform/linux/X11HotKeyGrabber.h"

#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>
// The XKB protocol header names a member `explicit`, which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <QSocketNotifier>
#include <algorithm>
#include <cstdlib>

#include "Platform/linux/XcbConnection.h"
#include "Platform/linux/XcbReply.h"

namespace Platform {

namespace {

constexpr quint8 badAccess = 10;
constexpr auto heldKeyCheckInterval = std::chrono::milliseconds(200);

// The stored positional key codes and the XKB names of the keys at those positions. Keys
// without a counterpart on PC keyboards (Function, keypad Clear) are missing, so they can
// never be grabbed; Help sits where PC keyboards have Insert.
struct KeyName {
    int keyCode;
    const char* name;
};
constexpr KeyName keyNames[] = {
    {0, "AC01"},   {1, "AC02"},   {2, "AC03"},   {3, "AC04"},   {4, "AC06"},   {5, "AC05"},
    {6, "AB01"},   {7, "AB02"},   {8, "AB03"},   {9, "AB04"},   {11, "AB05"},  {12, "AD01"},
    {13, "AD02"},  {14, "AD03"},  {15, "AD04"},  {16, "AD06"},  {17, "AD05"},  {18, "AE01"},
    {19, "AE02"},  {20, "AE03"},  {21, "AE04"},  {22, "AE06"},  {23, "AE05"},  {24, "AE12"},
    {25, "AE09"},  {26, "AE07"},  {27, "AE11"},  {28, "AE08"},  {29, "AE10"},  {30, "AD12"},
    {31, "AD09"},  {32, "AD07"},  {33, "AD11"},  {34, "AD08"},  {35, "AD10"},  {36, "RTRN"},
    {37, "AC09"},  {38, "AC07"},  {39, "AC11"},  {40, "AC08"},  {41, "AC10"},  {42, "BKSL"},
    {43, "AB08"},  {44, "AB10"},  {45, "AB06"},  {46, "AB07"},  {47, "AB09"},  {48, "TAB"},
    {49, "SPCE"},  {50, "TLDE"},  {51, "BKSP"},  {53, "ESC"},   {54, "RWIN"},  {55, "LWIN"},
    {56, "LFSH"},  {57, "CAPS"},  {58, "LALT"},  {59, "LCTL"},  {60, "RTSH"},  {61, "RALT"},
    {62, "RCTL"},  {64, "FK17"},  {65, "KPDL"},  {67, "KPMU"},  {69, "KPAD"},  {72, "VOL+"},
    {73, "VOL-"},  {74, "MUTE"},  {75, "KPDV"},  {76, "KPEN"},  {78, "KPSU"},  {79, "FK18"},
    {80, "FK19"},  {81, "KPEQ"},  {82, "KP0"},   {83, "KP1"},   {84, "KP2"},   {85, "KP3"},
    {86, "KP4"},   {87, "KP5"},   {88, "KP6"},   {89, "KP7"},   {90, "FK20"},  {91, "KP8"},
    {92, "KP9"},   {96, "FK05"},  {97, "FK06"},  {98, "FK07"},  {99, "FK03"},  {100, "FK08"},
    {101, "FK09"}, {103, "FK11"}, {105, "FK13"}, {106, "FK16"}, {107, "FK14"}, {109, "FK10"},
    {111, "FK12"}, {113, "FK15"}, {114, "INS"},  {115, "HOME"}, {116, "PGUP"}, {117, "DELE"},
    {118, "FK04"}, {119, "END"},  {120, "FK02"}, {121, "PGDN"}, {122, "FK01"}, {123, "LEFT"},
    {124, "RGHT"}, {125, "DOWN"}, {126, "UP"},
};

// What the server itself does with a combination before any client sees it: switching to
// a text console and ending the server.
bool isServerCombination(int keyCode, int modifiers) {
    constexpr int controlOption = HotKeyGrabber::Control | HotKeyGrabber::Option;
    constexpr int functionKeys[] = {122, 120, 99, 118, 96, 97, 98, 100, 101, 109, 103, 111};
    if (modifiers != controlOption)
        return false;
    if (keyCode == 51)
        return true;
    for (const int code : functionKeys) {
        if (code == keyCode)
            return true;
    }
    return false;
}

// Dead keys have no character of their own; the user knows them by their spacing form.
char32_t spacingFormOfDeadKey(xkb_keysym_t keysym) {
    switch (keysym) {
        case XKB_KEY_dead_grave:
            return U'`';
        case XKB_KEY_dead_acute:
            return U'\u00B4';
        case XKB_KEY_dead_circumflex:
            return U'^';
        case XKB_KEY_dead_tilde:
            return U'~';
        case XKB_KEY_dead_macron:
            return U'\u00AF';
        case XKB_KEY_dead_breve:
            return U'\u02D8';
        case XKB_KEY_dead_abovedot:
            return U'\u02D9';
        case XKB_KEY_dead_diaeresis:
            return U'\u00A8';
        case XKB_KEY_dead_abovering:
            return U'\u02DA';
        case XKB_KEY_dead_doubleacute:
            return U'\u02DD';
        case XKB_KEY_dead_caron:
            return U'\u02C7';
        case XKB_KEY_dead_cedilla:
            return U'\u00B8';
        case XKB_KEY_dead_ogonek:
            return U'\u02DB';
        default:
            return 0;
    }
}

}  // namespace

struct X11HotKeyGrabber::Keyboard {
    ~Keyboard() {
        if (keymap)
            xkb_keymap_unref(keymap);
        if (context)
            xkb_context_unref(context);
    }
    xkb_context* context = nullptr;
    xkb_keymap* keymap = nullptr;
    QHash<int, quint8> xKeyOf;
    QHash<quint8, int> keyCodeOf;
    quint16 option = XCB_MOD_MASK_1;
    quint16 command = XCB_MOD_MASK_4;
    quint16 numLock = 0;
    xkb_layout_index_t latinLayout = 0;

    // The keysym at level one of `key` in `layout`; 0 when there is none.
    xkb_keysym_t keysym(quint8 key, xkb_layout_index_t layout) const {
        if (layout >= xkb_keymap_num_layouts_for_key(keymap, key))
            layout = 0;
        const xkb_keysym_t* syms = nullptr;
        if (xkb_keymap_key_get_syms_by_level(keymap, key, layout, 0, &syms) < 1)
            return 0;
        return syms[0];
    }
};

X11HotKeyGrabber::X11HotKeyGrabber(const QByteArray& display, QObject* parent)
    : HotKeyGrabber(parent), connection_(XcbConnection::open(display)) {
    if (!connection_)
        return;
    xcb_connection_t* c = connection_->connection();
    quint16 major = 0;
    quint16 minor = 0;
    quint8 errorBase = 0;
    if (!xkb_x11_setup_xkb_extension(
            c, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, &major, &minor, &xkbEventBase_, &errorBase)) {
        connection_.reset();
        return;
    }
    // Held keys then repeat as presses without releases; the server may decline.
    auto flags = owned(xcb_xkb_per_client_flags_reply(
        c,
        xcb_xkb_per_client_flags(c, XCB_XKB_ID_USE_CORE_KBD,
                                 XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT,
                                 XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT, 0, 0, 0),
        nullptr));
    detectableAutoRepeat_ =
        flags && (flags->value & XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT);
    constexpr quint16 events =
        XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY;
    constexpr quint16 mapParts =
        XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP |
        XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS | XCB_XKB_MAP_PART_KEY_ACTIONS |
        XCB_XKB_MAP_PART_VIRTUAL_MODS | XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    xcb_discard_reply(c, xcb_xkb_select_events_checked(c, XCB_XKB_ID_USE_CORE_KBD, events, 0,
                                                       events, mapParts, mapParts, nullptr)
                             .sequence);
    loadKeyboard();
    notifier_ =
        std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(c), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, &X11HotKeyGrabber::drain);
    heldKeyCheck_.setInterval(heldKeyCheckInterval);
    connect(&heldKeyCheck_, &QTimer::timeout, this, &X11HotKeyGrabber::checkHeldKeys);
    connection_->flush();
}

X11HotKeyGrabber::~X11HotKeyGrabber() = default;

void X11HotKeyGrabber::loadKeyboard() {
    auto keyboard = std::make_unique<Keyboard>();
    xcb_connection_t* c = connection_->connection();
    keyboard->context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    const int32_t device = xkb_x11_get_core_keyboard_device_id(c);
    if (keyboard->context && device >= 0)
        keyboard->keymap = xkb_x11_keymap_new_from_device(keyboard->context, c, device,
                                                          XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keyboard->keymap) {
        keyboard_.reset();
        return;
    }
    for (const KeyName& entry : keyNames) {
        const xkb_keycode_t key = xkb_keymap_key_by_name(keyboard->keymap, entry.name);
        if (key == XKB_KEYCODE_INVALID || key > 255)
            continue;
        keyboard->xKeyOf.insert(entry.keyCode, quint8(key));
        keyboard->keyCodeOf.insert(quint8(key), entry.keyCode);
    }
    // The first group that types Latin letters names the keys, as on a Russian or Greek
    // keyboard with a US group beside it.
    const xkb_layout_index_t layouts = xkb_keymap_num_layouts(keyboard->keymap);
    const quint8 aKey = keyboard->xKeyOf.value(0);
    for (xkb_layout_index_t layout = 0; aKey && layout < layouts; ++layout) {
        const xkb_keysym_t sym = keyboard->keysym(aKey, layout);
        if (sym >= XKB_KEY_a && sym <= XKB_KEY_z) {
            keyboard->latinLayout = layout;
            break;
        }
    }
    // Which of the eight modifier bits Alt, Super and Num Lock sit on is the server's choice.
    auto map = owned(xcb_get_modifier_mapping_reply(c, xcb_get_modifier_mapping(c), nullptr));
    if (map) {
        const xcb_keycode_t* keys = xcb_get_modifier_mapping_keycodes(map.get());
        const int perModifier = map->keycodes_per_modifier;
        bool option = false;
        bool command = false;
        for (int bit = 3; bit < 8; ++bit) {
            for (int i = 0; i < perModifier; ++i) {
                const xcb_keycode_t key = keys[bit * perModifier + i];
                if (!key)
                    continue;
                const xkb_keysym_t sym = keyboard->keysym(key, 0);
                const quint16 mask = quint16(1u << bit);
                if (!option && (sym == XKB_KEY_Alt_L || sym == XKB_KEY_Meta_L)) {
                    keyboard->option = mask;
                    option = true;
                } else if (!command && (sym == XKB_KEY_Super_L || sym == XKB_KEY_Super_R)) {
                    keyboard->command = mask;
                    command = true;
                } else if (sym == XKB_KEY_Num_Lock) {
                    keyboard->numLock = mask;
                }
            }
        }
    }
    keyboard_ = std::move(keyboard);
}

std::optional<X11HotKeyGrabber::XCombination> X11HotKeyGrabber::resolve(int keyCode, int modifiers,
                                                                        Status* status) const {
    if (!connection_ || !keyboard_) {
        *status = Status::Unavailable;
        return std::nullopt;
    }
    if (modifiers & Function) {
        *status = Status::UnsupportedModifier;
        return std::nullopt;
    }
    const auto key = keyboard_->xKeyOf.constFind(keyCode);
    if (key == keyboard_->xKeyOf.constEnd()) {
        *status = Status::UnknownKey;
        return std::nullopt;
    }
    XCombination combination{*key, 0};
    if (modifiers & Control)
        combination.modifiers |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Shift)
        combination.modifiers |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Option)
        combination.modifiers |= keyboard_->option;
    if (modifiers & Command)
        combination.modifiers |= keyboard_->command;
    *status = Status::Accepted;
    return combination;
}

bool X11HotKeyGrabber::holds(const XCombination& combination, quint32 except) const {
    for (const auto& [id, grab] : grabs_) {
        if (id != except && grab.x == combination)
            return true;
    }
    return false;
}

std::vector<X11HotKeyGrabber::XCombination> X11HotKeyGrabber::lockVariants(
    const XCombination& combination) const {
    const quint16 locks[] = {0, XCB_MOD_MASK_LOCK, keyboard_->numLock,
                             quint16(keyboard_->numLock | XCB_MOD_MASK_LOCK)};
    std::vector<XCombination> variants;
    for (const quint16 lock : locks) {
        const XCombination variant{combination.key, quint16(combination.modifiers | lock)};
        if (std::find(variants.begin(), variants.end(), variant) == variants.end())
            variants.push_back(variant);
    }
    return variants;
}

std::vector<X11HotKeyGrabber::XCombination> X11HotKeyGrabber::heldVariants() const {
    std::vector<XCombination> held;
    for (const auto& [id, grab] : grabs_) {
        for (const XCombination& variant : lockVariants(grab.x)) {
            if (std::find(held.begin(), held.end(), variant) == held.end())
                held.push_back(variant);
        }
    }
    return held;
}

X11HotKeyGrabber::Status X11HotKeyGrabber::grabVariants(const std::vector<XCombination>& variants) {
    xcb_connection_t* c = connection_->connection();
    std::vector<xcb_void_cookie_t> cookies;
    for (const XCombination& variant : variants)
        cookies.push_back(xcb_grab_key_checked(c, 1, connection_->root(), variant.modifiers,
                                               variant.key, XCB_GRAB_MODE_ASYNC,
                                               XCB_GRAB_MODE_ASYNC));
    Status status = Status::Accepted;
    std::vector<XCombination> held;
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        auto error = owned(xcb_request_check(c, cookies[i]));
        if (!error)
            held.push_back(variants[i]);
        else if (status == Status::Accepted)
            status = error->error_code == badAccess ? Status::Taken : Status::Unavailable;
    }
    // Half a grab would fire with Num Lock off but not with it on: give it all back.
    if (status != Status::Accepted)
        ungrabVariants(held);
    connection_->flush();
    // Waiting for the answers may have queued events the socket will not announce again.
    QMetaObject::invokeMethod(this, &X11HotKeyGrabber::drain, Qt::QueuedConnection);
    return status;
}

// Returns once the server has let go. The server takes requests of different clients in an
// order of its own: an ungrab only sent could still be waiting behind another program's grab
// of the same combination, which the server would then refuse.
void X11HotKeyGrabber::ungrabVariants(const std::vector<XCombination>& variants) {
    if (variants.empty())
        return;
    xcb_connection_t* c = connection_->connection();
    std::vector<xcb_void_cookie_t> cookies;
    for (const XCombination& variant : variants)
        cookies.push_back(
            xcb_ungrab_key_checked(c, variant.key, connection_->root(), variant.modifiers));
    // Nothing to do about an error here: the combination is not ours either way.
    for (const xcb_void_cookie_t cookie : cookies)
        std::free(xcb_request_check(c, cookie));
    // Waiting for the answers may have queued events the socket will not announce again.
    QMetaObject::invokeMethod(this, &X11HotKeyGrabber::drain, Qt::QueuedConnection);
}

X11HotKeyGrabber::Status X11HotKeyGrabber::grabAtServer(const XCombination& combination) {
    return grabVariants(lockVariants(combination));
}

void X11HotKeyGrabber::ungrabAtServer(const XCombination& combination) {
    ungrabVariants(lockVariants(combination));
}

HotKeyGrabber::Status X11HotKeyGrabber::grab(quint32 id, int keyCode, int modifiers) {
    release(id);
    Status status = Status::Accepted;
    const auto combination = resolve(keyCode, modifiers, &status);
    if (!combination)
        return status;
    if (!holds(*combination))
        status = grabAtServer(*combination);
    if (status == Status::Accepted)
        grabs_[id] = Grab{keyCode, modifiers, *combination};
    return status;
}

void X11HotKeyGrabber::release(quint32 id) {
    const auto found = grabs_.find(id);
    if (found == grabs_.end())
        return;
    const XCombination combination = found->second.x;
    grabs_.erase(found);
    if (!holds(combination))
        ungrabAtServer(combination);
}

bool X11HotKeyGrabber::isReserved(int keyCode, int modifiers) {
    if (isServerCombination(keyCode, modifiers))
        return true;
    Status status = Status::Accepted;
    const auto combination = resolve(keyCode, modifiers, &status);
    if (!combination || holds(*combination))
        return false;
    // A probe: another client's grab makes ours fail. Given back at once.
    if (grabAtServer(*combination) == Status::Taken)
        return true;
    ungrabAtServer(*combination);
    return false;
}

std::optional<char32_t> X11HotKeyGrabber::character(int keyCode) {
    if (!keyboard_)
        return std::nullopt;
    const auto key = keyboard_->xKeyOf.constFind(keyCode);
    if (key == keyboard_->xKeyOf.constEnd())
        return std::nullopt;
    const xkb_keysym_t sym = keyboard_->keysym(*key, keyboard_->latinLayout);
    if (const char32_t spacing = spacingFormOfDeadKey(sym))
        return spacing;
    const char32_t character = xkb_keysym_to_utf32(sym);
    // Control characters (Return, Tab, Escape) are no character to show.
    if (character < 0x20 || character == 0x7F)
        return std::nullopt;
    return character;
}

std::optional<int> X11HotKeyGrabber::keyCodeOfScanCode(quint32 scanCode) {
    if (!keyboard_ || scanCode > 255)
        return std::nullopt;
    const auto found = keyboard_->keyCodeOf.constFind(quint8(scanCode));
    if (found == keyboard_->keyCodeOf.constEnd())
        return std::nullopt;
    return *found;
}

void X11HotKeyGrabber::drain() {
    if (!connection_)
        return;
    xcb_connection_t* c = connection_->connection();
    std::vector<XcbReply<xcb_generic_event_t>> events;
    while (xcb_generic_event_t* event = xcb_poll_for_event(c))
        events.push_back(owned(event));
    bool mappingChanged = false;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const xcb_generic_event_t* event = events[i].get();
        const quint8 type = event->response_type & 0x7f;
        if (type == XCB_KEY_PRESS || type == XCB_KEY_RELEASE) {
            const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
            // Without detectable auto-repeat a held key sends release and press with one
            // time stamp: neither is real.
            if (type == XCB_KEY_RELEASE && i + 1 < events.size() &&
                (events[i + 1]->response_type & 0x7f) == XCB_KEY_PRESS) {
                const auto* next =
                    reinterpret_cast<const xcb_key_press_event_t*>(events[i + 1].get());
                if (next->detail == key->detail && next->time == key->time) {
                    ++i;
                    continue;
                }
            }
            lastEventTime_ = key->time;
            handleKey(type == XCB_KEY_PRESS, key->detail, key->state);
        } else if (type == XCB_MAPPING_NOTIFY) {
            mappingChanged = true;
        } else if (xkbEventBase_ && type == xkbEventBase_) {
            const quint8 xkbType = reinterpret_cast<const quint8*>(event)[1];
            if (xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY || xkbType == XCB_XKB_MAP_NOTIFY)
                mappingChanged = true;
        }
        // Errors of requests we did not check (an ungrab of a key already gone) need nothing.
    }
    if (mappingChanged)
        remap();
    if (xcb_connection_has_error(c))
        notifier_->setEnabled(false);
}

void X11HotKeyGrabber::handleKey(bool press, quint8 key, quint16 state) {
    if (!press) {
        othersDown_.remove(key);
        const auto held = down_.find(key);
        if (held == down_.end())
            return;
        const std::vector<quint32> ids = std::move(*held);
        down_.erase(held);
        if (down_.isEmpty()) {
            heldKeyCheck_.stop();
            // Their releases go to the focused window from now on.
            othersDown_.clear();
        }
        for (const quint32 id : ids)
            emit released(id);
        return;
    }
    // While a grab is active other keys come to us as well; and a key already down repeats.
    if (!keyboard_ || down_.contains(key))
        return;
    const quint16 relevant =
        XCB_MOD_MASK_SHIFT | XCB_MOD_MASK_CONTROL | keyboard_->option | keyboard_->command;
    const XCombination combination{key, quint16(state & relevant)};
    std::vector<quint32> ids;
    for (const auto& [id, grab] : grabs_) {
        if (grab.x == combination)
            ids.push_back(id);
    }
    if (ids.empty()) {
        // Only while our grab holds the keyboard does another key come to us at all.
        if (!down_.isEmpty() && !othersDown_.contains(key)) {
            othersDown_.insert(key);
            if (const auto code = keyboard_->keyCodeOf.constFind(key);
                code != keyboard_->keyCodeOf.constEnd())
                emit otherKeyPressed(*code);
        }
        return;
    }
    down_.insert(key, ids);
    heldKeyCheck_.start();
    for (const quint32 id : ids)
        emit pressed(id);
}

// A release can get lost (another client grabbed the keyboard meanwhile): a key we believe
// down that the keyboard no longer holds is released now.
void X11HotKeyGrabber::checkHeldKeys() {
    xcb_connection_t* c = connection_->connection();
    auto keymap = owned(xcb_query_keymap_reply(c, xcb_query_keymap(c), nullptr));
    QMetaObject::invokeMethod(this, &X11HotKeyGrabber::drain, Qt::QueuedConnection);
    if (!keymap)
        return;
    const QList<quint8> keys = down_.keys();
    for (const quint8 key : keys) {
        if (!(keymap->keys[key / 8] & (1u << (key % 8))))
            handleKey(false, key, 0);
    }
}

// A keymap change must never leave a moment in which the shortcut's key goes to the window
// under the user's hands: only what changed is grabbed anew, and the new grabs are in place
// before the ones no longer needed are given back.
void X11HotKeyGrabber::remap() {
    const std::vector<XCombination> before = heldVariants();
    const std::map<quint32, Grab> previous = std::move(grabs_);
    grabs_.clear();
    loadKeyboard();
    emit layoutChanged();
    std::vector<std::pair<quint32, Status>> statuses;
    for (const auto& [id, grab] : previous) {
        Status status = Status::Accepted;
        const auto combination = resolve(grab.keyCode, grab.modifiers, &status);
        if (combination && !holds(*combination)) {
            std::vector<XCombination> missing;
            for (const XCombination& variant : lockVariants(*combination)) {
                if (std::find(before.begin(), before.end(), variant) == before.end())
                    missing.push_back(variant);
            }
            if (!missing.empty())
                status = grabVariants(missing);
        }
        if (combination && status == Status::Accepted)
            grabs_[id] = Grab{grab.keyCode, grab.modifiers, *combination};
        statuses.emplace_back(id, status);
    }
    const std::vector<XCombination> after = heldVariants();
    std::vector<XCombination> unneeded;
    for (const XCombination& variant : before) {
        if (std::find(after.begin(), after.end(), variant) == after.end())
            unneeded.push_back(variant);
    }
    if (!unneeded.empty())
        ungrabVariants(unneeded);
    // Reading the new keymap may have queued events the socket will not announce again.
    QMetaObject::invokeMethod(this, &X11HotKeyGrabber::drain, Qt::QueuedConnection);
    for (const auto& [id, status] : statuses)
        emit regrabbed(id, status);
}

}  // namespace Platform
