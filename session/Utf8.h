#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringDecoder>

#include <string_view>

namespace qm {

// UTF-8 data (a note, a path) as a QString, every character kept: a leading
// U+FEFF stays, where QString::fromUtf8 would drop it as a byte-order mark.
inline QString utf8ToQString(std::string_view utf8) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder(QByteArrayView(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

}  // namespace qm
