#pragma once

#include <QRectF>
#include <QString>
#include <optional>

// What the accessibility bus tells about the focused window and field of one application.
namespace AXContextReader {

// Rectangles are in global screen coordinates: origin at the top-left corner of the primary
// screen, y downward.
struct FieldInfo {
    std::optional<QString> windowTitle;
    std::optional<QRectF> windowFrame;
    std::optional<QString> role;
    std::optional<QString> label;
    std::optional<QString> value;
    std::optional<QString> selectedText;
    bool selectionKnownEmpty = false;
    bool isEditable = false;
    std::optional<QRectF> frame;

    bool operator==(const FieldInfo&) const = default;
};

}  // namespace AXContextReader
