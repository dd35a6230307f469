#include "TRealAudio.h"

#include "MpvBridge.h"
#include "Transport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
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
// A metafile is a few lines of text; anything bigger is not one.
constexpr qint64 kMaxMetafileBytes = 64 * 1024;

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
        if (!url.isLocalFile()) return std::nullopt;  // only local metafiles are read
        path = url.toLocalFile();
    }
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    if (f.size() > kMaxMetafileBytes) return std::nullopt;
    const QString text = QString::fromUtf8(f.readAll());
    for (QString line : text.split(QLatin1Char('\n'))) {
        line = line.trimmed();  // also drops the CR of CR LF lines
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        if (line == QStringLiteral("--stop--")) return std::nullopt;  // end of the entries
        if (hasScheme(line)) return line;
        return QDir::cleanPath(QDir(QFileInfo(path).absolutePath()).absoluteFilePath(line));
    }
    return std::nullopt;
}

void TRealAudio::setSource(const QString& source) {
    source_ = source;
    if (source.isEmpty()) {
        session_.close();
        return;
    }
    if (!isMetafile(source)) {
        session_.open(source, /*autoplay=*/false);
        return;
    }
    const auto entry = readMetafile(source);
    if (!entry) {
        session_.fail(source, QStringLiteral("metafile names no media: ") + source);
        return;
    }
    // A metafile naming a metafile is not followed: it could go round for ever.
    if (isMetafile(*entry)) {
        session_.fail(*entry, QStringLiteral("metafile names another metafile: ") + *entry);
        return;
    }
    session_.open(*entry, /*autoplay=*/false);
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
