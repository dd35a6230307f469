#include "media/StreamingAudioControl.h"

#include "media/MetafileText.h"
#include "media/MpvBridge.h"
#include "files/WholeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace qm {

namespace {

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

StreamingAudioControl::StreamingAudioControl(QObject* parent, const QString& audioOutput, MetafileFetcher fetcher)
    // RealMedia seeks only work reliably from mpv's cache (see MpvCache).
    : QObject(parent), session_(this, audioOutput, MpvCache::WholeFile), fetcher_(std::move(fetcher)) {
    connect(&session_, &PlaybackSession::phaseChanged, this, &StreamingAudioControl::onPhase);
}

StreamingAudioControl::~StreamingAudioControl() = default;

int32_t StreamingAudioControl::GetPosition() { return toMs(session_.position()); }

int32_t StreamingAudioControl::GetLength() { return toMs(session_.duration()); }

int32_t StreamingAudioControl::GetPlayState() {
    switch (session_.phase()) {
    case PlaybackSession::Phase::Opening: return ra::Contacting;
    case PlaybackSession::Phase::Buffering: return ra::Buffering;
    case PlaybackSession::Phase::Playing: return ra::Playing;
    case PlaybackSession::Phase::Paused: return ra::Paused;
    case PlaybackSession::Phase::Empty:
    case PlaybackSession::Phase::Stopped:
    case PlaybackSession::Phase::Ended:
    case PlaybackSession::Phase::Failed: return ra::Stopped;
    }
    return ra::Stopped;
}

bool StreamingAudioControl::isMetafile(const QString& source) {
    // An address by its path alone: "x.ram?id=3" is a metafile, "x.rm?as=.ram" is not.
    const QString path = hasScheme(source) ? QUrl(source).path() : source;
    return path.endsWith(QStringLiteral(".ram"), Qt::CaseInsensitive);
}

std::optional<QString> StreamingAudioControl::readMetafile(const QString& metafilePath) {
    QString path = metafilePath;
    if (hasScheme(path)) {
        const QUrl url(path, QUrl::StrictMode);
        if (!url.isLocalFile()) return std::nullopt;  // remote ones are fetched by setSource
        path = url.toLocalFile();
    }
    const auto read = files::readWholeFile(QFile::encodeName(path).toStdString(), kMaxMetafileBytes);
    if (read.error) return std::nullopt;
    return metafileEntry(QByteArray::fromStdString(read.bytes), QFileInfo(path).absoluteFilePath());
}

std::optional<QString> StreamingAudioControl::metafileEntry(const QByteArray& bytes, const QString& base) {
    const auto entry = media::firstMetafileEntry(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    if (!entry) return std::nullopt;
    const QString line = QString::fromStdString(*entry);
    if (hasScheme(line)) return line;
    // A relative entry lies beside the metafile, on its server or in its folder.
    if (hasScheme(base)) return QUrl(base).resolved(QUrl(line)).toString(QUrl::FullyEncoded);
    return QDir::cleanPath(QDir(QFileInfo(base).absolutePath()).absoluteFilePath(line));
}

void StreamingAudioControl::setSource(const QString& source) {
    source_ = source;
    fetch_.reset();  // an earlier fetch no longer counts
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
    const bool web = hasScheme(source) && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
    if (!web) {
        playEntry(source, readMetafile(source), MetafileOrigin::Local);
        return;
    }
    // A metafile on a web server, as a browser link gives it: fetched whole
    // (at most kMaxMetafileBytes, within the open's deadline), then read as a
    // local one, relative entries against the address it came from.
    if (!fetcher_) {
        session_.fail(source, QStringLiteral("metafile cannot be fetched: ") + source);
        return;
    }
    session_.awaitSource(source);
    fetch_ = fetcher_(url, kMaxMetafileBytes, kFetchTimeoutMs, [this, source](const FetchedMetafile& got) {
        if (!got.error.isEmpty()) {
            session_.fail(source, got.error);
            return;
        }
        playEntry(source, metafileEntry(got.bytes, got.finalAddress), MetafileOrigin::Web);
    });
}

void StreamingAudioControl::playEntry(const QString& metafile, const std::optional<QString>& entry,
                                      MetafileOrigin origin) {
    if (!entry) {
        session_.fail(metafile, QStringLiteral("metafile names no media: ") + metafile);
        return;
    }
    // A page's link must not make the player read this machine's files: a
    // metafile from a web server leads only back to the network.
    if (origin == MetafileOrigin::Web && !MpvBridge::isNetworkAddress(*entry)) {
        session_.fail(metafile, QStringLiteral("metafile on a web server may name only web and streaming "
                                               "addresses (http, https, rtsp, mms): ") + *entry);
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

void StreamingAudioControl::onPhase() {
    const int state = GetPlayState();
    if (state == lastState_) return;
    lastState_ = state;
    emit PlayStateChange(state);
}

}  // namespace qm
