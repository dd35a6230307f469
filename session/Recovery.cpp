#include "session/Recovery.h"

#include "files/WholeFile.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>

namespace qm::recovery {

namespace {
QString& testFolder() {
    static QString f;
    return f;
}
// A recovery file is a block file: at most as big as one.
constexpr std::size_t kMaxBytes = 16 * 1024 * 1024;
constexpr int kBusyRetryMs = 50;
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

std::string bytesFor(blockfile::BlockData data) {
    std::replace_if(data.mediaPath.begin(), data.mediaPath.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return blockfile::serialize(data);
}

bool keep(const std::string& mediaFile, const std::string& blockFileBytes) {
    QDir().mkpath(folder());
    const auto e = files::writeWholeFile(QFile::encodeName(fileFor(mediaFile)).toStdString(), blockFileBytes);
    if (e) std::fprintf(stderr, "QM5: %s\n", files::cannotCreateMessage(*e).c_str());
    return !e;
}

std::optional<std::string> read(const std::string& mediaFile) {
    const QString path = fileFor(mediaFile);
    if (!QFile::exists(path)) return std::nullopt;
    auto r = files::readWholeFile(QFile::encodeName(path).toStdString(), kMaxBytes);
    if (r.error) return std::nullopt;
    return std::move(r.bytes);
}

void discard(const std::string& mediaFile) { QFile::remove(fileFor(mediaFile)); }

// ---------------------------------------------------------------- in the background

BackgroundKeeper::BackgroundKeeper(std::function<std::optional<Snapshot>()> snapshot, QObject* parent)
    : QObject(parent), snapshot_(std::move(snapshot)) {
    timer_.setSingleShot(true);
    timer_.setInterval(kDelayMs);
    // Not restarted by later changes: a steady stream of them must not put the write off.
    connect(&timer_, &QTimer::timeout, this, &BackgroundKeeper::writeNow);
}

BackgroundKeeper::~BackgroundKeeper() { settle(); }

void BackgroundKeeper::changed() {
    if (!timer_.isActive()) timer_.start();
}

void BackgroundKeeper::settle() {
    timer_.stop();
    if (writing_.valid()) writing_.wait();
}

void BackgroundKeeper::writeNow() {
    if (writing_.valid() && writing_.wait_for(std::chrono::seconds(0)) != std::future_status::ready) {
        // One at a time: this change is written as soon as the last write is done.
        QTimer::singleShot(kBusyRetryMs, this, &BackgroundKeeper::writeNow);
        return;
    }
    auto snap = snapshot_();
    if (!snap) return;
    const std::string media = snap->data.mediaPath;
    const QString path = fileFor(media);
    // The keeper outlives the write (its destructor waits), and the queued
    // call is dropped if the keeper is gone before it is delivered.
    writing_ = std::async(std::launch::async, [this, snap = std::move(*snap), media, path]() mutable {
        if (!keep(media, bytesFor(std::move(snap.data)))) return;
        QMetaObject::invokeMethod(this, [this, path] { emit written(path); }, Qt::QueuedConnection);
    });
}

}  // namespace qm::recovery
