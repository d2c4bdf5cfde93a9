#include "AI/Chunk.h"

namespace Chunk {

namespace {
QString control(QLatin1StringView word) {
    return QString(controlMark) + word;
}
}  // namespace

QString connected() {
    return control(QLatin1StringView("CONNECTED"));
}

QString thinking() {
    return control(QLatin1StringView("THINKING"));
}

QString tool(const QString& name) {
    return control(QLatin1StringView("TOOL:")) + name;
}

QString reset() {
    return control(QLatin1StringView("RESET"));
}

QString text(const QString& text) {
    return QString(text).remove(controlMark);
}

bool isControl(const QString& chunk) {
    return chunk.startsWith(controlMark);
}

}  // namespace Chunk
