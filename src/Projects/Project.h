#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QStringList>
#include <QUuid>
#include <optional>

// A named piece of the user's work: recognised from what is on screen by its name and
// keywords, with an optional folder the AI may read and an optional GitHub repository.
struct Project {
    QUuid id;
    QString name;
    // Folder on disk; may start with "~" for the home folder.
    std::optional<QString> path;
    // "owner/name" on GitHub.
    std::optional<QString> repo;
    QStringList keywords;
    bool readsCode = false;
    // Keys of the stored form this version does not know, as they were read: written back
    // with the project, so that what a newer version stored survives this one.
    QJsonObject unknownKeys;

    // The project's folder as an absolute local path, when something exists there (no check
    // that it is a folder); none for an absent or empty path.
    std::optional<QString> folderURL() const;

    // The stored form: all keys but `path` and `repo`, which are left out when absent, and
    // the unknown ones.
    QJsonObject toJson() const;
    // Strict: `id` (a UUID text), `name`, `keywords` and `readsCode` must be present with
    // the right types; `path` and `repo` may be missing or null. Other keys are kept in
    // `unknownKeys`.
    static std::optional<Project> fromJson(const QJsonValue& value);

    bool operator==(const Project&) const = default;
};

size_t qHash(const Project& project, size_t seed = 0);
