#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <string_view>

namespace qm {

// UTF-8 data (a note, a path) as a QString, every character kept: a leading
// U+FEFF stays, where QString::fromUtf8 would drop it as a byte-order mark.
inline QString utf8ToQString(std::string_view utf8) {
    const QByteArrayView bytes(utf8.data(), static_cast<qsizetype>(utf8.size()));
    // Only a text that starts with the mark's bytes needs the careful decoder;
    // the rest (a million notes of a big block file) goes the short way.
    if (!bytes.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(bytes);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(bytes);
}

}  // namespace qm
