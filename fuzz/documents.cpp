#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "FuzzInput.h"
#include "Output/DocumentStore.h"
#include "Platform/fake/FakeClock.h"

namespace {

// Documents go to a folder of this run only.
QTemporaryDir& dataFolder() {
    static QTemporaryDir folder;
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    require(dataFolder().isValid(), "a scratch folder");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataFolder().path()));
    return 0;
}

// A document reply: split into title and body, named by its slug and written. Every word of
// the reply must be in the file (number signs before the title aside).
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = inputText(data, size);
    const DocumentStore::Parts parts = DocumentStore::split(text);
    require(!parts.title.isEmpty(), "a document has a title");
    require(!parts.title.contains(QLatin1Char('\n')), "a title is one line");

    static const QRegularExpression slugShape(
        QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?$"));
    const QString slug = DocumentStore::slug(parts.title);
    require(slug.size() <= 60, "a slug has at most 60 characters");
    require(slugShape.match(slug).hasMatch(), "a slug neither begins nor ends in a dash");

    static const Platform::FakeClock clock;
    const DocumentStore::SaveResult saved = DocumentStore::save(text, clock);
    require(saved.ok(), "a document is written");
    QFile file(saved.path);
    require(file.open(QIODevice::ReadOnly), "the document can be read");
    const QString content = QString::fromUtf8(file.readAll());
    file.close();
    QFile::remove(saved.path);

    // Words as the reply's trimming sees blanks.
    QString word;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && !text.at(i).isSpace()) {
            word += text.at(i);
            continue;
        }
        while (word.startsWith(QLatin1Char('#')))
            word.remove(0, 1);
        require(content.contains(word), "every word of the reply is in the document");
        word.clear();
    }
    return 0;
}
