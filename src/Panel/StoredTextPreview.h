#pragma once

#include "Panel/ClampedText.h"

// A stored text shown in full, wrapped, for the user to confirm: every line in the order it is
// stored, none elided. What would otherwise take room without being seen, or be seen as
// something it is not, is shown by name and counted instead: a run of blank lines, a long run
// of white space inside a line, and the invisible characters (line and paragraph separators,
// control characters, direction controls), which no shell or reader takes as a line break.
class StoredTextPreview : public ClampedText {
    Q_OBJECT

public:
    explicit StoredTextPreview(const DS::Color& color, QWidget* parent = nullptr);

    // Shows `text` as shown() writes it.
    void setStoredText(const QString& text);
    // Whether the preview shows something other than the stored text drawn as it is: a run
    // counted, an invisible character named.
    bool differs() const { return text() != stored_; }

    // `text` as the preview shows it: lines split at "\n" only.
    static QString shown(const QString& text);

private:
    QString stored_;
};
