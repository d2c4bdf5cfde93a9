#pragma once

// A requestor of the test's own: asks the clipboard's owner for targets from a window of its
// own, collecting answers that come in pieces, or leaving them half taken.

#include <xcb/xcb.h>

#include <QByteArray>
#include <QList>
#include <QTest>
#include <cstdlib>
#include <optional>
#include <utility>

#include "Platform/linux/XcbConnection.h"

class SelectionRequestor {
public:
    explicit SelectionRequestor(Platform::XcbConnection& x) : x_(x), c_(x.connection()) {
        window_ = xcb_generate_id(c_);
        const uint32_t events = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, window_, x.root(), 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK,
                          &events);
        x.flush();
    }

    struct Answer {
        quint32 type = 0;
        QByteArray data;
    };

    quint32 window() const { return window_; }

    // The answer to `target` asked at `time`; none when the owner refused.
    std::optional<Answer> ask(const char* target, quint32 time = XCB_CURRENT_TIME) {
        const quint32 property = x_.atom("REQUESTOR_ANSWER");
        xcb_convert_selection(c_, window_, x_.atom("CLIPBOARD"), x_.atom(target), property, time);
        x_.flush();
        if (!waitForNotify())
            return std::nullopt;
        return take(property);
    }

    // Asks for `target` and takes the first piece of an answer that comes in pieces, leaving
    // the rest untaken; false when no such answer began.
    bool takeFirstPiece(const char* target) {
        const quint32 property = x_.atom("REQUESTOR_ANSWER");
        xcb_convert_selection(c_, window_, x_.atom("CLIPBOARD"), x_.atom(target), property,
                              XCB_CURRENT_TIME);
        x_.flush();
        if (!waitForNotify())
            return false;
        const std::optional<Answer> header = read(property, true);
        return header && header->type == x_.atom("INCR") && nextPiece(property).has_value();
    }

    // Asks for `target` and destroys the window in the same breath, before the owner answers.
    void askAndVanish(const char* target) {
        xcb_convert_selection(c_, window_, x_.atom("CLIPBOARD"), x_.atom(target),
                              x_.atom("REQUESTOR_ANSWER"), XCB_CURRENT_TIME);
        destroyWindow();
    }

    void destroyWindow() {
        xcb_destroy_window(c_, window_);
        x_.flush();
    }

    // Each (target, property) pair asked for in one MULTIPLE request; the pairs as the owner
    // left them (a refused target set to None) and each answered property's answer.
    std::pair<QList<quint32>, QList<std::optional<Answer>>> askMultiple(
        QList<const char*> targets) {
        QList<quint32> pairs;
        for (qsizetype i = 0; i < targets.size(); ++i) {
            pairs << x_.atom(targets[i])
                  << x_.atom(("REQUESTOR_PART_" + QByteArray::number(i)).constData());
        }
        const QByteArray list(reinterpret_cast<const char*>(pairs.constData()),
                              pairs.size() * qsizetype(sizeof(quint32)));
        if (!askMultipleWith(Answer{x_.atom("ATOM_PAIR"), list}, 32))
            return {};
        const std::optional<Answer> left = take(x_.atom("REQUESTOR_PAIRS"), false);
        QList<quint32> after;
        if (left) {
            const auto* atoms = reinterpret_cast<const quint32*>(left->data.constData());
            after = QList<quint32>(atoms, atoms + left->data.size() / 4);
        }
        QList<std::optional<Answer>> answers;
        for (qsizetype i = 0; i + 1 < after.size(); i += 2)
            answers << (after[i] ? take(after[i + 1]) : std::nullopt);
        return {after, answers};
    }

    // Asks for MULTIPLE naming a property that holds `pairs` in `format` (that the window does
    // not have when none); whether the owner answered.
    bool askMultipleWith(const std::optional<Answer>& pairs, quint8 format) {
        const quint32 property = x_.atom("REQUESTOR_PAIRS");
        xcb_delete_property(c_, window_, property);
        if (pairs) {
            xcb_change_property(c_, XCB_PROP_MODE_REPLACE, window_, property, pairs->type, format,
                                static_cast<uint32_t>(pairs->data.size() / (format / 8)),
                                pairs->data.constData());
        }
        xcb_convert_selection(c_, window_, x_.atom("CLIPBOARD"), x_.atom("MULTIPLE"), property,
                              XCB_CURRENT_TIME);
        x_.flush();
        return waitForNotify();
    }

private:
    bool waitForNotify() {
        return QTest::qWaitFor(
                   [&] {
                       while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
                           const bool notify =
                               (event->response_type & 0x7f) == XCB_SELECTION_NOTIFY;
                           const bool answered =
                               notify &&
                               reinterpret_cast<xcb_selection_notify_event_t*>(event)->property !=
                                   0;
                           std::free(event);
                           if (notify) {
                               notified_ = answered;
                               return true;
                           }
                       }
                       return false;
                   },
                   3000) &&
               notified_;
    }

    std::optional<Answer> read(quint32 property, bool remove) {
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            c_,
            xcb_get_property(c_, remove, window_, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 22),
            nullptr);
        if (!reply)
            return std::nullopt;
        Answer answer{reply->type,
                      QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                                 xcb_get_property_value_length(reply))};
        std::free(reply);
        x_.flush();
        return answer;
    }

    // The next piece the owner puts on `property`, taken (which asks for the one after).
    std::optional<Answer> nextPiece(quint32 property) {
        std::optional<Answer> piece;
        [[maybe_unused]] const bool came = QTest::qWaitFor(
            [&] {
                while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
                    const auto* notify = reinterpret_cast<xcb_property_notify_event_t*>(event);
                    const bool fresh = (event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                                       notify->atom == property &&
                                       notify->state == XCB_PROPERTY_NEW_VALUE;
                    std::free(event);
                    if (fresh) {
                        piece = read(property, true);
                        return true;
                    }
                }
                return false;
            },
            3000);
        return piece;
    }

    // The answer on `property`; an answer in pieces is collected piece by piece, each deletion
    // asking for the next.
    std::optional<Answer> take(quint32 property, bool remove = true) {
        std::optional<Answer> first = read(property, remove);
        if (!first || first->type != x_.atom("INCR"))
            return first;
        Answer whole;
        for (;;) {
            const std::optional<Answer> piece = nextPiece(property);
            if (!piece)
                return std::nullopt;
            if (piece->data.isEmpty())
                return whole;
            whole.type = piece->type;
            whole.data += piece->data;
        }
    }

    Platform::XcbConnection& x_;
    xcb_connection_t* c_;
    quint32 window_ = 0;
    bool notified_ = false;
};
