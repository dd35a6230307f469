#include "Recovery.h"

#include "WholeFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cstdio>

namespace qm::recovery {

namespace {
QString& testFolder() {
    static QString f;
    return f;
}
// A recovery file is a block file: a few hundred kilobytes.
constexpr std::size_t kMaxBytes = 16 * 1024 * 1024;
}  // namespace

QString folder() {
    if (!testFolder().isEmpty()) return testFolder();
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("QM5/recovery"));
}

void setFolderForTesting(const QString& f) { testFolder() = f; }

QString fileFor(const std::string& mediaFile) {
    const QByteArray hash = QCryptographicHash::hash(QByteArray::fromStdString(mediaFile), QCryptographicHash::Sha1);
    return QDir(folder()).filePath(QString::fromLatin1(hash.toHex()) + QStringLiteral(".bsd"));
}

bool keep(const std::string& mediaFile, const std::string& blockFileBytes) {
    QDir().mkpath(folder());
    const auto e = files::writeWholeFile(fileFor(mediaFile).toStdString(), blockFileBytes);
    if (e) std::fprintf(stderr, "QM5: %s\n", files::cannotCreateMessage(*e).c_str());
    return !e;
}

std::optional<std::string> take(const std::string& mediaFile) {
    const QString path = fileFor(mediaFile);
    if (!QFile::exists(path)) return std::nullopt;
    auto r = files::readWholeFile(path.toStdString(), kMaxBytes);
    QFile::remove(path);
    if (r.error) return std::nullopt;
    return std::move(r.bytes);
}

}  // namespace qm::recovery
