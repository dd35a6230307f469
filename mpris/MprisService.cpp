#include "mpris/MprisService.h"

#include "core/ErrorPolicy.h"
#include "session/PracticeSession.h"
#include "core/PathParts.h"
#include "common/Utf8.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <algorithm>

namespace qm {

namespace {

const QString kTrack = QStringLiteral("/org/qm5/track/current");

}  // namespace

MprisService::MprisService(PracticeSession& session, QObject* parent) : QObject(parent), session_(session) {
    new MprisRoot(this);
    new MprisPlayer(this);
}

MprisService::~MprisService() {
    if (!running_) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(QString::fromLatin1(kObjectPath));
    bus.unregisterService(QString::fromLatin1(kServiceName));
}

bool MprisService::start() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    if (!bus.registerObject(QString::fromLatin1(kObjectPath), this)) return false;
    if (!bus.registerService(QString::fromLatin1(kServiceName))) {
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
        return false;
    }
    running_ = true;
    // What the desktop shows follows the practice.
    auto metadataChanged = [this] { announce({{QStringLiteral("Metadata"), metadata()}}); };
    connect(&session_, &PracticeSession::currentBlockChanged, this, metadataChanged);
    connect(&session_, &PracticeSession::mediaOpened, this, metadataChanged);
    connect(&session_, &PracticeSession::blockBarChanged, this, metadataChanged);
    auto statusChanged = [this] {
        const QString status = playbackStatus();
        if (status == lastStatus_) return;
        lastStatus_ = status;
        announce({{QStringLiteral("PlaybackStatus"), status}});
    };
    connect(&session_, &PracticeSession::playStateChanged, this, statusChanged);
    return true;
}

QString MprisService::playbackStatus() {
    if (session_.state().mediaLength <= 0) return QStringLiteral("Stopped");
    return session_.isPlaying() ? QStringLiteral("Playing") : QStringLiteral("Paused");
}

QVariantMap MprisService::metadata() {
    const auto& s = session_.state();
    QVariantMap m;
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(kTrack)));
    if (s.mediaLength <= 0) return m;
    m.insert(QStringLiteral("mpris:length"), qlonglong(s.mediaLength) * 1000);
    m.insert(QStringLiteral("xesam:title"), utf8ToQString(fileNamePart(s.mediaFile)));
    const QString block = QStringLiteral("block %1/%2").arg(s.curBlock).arg(s.blocks().count());
    m.insert(QStringLiteral("xesam:album"), block);
    m.insert(QStringLiteral("xesam:comment"), QStringList{block});
    return m;
}

qlonglong MprisService::positionUs() {
    if (session_.state().mediaLength <= 0) return 0;
    return qlonglong(std::max(session_.readPosition(), 0)) * 1000;
}

void MprisService::announce(const QVariantMap& changed) {
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

// ---------------------------------------------------------------- the interfaces

MprisRoot::MprisRoot(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}

QStringList MprisRoot::uriSchemes() const {
    return {QStringLiteral("file"), QStringLiteral("http"), QStringLiteral("https"), QStringLiteral("rtsp"),
            QStringLiteral("mms")};
}

QStringList MprisRoot::mimeTypes() const {
    return {QStringLiteral("audio/mpeg"), QStringLiteral("audio/x-ms-wma"), QStringLiteral("application/vnd.rn-realmedia"),
            QStringLiteral("audio/x-pn-realaudio"), QStringLiteral("audio/ogg"), QStringLiteral("audio/flac"),
            QStringLiteral("audio/x-wav"), QStringLiteral("audio/mp4")};
}

void MprisRoot::Raise() { emit service_->raiseRequested(); }

MprisPlayer::MprisPlayer(MprisService* service) : QDBusAbstractAdaptor(service), service_(service) {}

// Calls from the bus run in the event loop: their errors go to the general
// handler. Each is the session command a control of the window gives.
void MprisPlayer::Play() { runGuarded([this] { service_->session().play(); }); }
void MprisPlayer::Pause() { runGuarded([this] { service_->session().pause(); }); }
void MprisPlayer::PlayPause() { runGuarded([this] { service_->session().playPause(); }); }
void MprisPlayer::Next() { runGuarded([this] { service_->session().nextBlock(); }); }
void MprisPlayer::Previous() { runGuarded([this] { service_->session().previousBlock(); }); }
// A stop keeps the practice where it is: paused at the current block's start.
void MprisPlayer::Stop() { runGuarded([this] { service_->session().stop(); }); }

void MprisPlayer::Seek(qlonglong offsetUs) {
    runGuarded([&] {
        PracticeSession& s = service_->session();
        if (s.state().mediaLength <= 0) return;
        const qlonglong deltaMs = std::clamp<qlonglong>(offsetUs / 1000, -s.state().mediaLength, s.state().mediaLength);
        s.seekBy(static_cast<int32_t>(deltaMs));
        emit Seeked(service_->positionUs());
    });
}

void MprisPlayer::SetPosition(const QDBusObjectPath& trackId, qlonglong positionUs) {
    runGuarded([&] {
        PracticeSession& s = service_->session();
        if (trackId.path() != kTrack || positionUs < 0 || positionUs / 1000 > s.state().mediaLength) return;
        s.seekToPosition(static_cast<int32_t>(positionUs / 1000));
        emit Seeked(positionUs);
    });
}

void MprisPlayer::OpenUri(const QString& uri) {
    runGuarded([&] {
        const QUrl url(uri);
        service_->session().OpenFile(url.isLocalFile() ? url.toLocalFile() : uri);
    });
}

}  // namespace qm
