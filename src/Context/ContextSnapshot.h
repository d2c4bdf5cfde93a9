#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <optional>

// What the user was working in when the shortcut was pressed. Frames and the pointer are in
// global screen coordinates: origin at the top-left corner of the primary screen, y downward.
struct ContextSnapshot {
    QString appName;
    std::optional<QString> bundleID;
    qint32 processID = 0;
    std::optional<QString> windowTitle;
    std::optional<QString> fieldRole;
    std::optional<QString> fieldLabel;
    bool fieldEditable = false;
    std::optional<QString> fieldValue;
    std::optional<QString> selectedText;
    std::optional<QRectF> fieldFrame;
    // The field hides what is typed into it, or its read could not tell (its role, or the
    // whole read, did not come in time): nothing of it is read, and it gets no copy key.
    bool fieldIsPassword = false;
    // The application answered but named no window with the focus, as GTK 3 does while a
    // shortcut's key holds the keyboard: read again once the key is up, the field may be there.
    bool noFocusedWindow = false;
    // The field keeps its words in parts the application was still giving when the snapshot
    // was made (a busy browser's rich-text editor): `fieldValue` follows through
    // ContextCollector::fieldText.
    bool fieldTextPending = false;
    std::optional<QPointF> pointer;
    std::optional<QByteArray> screenshotJPEG;
    bool screenshotCroppedToField = false;
    QDateTime capturedAt;

    bool operator==(const ContextSnapshot&) const = default;
};
