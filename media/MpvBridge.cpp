#include "media/MpvBridge.h"

#include "media/PlayerControls.h"

#include <QFileInfo>
#include <QPointer>
#include <QRegularExpression>
#include <QUrl>

#include "media/MpvLibrary.h"

#include <string>

namespace qm {

// One mpv event, copied out of mpv's buffer before any signal is emitted: a
// slot may run a nested event loop that drains again and reuses that buffer.
struct EventCopy {
    mpv_event_id id = MPV_EVENT_NONE;
    int64_t entryId = -1;
    MpvEndReason reason = MpvEndReason::Stop;
    QString errorText;
    uint64_t observed = 0;
    bool hasValue = false;
    double number = 0;
    bool flag = false;
};

namespace {

// Property observation ids (mpv's reply_userdata).
enum ObservedId : uint64_t { ObsDuration = 1, ObsPausedForCache, ObsIdleActive };

// "name://" at the start: mpv treats such a text as an address of that scheme.
const QRegularExpression& schemePrefix() {
    static const QRegularExpression re(QStringLiteral("^([A-Za-z][A-Za-z0-9+.\\-]*)://"));
    return re;
}

bool isNetworkScheme(const QString& scheme) {
    return scheme == u"http" || scheme == u"https" || scheme == u"rtsp" || scheme == u"mms";
}

// A file:// URL is taken only in its plain form: no host, query or fragment.
bool isPlainFileUrl(const QUrl& url) {
    return url.isValid() && url.isLocalFile() &&
           (url.host().isEmpty() || url.host() == u"localhost") && !url.hasQuery() &&
           !url.hasFragment() && !url.path().isEmpty();
}

bool isLocalSource(const QString& source) {
    const auto m = schemePrefix().match(source);
    return !m.hasMatch() || m.captured(1).toLower() == u"file";
}

MpvEndReason toEndReason(mpv_end_file_reason r) {
    switch (r) {
    case MPV_END_FILE_REASON_EOF: return MpvEndReason::Eof;
    case MPV_END_FILE_REASON_STOP: return MpvEndReason::Stop;
    case MPV_END_FILE_REASON_QUIT: return MpvEndReason::Quit;
    case MPV_END_FILE_REASON_REDIRECT: return MpvEndReason::Redirect;
    case MPV_END_FILE_REASON_ERROR: break;
    }
    return MpvEndReason::Error;
}

bool unavailable(int rc) {
    return rc == MPV_ERROR_PROPERTY_UNAVAILABLE;
}

EventCopy copyEvent(const mpv_event& ev) {
    EventCopy c;
    c.id = ev.event_id;
    if (ev.event_id == MPV_EVENT_END_FILE && ev.data) {
        const auto* end = static_cast<const mpv_event_end_file*>(ev.data);
        c.entryId = end->playlist_entry_id;
        c.reason = toEndReason(end->reason);
        if (end->reason == MPV_END_FILE_REASON_ERROR) c.errorText = mpvApi().errorString(end->error);
    }
    if (ev.event_id == MPV_EVENT_START_FILE && ev.data)
        c.entryId = static_cast<const mpv_event_start_file*>(ev.data)->playlist_entry_id;
    if (ev.event_id == MPV_EVENT_PROPERTY_CHANGE && ev.data) {
        const auto* p = static_cast<const mpv_event_property*>(ev.data);
        c.observed = ev.reply_userdata;
        if (p->format == MPV_FORMAT_DOUBLE && p->data) {
            c.hasValue = true;
            c.number = *static_cast<const double*>(p->data);
        } else if (p->format == MPV_FORMAT_FLAG && p->data) {
            c.hasValue = true;
            c.flag = *static_cast<const int*>(p->data) != 0;
        }
    }
    return c;
}

}  // namespace

MpvBridge::MpvBridge(QObject* parent, const QString& audioOutput, MpvCache cache)
    : QObject(parent), wholeFile_(cache == MpvCache::WholeFile) {
    h_ = mpvApi().create();
    if (!h_) throw MediaError("mpv: cannot create a player instance");
    try {
        // No user files, no scripts (with them the on-screen controller, stats
        // and console), no URL helpers, no keys, no terminal, no video.
        setOption("config", "no");
        setOption("load-scripts", "no");
        setOption("load-stats-overlay", "no");
        setOption("load-osd-console", "no");
        setOption("load-auto-profiles", "no");
        setOption("ytdl", "no");
        setOption("osc", "no");
        setOption("input-default-bindings", "no");
        setOption("input-vo-keyboard", "no");
        setOption("input-terminal", "no");
        setOption("terminal", "no");
        setOption("load-unsafe-playlists", "no");
        setOption("access-references", "no");
        setOption("vo", "null");
        setOption("vid", "no");
        setOption("audio-display", "no");
        // Playback and its clock also run without a sound device.
        setOption("audio-fallback-to-null", "yes");
        setOption("hr-seek", "yes");
        setOption("keep-open", "no");
        setOption("loop-file", "no");  // a media item plays once
        setOption("loop-playlist", "no");
        setOption("idle", "yes");
        setOption("network-timeout", "10");
        if (wholeFile_) setOption("cache", "yes");
        QString ao = audioOutput;
        if (ao.isEmpty()) ao = qEnvironmentVariable("QM5_AO");
        if (!ao.isEmpty()) setOption("ao", ao.toUtf8().constData());

        check(mpvApi().initialize(h_), "initialize");
        check(mpvApi().observeProperty(h_, ObsDuration, mpvprop::Duration, MPV_FORMAT_DOUBLE),
              "observe duration");
        check(mpvApi().observeProperty(h_, ObsPausedForCache, mpvprop::PausedForCache,
                                   MPV_FORMAT_FLAG),
              "observe paused-for-cache");
        check(mpvApi().observeProperty(h_, ObsIdleActive, mpvprop::IdleActive, MPV_FORMAT_FLAG),
              "observe idle-active");
    } catch (...) {
        mpvApi().terminateDestroy(h_);
        h_ = nullptr;
        throw;
    }
    mpvApi().setWakeupCallback(h_, &MpvBridge::wakeup, this);
}

MpvBridge::~MpvBridge() {
    // After this returns mpv calls no wakeup any more; drains already queued
    // die with this object.
    mpvApi().setWakeupCallback(h_, nullptr, nullptr);
    mpvApi().terminateDestroy(h_);
}

bool MpvBridge::isAcceptedSource(const QString& source) {
    if (source.isEmpty() || source.contains(QChar(0))) return false;
    const auto m = schemePrefix().match(source);
    if (!m.hasMatch()) return true;  // a local path
    if (m.captured(1).toLower() == u"file") return isPlainFileUrl(QUrl(source, QUrl::StrictMode));
    return isNetworkAddress(source);
}

bool MpvBridge::isNetworkAddress(const QString& source) {
    const auto m = schemePrefix().match(source);
    if (!m.hasMatch() || !isNetworkScheme(m.captured(1).toLower())) return false;
    const QUrl url(source, QUrl::StrictMode);
    return url.isValid() && !url.host().isEmpty();
}

QString MpvBridge::mpvTarget(const QString& source) {
    const auto m = schemePrefix().match(source);
    if (!m.hasMatch()) return QFileInfo(source).absoluteFilePath();
    if (m.captured(1).toLower() == u"file")
        return QFileInfo(QUrl(source, QUrl::StrictMode).toLocalFile()).absoluteFilePath();
    return source;
}

void MpvBridge::check(int rc, const char* what) const {
    if (rc >= 0) return;
    throw MediaError(std::string("mpv: ") + what + ": " + mpvApi().errorString(rc));
}

void MpvBridge::setOption(const char* name, const char* value) {
    check(mpvApi().setOptionString(h_, name, value), name);
}

int64_t MpvBridge::load(const QString& source) {
    if (!isAcceptedSource(source))
        throw MediaError("refused media address: " + source.toStdString());
    const QByteArray target = mpvTarget(source).toUtf8();
    // A stream plays as it arrives; only a local file waits to be read whole.
    if (wholeFile_) setFlag("demuxer-cache-wait", isLocalSource(source));
    const char* cmd[] = {"loadfile", target.constData(), "replace", nullptr};
    mpv_node result{};
    check(mpvApi().commandRet(h_, cmd, &result), "loadfile");
    int64_t id = -1;
    if (result.format == MPV_FORMAT_NODE_MAP && result.u.list) {
        const mpv_node_list* map = result.u.list;
        for (int i = 0; i < map->num; ++i) {
            if (std::string(map->keys[i]) == "playlist_entry_id" &&
                map->values[i].format == MPV_FORMAT_INT64)
                id = map->values[i].u.int64;
        }
    }
    mpvApi().freeNodeContents(&result);
    return id;
}

void MpvBridge::stop() {
    const char* cmd[] = {"stop", nullptr};
    check(mpvApi().command(h_, cmd), "stop");
}

void MpvBridge::seekExact(double seconds) {
    const QByteArray t = QByteArray::number(seconds, 'f', 6);
    const char* cmd[] = {"seek", t.constData(), "absolute+exact", nullptr};
    check(mpvApi().command(h_, cmd), "seek");
}

std::optional<double> MpvBridge::getDouble(const char* name) {
    ++reads_;
    double v = 0;
    const int rc = mpvApi().getProperty(h_, name, MPV_FORMAT_DOUBLE, &v);
    if (unavailable(rc)) return std::nullopt;
    check(rc, name);
    return v;
}

std::optional<bool> MpvBridge::getFlag(const char* name) {
    ++reads_;
    int v = 0;
    const int rc = mpvApi().getProperty(h_, name, MPV_FORMAT_FLAG, &v);
    if (unavailable(rc)) return std::nullopt;
    check(rc, name);
    return v != 0;
}

std::optional<QString> MpvBridge::getString(const char* name) {
    ++reads_;
    char* v = nullptr;
    const int rc = mpvApi().getProperty(h_, name, MPV_FORMAT_STRING, &v);
    if (unavailable(rc)) return std::nullopt;
    check(rc, name);
    QString s = QString::fromUtf8(v);
    mpvApi().free(v);
    return s;
}

void MpvBridge::setDouble(const char* name, double value) {
    check(mpvApi().setProperty(h_, name, MPV_FORMAT_DOUBLE, &value), name);
}

void MpvBridge::setFlag(const char* name, bool value) {
    int v = value ? 1 : 0;
    check(mpvApi().setProperty(h_, name, MPV_FORMAT_FLAG, &v), name);
}

void MpvBridge::wakeup(void* self) {
    // mpv's own thread: touch nothing but the queue.
    static_cast<MpvBridge*>(self)->queueDrain();
}

void MpvBridge::queueDrain() {
    if (drainQueued_.exchange(true)) return;  // one drain empties everything
    QMetaObject::invokeMethod(this, &MpvBridge::drainEvents, Qt::QueuedConnection);
}

void MpvBridge::drainEvents() {
    drainQueued_ = false;
    QPointer<MpvBridge> alive(this);  // a slot may delete the player
    for (;;) {
        const mpv_event* ev = mpvApi().waitEvent(h_, 0);
        if (!ev || ev->event_id == MPV_EVENT_NONE) return;
        const EventCopy e = copyEvent(*ev);
        try {
            dispatch(e, alive);
        } catch (...) {
            // Let the application's error handler show it, and keep the rest of
            // mpv's queue moving.
            if (alive) queueDrain();
            throw;
        }
        if (!alive) return;
    }
}

void MpvBridge::dispatch(const EventCopy& e, const QPointer<MpvBridge>& alive) {
    switch (e.id) {
    case MPV_EVENT_START_FILE: {
        emit startFile(e.entryId);
        if (!alive) return;
        // A playlist may name entries of any scheme: play none that a user
        // could not have opened directly.
        const auto path = getString(mpvprop::Path);
        if (path && !isAcceptedSource(*path)) {
            stop();
            emit endFile(e.entryId, MpvEndReason::Error, "refused media address: " + *path);
        }
        break;
    }
    case MPV_EVENT_FILE_LOADED: emit fileLoaded(); break;
    case MPV_EVENT_PLAYBACK_RESTART: emit playbackRestarted(); break;
    case MPV_EVENT_END_FILE: emit endFile(e.entryId, e.reason, e.errorText); break;
    case MPV_EVENT_PROPERTY_CHANGE:
        if (e.observed == ObsDuration) emit durationChanged(e.hasValue ? e.number : 0.0);
        if (e.observed == ObsPausedForCache) emit pausedForCacheChanged(e.hasValue && e.flag);
        if (e.observed == ObsIdleActive) emit idleChanged(e.hasValue && e.flag);
        break;
    default: break;
    }
}

}  // namespace qm
