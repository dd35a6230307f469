#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for the browser tests. It runs on its
// own thread, so that it answers while the GUI thread is held in a nested wait
// (an open waiting for the media's length fetches the media from here).

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QMutexLocker>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>

#include <memory>

namespace qmtest {

class WebServer {
public:
    struct Resource {
        QByteArray type;
        QByteArray body;
        QByteArray location;  // set: the answer is a redirect there
    };

    WebServer() {
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
    }

    ~WebServer() {
        QMetaObject::invokeMethod(
            server_.get(),
            [this] {
                server_->close();
                server_.reset();  // its sockets are its children
            },
            Qt::BlockingQueuedConnection);
        thread_.quit();
        thread_.wait();
    }

    quint16 port() const { return port_; }
    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(port_).arg(path);
    }

    void serve(const QByteArray& path, const QByteArray& type, const QByteArray& body) {
        QMutexLocker lock(&mutex_);
        resources_.insert(path, Resource{type, body, {}});
    }

    // Answers path with "302 Found", sending the client on to location.
    void redirect(const QByteArray& path, const QByteArray& location) {
        QMutexLocker lock(&mutex_);
        resources_.insert(path, Resource{"text/plain", "moved", location});
    }

    // The paths asked for, in order.
    QStringList requests() const {
        QMutexLocker lock(&mutex_);
        return requests_;
    }
    int requestCount(const QString& path) const { return requests().count(path); }

private:
    void accept() {
        while (QTcpSocket* s = server_->nextPendingConnection()) {
            s->setParent(server_.get());
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { onRead(s); });
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    }

    void onRead(QTcpSocket* s) {
        QByteArray request = s->property("request").toByteArray() + s->readAll();
        const int end = request.indexOf("\r\n\r\n");
        if (end < 0) {
            s->setProperty("request", request);
            return;
        }
        s->setProperty("request", QByteArray());
        const QList<QByteArray> lines = request.left(end).split('\n');
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        const QByteArray path = first.value(1).split('?').value(0);
        qint64 from = 0;
        bool ranged = false;
        for (const QByteArray& l : lines) {
            const QByteArray line = l.trimmed();
            if (!line.toLower().startsWith("range: bytes=")) continue;
            const QByteArray range = line.mid(13);
            from = range.left(range.indexOf('-')).toLongLong(&ranged);
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
        QByteArray head;
        QByteArray body;
        if (!found) {
            body = "not here";
            head = "HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\n";
        } else if (!r.location.isEmpty()) {
            body = r.body;
            head = "HTTP/1.1 302 Found\r\nLocation: " + r.location + "\r\nContent-Type: " + r.type + "\r\n";
        } else if (ranged && from > 0 && from < r.body.size()) {
            body = r.body.mid(from);
            head = "HTTP/1.1 206 Partial Content\r\nContent-Type: " + r.type + "\r\nContent-Range: bytes " +
                   QByteArray::number(from) + '-' + QByteArray::number(r.body.size() - 1) + '/' +
                   QByteArray::number(r.body.size()) + "\r\n";
        } else {
            body = r.body;
            head = "HTTP/1.1 200 OK\r\nContent-Type: " + r.type + "\r\n";
        }
        head += "Accept-Ranges: bytes\r\nContent-Length: " + QByteArray::number(body.size()) +
                "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n";
        s->write(head);
        if (first.value(0) != "HEAD") s->write(body);
        s->disconnectFromHost();
    }

    QThread thread_;
    std::unique_ptr<QTcpServer> server_;
    quint16 port_ = 0;
    mutable QMutex mutex_;
    QHash<QByteArray, Resource> resources_;
    QStringList requests_;
};

}  // namespace qmtest
