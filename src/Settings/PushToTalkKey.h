#pragma once

#include <QList>
#include <QString>
#include <optional>

// The modifier key for push-to-talk. Stored as its raw value, which is the case name.
enum class PushToTalkKey { fn, rightOption, rightCommand, none };

QString rawValue(PushToTalkKey value);
// Exact, case-sensitive match of the raw value; none for anything else.
std::optional<PushToTalkKey> pushToTalkKeyFromRaw(const QString& raw);
// Every case, in order.
QList<PushToTalkKey> allPushToTalkKeys();
// The name shown to the user.
QString title(PushToTalkKey value);
