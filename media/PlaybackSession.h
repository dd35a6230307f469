#pragma once

#include "media/MpvBridge.h"

#include <QObject>
#include <QElapsedTimer>
#include <QTimer>
#include <QString>

#include <limits>
#include <memory>
#include <optional>

namespace qm {

// What a player control does with one mpv instance: opening a source, play,
// pause, stop back to the start, exact seeks, and the end of the media. It owns
// its MpvBridge and turns mpv's events into one phase; the two controls map
// phases to their own play-state codes and units. Position reads answer a seek
// target from the moment the seek is asked for, since mpv reports the old time
// until it has carried the seek out.
class PlaybackSession : public QObject {
    Q_OBJECT
public:
    enum class Phase {
        Empty,      // nothing to play
        Opening,    // loading a source (contacting a server, probing)
        Playing,
        Paused,
        Buffering,  // playing, waiting for network data
        Stopped,    // at the start (or where a seek put it), not playing
        Ended,      // played to the end: a stop, with stoppedAtEnd()
        Failed      // the source could not be opened or was refused
    };

    explicit PlaybackSession(QObject* parent = nullptr, const QString& audioOutput = {},
                             MpvCache cache = MpvCache::Auto);
    ~PlaybackSession() override;

    // Loads source; autoplay starts it once loaded, otherwise it waits stopped
    // at the start. A refused source ends in Failed without reaching mpv.
    void open(const QString& source, bool autoplay);
    // Ends in Failed with `why` as the error, as a source that cannot be opened.
    void fail(const QString& source, const QString& why);
    // Opening a source whose media is not known yet (a metafile being
    // fetched): the previous media stops, nothing reaches mpv, the phase is
    // Opening until open() or fail() follows. A play() meanwhile is remembered.
    void awaitSource(const QString& source);
    bool playRequested() const { return afterLoad_ == Phase::Playing; }
    void play();
    void pause();
    void stop();   // back to the start
    void close();  // forgets the source
    void seek(double seconds);

    // Seconds. While mpv plays steadily this goes on by the clock between
    // reads of mpv (each read wakes mpv's core), so it may be called often.
    double position();
    // The next position() reads mpv, whatever the clock says; the readings
    // so far still count towards going on by the clock again after it.
    void readMpvNext() { readMpvNext_ = true; }
    double duration() const { return duration_; }  // 0 while unknown
    Phase phase() const { return phase_; }
    bool stoppedAtEnd() const { return phase_ == Phase::Ended; }
    bool hasSource() const { return !source_.isEmpty(); }
    // The last open or load of the source failed (stays so through a stop).
    bool hasFailed() const { return failed_; }
    QString source() const { return source_; }
    QString lastError() const { return lastError_; }

    double speed() const { return speed_; }
    void setSpeed(double speed);
    int volume() const { return volume_; }
    void setVolume(int volume);

signals:
    void phaseChanged(qm::PlaybackSession::Phase phase);
    void durationChanged(double seconds);
    void positionRead();  // position() has answered

private:
    void reload(Phase after);
    void startLoad();
    bool dropPendingLoad();
    void onIdle(bool idle);
    void setPhase(Phase p);
    void onStartFile(qint64 entryId);
    void onFileLoaded();
    void onPlaybackRestarted();
    void onEndFile(qint64 entryId, MpvEndReason reason, const QString& errorText);
    void onBuffering(bool buffering);
    bool isCurrent(qint64 entryId) const;
    bool seekLanded();
    double readMpvTime();
    void forgetReadings();

    static constexpr qint64 kNoEntry = std::numeric_limits<qint64>::min();
    void onDuration(double seconds);

    MpvBridge& mpv();

    QString audioOutput_;
    MpvCache cache_;
    std::unique_ptr<MpvBridge> mpv_;  // made at the first source
    QString source_;
    Phase phase_ = Phase::Empty;
    Phase afterLoad_ = Phase::Playing;  // the phase a load in progress ends in
    bool loaded_ = false;               // mpv holds the file (not idle)
    bool mpvIdle_ = true;               // by mpv's last report
    bool loadPending_ = false;          // a load waits for mpv to go idle
    QTimer idleFallback_;               // ... but not for ever
    // mpv's time as last read from mpv, and whether it moved with the clock
    // (times the speed) since the read before: then position() goes on from
    // it by the clock for a while instead of waking mpv's core each time.
    std::optional<double> mpvRead_;
    QElapsedTimer mpvReadAge_;
    bool mpvSteady_ = false;
    bool readMpvNext_ = false;
    bool failed_ = false;
    qint64 entry_ = kNoEntry;           // mpv's playlist entry of our load
    qint64 started_ = kNoEntry;         // the entry mpv started last
    bool followRedirect_ = false;       // our entry was a playlist
    bool seekRestarted_ = false;        // mpv restarted since the last seek
    std::optional<double> seekTarget_;  // asked for, not yet carried out
    std::optional<double> startAt_;     // where the next load begins
    double duration_ = 0;
    double speed_ = 1.0;
    int volume_ = 100;
    QString lastError_;
};

}  // namespace qm
