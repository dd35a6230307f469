#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

namespace qm {

class PracticeSession;

// The media keys of the desktop: an MPRIS2 service on the session bus
// ("org.mpris.MediaPlayer2.qm5") that steers the practice session. Play,
// Pause, PlayPause and Stop drive playback; Next and Previous are the block
// commands; position and length are reported, and the metadata carries the
// file name and "block n/B". Without a session bus there is no service and
// nothing else changes. QtCore and QtDBus only.
class MprisService : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.qm5";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

    explicit MprisService(PracticeSession& session, QObject* parent = nullptr);
    ~MprisService() override;

    // Registers on the session bus; false (and nothing registered) without one
    // or when the name is taken by another running QM5.
    bool start();
    bool running() const { return running_; }

    PracticeSession& session() { return session_; }
    QString playbackStatus();
    QVariantMap metadata();
    qlonglong positionUs();

signals:
    void raiseRequested();

private:
    void announce(const QVariantMap& changed);

    PracticeSession& session_;
    bool running_ = false;
    QString lastStatus_;
};

// org.mpris.MediaPlayer2
class MprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ canQuit)
    Q_PROPERTY(bool CanRaise READ canRaise)
    Q_PROPERTY(bool HasTrackList READ hasTrackList)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ uriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ mimeTypes)
public:
    explicit MprisRoot(MprisService* service);
    bool canQuit() const { return false; }
    bool canRaise() const { return true; }
    bool hasTrackList() const { return false; }
    QString identity() const { return QStringLiteral("QM5"); }
    QString desktopEntry() const { return QStringLiteral("qm5"); }
    QStringList uriSchemes() const;
    QStringList mimeTypes() const;

public slots:
    void Raise();
    void Quit() {}

private:
    MprisService* service_;
};

// org.mpris.MediaPlayer2.Player
class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ rate)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ rate)
    Q_PROPERTY(double MaximumRate READ rate)
    Q_PROPERTY(bool CanGoNext READ canControl)
    Q_PROPERTY(bool CanGoPrevious READ canControl)
    Q_PROPERTY(bool CanPlay READ canControl)
    Q_PROPERTY(bool CanPause READ canControl)
    Q_PROPERTY(bool CanSeek READ canControl)
    Q_PROPERTY(bool CanControl READ canControl)
public:
    explicit MprisPlayer(MprisService* service);
    QString playbackStatus() const { return service_->playbackStatus(); }
    double rate() const { return 1.0; }
    QVariantMap metadata() const { return service_->metadata(); }
    double volume() const { return 1.0; }
    qlonglong position() const { return service_->positionUs(); }
    bool canControl() const { return true; }

public slots:
    void Play();
    void Pause();
    void PlayPause();
    void Stop();
    void Next();
    void Previous();
    void Seek(qlonglong offsetUs);
    void SetPosition(const QDBusObjectPath& trackId, qlonglong positionUs);
    void OpenUri(const QString& uri);

signals:
    void Seeked(qlonglong positionUs);

private:
    MprisService* service_;
};

}  // namespace qm
