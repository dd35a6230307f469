#pragma once
// Helpers for the playback tests: the generated media, ffprobe's view of a
// file, waiting on the Qt event loop, and a tiny HTTP server on 127.0.0.1.

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>

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

// Handles events for ms milliseconds, sleeping while none arrive.
inline void pumpFor(int ms) {
    QDeadlineTimer until(ms);
    while (!until.hasExpired()) {
        QTimer bound;
        bound.setSingleShot(true);
        bound.start(std::max<qint64>(1, std::min<qint64>(10, until.remainingTime())));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
}

// Handles events until done() holds or timeoutMs passes; returns done().
inline bool pumpUntil(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer until(timeoutMs);
    while (!done()) {
        if (until.hasExpired()) return false;
        pumpFor(5);
    }
    return true;
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

// Serves files from memory over HTTP/1.1 with Content-Length and byte ranges,
// one request per connection. With `silent` it accepts and never answers.
class TinyHttpServer : public QObject {
public:
    explicit TinyHttpServer(bool silent = false) : silent_(silent) {
        QObject::connect(&server_, &QTcpServer::newConnection, this, [this] { accept(); });
        if (!server_.listen(QHostAddress::LocalHost, 0))
            ADD_FAILURE() << "cannot listen: " << server_.errorString().toStdString();
    }
    void serve(const QString& urlPath, const QByteArray& body) { files_[urlPath] = body; }
    QString url(const QString& urlPath) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(urlPath);
    }
    int requests() const { return requests_; }

private:
    void accept() {
        while (QTcpSocket* s = server_.nextPendingConnection()) {
            s->setParent(this);
            if (silent_) continue;  // keep it open, say nothing
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { onData(s); });
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    }
    void onData(QTcpSocket* s) {
        QByteArray& buf = pending_[s];
        buf += s->readAll();
        const qsizetype end = buf.indexOf("\r\n\r\n");
        if (end < 0) return;
        const QString head = QString::fromLatin1(buf.left(end));
        pending_.remove(s);
        ++requests_;
        const QStringList lines = head.split(QStringLiteral("\r\n"));
        const QStringList req = lines.value(0).split(QLatin1Char(' '));
        const QString path = req.value(1);
        const bool isHead = req.value(0) == u"HEAD";
        if (!files_.contains(path)) {
            s->write("HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
            s->disconnectFromHost();
            return;
        }
        const QByteArray& body = files_[path];
        qsizetype from = 0, to = body.size() - 1;
        bool ranged = false;
        static const QRegularExpression range(QStringLiteral("^range:\\s*bytes=(\\d+)-(\\d*)$"),
                                              QRegularExpression::CaseInsensitiveOption);
        for (const QString& l : lines) {
            const auto m = range.match(l.trimmed());
            if (!m.hasMatch()) continue;
            ranged = true;
            from = m.captured(1).toLongLong();
            if (!m.captured(2).isEmpty()) to = std::min<qsizetype>(to, m.captured(2).toLongLong());
        }
        if (from >= body.size()) {
            s->write(QStringLiteral("HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */%1"
                                    "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n")
                         .arg(body.size())
                         .toLatin1());
            s->disconnectFromHost();
            return;
        }
        QByteArray out = ranged ? "HTTP/1.1 206 Partial Content\r\n" : "HTTP/1.1 200 OK\r\n";
        out += "Content-Type: audio/mpeg\r\nAccept-Ranges: bytes\r\nConnection: close\r\n";
        out += "Content-Length: " + QByteArray::number(to - from + 1) + "\r\n";
        if (ranged)
            out += "Content-Range: bytes " + QByteArray::number(from) + "-" + QByteArray::number(to) +
                   "/" + QByteArray::number(body.size()) + "\r\n";
        out += "\r\n";
        if (!isHead) out += body.mid(from, to - from + 1);
        s->write(out);
        s->disconnectFromHost();
    }

    QTcpServer server_;
    bool silent_;
    QHash<QString, QByteArray> files_;
    QHash<QTcpSocket*, QByteArray> pending_;
    int requests_ = 0;
};

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

// A port on 127.0.0.1 that nothing listens on (it was free a moment ago).
inline quint16 closedPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) return 9;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

}  // namespace qmtest
