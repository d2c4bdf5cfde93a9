#include <xcb/xcb.h>

#include <algorithm>

#include "Platform/linux/X11SelectionOwner.h"
#include "Platform/linux/XcbReply.h"

// The answers to the requests for what Tavrin offers: the list of formats, the time it took
// the selection, each format's data, large ones in pieces, several at once (MULTIPLE). They run
// on the owner's thread with its state locked.

namespace Platform {

namespace {

// Each large answer holds a copy of the data: past this many at once, a new one is turned down
// while every other is still being taken.
constexpr size_t maxTransfers = 8;
// An answer whose requestor has taken no piece for this long gives way to a new one when all
// places are taken. Until then it waits however long its requestor pauses.
constexpr qint64 yieldAfterMs = 5000;
// A MULTIPLE request names its conversions in a property; more than this many pairs is no
// paste.
constexpr uint32_t maxMultiplePairs = 512;

}  // namespace

X11SelectionOwner::Answer X11SelectionOwner::serve(quint32 requestor, quint32 property,
                                                   quint32 target,
                                                   const ClipboardContents& contents,
                                                   const FetchToken& privateFor) {
    if (property == XCB_NONE)
        return {};
    if (target == atom("TARGETS")) {
        const QList<quint32> list = targets(contents);
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, requestor, property,
                            XCB_ATOM_ATOM, 32, static_cast<uint32_t>(list.size()),
                            list.constData());
        return {true, false};
    }
    if (target == atom("TIMESTAMP")) {
        if (!ownedSince_)
            return {};
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, requestor, property,
                            XCB_ATOM_INTEGER, 32, 1, &ownedSince_);
        return {true, false};
    }
    const auto data = dataFor(contents, target);
    if (!data)
        return {};
    if (data->second.size() <= qsizetype(chunk_)) {
        xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, requestor, property, data->first,
                            8, static_cast<uint32_t>(data->second.size()),
                            data->second.constData());
        return {true, true};
    }
    // A new answer into the same property replaces an unfinished one there: its pieces would
    // otherwise be sent into the new answer.
    std::erase_if(transfers_, [&](const auto& earlier) {
        return earlier->requestor == requestor && earlier->property == property;
    });
    if (!makeRoom())
        return {};
    // The whole answer is fetched only when its last piece has been taken. Its requestor's
    // window going away (also with the requestor's connection) ends it.
    const uint32_t size = static_cast<uint32_t>(data->second.size());
    const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection_, requestor, XCB_CW_EVENT_MASK, &events);
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, requestor, property, atom("INCR"), 32,
                        1, &size);
    auto transfer = std::make_unique<Transfer>();
    transfer->requestor = requestor;
    transfer->property = property;
    transfer->type = data->first;
    transfer->data = data->second;
    transfer->privateFor = privateFor;
    transfer->offer = privateFor ? 0 : servingNumber_;
    transfer->idle.start();
    transfers_.push_back(std::move(transfer));
    return {true, false};
}

bool X11SelectionOwner::serveMultiple(quint32 requestor, quint32 property,
                                      const ClipboardContents& contents,
                                      const FetchToken& privateFor, std::vector<FetchToken>& due) {
    auto reply = owned(xcb_get_property_reply(
        connection_,
        xcb_get_property(connection_, 0, requestor, property, XCB_GET_PROPERTY_TYPE_ANY, 0,
                         maxMultiplePairs * 2),
        nullptr));
    // The pairs are atoms (ATOM_PAIR by the convention, ATOM from older clients); anything
    // else is no list of pairs to answer, and the request is refused.
    if (!reply || reply->format != 32 ||
        (reply->type != atom("ATOM_PAIR") && reply->type != XCB_ATOM_ATOM))
        return false;
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    if (count % 2 != 0)
        return false;
    const auto* values = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
    QList<quint32> pairs(values, values + count);
    // Each pair is (target, property), answered as a request of its own, a large answer in
    // pieces; a target without an answer is set to None.
    bool fetched = false;
    for (qsizetype i = 0; i + 1 < pairs.size(); i += 2) {
        const Answer answer = pairs[i] == atom("MULTIPLE")
                                  ? Answer{}
                                  : serve(requestor, pairs[i + 1], pairs[i], contents, privateFor);
        if (!answer.answered)
            pairs[i] = XCB_NONE;
        fetched = fetched || answer.fetched;
    }
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, requestor, property, reply->type,
                        32, static_cast<uint32_t>(pairs.size()), pairs.constData());
    if (fetched && privateFor) {
        noteServed(privateFor);
        due.push_back(privateFor);
    }
    if (fetched && !privateFor)
        noteFetched(servingNumber_);
    return true;
}

