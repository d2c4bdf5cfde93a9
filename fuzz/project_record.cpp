#include <QJsonDocument>

#include "FuzzInput.h"
#include "Projects/Project.h"

// One stored project; what was read must survive being written and read again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QJsonDocument document = QJsonDocument::fromJson(inputBytes(data, size));
    const auto project = Project::fromJson(document.object());
    if (!project)
        return 0;
    const auto again = Project::fromJson(project->toJson());
    require(again.has_value(), "a written project can be read");
    require(*again == *project, "a written project reads back unchanged");
    return 0;
}
