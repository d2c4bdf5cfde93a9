#pragma once

#include <QWidget>

#include "Memory/MemoryEntry.h"

class MinusButton;

// One remembered thing in the Memory tab: what it was, from which program and when, and the
// button that forgets it.
class MemoryEntryRow : public QWidget {
    Q_OBJECT

public:
    explicit MemoryEntryRow(const MemoryEntry& entry, QWidget* parent = nullptr);

    // The entry's text as shown: the record's own prefixes are dropped ("Viewed: ") or
    // turned into an arrow ("User asked: "), wherever they occur.
    static QString displayText(const QString& text);
    // The program (when known) and the date and time in the user's format.
    static QString detail(const MemoryEntry& entry);

    MinusButton* forgetButton() const { return forget_; }

private:
    MinusButton* forget_;
};
