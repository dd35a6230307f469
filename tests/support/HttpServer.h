#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for the tests, and a port nothing
// listens on. QtCore and QtNetwork only.

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace qmtest {

// Serves what the test gives it, from memory: GET and HEAD, one request per
// connection, byte ranges ("bytes=a-b", "a-" and "-n"; a range beyond the end
// is answered 416), redirects, and 404 for every other path. It records each
// path asked for. Silent, it reads the requests and never answers: a server
// that hangs.
//
// It runs on a thread of its own, so it answers while the test's thread is
// held in a nested wait (an open waiting for the media's length reads the
// media from here). It owns that thread and its connections; the test keeps
// the server alive while anything may still be reading from it.
class HttpServer {
public:
    enum class Mode { Answering, Silent };

    explicit HttpServer(Mode mode = Mode::Answering) : mode_(mode) {
        server_ = std::make_unique<QTcpServer>();
        server_->moveToThread(&thread_);
        thread_.start();
        QMetaObject::invokeMethod(
            server_.get(),
            [this] {
                QObject::connect(server_.get(), &QTcpServer::newConnection, server_.get(), [this] { accept(); });
                if (server_->listen(QHostAddress::LocalHost, 0)) port_ = server_->serverPort();
            },
            Qt::BlockingQueuedConnection);
        if (port_ == 0) ADD_FAILURE() << "the test server cannot listen on 127.0.0.1";
    }

    ~HttpServer() {
        QMetaObject::invokeMethod(
            server_.get(),
            [this] {
                server_->close();
                server_.reset();  // its connections are its children
            },
            Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }

    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    quint16 port() const { return port_; }  // 0 when it could not listen
    QString url(const QString& path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path); }

    // Answers path (a request's path without its query) with body as type.
    void serve(const QByteArray& path, const QByteArray& type, const QByteArray& body) {
        QMutexLocker lock(&mutex_);
        resources_.insert(path, Resource{type, body, {}});
    }

    // Answers path with "302 Found", sending the client on to location.
    void redirect(const QByteArray& path, const QByteArray& location) {
        QMutexLocker lock(&mutex_);
        resources_.insert(path, Resource{"text/plain", "moved", location});
    }

    // The paths asked for, without their queries, in order; the silent server's too.
    QStringList requests() const {
        QMutexLocker lock(&mutex_);
        return requests_;
    }
    int requestCount(const QString& path) const { return static_cast<int>(requests().count(path)); }

private:
    struct Resource {
        QByteArray type;
        QByteArray body;
        QByteArray location;  // set: the answer is a redirect there
    };

    // What a Range header asks of a body of `size` bytes. A header this server
    // does not read (other units, several ranges, an end before the start)
    // asks for the whole body, as HTTP says.
    struct Range {
        bool asked = false;
        bool satisfiable = true;
        qint64 from = 0;
        qint64 to = -1;  // inclusive
    };
    static Range parseRange(const QByteArray& value, qint64 size) {
        static const QRegularExpression form(QStringLiteral("^bytes=(\\d*)-(\\d*)$"),
                                             QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = form.match(QString::fromLatin1(value.trimmed()));
        Range r;
        if (!m.hasMatch()) return r;
        const QString first = m.captured(1);
        const QString last = m.captured(2);
        if (first.isEmpty()) {  // "-n": the last n bytes
            if (last.isEmpty()) return r;
            r.asked = true;
            const qint64 n = last.toLongLong();
            r.satisfiable = n > 0 && size > 0;
            r.from = std::max<qint64>(0, size - n);
            r.to = size - 1;
            return r;
        }
        r.from = first.toLongLong();
        r.to = last.isEmpty() ? size - 1 : std::min(size - 1, last.toLongLong());
        if (!last.isEmpty() && last.toLongLong() < r.from) return Range{};
        r.asked = true;
        r.satisfiable = r.from < size;
        return r;
    }

    void accept() {
        while (QTcpSocket* s = server_->nextPendingConnection()) {
            s->setParent(server_.get());
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { onRead(s); });
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    }

    void onRead(QTcpSocket* s) {
        const QByteArray request = s->property("request").toByteArray() + s->readAll();
        const qsizetype end = request.indexOf("\r\n\r\n");
        if (end < 0) {
            s->setProperty("request", request);
            return;
        }
        s->setProperty("request", QByteArray());
        const QList<QByteArray> lines = request.left(end).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        const QByteArray path = first.value(1).split('?').value(0);
        QByteArray rangeValue;
        for (const QByteArray& l : lines) {
            const QByteArray line = l.trimmed();
            if (line.toLower().startsWith("range:")) rangeValue = line.mid(6);
        }

        Resource r;
        bool found = false;
        {
            QMutexLocker lock(&mutex_);
            requests_ << QString::fromUtf8(path);
            const auto it = resources_.constFind(path);
            if (it != resources_.constEnd()) {
                r = *it;
                found = true;
            }
        }
        if (mode_ == Mode::Silent) return;  // the connection stays open, unanswered

        QByteArray head;
        QByteArray body;
        const qint64 size = r.body.size();
        const Range range = found && r.location.isEmpty() ? parseRange(rangeValue, size) : Range{};
        if (!found) {
            body = "not here";
            head = "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\n";
        } else if (!r.location.isEmpty()) {
            body = r.body;
            head = "HTTP/1.1 302 Found\r\nLocation: " + r.location + "\r\nContent-Type: " + r.type + "\r\n";
        } else if (range.asked && !range.satisfiable) {
            head = "HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */" + QByteArray::number(size) + "\r\n";
        } else if (range.asked) {
            body = r.body.mid(range.from, range.to - range.from + 1);
            head = "HTTP/1.1 206 Partial Content\r\nContent-Type: " + r.type + "\r\nContent-Range: bytes " +
                   QByteArray::number(range.from) + '-' + QByteArray::number(range.to) + '/' +
                   QByteArray::number(size) + "\r\nAccept-Ranges: bytes\r\n";
        } else {
            body = r.body;
            head = "HTTP/1.1 200 OK\r\nContent-Type: " + r.type + "\r\nAccept-Ranges: bytes\r\n";
        }
        head += "Content-Length: " + QByteArray::number(body.size()) +
                "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
        s->write(head);
        if (first.value(0) != "HEAD") s->write(body);
        s->disconnectFromHost();
    }

    const Mode mode_;
    QThread thread_;
    std::unique_ptr<QTcpServer> server_;
    quint16 port_ = 0;
    mutable QMutex mutex_;
    QHash<QByteArray, Resource> resources_;
    QStringList requests_;
};

// A port on 127.0.0.1 that nothing listens on (it was free a moment ago).
inline quint16 closedPort() {
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0)) return 9;
    const quint16 port = probe.serverPort();
    probe.close();
    return port;
}

}  // namespace qmtest
