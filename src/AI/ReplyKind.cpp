#include "AI/ReplyKind.h"

namespace {

struct KindRow {
    ReplyKind kind;
    const char* raw;
    const char* marker;
    bool structured;
    const char* label;
};

// Order matters: the reply reader tries the markers from top to bottom.
constexpr KindRow kRows[] = {
    {ReplyKind::chat, "chat", "[[CHAT]]", false, "You (discussion): "},
    {ReplyKind::draft, "draft", "[[DRAFT]]", false, "You (draft): "},
    {ReplyKind::action, "action", "[[ACTION]]", true, "You (prepared action): "},
    {ReplyKind::newAction, "newAction", "[[NEW_ACTION]]", true, "You (proposed new action): "},
    {ReplyKind::document, "document", "[[DOCUMENT]]", false, "You (wrote document): "},
};

const KindRow& rowOf(ReplyKind kind) {
    for (const KindRow& row : kRows) {
        if (row.kind == kind)
            return row;
    }
    Q_UNREACHABLE();
}

}  // namespace

QString rawValue(ReplyKind kind) {
    return QString::fromLatin1(rowOf(kind).raw);
}

std::optional<ReplyKind> replyKindFromRaw(const QString& raw) {
    for (const KindRow& row : kRows) {
        if (raw == QLatin1String(row.raw))
            return row.kind;
    }
    return std::nullopt;
}

QString replyMarker(ReplyKind kind) {
    return QString::fromLatin1(rowOf(kind).marker);
}

bool isStructured(ReplyKind kind) {
    return rowOf(kind).structured;
}

QString historyLabel(ReplyKind kind) {
    return QString::fromLatin1(rowOf(kind).label);
}

const QList<ReplyMarker>& allReplyKinds() {
    static const QList<ReplyMarker> all = [] {
        QList<ReplyMarker> list;
        for (const KindRow& row : kRows)
            list.append({QString::fromLatin1(row.marker), row.kind});
        return list;
    }();
    return all;
}
