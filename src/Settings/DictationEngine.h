#pragma once

#include <QList>
#include <QString>
#include <optional>

// The speech engine chosen in the settings window. Stored as its raw value, which is the case name.
enum class DictationEngine { appleOnDevice, whisperLocal };

QString rawValue(DictationEngine value);
// Exact, case-sensitive match of the raw value; none for anything else.
std::optional<DictationEngine> dictationEngineFromRaw(const QString& raw);
// Every case, in order.
QList<DictationEngine> allDictationEngines();
