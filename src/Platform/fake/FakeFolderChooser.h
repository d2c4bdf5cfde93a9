#pragma once

#include <QStringList>

#include "Platform/FolderChooser.h"

namespace Platform {

// Answers with `answer` and records what each request asked.
class FakeFolderChooser final : public FolderChooser {
public:
    struct Request {
        QString message;
        QString start;
    };

    std::optional<QString> chooseFolder(const QString& message, const QString& start) override {
        requests.append({message, start});
        return answer;
    }

    std::optional<QString> answer;
    QList<Request> requests;
};

}  // namespace Platform
