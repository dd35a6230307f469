#pragma once
// Helpers for the playback tests: the generated media and ffprobe's view of a
// file. Waits are in Waits.h, the test server in HttpServer.h.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QString>

#include <cmath>
#include <cstdint>

namespace qmtest {

// $QM5_TEST_MEDIA, or else the build tree's testmedia folder beside bin/.
inline QString mediaDir() {
    const QString dir = qEnvironmentVariable("QM5_TEST_MEDIA");
    if (!dir.isEmpty()) return dir;
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../testmedia"));
}

inline QString media(const QString& name) {
    return mediaDir() + QLatin1Char('/') + name;
}

// The duration ffprobe reads from the file's container, in ms (-1 on failure).
inline int64_t ffprobeMs(const QString& path) {
    QProcess p;
    p.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"),
                                        QStringLiteral("-show_entries"),
                                        QStringLiteral("format=duration"), QStringLiteral("-of"),
                                        QStringLiteral("csv=p=0"), path});
    if (!p.waitForFinished(20000) || p.exitCode() != 0) return -1;
    bool ok = false;
    const double s = QString::fromUtf8(p.readAllStandardOutput()).trimmed().toDouble(&ok);
    return ok ? static_cast<int64_t>(std::llround(s * 1000.0)) : -1;
}

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

}  // namespace qmtest
