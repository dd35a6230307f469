#include "TRealAudio.h"

#include "MpvBridge.h"
#include "TextCodec.h"
#include "Transport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QSlider>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

using qm::PlaybackSession;

namespace {

constexpr int kRefreshMs = 250;
// The whole open waits at most this long for the media's length.
constexpr int kFetchTimeoutMs = 5000;

int32_t toMs(double seconds) {
    const double ms = std::trunc(seconds * 1000.0);
    if (!(ms > 0)) return 0;
    if (ms >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(ms);
}

bool hasScheme(const QString& s) {
    static const QRegularExpression re(QStringLiteral("^[A-Za-z][A-Za-z0-9+.\\-]*://"));
    return re.match(s).hasMatch();
}

}  // namespace

TRealAudio::TRealAudio(QWidget* parent, const QString& audioOutput)
    // RealMedia seeks only work reliably from mpv's cache (see MpvCache).
    : QWidget(parent), session_(this, audioOutput, qm::MpvCache::WholeFile) {
    posBar_ = new QSlider(Qt::Horizontal, this);
    posBar_->setRange(0, 0);
    btnPlay_ = new QToolButton(this);
    btnPlay_->setToolTip(QStringLiteral("Play / Pause"));
    btnStop_ = new QToolButton(this);
    btnStop_->setText(QStringLiteral("■"));
    btnStop_->setToolTip(QStringLiteral("Stop"));
    lblStatus_ = new QLabel(this);
    lblStatus_->setTextInteractionFlags(Qt::NoTextInteraction);

    auto* row = new QHBoxLayout;
    row->addWidget(btnPlay_);
    row->addWidget(btnStop_);
    row->addStretch(1);
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(4, 2, 4, 2);
    box->setSpacing(2);
    box->addWidget(posBar_);
    box->addLayout(row);
    box->addWidget(lblStatus_);
    resize(kDesignWidth, kDesignHeight);
    qm::transport::noFocusAnywhere(this);

    connect(btnPlay_, &QToolButton::clicked, this, [this] {
        if (GetPlayState() == qm::ra::Playing)
            DoPause();
        else
            DoPlay();
    });
    connect(btnStop_, &QToolButton::clicked, this, [this] { DoStop(); });
    qm::transport::onUserSeek(posBar_, [this](int ms) { SetPosition(ms); });
    connect(&session_, &PlaybackSession::phaseChanged, this, &TRealAudio::onPhase);
    connect(&session_, &PlaybackSession::durationChanged, this, &TRealAudio::refreshTransport);
    refresh_.setInterval(kRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, &TRealAudio::refreshTransport);
    refreshTransport();
}

int32_t TRealAudio::GetPosition() {
    return toMs(session_.position());
}

int32_t TRealAudio::GetLength() {
    return toMs(session_.duration());
}

int32_t TRealAudio::GetPlayState() {
    switch (session_.phase()) {
    case PlaybackSession::Phase::Opening: return qm::ra::Contacting;
    case PlaybackSession::Phase::Buffering: return qm::ra::Buffering;
    case PlaybackSession::Phase::Playing: return qm::ra::Playing;
    case PlaybackSession::Phase::Paused: return qm::ra::Paused;
    case PlaybackSession::Phase::Empty:
    case PlaybackSession::Phase::Stopped:
    case PlaybackSession::Phase::Ended:
    case PlaybackSession::Phase::Failed: return qm::ra::Stopped;
    }
    return qm::ra::Stopped;
}

bool TRealAudio::isMetafile(const QString& source) {
    return source.endsWith(QStringLiteral(".ram"), Qt::CaseInsensitive);
}

std::optional<QString> TRealAudio::readMetafile(const QString& metafilePath) {
    QString path = metafilePath;
    if (hasScheme(path)) {
        const QUrl url(path, QUrl::StrictMode);
        if (!url.isLocalFile()) return std::nullopt;  // remote ones are fetched by setSource
        path = url.toLocalFile();
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    if (f.size() > kMaxMetafileBytes) return std::nullopt;
    return metafileEntry(f.readAll(), QFileInfo(path).absoluteFilePath());
}

std::optional<QString> TRealAudio::metafileEntry(const QByteArray& bytes, const QString& base) {
    const QString text = QString::fromStdString(qm::text::decode(std::string_view(bytes.constData(), bytes.size())));
    const bool remoteBase = hasScheme(base);
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();  // also drops the CR of CR LF lines
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        if (line == QStringLiteral("--stop--")) return std::nullopt;  // end of the entries
        if (hasScheme(line)) return line;
        // A relative entry lies beside the metafile, on its server or in its folder.
        if (remoteBase) return QUrl(base).resolved(QUrl(line)).toString(QUrl::FullyEncoded);
        return QDir::cleanPath(QDir(QFileInfo(base).absolutePath()).absoluteFilePath(line));
    }
    return std::nullopt;
}

void TRealAudio::setSource(const QString& source) {
    source_ = source;
    if (QNetworkReply* earlier = fetch_.data()) {  // no longer counts
        fetch_ = nullptr;
        earlier->abort();
    }
    if (source.isEmpty()) {
        session_.close();
        return;
    }
    if (!isMetafile(source)) {
        session_.open(source, /*autoplay=*/false);
        return;
    }
    const QUrl url(source, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (hasScheme(source) && (scheme == QLatin1String("http") || scheme == QLatin1String("https"))) {
        fetchMetafile(url);
        return;
    }
    playEntry(source, readMetafile(source));
}

void TRealAudio::playEntry(const QString& metafile, const std::optional<QString>& entry) {
    if (!entry) {
        session_.fail(metafile, QStringLiteral("metafile names no media: ") + metafile);
        return;
    }
    // A metafile naming a metafile is not followed: it could go round for ever.
    if (isMetafile(*entry)) {
        session_.fail(*entry, QStringLiteral("metafile names another metafile: ") + *entry);
        return;
    }
    const bool play = session_.phase() == PlaybackSession::Phase::Opening && session_.playRequested();
    session_.open(*entry, play);
}

// A metafile on a web server, as a browser link gives it: fetched whole (at
// most kMaxMetafileBytes, within the open's deadline), then read as a local one.
void TRealAudio::fetchMetafile(const QUrl& url) {
    session_.awaitSource(url.toString());
    if (network_ == nullptr) network_ = new QNetworkAccessManager(this);
    QNetworkRequest request(url);
    request.setTransferTimeout(kFetchTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    QNetworkReply* reply = network_->get(request);
    fetch_ = reply;
    const QString address = url.toString();
    connect(reply, &QNetworkReply::readyRead, this, [reply] {
        if (reply->bytesAvailable() <= kMaxMetafileBytes) return;
        reply->setProperty("tooBig", true);
        reply->abort();
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, address] {
        reply->deleteLater();
        if (fetch_ != reply) return;  // replaced by a later source
        fetch_ = nullptr;
        const QByteArray bytes = reply->isOpen() ? reply->readAll() : QByteArray();
        const bool tooBig = reply->property("tooBig").toBool() || bytes.size() > kMaxMetafileBytes;
        if (tooBig || reply->error() != QNetworkReply::NoError) {
            session_.fail(address, tooBig ? QStringLiteral("metafile larger than %1 KB: %2").arg(kMaxMetafileBytes / 1024).arg(address)
                                          : QStringLiteral("metafile cannot be fetched: %1 (%2)").arg(address, reply->errorString()));
            return;
        }
        // Relative entries go against the address the metafile came from after redirects.
        playEntry(address, metafileEntry(bytes, reply->url().toString()));
    });
}

void TRealAudio::onPhase() {
    refreshTransport();
    const int state = GetPlayState();
    if (state == lastState_) return;
    lastState_ = state;
    emit PlayStateChange(state);
}

QString TRealAudio::statusText() const {
    switch (session_.phase()) {
    case PlaybackSession::Phase::Empty: return QString();
    case PlaybackSession::Phase::Opening: return QStringLiteral("Contacting...");
    case PlaybackSession::Phase::Buffering: return QStringLiteral("Buffering...");
    case PlaybackSession::Phase::Playing: return QStringLiteral("Playing");
    case PlaybackSession::Phase::Paused: return QStringLiteral("Paused");
    case PlaybackSession::Phase::Stopped: return QStringLiteral("Stopped");
    case PlaybackSession::Phase::Ended: return QStringLiteral("Stopped (end)");
    case PlaybackSession::Phase::Failed: return QStringLiteral("Error: ") + session_.lastError();
    }
    return QString();
}

void TRealAudio::refreshTransport() {
    btnPlay_->setText(GetPlayState() == qm::ra::Playing ? QStringLiteral("❚❚")
                                                        : QStringLiteral("▶"));
    const int32_t length = GetLength();
    const int32_t pos = std::min(GetPosition(), length);
    if (!posBar_->isSliderDown()) {
        posBar_->setRange(0, length);
        posBar_->setValue(pos);
    }
    QString status = statusText();
    if (length > 0)
        status += QStringLiteral("  ") + qm::transport::clock(pos) + QStringLiteral(" / ") +
                  qm::transport::clock(length);
    lblStatus_->setText(status);
}

void TRealAudio::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    refresh_.start();
}

void TRealAudio::hideEvent(QHideEvent* e) {
    refresh_.stop();
    QWidget::hideEvent(e);
}
