#pragma once

#include <QDateTime>
#include <QString>

namespace Platform {
class Clock;
}

// The documents written from the assistant's document replies: one Markdown file each in
// the folder "Dokumente" of the data folder, named by a UTC time stamp and a slug of the
// title. Holds no state; everything runs on the caller's thread.
namespace DocumentStore {

struct Parts {
    QString title;
    QString body;
    bool operator==(const Parts&) const = default;
};

struct SaveResult {
    QString path;   // the document written; empty when writing failed
    QString error;  // why writing failed
    bool ok() const { return !path.isEmpty(); }
};

// The documents folder, created (0700, as is the data folder above it) on every call; errors
// are ignored and show up when a document is written. Empty when no home is known.
QString folder();

// Takes a reply apart into its title line (without leading "#", at most 80 characters,
// "Dokument" when there is none) and the rest.
Parts split(const QString& text);

// The file-name part made from a title: accents dropped, every run of other characters than
// A-Z, a-z, 0-9, ä, ö, ü, Ä, Ö, Ü and ß as one "-", at most 60 characters and never
// beginning or ending in "-", "Dokument" when nothing is left.
QString slug(const QString& title);

// "2025-03-14T09-05-07": the moment in UTC, without fractions or zone, ":" as "-".
QString stamp(const QDateTime& moment);

// Writes the reply as "# title", a blank line, the body and a line feed, atomically, to a
// new file: a name already taken gets " 2", " 3", … before ".md". When the title had to be
// cut, the body begins with the whole first line and a blank line.
SaveResult save(const QString& text, const Platform::Clock& clock);

// Deletes the documents whose modification is more than `days` days old. Only regular
// files and links (the link itself) named "….md" directly in the folder are touched; every
// error is skipped.
void cleanUp(int days, const Platform::Clock& clock);

}  // namespace DocumentStore
