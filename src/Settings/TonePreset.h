#pragma once

#include <QList>
#include <QString>
#include <optional>

// A tone preset named in the system prompt. Stored as its raw value, which is the case name.
// `short_` stands for the case "short", a reserved word here.
enum class TonePreset { casual, professional, short_, warm };

QString rawValue(TonePreset value);
// Exact, case-sensitive match of the raw value; none for anything else.
std::optional<TonePreset> tonePresetFromRaw(const QString& raw);
// Every case, in order.
QList<TonePreset> allTonePresets();
// The name shown to the user.
QString title(TonePreset value);
