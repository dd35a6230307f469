#include "browser/MediaLinks.h"

#include "core/PathParts.h"

#include <QUrl>

#include <algorithm>

namespace qm::browser {

namespace {

bool isAsciiLetter(QChar c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

// A letter, then letters, digits, "+", "-" and ".". One letter alone is a
// drive ("C:"), not a scheme.
bool isScheme(QStringView s) {
    if (s.size() < 2 || !isAsciiLetter(s.front())) return false;
    return std::all_of(s.begin(), s.end(), [](QChar c) {
        return isAsciiLetter(c) || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
    });
}

}  // namespace

QString withoutQuery(const QString& address) {
    const qsizetype separator = address.indexOf(QLatin1String("://"));
    if (separator < 0 || !isScheme(QStringView(address).left(separator))) return address;
    for (qsizetype i = separator + 3; i < address.size(); ++i) {
        if (address.at(i) == u'?' || address.at(i) == u'#') return address.left(i);
    }
    return address;
}

QString statusTextExtension(const QString& text) {
    // In UTF-16 no character carries a "\" inside it, so the search needs no
    // care for double-byte characters.
    const qsizetype p = std::max({text.lastIndexOf(QLatin1Char('.')), text.lastIndexOf(QLatin1Char('\\')),
                                  text.lastIndexOf(QLatin1Char(':'))});
    if (p < 0 || text.at(p) != QLatin1Char('.')) return {};
    return text.mid(p);
}

bool passesStatusTest(const QString& text, const QString& wmpList) {
    return wmpList.contains(statusTextExtension(withoutQuery(text)) + QLatin1Char('.'), Qt::CaseSensitive);
}

bool isMediaLink(const QString& address, const QString& wmpList, const QString& rpList) {
    const QString ext = QString::fromStdString(qm::extensionPart(withoutQuery(address).toStdString()));
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
