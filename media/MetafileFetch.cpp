#include "media/MetafileFetch.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>

namespace qm {

namespace {

// One fetch in flight; destroying it drops the answer for good.
class NetworkFetch : public MetafileFetch {
public:
    explicit NetworkFetch(QNetworkReply* reply) : reply_(reply) {}
    ~NetworkFetch() override {
        if (reply_ == nullptr) return;
        QObject::disconnect(reply_, nullptr, nullptr, nullptr);
        reply_->abort();
        reply_->deleteLater();
    }

private:
    QPointer<QNetworkReply> reply_;
};

}  // namespace

MetafileFetcher networkMetafileFetcher(QNetworkAccessManager& network) {
    return [&network](const QUrl& url, qint64 maxBytes, int timeoutMs,
                      std::function<void(const FetchedMetafile&)> done) -> std::unique_ptr<MetafileFetch> {
        QNetworkRequest request(url);
        request.setTransferTimeout(timeoutMs);
        request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
        request.setMaximumRedirectsAllowed(5);
        QNetworkReply* reply = network.get(request);
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [reply, maxBytes] {
            if (reply->bytesAvailable() <= maxBytes) return;
            reply->setProperty("tooBig", true);
            reply->abort();
        });
        QObject::connect(reply, &QNetworkReply::finished, reply, [reply, maxBytes, url, done] {
            reply->deleteLater();
            FetchedMetafile got;
            got.bytes = reply->isOpen() ? reply->readAll() : QByteArray();
            got.finalAddress = reply->url().toString();
            const QString address = url.toString();
            if (reply->property("tooBig").toBool() || got.bytes.size() > maxBytes) {
                got.error = QStringLiteral("metafile larger than %1 KB: %2").arg(maxBytes / 1024).arg(address);
            } else if (reply->error() != QNetworkReply::NoError) {
                got.error = QStringLiteral("metafile cannot be fetched: %1 (%2)").arg(address, reply->errorString());
            }
            done(got);
        });
        return std::make_unique<NetworkFetch>(reply);
    };
}

}  // namespace qm
