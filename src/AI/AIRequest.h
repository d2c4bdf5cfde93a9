#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// One request to an AI tool, built memberwise by its callers.
struct AIRequest {
    // The system prompt.
    QString system;
    // The user message.
    QString user;
    // One JPEG image (a screenshot) sent together with the user message; none means text only.
    std::optional<QByteArray> imageJPEG;
    // The model handed to the tool; none means the tool's own default.
    std::optional<QString> model;
    // Absolute path of the matched project's folder: the tool works on that folder and may
    // read it. None means no project.
    std::optional<QString> projectFolder;

    bool operator==(const AIRequest&) const = default;
};
