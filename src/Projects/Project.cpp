#include "Projects/Project.h"

#include <QFileInfo>
#include <QHashFunctions>
#include <QJsonArray>

#include "Platform/AppPaths.h"
#include "Storage/StoredJson.h"
#include "Storage/StoredUuid.h"

std::optional<QString> Project::folderURL() const {
    if (!path || path->isEmpty())
        return std::nullopt;
    QString expanded = *path;
    if (expanded == QLatin1String("~") || expanded.startsWith(QLatin1String("~/")))
        expanded = Platform::AppPaths::homeFolder() + expanded.mid(1);
    const QString absolute = QFileInfo(expanded).absoluteFilePath();
    // exists() follows symbolic links; a dangling link counts as nothing there.
    if (!QFileInfo::exists(absolute))
        return std::nullopt;
    return absolute;
}

QJsonObject Project::toJson() const {
    QJsonObject object = unknownKeys;
    object.insert(QStringLiteral("id"), StoredUuid::text(id));
    object.insert(QStringLiteral("name"), name);
    if (path)
        object.insert(QStringLiteral("path"), *path);
    if (repo)
        object.insert(QStringLiteral("repo"), *repo);
    object.insert(QStringLiteral("keywords"), QJsonArray::fromStringList(keywords));
    object.insert(QStringLiteral("readsCode"), readsCode);
    return object;
}

std::optional<Project> Project::fromJson(const QJsonValue& value) {
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    Project project;

    const QJsonValue id = object.value(QStringLiteral("id"));
    if (!id.isString())
        return std::nullopt;
    const auto uuid = StoredUuid::parse(id.toString());
    if (!uuid)
        return std::nullopt;
    project.id = *uuid;

    const QJsonValue name = object.value(QStringLiteral("name"));
    if (!name.isString())
        return std::nullopt;
    project.name = name.toString();

    if (!StoredJson::readOptionalString(object, QStringLiteral("path"), project.path) ||
        !StoredJson::readOptionalString(object, QStringLiteral("repo"), project.repo))
        return std::nullopt;

    const QJsonValue keywords = object.value(QStringLiteral("keywords"));
    if (!keywords.isArray())
        return std::nullopt;
    for (const QJsonValue& keyword : keywords.toArray()) {
        if (!keyword.isString())
            return std::nullopt;
        project.keywords.append(keyword.toString());
    }

    const QJsonValue readsCode = object.value(QStringLiteral("readsCode"));
    if (!readsCode.isBool())
        return std::nullopt;
    project.readsCode = readsCode.toBool();
    static const QStringList storedKeys{"id", "name", "path", "repo", "keywords", "readsCode"};
    project.unknownKeys = StoredJson::unknownMembers(object, storedKeys);
    return project;
}

size_t qHash(const Project& project, size_t seed) {
    return qHashMulti(seed, project.id, project.name, project.path.value_or(QString()),
                      project.path.has_value(), project.repo.value_or(QString()),
                      project.repo.has_value(), project.keywords, project.readsCode);
}