void X11SelectionOwner::continueTransfer(quint32 window, quint32 property,
                                         std::vector<FetchToken>& due) {
    auto found = std::find_if(transfers_.begin(), transfers_.end(), [&](const auto& transfer) {
        return transfer->requestor == window && transfer->property == property;
    });
    if (found == transfers_.end())
        return;
    Transfer& transfer = **found;
    if (transfer.lastSent) {
        FetchToken token = transfer.privateFor.lock();
        noteFetched(transfer.offer);
        endTransfer(found);
        if (token) {
            noteServed(token);
            due.push_back(token);
        }
        return;
    }
    const QByteArray piece = transfer.data.mid(transfer.offset, chunk_);
    transfer.offset += piece.size();
    transfer.lastSent = piece.isEmpty();
    transfer.idle.restart();
    xcb_change_property(connection_, XCB_PROP_MODE_REPLACE, window, property, transfer.type, 8,
                        static_cast<uint32_t>(piece.size()), piece.constData());
    xcb_flush(connection_);
}

void X11SelectionOwner::endTransfer(std::vector<std::unique_ptr<Transfer>>::iterator transfer) {
    const quint32 requestor = (*transfer)->requestor;
    transfers_.erase(transfer);
    const bool more = std::any_of(transfers_.cbegin(), transfers_.cend(),
                                  [&](const auto& t) { return t->requestor == requestor; });
    if (!more) {
        const uint32_t none = XCB_EVENT_MASK_NO_EVENT;
        xcb_change_window_attributes(connection_, requestor, XCB_CW_EVENT_MASK, &none);
        xcb_flush(connection_);
    }
}

bool X11SelectionOwner::makeRoom() {
    if (transfers_.size() < maxTransfers)
        return true;
    const auto longest = std::max_element(
        transfers_.begin(), transfers_.end(),
        [](const auto& a, const auto& b) { return a->idle.elapsed() < b->idle.elapsed(); });
    if ((*longest)->idle.elapsed() < yieldAfterMs)
        return false;
    endTransfer(longest);
    return true;
}

void X11SelectionOwner::dropTransfersTo(quint32 window) {
    // A window that is gone takes no more pieces, and Tavrin's watch on it went with it.
    std::erase_if(transfers_, [&](const auto& transfer) { return transfer->requestor == window; });
}

QList<quint32> X11SelectionOwner::targets(const ClipboardContents& contents) {
    QList<quint32> list = {atom("TARGETS"), atom("TIMESTAMP"), atom("MULTIPLE")};
    if (contents.isEmpty())
        return list;
    for (const auto& representation : contents.front().representations) {
        if (representation.type == QLatin1String("text/plain")) {
            for (const char* name :
                 {"UTF8_STRING", "STRING", "TEXT", "text/plain", "text/plain;charset=utf-8"})
                list.append(atom(name));
        } else {
            list.append(atom(representation.type.toUtf8()));
        }
    }
    list.removeAll(XCB_ATOM_NONE);
    return list;
}

std::optional<std::pair<quint32, QByteArray>> X11SelectionOwner::dataFor(
    const ClipboardContents& contents, quint32 target) {
    if (contents.isEmpty() || target == XCB_NONE)
        return std::nullopt;
    // Targets are compared with the offer's own names: a requestor's atoms are never looked up.
    const quint32 utf8 = atom("UTF8_STRING");
    // GTK asks for "text/plain;charset=utf-8" first, and for another only after that was
    // refused, stamped then with whatever its latest event was: the paste a key asked for would
    // pass for a later one.
    const bool textTarget = target == utf8 || target == XCB_ATOM_STRING ||
                            target == atom("TEXT") || target == atom("text/plain") ||
                            target == atom("text/plain;charset=utf-8");
    for (const auto& representation : contents.front().representations) {
        if (textTarget && representation.type == QLatin1String("text/plain")) {
            const QString text = QString::fromUtf8(representation.data);
            // STRING is Latin-1; TEXT lets the owner choose, and Latin-1 reaches the oldest
            // clients where it holds the text.
            const bool latin1 = QString::fromLatin1(text.toLatin1()) == text;
            if (target == XCB_ATOM_STRING || (target == atom("TEXT") && latin1))
                return std::pair{quint32(XCB_ATOM_STRING), text.toLatin1()};
            return std::pair{target == atom("TEXT") ? utf8 : target, representation.data};
        }
        if (atom(representation.type.toUtf8()) == target)
            return std::pair{target, representation.data};
    }
    return std::nullopt;
}

}  // namespace Platform
