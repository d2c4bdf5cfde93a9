#include "Platform/Utf8.h"

#include <QStringDecoder>

namespace Utf8 {

std::optional<QString> decodeStrictly(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

}  // namespace Utf8
