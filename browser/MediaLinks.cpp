#include "MediaLinks.h"

#include "PathParts.h"

#include <QUrl>

#include <algorithm>

namespace qm::browser {

QString statusTextExtension(const QString& text) {
    // In UTF-16 no character carries a "\" inside it, so the search needs no
    // care for double-byte characters.
    const qsizetype p = std::max({text.lastIndexOf(QLatin1Char('.')), text.lastIndexOf(QLatin1Char('\\')),
                                  text.lastIndexOf(QLatin1Char(':'))});
    if (p < 0 || text.at(p) != QLatin1Char('.')) return {};
    return text.mid(p);
}

bool passesStatusTest(const QString& text, const QString& wmpList) {
    return wmpList.contains(statusTextExtension(text) + QLatin1Char('.'), Qt::CaseSensitive);
}

bool isMediaLink(const QString& address, const QString& wmpList, const QString& rpList) {
    const QString ext = QString::fromStdString(qm::extensionPart(address.toStdString()));
    if (ext.isEmpty()) return false;
    return (wmpList + rpList).contains(ext, Qt::CaseSensitive);
}

bool mayGoToPlayer(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) return false;
    const QString scheme = url.scheme();  // QUrl keeps schemes in lower case
    return scheme == QLatin1String("http") || scheme == QLatin1String("https") || scheme == QLatin1String("rtsp") ||
           scheme == QLatin1String("mms");
}

}  // namespace qm::browser
