#pragma once

#include <QList>
#include <QString>
#include <optional>

// Which AI command-line tool answers: shown to the user as "Claude" and "ChatGPT". Stored as its
// raw value, which is the case name.
enum class ProviderID { claudeCLI, codexCLI };

QString rawValue(ProviderID value);
// Exact, case-sensitive match of the raw value; none for anything else.
std::optional<ProviderID> providerIDFromRaw(const QString& raw);
// Every case, in order.
QList<ProviderID> allProviderIDs();
