#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <cstdint>
#include <optional>

struct mpv_handle;

namespace qm {

struct EventCopy;

// The names of the mpv properties this program reads, writes or observes.
namespace mpvprop {
inline constexpr const char* Pause = "pause";
inline constexpr const char* Duration = "duration";
inline constexpr const char* TimePos = "time-pos";
inline constexpr const char* CoreIdle = "core-idle";
inline constexpr const char* IdleActive = "idle-active";
inline constexpr const char* PausedForCache = "paused-for-cache";
inline constexpr const char* Path = "path";
inline constexpr const char* Speed = "speed";
inline constexpr const char* Volume = "volume";
}  // namespace mpvprop

// Whether mpv keeps the whole file in memory once read. FFmpeg's RealMedia
// demuxer finds seek points by scanning for packet headers and often fails;
// seeks inside mpv's own cache never ask the demuxer. A local file is read
// whole before it plays: a seek made early would otherwise leave a gap in the
// cache, and a later seek into the gap goes to the demuxer and ends the file.
enum class MpvCache { Auto, WholeFile };

// Why mpv ended a file (mirrors mpv's end-file reasons without its header).
enum class MpvEndReason { Eof, Stop, Quit, Error, Redirect };

// One libmpv instance, created hardened (no user configuration, scripts, key
// bindings, on-screen controller, URL helpers or video) and destroyed with the
// object. It owns the mpv_handle and the event plumbing: mpv's wakeup callback
// only queues a drain into this object's (GUI) thread, and the drain turns mpv
// events into the Qt signals below. What the events mean for a player is left
// to the control using it. Every failing mpv call throws MediaError with mpv's
// own text. This is the only code that includes <mpv/client.h>.
class MpvBridge : public QObject {
    Q_OBJECT
public:
    // audioOutput: mpv's "ao"; empty takes $QM5_AO, and mpv's default without it.
    explicit MpvBridge(QObject* parent = nullptr, const QString& audioOutput = {},
                       MpvCache cache = MpvCache::Auto);
    ~MpvBridge() override;
    MpvBridge(const MpvBridge&) = delete;
    MpvBridge& operator=(const MpvBridge&) = delete;

    // True for a local path and for http, https, rtsp and mms addresses; false
    // for every other scheme (edl://, av://, memory://, ...) and for file:// URLs
    // carrying a host, query or fragment.
    static bool isAcceptedSource(const QString& source);
    // True for an http, https, rtsp or mms address with a host: what mpv
    // reads from the network, never from this machine.
    static bool isNetworkAddress(const QString& source);
    // What mpv is handed for an accepted source: an absolute local path (so
    // that mpv never reads a name as one of its own special forms) or the URL.
    static QString mpvTarget(const QString& source);

    // Replaces whatever is loaded; returns mpv's playlist entry id of the new
    // file (-1 when mpv gives none). Throws MediaError for a refused source.
    int64_t load(const QString& source);
    void stop();                    // unloads the file
    void seekExact(double seconds);  // absolute, exact

    std::optional<double> getDouble(const char* name);  // nullopt while unavailable
    std::optional<bool> getFlag(const char* name);
    std::optional<QString> getString(const char* name);
    void setDouble(const char* name, double value);
    void setFlag(const char* name, bool value);
    // Property reads so far: each one wakes mpv's core.
    int64_t reads() const { return reads_; }

signals:
    void startFile(qint64 entryId);
    void fileLoaded();         // of the file of the last startFile
    void playbackRestarted();  // after loading and after each seek
    void endFile(qint64 entryId, qm::MpvEndReason reason, const QString& errorText);
    void durationChanged(double seconds);  // 0 when unknown
    void pausedForCacheChanged(bool buffering);
    // mpv holds no file and its core is free: after the end of a file only
    // once the sound output has played out what it held.
    void idleChanged(bool idle);

private:
    void check(int rc, const char* what) const;
    void setOption(const char* name, const char* value);
    void queueDrain();
    void drainEvents();
    void dispatch(const EventCopy& e, const QPointer<MpvBridge>& alive);
    static void wakeup(void* self);

    mpv_handle* h_ = nullptr;
    bool wholeFile_ = false;
    std::atomic<bool> drainQueued_{false};
    int64_t reads_ = 0;
};

}  // namespace qm
